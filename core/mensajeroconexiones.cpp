// Connections to contacts: reaching them and trying again after a drop, taking the ones they
// open, the rules of a crossing (both peers connecting at once), and the ends of connections.
#include "core/mensajero.h"

#include "core/conexion.h"

#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <utility>

namespace {

constexpr qint64 kMsDireccionesPropias = 5000;

} // namespace

void TMensajero::ConectarTodos() {
    for (int i = 0; i < agenda_.NumeroContactos(); ++i) {
        TContacto* contacto = agenda_.Contacto(i);
        if (!contacto->Conectado)
            ConectarContacto(contacto);
    }
}

void TMensajero::VigilarRed() {
    if (!QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability))
        return;
    const auto arriba = [](QNetworkInformation::Reachability alcance) {
        return alcance == QNetworkInformation::Reachability::Local ||
               alcance == QNetworkInformation::Reachability::Site ||
               alcance == QNetworkInformation::Reachability::Online;
    };
    QNetworkInformation* red = QNetworkInformation::instance();
    redArriba_ = arriba(red->reachability());
    connect(red, &QNetworkInformation::reachabilityChanged, this,
            [this, arriba](QNetworkInformation::Reachability alcance) {
                const bool antes = std::exchange(redArriba_, arriba(alcance));
                if (redArriba_ && !antes)
                    Proteger([this] { RedRecuperada(); });
            });
}

void TMensajero::RedRecuperada() {
    for (int i = 0; i < agenda_.NumeroContactos(); ++i) {
        TContacto* contacto = agenda_.Contacto(i);
        const QString& ip = contacto->IP;
        if (contacto->Conectado || reintentos_.Rechazado(ip) || reintentos_.Propio(ip))
            continue;
        // An attempt begun on the network that went may hang for minutes: a new one replaces it.
        reintentos_.Olvidar(ip);
        ConectarContacto(contacto);
    }
}

void TMensajero::ConectarDeNuevo(const QString& ip) {
    reintentos_.Olvidar(ip);
    TContacto* contacto = BuscarContacto(ip);
    if (contacto && !contacto->Conectado)
        ConectarContacto(contacto);
}

void TMensajero::Reintentar(const QString& ip) {
    TContacto* contacto = BuscarContacto(ip);
    // Never two attempts at once for one contact.
    if (!contacto || contacto->Conectado || contacto->ConexionSaliente)
        return;
    AnotarEvento("Reintento", ip);
    ConectarContacto(contacto);
}

bool TMensajero::EsEsteEquipo(const QHostAddress& direccion) const {
    if (opciones_.Escucha != QHostAddress::AnyIPv4)
        return direccion.isEqual(opciones_.Escucha, QHostAddress::TolerantConversion);
    if (direccion.isLoopback())
        return true;
    // Interfaces come and go, but a book of many contacts must not look them up for each.
    if (!direccionesLeidas_.isValid() || direccionesLeidas_.hasExpired(kMsDireccionesPropias)) {
        direccionesPropias_ = QNetworkInterface::allAddresses();
        direccionesLeidas_.start();
    }
    return direccionesPropias_.contains(direccion);
}

bool TMensajero::EsNuestraEscucha(const QHostAddress& direccion, quint16 puerto) const {
    return servidor_.isListening() && puerto == servidor_.serverPort() && EsEsteEquipo(direccion);
}

void TMensajero::VaciarEnvios(std::chrono::milliseconds plazo) {
    const QDeadlineTimer limite(plazo);
    for (TConexion* conexion : findChildren<TConexion*>(Qt::FindDirectChildrenOnly))
        conexion->EsperarEnvio(limite);
}

void TMensajero::NuevaConexionEntrante() {
    while (QTcpSocket* socket = servidor_.nextPendingConnection())
        Proteger([&] { ServerSocketClientConnect(CrearConexion(socket, true)); });
}

TConexion* TMensajero::CrearConexion(QTcpSocket* socket, bool entrante) {
    auto* conexion =
        new TConexion(socket, entrante ? TConexion::TTipo::Entrante : TConexion::TTipo::Saliente, this);
    connect(conexion, &TConexion::Datos, this,
            [this](TConexion* c) { Proteger([&] { ServerSocketClientRead(c); }); });
    connect(conexion, &TConexion::Abajo, this, [this, entrante](TConexion* c) {
        Proteger([&] { entrante ? ServerSocketClientDisconnect(c) : ClientSocketDisconnect(c); });
    });
    connect(conexion, &TConexion::Arriba, this,
            [this](TConexion* c) { Proteger([&] { ClientSocketConnect(c); }); });
    connect(conexion, &TConexion::Fallida, this,
            [this](TConexion* c) { Proteger([&] { ClientSocketFallo(c); }); });
    return conexion;
}

