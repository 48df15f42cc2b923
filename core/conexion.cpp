#include "core/conexion.h"

#include "core/protocolo.h"

#include <QTcpSocket>
#include <QThread>

#ifdef Q_OS_LINUX
#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#endif
#include <cerrno>
#include <iterator>
#include <utility>
#include <vector>

namespace {

// A few of the extended transfer's blocks per read: each read costs a turn of the event loop.
constexpr qint64 kBufferLectura = 256 * 1024;

// The connections this copy opens are read without Qt's buffer, one system call per read
// (Qt asks how much is there first, and copies it once more). Those it accepts cannot be.
constexpr QIODevice::OpenMode kModoSaliente = QIODevice::ReadWrite | QIODevice::Unbuffered;

// One for every connection: what a read brings is framed before the next read.
char* BufferLectura() {
    static std::vector<char> buffer(kBufferLectura);
    return buffer.data();
}

} // namespace

TConexion::TConexion(QTcpSocket* socket, TTipo tipo, QObject* padre)
    : QObject(padre), socket_(socket), tipo_(tipo) {
    socket_->setParent(this);
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    // Unread bytes wait in the peer's send window, not here: together with the framer's
    // partial message they stay within the per-peer cap.
    socket_->setReadBufferSize(kBufferLectura);
    connect(socket_, &QTcpSocket::readyRead, this, [this] {
        emit Datos(this);
        if (finLeido_)
            AvisarAbajo();
    });
    connect(socket_, &QTcpSocket::disconnected, this, &TConexion::AvisarAbajo);
    connect(socket_, &QTcpSocket::connected, this, [this] {
        MarcarArriba();
        for (const QByteArray& mensaje : TomarEnEspera())
            Transmitir(mensaje);
        emit Arriba(this);
    });
    connect(socket_, &QTcpSocket::errorOccurred, this, [this] {
        if (!arriba_.isValid())
            emit Fallida(this);
    });
    if (socket_->state() == QAbstractSocket::ConnectedState)
        MarcarArriba();
}

void TConexion::MarcarArriba() {
    ipRemota_ = socket_->peerAddress().toString();
    arriba_.start();
}

void TConexion::AvisarAbajo() {
    if (!std::exchange(abajo_, true))
        emit Abajo(this);
}

bool TConexion::Conectada() const { return socket_->state() == QAbstractSocket::ConnectedState; }

bool TConexion::Intentando() const {
    return socket_->state() == QAbstractSocket::HostLookupState ||
           socket_->state() == QAbstractSocket::ConnectingState;
}

bool TConexion::AbiertaPorDireccionMenor() const {
    const quint32 local = socket_->localAddress().toIPv4Address();
    const quint32 remota = socket_->peerAddress().toIPv4Address();
    return tipo_ == TTipo::Saliente ? local < remota : remota < local;
}

