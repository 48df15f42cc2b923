// The core object itself: its options, construction, loading and saving the settings and the
// book, what the user does to contacts and to the nick, reports, and the command table.
// Connections live in mensajeroconexiones.cpp, admission in mensajeroadmision.cpp, receiving
// in mensajerorecepcion.cpp, sending in mensajeroenvio.cpp.
#include "core/mensajero.h"

#include "core/codificacion.h"
#include "core/conexion.h"
#include "core/datagramasred.h"
#include "core/validadortexto.h"

#include <QRegularExpression>
#include <chrono>
#include <utility>

namespace {

constexpr int kEsperaEscucha = 256;

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
    VigilarBucle();
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

void TMensajero::Registrar(const QByteArray& texto) { depuracion_.EscribirDebug(texto); }

void TMensajero::AnotarEvento(const char* nombre, const QString& ip) {
    if (depuracion_.Activo())
        Registrar(QByteArray(nombre) + " [" + ip.toLatin1() + "]");
}

void TMensajero::Proteger(const std::function<void()>& accion) {
    ProtegerEntrada(accion, [this](const TError& error) { ManejarExcepcion(error); });
}

void TMensajero::Sonar(const QString& fichero) {
    if (!fichero.isEmpty())
        interfaz_.ReproducirSonido(fichero);
}

int TMensajero::NuevoIdentificador(const std::function<bool(int)>& ocupado) {
    std::uniform_int_distribution<int> reparto(1, 999999);
    int identificador = reparto(azar_);
    while (ocupado(identificador))
        identificador = reparto(azar_);
    return identificador;
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
