// 200 contacts in the book, each a listening peer on its own loopback address: time from the
// core's start of connecting until all are on-line, and the core's memory growth per on-line
// contact: the resident set, and apart the bytes allocated, which count in full buffers of
// which the system holds only the pages written. The peers live in a second process, a re-run
// of this program, so that only the core's memory is counted; each greets like a real peer.
#include "bench/usuariomudo.h"
#include "core/mensajero.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <unistd.h>

namespace {

constexpr int kContactos = 200;
const QString kCore = QStringLiteral("127.0.0.90");

QString DireccionPeer(int i) {
    return QStringLiteral("127.0.2.%1").arg(i + 1);
}

// --- The peers' process ---

int Peers(quint16 puerto) {
    std::vector<std::unique_ptr<QTcpServer>> servidores;
    for (int i = 0; i < kContactos; ++i) {
        auto servidor = std::make_unique<QTcpServer>();
        if (!servidor->listen(QHostAddress(DireccionPeer(i)), puerto))
            return 1;
        QTcpServer* propio = servidor.get();
        QObject::connect(propio, &QTcpServer::newConnection, [propio, i] {
            while (QTcpSocket* socket = propio->nextPendingConnection())
                socket->write(Componer(TComando::Nick, {QStringLiteral("peer%1").arg(i)}) + kBel +
                              Componer(TComando::EMail) + kBel);
        });
        servidores.push_back(std::move(servidor));
    }
    std::printf("listo\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

// --- The core's process ---

// Counts contacts on-line at every repaint of the list and stops the loop once all are.
class TUsuarioBanco : public TUsuarioMudo {
public:
    void RepintarContactos() override {
        if (!Mensajero)
            return;
        int conectados = 0;
        for (int i = 0; i < Mensajero->Agenda().NumeroContactos(); ++i)
            conectados += Mensajero->Agenda().Contacto(i)->Conectado;
        if (conectados == kContactos)
            Bucle.quit();
    }

    TMensajero* Mensajero = nullptr;
    QEventLoop Bucle;
};

qint64 Residente() {
    QFile estado(QStringLiteral("/proc/self/statm"));
    if (!estado.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> campos = estado.readAll().split(' ');
    return campos.value(1).toLongLong() * sysconf(_SC_PAGESIZE);
}

qint64 Asignado() {
    return qint64(mallinfo2().uordblks);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication aplicacion(argc, argv);
    const QStringList argumentos = QCoreApplication::arguments();
    if (argumentos.size() == 3 && argumentos[1] == u"peers")
        return Peers(quint16(argumentos[2].toUInt()));

    const quint16 puerto = quint16(30000 + QCoreApplication::applicationPid() % 20000);
    QProcess hijo;
    hijo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    hijo.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("peers"), QString::number(puerto)});
    if (!hijo.waitForReadyRead(10000) || !hijo.readAll().startsWith("listo"))
        return 1;

    QTemporaryDir carpeta;
    TUsuarioBanco usuario;
    TMensajero mensajero(
        {TRutas::EnCarpeta(carpeta.path()), QHostAddress(kCore), puerto, QHostAddress(kCore)},
        usuario);
    if (!mensajero.Escuchar(nullptr))
        return 1;
    for (int i = 0; i < kContactos; ++i)
        mensajero.AnadirContacto(QStringLiteral("contacto%1").arg(i), DireccionPeer(i), {}, false,
                                 false);
    usuario.Mensajero = &mensajero;
    QCoreApplication::processEvents();

    const qint64 residenteAntes = Residente(), asignadoAntes = Asignado();
    QTimer::singleShot(10000, &usuario.Bucle, &QEventLoop::quit);
    QElapsedTimer reloj;
    reloj.start();
    mensajero.ConectarTodos();
    usuario.Bucle.exec();
    const double ms = double(reloj.nsecsElapsed()) / 1e6;
    // The greetings that came with the connections are handled too.
    QElapsedTimer calma;
    calma.start();
    while (calma.elapsed() < 300)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    const double porContactoResidente = double(Residente() - residenteAntes) / 1024 / kContactos;
    const double porContactoAsignado = double(Asignado() - asignadoAntes) / 1024 / kContactos;

    int conectados = 0;
    for (int i = 0; i < kContactos; ++i)
        conectados += mensajero.Agenda().Contacto(i)->Conectado;
    hijo.kill();
    hijo.waitForFinished();
    if (conectados != kContactos) {
        std::fprintf(stderr, "presence_200_online: only %d contacts came on-line\n", conectados);
        return 1;
    }
    std::printf("presence_200_online: %.1f ms\n", ms);
    std::printf("presence_200_memory_per_contact: %.1f KiB\n", porContactoResidente);
    std::printf("presence_200_allocated_per_contact: %.1f KiB\n", porContactoAsignado);
    return 0;
}
