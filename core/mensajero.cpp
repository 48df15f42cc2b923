#include "core/mensajero.h"

#include "core/codificacion.h"
#include "core/conexion.h"
#include "core/descubrimiento.h"
#include "settings/validadortexto.h"

#include <QNetworkInformation>
#include <QNetworkInterface>
#include <QPointer>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <utility>

namespace {

constexpr int kEsperaEscucha = 256;
constexpr qint64 kMsDireccionesPropias = 5000;

QByteArray Evento(const char* nombre, const QString& ip) {
    return QByteArray(nombre) + " [" + ip.toLatin1() + "]";
}

QString TextoAdmision(const QString& ip) {
    return u"Se está recibiendo una petición de conexión desde la dirección IP \"" + ip +
           u"\".\nEsta dirección no se encuentra en su Agenda.\n\n"
           u"¿Desea aceptar la conexión, y agregar la dirección a la Agenda?";
}

} // namespace

TMensajero::TOpciones TMensajero::TOpciones::DelSistema() {
    TOpciones opciones{TRutas::DelSistema()};
    opciones.DestinosAnuncio = [] { return DireccionesDifusion(); };
    return opciones;
}

bool TMensajero::TOpciones::FijarEscucha(const QString& texto) {
    const QStringList partes = texto.split(u':');
    if (partes.size() > 2)
        return false;
    QHostAddress direccion;
    if (!direccion.setAddress(partes[0]) || direccion.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    quint16 puerto = kPuertoMensajero;
    if (partes.size() == 2) {
        static const QRegularExpression kDecimal(QStringLiteral("^[0-9]{1,5}$"));
        const uint numero = partes[1].toUInt();
        if (!kDecimal.match(partes[1]).hasMatch() || numero == 0 || numero > 65535)
            return false;
        puerto = quint16(numero);
    }
    Escucha = Origen = direccion;
    Puerto = puerto;
    // Announcements go where this address hears them: nowhere for a loopback address.
    DestinosAnuncio = [direccion] { return DireccionesDifusion(direccion); };
    return true;
}

bool TMensajero::TOpciones::FijarAnuncios(const QString& texto) {
    QList<QHostAddress> destinos;
    for (const QString& parte : texto.split(u',')) {
        QHostAddress destino;
        if (!destino.setAddress(parte.trimmed()) || destino.protocol() != QAbstractSocket::IPv4Protocol)
            return false;
        destinos << destino;
    }
    DestinosAnuncio = [destinos] { return destinos; };
    return true;
}

TMensajero::TMensajero(TOpciones opciones, TInterfazUsuario& interfaz, QObject* padre)
    : QObject(padre), opciones_(std::move(opciones)), interfaz_(interfaz),
      depuracion_(opciones_.Rutas.FicheroDebug(), reloj_,
                  [this](const QString& ruta, const QString& motivo) {
                      AvisarDespues(TError(QStringLiteral("EInOutError"),
                                           u"No se puede escribir en \"" + ruta + u"\": " + motivo));
                  }),
      reintentos_(opciones_.Reintento, [this](const QString& ip) { Proteger([&] { Reintentar(ip); }); }),
      azar_(unsigned(std::chrono::system_clock::now().time_since_epoch().count())) {
    // Every contact may try at once, as when the network comes back: a short queue would
    // have the system drop the rest, who then try again only a second or more later.
    servidor_.setListenBacklogSize(kEsperaEscucha);
    connect(&servidor_, &QTcpServer::newConnection, this, &TMensajero::NuevaConexionEntrante);
    // What a contact announces about itself goes to its record and its row; not saved here.
    const auto anuncio = [this](QString TContacto::*campo, QString TFilaContacto::*columna) {
        return [this, campo, columna](const QString& ip, const TMensajeRecibido& m) {
            TContacto* contacto = BuscarContacto(ip);
            if (!contacto)
                return;
            contacto->*campo = contacto->Item->*columna = DecodificarTextoDePar(m.Carga);
            interfaz_.RepintarContactos();
        };
    };
    // Asked who it is, this copy answers from its settings.
    const auto respuesta = [this](TComando comando, QString TConfig::*campo) {
        return [this, comando, campo](const QString& ip, const TMensajeRecibido&) {
            EnviarMensaje(ip, Componer(comando, {config_.*campo}));
        };
    };
    propios_.push_back(RegistrarManejador(TComando::Nick, anuncio(&TContacto::Nick, &TFilaContacto::Nick)));
    propios_.push_back(RegistrarManejador(TComando::EMail, anuncio(&TContacto::EMail, &TFilaContacto::EMail)));
    propios_.push_back(RegistrarManejador(TComando::PreguntaNick, respuesta(TComando::Nick, &TConfig::Nick)));
    propios_.push_back(RegistrarManejador(TComando::PreguntaEMail, respuesta(TComando::EMail, &TConfig::EMail)));
}

TMensajero::~TMensajero() {
    for (TConexion* conexion : findChildren<TConexion*>(Qt::FindDirectChildrenOnly))
        conexion->Liberar();
}

bool TMensajero::Escuchar(QString* error) {
    if (servidor_.listen(opciones_.Escucha, opciones_.Puerto))
        return true;
    if (error)
        *error = servidor_.errorString();
    return false;
}

void TMensajero::CargarConfig() {
    ConfigPorDefecto(config_, interfaz_.TamanoPantalla());
    TAlmacenConfig almacen(opciones_.Rutas.FicheroConfig);
    LeerConfig(almacen, config_);
    interfaz_.FijarGeometriaPrincipal({config_.PosX, config_.PosY, config_.Ancho, config_.Alto});
    interfaz_.AplicarConfig(config_);
    ActualizarArranque(opciones_.Rutas, config_.CargarConWindows);
    if (config_.IconoEnTray)
        interfaz_.AnadirIconoTray();
    GuardarConfig();
}

bool TMensajero::GuardarConfig() {
    const QRect geometria = interfaz_.GeometriaPrincipal();
    config_.PosX = geometria.x();
    config_.PosY = geometria.y();
    config_.Ancho = geometria.width();
    config_.Alto = geometria.height();
    TAlmacenConfig almacen(opciones_.Rutas.FicheroConfig);
    const bool guardada = EscribirConfig(almacen, config_);
    interfaz_.AplicarConfig(config_);
    ActualizarArranque(opciones_.Rutas, config_.CargarConWindows);
    emit ConfigGuardada();
    if (guardada || falloConfigAvisado_) {
        falloConfigAvisado_ = !guardada;
        return guardada;
    }
    falloConfigAvisado_ = true;
    AvisarDespues(TError(QStringLiteral("EWriteError"), u"No se puede guardar la configuración en \"" +
                                                             opciones_.Rutas.FicheroConfig + u"\"."));
    return false;
}

void TMensajero::CargarAgenda() {
    agendaIlegible_ = !agenda_.Cargar(opciones_.Rutas.FicheroAgenda());
    interfaz_.RepintarContactos();
    if (agendaIlegible_)
        AvisarDespues(TError(QStringLiteral("EInOutError"),
                             u"No se puede leer la Agenda en \"" + opciones_.Rutas.FicheroAgenda() +
                                 u"\". No se guardará encima, para no perder sus contactos."));
}

void TMensajero::GuardarAgenda() {
    if (agendaIlegible_ || agenda_.Guardar(opciones_.Rutas.FicheroAgenda()))
        return;
    // Losing the contact book silently would be worse than a box; saves run inside the
    // handlers of connections too, where a box must not open.
    AvisarDespues(TError(QStringLiteral("EFCreateError"),
                         u"No se puede guardar la Agenda en \"" + opciones_.Rutas.FicheroAgenda() + u"\"."));
}

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

void TMensajero::Terminar() {
    terminando_ = true;
    servidor_.close();
}

void TMensajero::AvisarPendientes() { MostrarAvisos(); }

TContacto* TMensajero::AnadirContacto(const QString& nick, const QString& ip,
                                      const QString& email, bool conectar, bool guardar) {
    TContacto* contacto = agenda_.Anadir(nick, ip, email);
    if (conectar)
        ConectarContacto(contacto);
    if (guardar)
        GuardarAgenda();
    interfaz_.RepintarContactos();
    return contacto;
}

QString TMensajero::NickDe(const QString& ip) const {
    const TContacto* contacto = BuscarContacto(ip);
    return contacto ? contacto->Nick : ip;
}

void TMensajero::EliminarContacto(int fila) {
    if (fila < 0 || fila >= agenda_.NumeroFilas())
        return;
    const TFilaContacto* elegida = agenda_.Fila(fila);
    const QString texto = u"¿Está seguro de querer eliminar el siguiente Contacto?\n\nNick: " +
                          elegida->Nick + u"\nIP: " + elegida->IP + u"\nEMail: " + elegida->EMail;
    if (!interfaz_.Preguntar(QStringLiteral("Aviso de eliminación"), texto,
                             TInterfazUsuario::TBotones::AceptarCancelar))
        return;
    // The box ran the event loop: the row may be gone already. Compare, never dereference.
    if (agenda_.IndiceFila(elegida) < 0)
        return;
    TContacto* contacto = elegida->Contacto;
    if (contacto->ConexionSaliente)
        CerrarComoDesconexion(contacto->ConexionSaliente);
    if (contacto->ConexionEntrante)
        CerrarComoDesconexion(contacto->ConexionEntrante);
    const QString ip = contacto->IP;
    agenda_.Eliminar(contacto);
    if (!BuscarContacto(ip))
        reintentos_.Olvidar(ip);
    interfaz_.RepintarContactos();
}

void TMensajero::EnviarMensaje(const QString& ip, const QByteArray& mensaje) {
    if (!BuscarContacto(ip))
        return;
    if (depuracion_.Activo())
        Registrar("> [" + ip.toLatin1() + "] " + mensaje);
    // Looked up again: a box about the log may have run the event loop.
    TContacto* contacto = BuscarContacto(ip);
    if (!contacto)
        return;
    if (opciones_.AlEnviar)
        opciones_.AlEnviar(ip, mensaje);
    if (TConexion* conexion = ConexionDeEnvio(contacto))
        conexion->Escribir(mensaje);
}

TConexion* TMensajero::ConexionDeEnvio(TContacto* contacto) {
    if (EsperandoSaliente(contacto))
        return contacto->ConexionSaliente;
    TConexion* entrante = contacto->ConexionEntrante;
    if (entrante && entrante->Conectada())
        return entrante;
    TConexion* saliente = contacto->ConexionSaliente;
    // An attempt still under way keeps what is written until it is up.
    return saliente && (saliente->Conectada() || (contacto->Conectado && saliente->Intentando()))
               ? saliente
               : nullptr;
}

// Our attempt still under way wins a crossing: the peer drops the connection it opened as
// soon as ours arrives, so ours keeps the messages until it is up. Only for the crossing
// window, though: past it, what it kept goes on the inbound connection, which is up.
bool TMensajero::EsperandoSaliente(TContacto* contacto) {
    TConexion* entrante = contacto->ConexionEntrante;
    TConexion* saliente = contacto->ConexionSaliente;
    if (!entrante || !saliente || !saliente->Intentando())
        return false;
    if (entrante->MsArriba() < opciones_.MsCruce)
        return true;
    for (const QByteArray& mensaje : saliente->TomarEnEspera())
        entrante->Escribir(mensaje);
    return false;
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

void TMensajero::EnviarPorSocket(TConexion* conexion, const QByteArray& mensaje) {
    const QPointer<TConexion> vigilada(conexion);
    if (depuracion_.Activo())
        Registrar("> [" + conexion->IPRemota().toLatin1() + "] " + mensaje);
    if (vigilada)
        vigilada->Escribir(mensaje);
}

void TMensajero::DifundirMensaje(const QByteArray& mensaje) {
    for (int i = 0; i < agenda_.NumeroFilas(); ++i) {
        if (agenda_.Fila(i)->Icono == 1)
            EnviarMensaje(agenda_.Fila(i)->IP, mensaje);
    }
}

void TMensajero::CambiarNick() {
    const TValidadorTexto filtro(TValidadorTexto::TReglas::Nick);
    const std::optional<QString> nuevo =
        interfaz_.PedirTexto(QStringLiteral("Cambiar de nick"), QStringLiteral("Escriba su nuevo nick:"),
                             config_.Nick, &filtro);
    if (nuevo && *nuevo != config_.Nick) {
        config_.Nick = *nuevo;
        if (config_.NickAway == kNickAwayPorDefecto)
            config_.NickAway = *nuevo;
        DifundirMensaje(Componer(TComando::Nick, {*nuevo}));
    }
    GuardarConfig();
}

void TMensajero::ManejarExcepcion(const TError& error) {
    if (error.DeSocket)
        return;
    interfaz_.MostrarError(QStringLiteral("Excepción no manejada"),
                           u"ClassName : " + error.Clase + u"\nMessage : " + error.Mensaje);
}

void TMensajero::AvisarDespues(const TError& error) {
    avisos_.push_back(error);
    if (avisos_.size() == 1)
        QMetaObject::invokeMethod(this, &TMensajero::MostrarAvisos, Qt::QueuedConnection);
}

void TMensajero::MostrarAvisos() {
    while (!avisos_.empty()) {
        const TError error = avisos_.front();
        avisos_.pop_front();
        ManejarExcepcion(error);
    }
}

void TMensajero::AnotarEnDebug(const QByteArray& texto) {
    if (depuracion_.Activo())
        Registrar(texto);
}

void TMensajero::Proteger(const std::function<void()>& accion) {
    ProtegerEntrada(accion, [this](const TError& error) { ManejarExcepcion(error); });
}

void TMensajero::Sonar(const QString& fichero) {
    if (!fichero.isEmpty())
        interfaz_.ReproducirSonido(fichero);
}

TRegistroManejador TMensajero::RegistrarManejador(TComando comando, TManejador manejador) {
    manejadores_[std::size_t(comando)] = {std::make_shared<const TManejador>(std::move(manejador)),
                                          ++ultimoRegistro_};
    return TRegistroManejador(*this, comando, ultimoRegistro_);
}

void TMensajero::QuitarManejador(TComando comando, quint64 numero) {
    TManejadorRegistrado& registrado = manejadores_[std::size_t(comando)];
    if (registrado.Numero == numero)
        registrado = {};
}

TRegistroManejador::TRegistroManejador(TMensajero& mensajero, TComando comando, quint64 numero)
    : mensajero_(&mensajero), comando_(comando), numero_(numero) {}

TRegistroManejador::TRegistroManejador(TRegistroManejador&& otro) noexcept
    : mensajero_(std::exchange(otro.mensajero_, nullptr)), comando_(otro.comando_), numero_(otro.numero_) {}

TRegistroManejador& TRegistroManejador::operator=(TRegistroManejador&& otro) noexcept {
    if (this != &otro) {
        Soltar();
        mensajero_ = std::exchange(otro.mensajero_, nullptr);
        comando_ = otro.comando_;
        numero_ = otro.numero_;
    }
    return *this;
}

TRegistroManejador::~TRegistroManejador() { Soltar(); }

void TRegistroManejador::Soltar() {
    if (mensajero_)
        mensajero_->QuitarManejador(comando_, numero_);
    mensajero_ = nullptr;
}

int TMensajero::NuevoIdentificador(const std::function<bool(int)>& ocupado) {
    std::uniform_int_distribution<int> reparto(1, 999999);
    int identificador = reparto(azar_);
    while (ocupado(identificador))
        identificador = reparto(azar_);
    return identificador;
}

// --- Connections ---

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

// A connection that came up a moment ago and that both sides would rather keep.
bool TMensajero::GanaElCruce(const TConexion* actual) const {
    return actual && actual->Conectada() && actual->MsArriba() < opciones_.MsCruce &&
           actual->AbiertaPorDireccionMenor();
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

void TMensajero::Registrar(const QByteArray& texto) { depuracion_.EscribirDebug(texto); }

void TMensajero::Saludar(TConexion* conexion) {
    const QPointer<TConexion> vigilada(conexion);
    EnviarPorSocket(conexion, Componer(TComando::Nick, {config_.Nick}));
    if (vigilada)
        EnviarPorSocket(vigilada, Componer(TComando::EMail, {config_.EMail}));
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

// An unknown peer waits for the user's answer. One question is open at a time, asked from
// the event loop and never nested; further connections from an address already waiting
// join its turn and share its answer.
void TMensajero::EsperarAdmision(TConexion* conexion) {
    const QString ip = conexion->IPRemota();
    if (!config_.AceptarEntradasDesconocidas && !config_.PreguntarEntradasDesconocidas) {
        Rechazar(conexion);
        return;
    }
    if (config_.AceptarEntradasDesconocidas) {
        AnadirContacto(QStringLiteral("Nuevo Contacto"), ip, {}, false, true);
        Incorporar(conexion);
        return;
    }
    const auto turno = std::find_if(admisiones_.begin(), admisiones_.end(),
                                    [&](const TAdmision& admision) { return admision.IP == ip; });
    if (turno != admisiones_.end()) {
        turno->Conexiones.emplace_back(conexion);
        return;
    }
    if (admisiones_.size() >= kMaximoAdmisiones) {
        AnotarEnDebug(Evento("AdmisionDescartada", ip));
        conexion->Liberar();
        return;
    }
    admisiones_.push_back({ip, {QPointer<TConexion>(conexion)}});
    ProgramarAdmision();
}

void TMensajero::ProgramarAdmision() {
    QMetaObject::invokeMethod(
        this, [this] { Proteger([this] { PreguntarAdmision(); }); }, Qt::QueuedConnection);
}

// The box runs the event loop: connections are held by QPointer, the book is looked up
// again after it, and the turn is taken out of the queue only once answered.
void TMensajero::PreguntarAdmision() {
    if (preguntandoAdmision_ || admisiones_.empty() || terminando_)
        return;
    std::vector<QPointer<TConexion>>& esperando = admisiones_.front().Conexiones;
    std::erase_if(esperando, [](const QPointer<TConexion>& conexion) { return !conexion; });
    const QString ip = admisiones_.front().IP;
    bool aceptada = !esperando.empty();
    if (aceptada) {
        preguntandoAdmision_ = true;
        Sonar(config_.Sonidos.PreguntaIntentoConxDesconocido);
        const QString pregunta = TextoAdmision(ip);
        interfaz_.AvisarEscritorio(ip, pregunta);
        aceptada = interfaz_.Preguntar(QStringLiteral("Aviso de Conexión"), pregunta,
                                       TInterfazUsuario::TBotones::SiNo);
        preguntandoAdmision_ = false;
    }
    const std::vector<QPointer<TConexion>> atendidas = std::move(admisiones_.front().Conexiones);
    admisiones_.pop_front();
    if (aceptada && !BuscarContacto(ip))
        AnadirContacto(QStringLiteral("Nuevo Contacto"), ip, {}, false, true);
    for (const QPointer<TConexion>& conexion : atendidas) {
        // The peer may have gone while the box was open: then the contact stays, not
        // connected, and what it sent goes with its connection.
        if (!conexion)
            continue;
        if (!aceptada || !BuscarContacto(ip))
            Rechazar(conexion);
        else if (!conexion->Conectada())
            conexion->Liberar();
        else
            AdmitirPreguntado(conexion);
    }
    if (!admisiones_.empty())
        ProgramarAdmision();
}

// An admitted peer is asked who it is before anything it sent is handled.
void TMensajero::AdmitirPreguntado(const QPointer<TConexion>& conexion) {
    EnviarPorSocket(conexion, Componer(TComando::PreguntaNick));
    if (conexion)
        EnviarPorSocket(conexion, Componer(TComando::PreguntaEMail));
    if (conexion)
        Incorporar(conexion);
}

void TMensajero::Rechazar(TConexion* conexion) {
    // A peer that left already had its line when its connection went down.
    if (conexion->Conectada() && depuracion_.Activo())
        Registrar(Evento("ServerSocketClientDisconnect", conexion->IPRemota()));
    conexion->Liberar();
}

void TMensajero::ServerSocketClientConnect(TConexion* conexion) {
    if (DeEsteMismoPrograma(conexion))
        return;
    haRecibidoConexiones_ = true;
    const QString ip = conexion->IPRemota();
    if (depuracion_.Activo())
        Registrar(Evento("ServerSocketClientConnect", ip));
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
    if (depuracion_.Activo())
        Registrar(Evento("ClientSocketConnect", ip));
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

void TMensajero::Reintentar(const QString& ip) {
    TContacto* contacto = BuscarContacto(ip);
    // Never two attempts at once for one contact.
    if (!contacto || contacto->Conectado || contacto->ConexionSaliente)
        return;
    if (depuracion_.Activo())
        Registrar(Evento("Reintento", ip));
    ConectarContacto(contacto);
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
        if (depuracion_.Activo())
            Registrar(Evento("ConexionPropia", ip));
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

void TMensajero::ServerSocketClientDisconnect(TConexion* conexion) {
    Desconexion(conexion, "ServerSocketClientDisconnect");
}

void TMensajero::ClientSocketDisconnect(TConexion* conexion) {
    Desconexion(conexion, "ClientSocketDisconnect");
}

void TMensajero::Desconexion(TConexion* conexion, const char* evento) {
    const QString ip = conexion->IPRemota();
    if (depuracion_.Activo())
        Registrar(Evento(evento, ip));
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

// --- Receiving ---

void TMensajero::ServerSocketClientRead(TConexion* conexion) {
    if (terminando_)
        return;
    const bool callada = !conexion->Recibio();
    if (!conexion->Leer(cola_))
        CerrarComoDesconexion(conexion);
    else if (callada && conexion->Recibio())
        emit ParRespondio(conexion->IPRemota());
    ProgramarVaciado();
}

// One drain pending at a time. A handler that opens a box runs the event loop, where a
// drain scheduled by a later read handles what arrived meanwhile, at once.
void TMensajero::ProgramarVaciado() {
    if (vaciadoProgramado_ || cola_.empty())
        return;
    vaciadoProgramado_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            vaciadoProgramado_ = false;
            VaciarCola();
        },
        Qt::QueuedConnection);
}

void TMensajero::VaciarCola() {
    while (!cola_.empty() && !terminando_) {
        // Out of the queue before its handler runs, so that a nested drain never sees it.
        TItemMsgRcv item = std::move(cola_.front());
        cola_.pop_front();
        Proteger([&] {
            if (depuracion_.Activo())
                Registrar("< [" + item.IP.toLatin1() + "] " + item.Mensaje);
            Despachar(std::move(item));
        });
    }
}

void TMensajero::Despachar(TItemMsgRcv item) {
    const std::optional<TMensajeRecibido> mensaje = InterpretarMensaje(std::move(item.Mensaje));
    if (!mensaje)
        return;
    // Held while it runs: the handler may unregister itself.
    const std::shared_ptr<const TManejador> manejador = manejadores_[std::size_t(mensaje->Comando)].Manejador;
    if (manejador && *manejador)
        (*manejador)(item.IP, *mensaje);
}
