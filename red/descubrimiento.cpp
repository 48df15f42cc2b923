#include "red/descubrimiento.h"

#include "core/mensajero.h"

TDescubrimiento::TDescubrimiento(TMensajero& mensajero, TOpciones opciones, QObject* padre)
    : QObject(padre), mensajero_(mensajero), opciones_(opciones) {
    connect(&socket_, &QUdpSocket::readyRead, this, &TDescubrimiento::LeerDatagramas);
    busqueda_.setInterval(opciones_.MsEntreBusquedas);
    connect(&busqueda_, &QTimer::timeout, this, &TDescubrimiento::Buscar);
    aviso_.setSingleShot(true);
    aviso_.setInterval(opciones_.MsAvisoLista);
    connect(&aviso_, &QTimer::timeout, this, &TDescubrimiento::ListaCambiada);
    connect(&mensajero_, &TMensajero::ConfigGuardada, this, &TDescubrimiento::ConfigGuardada);
}

bool TDescubrimiento::Escuchar() {
    return socket_.bind(mensajero_.Opciones().Escucha, mensajero_.Opciones().Puerto);
}

void TDescubrimiento::Anunciar() {
    const TConfig& config = mensajero_.Config();
    anunciaba_ = config.AnunciarEnRed;
    if (!config.AnunciarEnRed)
        return;
    nickAnunciado_ = config.Nick;
    Difundir(DatagramaAnuncio(config.Nick));
}

void TDescubrimiento::Buscar() { Difundir(DatagramaPregunta()); }

void TDescubrimiento::EmpezarBusqueda() {
    Buscar();
    busqueda_.start();
}

void TDescubrimiento::TerminarBusqueda() { busqueda_.stop(); }

std::vector<TFilaEncontrado> TDescubrimiento::Filas() const {
    std::vector<TFilaEncontrado> filas;
    for (const TPeerEnRed& peer : encontrados_.Entradas())
        filas.push_back({peer.Nick, peer.IP, mensajero_.BuscarContacto(peer.IP) != nullptr});
    return filas;
}

void TDescubrimiento::ConfigGuardada() {
    const TConfig& config = mensajero_.Config();
    // A new nick, or coming out of hiding, is worth telling.
    if (config.AnunciarEnRed && (!anunciaba_ || config.Nick != nickAnunciado_))
        Anunciar();
    anunciaba_ = config.AnunciarEnRed;
}

// Everything pending is read at once, up to the read that finds nothing: that read leaves the
// socket armed to tell of the next datagram, and the system's receive buffer bounds what can
// wait. Reading in slices from a timer instead lost the socket's notice for good.
void TDescubrimiento::LeerDatagramas() {
    QByteArray datos(kMaximoDatagrama + 1, Qt::Uninitialized);
    for (;;) {
        QHostAddress remitente;
        quint16 puerto = 0;
        // A longer datagram is cut to one byte past the limit, which is enough to refuse it.
        const qint64 tamano = socket_.readDatagram(datos.data(), datos.size(), &remitente, &puerto);
        if (tamano < 0)
            return;
        mensajero_.Proteger([&] { Atender(datos.first(tamano), remitente, puerto); });
    }
}

void TDescubrimiento::Atender(const QByteArray& datos, const QHostAddress& remitente, quint16 puerto) {
    const std::optional<TDatagramaRed> datagrama = InterpretarDatagrama(datos);
    if (!datagrama || remitente.protocol() != QAbstractSocket::IPv4Protocol || Propio(remitente, puerto))
        return;
    if (datagrama->Pregunta) {
        Responder(remitente, puerto);
        return;
    }
    encontrados_.Anotar(remitente.toString(), datagrama->Nick);
    if (!aviso_.isActive())
        aviso_.start();
}

void TDescubrimiento::Responder(const QHostAddress& remitente, quint16 puerto) {
    if (!mensajero_.Config().AnunciarEnRed)
        return;
    const qint64 ahora = mensajero_.Reloj().Ms();
    const quint32 direccion = remitente.toIPv4Address();
    const auto previa = respondidos_.constFind(direccion);
    if (previa != respondidos_.cend() && ahora - *previa < opciones_.MsEntreRespuestas)
        return;
    // Askers from many addresses at once: forget those answered long enough ago, and while
    // the table is still full answer nobody new.
    if (previa == respondidos_.cend() && respondidos_.size() >= kMaximoEncontrados) {
        respondidos_.removeIf([&](const auto& par) { return ahora - par.value() >= opciones_.MsEntreRespuestas; });
        if (respondidos_.size() >= kMaximoEncontrados)
            return;
    }
    respondidos_[direccion] = ahora;
    socket_.writeDatagram(DatagramaAnuncio(mensajero_.Config().Nick), remitente, puerto);
}

bool TDescubrimiento::Propio(const QHostAddress& remitente, quint16 puerto) const {
    return puerto == socket_.localPort() && mensajero_.EsEsteEquipo(remitente);
}

void TDescubrimiento::Difundir(const QByteArray& datagrama) {
    const auto& destinos = mensajero_.Opciones().DestinosAnuncio;
    if (!destinos)
        return;
    for (const QHostAddress& destino : destinos())
        socket_.writeDatagram(datagrama, destino, mensajero_.Opciones().Puerto);
}