void TMensajero::ConectarContacto(TContacto* contacto) {
    // A second contact with the same address would only duplicate the first one's connection.
    if (BuscarContacto(contacto->IP) != contacto)
        return;
    // Its own listener would take the attempt, as an unknown peer or as this very contact.
    if (EsEsteEquipo(QHostAddress(contacto->IP))) {
        reintentos_.EsPropio(contacto->IP);
        emit EsEsteMismoPrograma(contacto->IP);
        return;
    }
    if (contacto->ConexionSaliente)
        contacto->ConexionSaliente->Liberar();
    contacto->ConexionSaliente = nullptr;
    TConexion* conexion = CrearConexion(new QTcpSocket, false);
    if (!conexion->Conectar(contacto->IP, opciones_.Puerto, opciones_.Origen)) {
        conexion->Liberar();
        return;
    }
    contacto->ConexionSaliente = conexion;
}

bool TMensajero::DeEsteMismoPrograma(TConexion* entrante) {
    const QTcpSocket& socket = entrante->Socket();
    const auto esOrigen = [&](const QAbstractSocket& saliente) {
        return saliente.localPort() == socket.peerPort() && saliente.localAddress() == socket.peerAddress();
    };
    for (TConexion* conexion : findChildren<TConexion*>(Qt::FindDirectChildrenOnly)) {
        if (conexion->Tipo() != TConexion::TTipo::Saliente || !esOrigen(conexion->Socket()))
            continue;
        const QString ip = conexion->IPRemota();
        AnotarEvento("ConexionPropia", ip);
        if (TContacto* contacto = BuscarContacto(ip); contacto && contacto->ConexionSaliente == conexion)
            contacto->ConexionSaliente = nullptr;
        conexion->Liberar();
        entrante->Liberar();
        reintentos_.EsPropio(ip);
        emit EsEsteMismoPrograma(ip);
        return true;
    }
    return false;
}

void TMensajero::ServerSocketClientConnect(TConexion* conexion) {
    if (DeEsteMismoPrograma(conexion))
        return;
    haRecibidoConexiones_ = true;
    const QString ip = conexion->IPRemota();
    AnotarEvento("ServerSocketClientConnect", ip);
    if (BuscarContacto(ip)) {
        Incorporar(conexion);
        return;
    }
    // Nothing an unknown peer sends is handled before it is admitted.
    conexion->Retener();
    EsperarAdmision(conexion);
}

// An inbound connection from a contact becomes the one in use, unless it lost a crossing.
void TMensajero::Incorporar(TConexion* conexion) {
    if (!conexion->Admitida()) {
        conexion->Admitir(cola_);
        ProgramarVaciado();
    }
    const QString ip = conexion->IPRemota();
    TContacto* contacto = BuscarContacto(ip);
    if (!contacto || !conexion->Conectada())
        return;
    TConexion* saliente = contacto->ConexionSaliente;
    // The loser of a crossing is closed by the peer that opened it, after it has handled
    // what already arrived on it: neither side then writes on a connection the other dropped.
    if (GanaElCruce(saliente))
        return;
    // Our own attempt, still under way, would win the crossing: keep it until it comes up,
    // fails, or the crossing window ends. It was opened by the lower address when this one
    // was not.
    const bool esperarSaliente =
        saliente && saliente->Intentando() && !conexion->AbiertaPorDireccionMenor();
    if (contacto->ConexionEntrante)
        Retirar(contacto->ConexionEntrante);
    contacto->ConexionEntrante = conexion;
    if (saliente && !esperarSaliente) {
        // The loser of a crossing closes at once; an older connection still carrying
        // traffic is only retired.
        if (saliente->Conectada() && saliente->MsArriba() >= opciones_.MsCruce)
            Retirar(saliente);
        else
            Soltar(saliente);
        contacto->ConexionSaliente = nullptr;
    }
    if (esperarSaliente)
        QTimer::singleShot(opciones_.MsCruce + 1, Qt::PreciseTimer, this, [this, ip] {
            if (TContacto* esperado = BuscarContacto(ip))
                Proteger([&] { EsperandoSaliente(esperado); });
        });
    MarcarConectado(contacto);
    Saludar(conexion);
}

void TMensajero::ClientSocketConnect(TConexion* conexion) {
    const QString ip = conexion->IPRemota();
    AnotarEvento("ClientSocketConnect", ip);
    TContacto* contacto = BuscarContacto(ip);
    if (!contacto || contacto->ConexionSaliente != conexion)
        return;
    // This copy itself: its inbound end, on its way, drops both ends.
    if (EsNuestraEscucha(conexion->Socket().peerAddress(), conexion->Socket().peerPort())) {
        reintentos_.EsPropio(ip);
        emit EsEsteMismoPrograma(ip);
        return;
    }
    emit SalienteArriba(ip);
    if (GanaElCruce(contacto->ConexionEntrante)) {
        contacto->ConexionSaliente = nullptr;
        Soltar(conexion);
        return;
    }
    // In a crossing the peer opened the inbound one and closes it itself; an older one,
    // which may still carry the peer's last messages, is retired.
    TConexion* entrante = std::exchange(contacto->ConexionEntrante, nullptr);
    if (entrante && entrante->MsArriba() >= opciones_.MsCruce)
        Retirar(entrante);
    MarcarConectado(contacto);
    Saludar(conexion);
}