bool TConexion::Conectar(const QString& ip, quint16 puerto, const QHostAddress& origen) {
    QHostAddress direccion;
    if (!direccion.setAddress(ip) || direccion.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    ipRemota_ = ip;
    if (!origen.isNull())
        socket_->bind(origen, 0);
    socket_->connectToHost(direccion, puerto, kModoSaliente);
    return true;
}

void TConexion::Escribir(const QByteArray& mensaje) {
    if (Intentando())
        enEspera_.append(mensaje);
    else if (Conectada())
        Transmitir(mensaje);
}

QList<QByteArray> TConexion::TomarEnEspera() { return std::exchange(enEspera_, {}); }

void TConexion::Transmitir(const QByteArray& mensaje) {
    if (socket_->bytesToWrite() == 0 && EnviarDirecto(mensaje))
        return;
    // Both into the socket's buffer, out together on the flush: no copy of a large message.
    if (socket_->write(mensaje) < 0 || !socket_->putChar(kBel))
        CerrarTrasFallo();
    socket_->flush();
}

// Out now rather than on the next turn of the event loop, as one system call: a peer waiting
// for this message (an acknowledgement, a block) waits one turn less. Going through the
// socket's buffer would switch its write notifier on and off, which costs the event loop two
// wake-ups per message. Whatever the system does not take goes to the buffer, in order.
bool TConexion::EnviarDirecto(const QByteArray& mensaje) {
#ifdef Q_OS_LINUX
    char bel = kBel;
    iovec partes[2] = {{const_cast<char*>(mensaje.constData()), std::size_t(mensaje.size())},
                       {&bel, 1}};
    msghdr cabecera{};
    cabecera.msg_iov = partes;
    cabecera.msg_iovlen = 2;
    const ssize_t enviados =
        ::sendmsg(int(socket_->socketDescriptor()), &cabecera, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (enviados < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ||
                         errno == ENOBUFS || errno == ENOMEM))
        return false;
    if (enviados < 0) {
        CerrarTrasFallo();
        return true;
    }
    if (enviados <= mensaje.size() &&
        (socket_->write(mensaje.sliced(enviados)) < 0 || !socket_->putChar(kBel)))
        CerrarTrasFallo();
    return true;
#else
    Q_UNUSED(mensaje);
    return false;
#endif
}

// The peer is gone: said on the next turn of the event loop, never inside a send, whose
// caller still holds what the loss would free. An unbuffered socket would otherwise stay up
// with nothing under it.
void TConexion::CerrarTrasFallo() {
    QMetaObject::invokeMethod(this, [this] { socket_->abort(); }, Qt::QueuedConnection);
}

bool TConexion::Leer(TColaRecibidos& cola) {
    // At most two reads a turn, so that a peer that never stops sending cannot hold the loop.
    // The second takes what a full read left behind, or finds Qt's buffer empty, which lets it
    // read on; what remains brings another signal. An unbuffered socket says here that the
    // peer is gone.
    char* lectura = BufferLectura();
    bool cabe = true;
    for (int lecturas = 0; lecturas < 2 && cabe; ++lecturas) {
        const qint64 leidos = socket_->read(lectura, kBufferLectura);
        finLeido_ = leidos < 0;
        if (leidos > 0)
            cabe = Enmarcar(QByteArrayView(lectura, leidos), cola);
        if (leidos < kBufferLectura)
            break;
    }
    return cabe;
}

bool TConexion::Enmarcar(QByteArrayView leidos, TColaRecibidos& cola) {
    TColaRecibidos& destino = admitida_ ? cola : retenidos_;
    const std::size_t antes = destino.size();
    const bool cabe = tramador_.Agregar(leidos, ipRemota_, destino);
    recibio_ = recibio_ || destino.size() > antes;
    if (admitida_ || !cabe)
        return cabe;
    for (auto item = retenidos_.begin() + qsizetype(antes); item != retenidos_.end(); ++item)
        bytesRetenidos_ += item->Mensaje.size() + 1;
    return bytesRetenidos_ + tramador_.Pendientes() <= kMaximoPendiente;
}

void TConexion::Admitir(TColaRecibidos& cola) {
    admitida_ = true;
    std::move(retenidos_.begin(), retenidos_.end(), std::back_inserter(cola));
    retenidos_.clear();
    bytesRetenidos_ = 0;
}

namespace {

// Bytes the system still holds for the peer: not yet sent, or sent and not acknowledged.
int PendientesEnSistema(qintptr descriptor) {
#ifdef Q_OS_LINUX
    int pendientes = 0;
    if (::ioctl(int(descriptor), SIOCOUTQ, &pendientes) == 0)
        return pendientes;
#endif
    Q_UNUSED(descriptor);
    return 0;
}

} // namespace

bool TConexion::EsperarEnvio(const QDeadlineTimer& limite) {
    if (!Conectada())
        return true;
    while (socket_->bytesToWrite() > 0) {
        if (limite.hasExpired() || !socket_->waitForBytesWritten(int(limite.remainingTime())))
            return false;
    }
    // Closing while the peer has not acknowledged everything could lose the tail.
    while (PendientesEnSistema(socket_->socketDescriptor()) > 0) {
        if (limite.hasExpired())
            return false;
        QThread::msleep(2);
    }
    return true;
}

void TConexion::Liberar() {
    disconnect(socket_, nullptr, this, nullptr);
    disconnect(this, nullptr, nullptr, nullptr);
    socket_->flush();
    socket_->abort();
    deleteLater();
}
