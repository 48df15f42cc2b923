#include "core/descubrimiento.h"

#include "core/codificacion.h"
#include "core/mensajero.h"

#include <QNetworkInterface>

namespace {

// Datagrams handled in one turn of the event loop; the rest wait for the next turn, so
// that a flood cannot freeze the windows.
constexpr int kDatagramasPorTurno = 64;
// Own addresses are looked up again after this long: interfaces come and go.
constexpr qint64 kMsPropias = 5000;

} // namespace

QList<QHostAddress> DireccionesDifusion(const QHostAddress& solo) {
    QList<QHostAddress> direcciones;
    for (const QNetworkInterface& interfaz : QNetworkInterface::allInterfaces()) {
        const auto banderas = interfaz.flags();
        if (!(banderas & QNetworkInterface::IsUp) || (banderas & QNetworkInterface::IsLoopBack) ||
            !(banderas & QNetworkInterface::CanBroadcast))
            continue;
        for (const QNetworkAddressEntry& entrada : interfaz.addressEntries()) {
            const QHostAddress difusion = entrada.broadcast();
            if (entrada.ip().protocol() != QAbstractSocket::IPv4Protocol || difusion.isNull() ||
                (!solo.isNull() && entrada.ip() != solo))
                continue;
            if (!direcciones.contains(difusion))
                direcciones << difusion;
        }
    }
    return direcciones;
}

std::optional<TDatagramaRed> InterpretarDatagrama(QByteArrayView datos) {
    if (datos.size() > kMaximoDatagrama || !datos.endsWith(kBel))
        return std::nullopt;
    const QByteArray mensaje = datos.chopped(1).toByteArray();
    // One message per datagram.
    if (mensaje.contains(kBel))
        return std::nullopt;
    const std::optional<TMensajeRecibido> recibido = InterpretarMensaje(mensaje);
    if (!recibido)
        return std::nullopt;
    if (recibido->Comando == TComando::PreguntaRed)
        return TDatagramaRed{true, {}};
    if (recibido->Comando == TComando::AnuncioRed)
        return TDatagramaRed{false, DecodificarCp1252(recibido->Carga)};
    return std::nullopt;
}

QByteArray DatagramaPregunta() { return Componer(TComando::PreguntaRed).append(kBel); }

QByteArray DatagramaAnuncio(const QString& nick) {
    QByteArray datagrama = Componer(TComando::AnuncioRed, {nick});
    // Longer nicks are cut so that every copy takes the announcement.
    datagrama.truncate(kMaximoDatagrama - 1);
    return datagrama.append(kBel);
}

void TListaEncontrados::Anotar(const QString& ip, const QString& nick) {
    if (const auto previo = ordenDe_.constFind(ip); previo != ordenDe_.cend())
        porOrden_.erase(*previo);
    else if (int(porOrden_.size()) >= kMaximoEncontrados) {
        ordenDe_.remove(porOrden_.begin()->second.IP);
        porOrden_.erase(porOrden_.begin());
    }
    const quint64 orden = siguiente_++;
    porOrden_[orden] = TPeerEnRed{ip, nick};
    ordenDe_[ip] = orden;
}

std::vector<TPeerEnRed> TListaEncontrados::Entradas() const {
    std::vector<TPeerEnRed> entradas;
    entradas.reserve(porOrden_.size());
    for (auto it = porOrden_.crbegin(); it != porOrden_.crend(); ++it)
        entradas.push_back(it->second);
    return entradas;
}

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

void TDescubrimiento::LeerDatagramas() {
    QByteArray datos(kMaximoDatagrama + 1, Qt::Uninitialized);
    for (int leidos = 0; socket_.hasPendingDatagrams(); ++leidos) {
        if (leidos == kDatagramasPorTurno) {
            QTimer::singleShot(0, this, &TDescubrimiento::LeerDatagramas);
            return;
        }
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

bool TDescubrimiento::Propio(const QHostAddress& remitente, quint16 puerto) {
    if (puerto != socket_.localPort())
        return false;
    const QHostAddress escucha = socket_.localAddress();
    if (escucha != QHostAddress::AnyIPv4)
        return remitente == escucha;
    const qint64 ahora = mensajero_.Reloj().Ms();
    if (propiasLeidas_ < 0 || ahora - propiasLeidas_ >= kMsPropias) {
        propias_ = QNetworkInterface::allAddresses();
        propiasLeidas_ = ahora;
    }
    return propias_.contains(remitente);
}

void TDescubrimiento::Difundir(const QByteArray& datagrama) {
    const auto& destinos = mensajero_.Opciones().DestinosAnuncio;
    if (!destinos)
        return;
    for (const QHostAddress& destino : destinos())
        socket_.writeDatagram(datagrama, destino, mensajero_.Opciones().Puerto);
}