void TMensajero::ClientSocketFallo(TConexion* conexion) {
    TContacto* contacto = BuscarContacto(conexion->IPRemota());
    if (!contacto || contacto->ConexionSaliente != conexion)
        return;
    contacto->ConexionSaliente = nullptr;
    // What waited for this attempt goes on the connection that is up, if any.
    if (TConexion* entrante = contacto->ConexionEntrante)
        for (const QByteArray& mensaje : conexion->TomarEnEspera())
            entrante->Escribir(mensaje);
    const QAbstractSocket::SocketError error = conexion->Socket().error();
    conexion->Liberar();
    const QString ip = contacto->IP;
    // It was all that kept the contact on-line once the peer dropped the crossing's loser.
    if (!contacto->ConexionEntrante && contacto->Conectado)
        MarcarDesconectado(contacto);
    if (!contacto->Conectado)
        reintentos_.Fallo(ip);
    emit SalienteFallida(ip, error);
}

// A connection that came up a moment ago and that both sides would rather keep.
bool TMensajero::GanaElCruce(const TConexion* actual) const {
    return actual && actual->Conectada() && actual->MsArriba() < opciones_.MsCruce &&
           actual->AbiertaPorDireccionMenor();
}

void TMensajero::Saludar(TConexion* conexion) {
    EnviarPorSocket(conexion, Componer(TComando::Nick, {config_.Nick}));
    EnviarPorSocket(conexion, Componer(TComando::EMail, {config_.EMail}));
}

void TMensajero::MarcarConectado(TContacto* contacto) {
    reintentos_.Conectado(contacto->IP);
    // Both connections of a crossing come up, and a fresh one may replace a stale one: the
    // contact connects once.
    const bool yaConectado = contacto->Conectado;
    agenda_.FijarConectado(contacto, true);
    interfaz_.RepintarContactos();
    if (yaConectado)
        return;
    const QString ip = contacto->IP;
    Sonar(config_.Sonidos.ContactoConecta);
    emit ContactoConectado(ip);
}

void TMensajero::Soltar(TConexion* conexion) {
    if (conexion->Conectada())
        ServerSocketClientRead(conexion);
    conexion->Liberar();
}

void TMensajero::Retirar(TConexion* conexion) {
    if (!conexion->Conectada()) {
        conexion->Liberar();
        return;
    }
    const QPointer<TConexion> retirada(conexion);
    QTimer::singleShot(opciones_.MsCruce, Qt::PreciseTimer, this, [this, retirada] {
        if (retirada)
            Proteger([&] { Soltar(retirada); });
    });
}

void TMensajero::ServerSocketClientDisconnect(TConexion* conexion) {
    Desconexion(conexion, "ServerSocketClientDisconnect");
}

void TMensajero::ClientSocketDisconnect(TConexion* conexion) {
    Desconexion(conexion, "ClientSocketDisconnect");
}

void TMensajero::Desconexion(TConexion* conexion, const char* evento) {
    const QString ip = conexion->IPRemota();
    AnotarEvento(evento, ip);
    conexion->Liberar();
    TContacto* contacto = BuscarContacto(ip);
    if (!contacto)
        return;
    // Only the connection in use says anything about the contact; another one closing is
    // the loser of a crossing or a replaced, stale connection.
    TConexion* enUso = contacto->ConexionEntrante ? contacto->ConexionEntrante
                                                  : contacto->ConexionSaliente;
    if (contacto->ConexionSaliente == conexion)
        contacto->ConexionSaliente = nullptr;
    if (enUso != conexion)
        return;
    contacto->ConexionEntrante = nullptr;
    // The peer dropped the connection it opened because ours wins the crossing, which we have
    // not seen come up yet: the attempt decides, coming up or failing.
    if (contacto->ConexionSaliente && contacto->ConexionSaliente->Intentando())
        return;
    MarcarDesconectado(contacto);
    // A copy that closes our connection without a word refused us; asking again would put
    // its user in front of the same question.
    if (conexion->Tipo() == TConexion::TTipo::Saliente && !conexion->Recibio()) {
        reintentos_.Rechazo(ip);
        emit SalienteRechazada(ip);
        return;
    }
    reintentos_.Caida(ip);
}

void TMensajero::MarcarDesconectado(TContacto* contacto) {
    contacto->ConexionEntrante = nullptr;
    contacto->ConexionSaliente = nullptr;
    agenda_.FijarConectado(contacto, false);
    interfaz_.RepintarContactos();
    Sonar(config_.Sonidos.ContactoDesconecta);
    emit ContactoDesconectado(contacto->IP);
}

void TMensajero::CerrarComoDesconexion(TConexion* conexion) {
    if (!conexion->Conectada()) {
        TContacto* contacto = BuscarContacto(conexion->IPRemota());
        if (contacto && contacto->ConexionSaliente == conexion)
            contacto->ConexionSaliente = nullptr;
        conexion->Liberar();
        return;
    }
    Desconexion(conexion, conexion->Tipo() == TConexion::TTipo::Entrante
                              ? "ServerSocketClientDisconnect"
                              : "ClientSocketDisconnect");
}
