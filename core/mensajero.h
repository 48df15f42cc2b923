#pragma once

#include "core/agenda.h"
#include "core/configuracion.h"
#include "core/depuracion.h"
#include "core/error.h"
#include "core/interfaz.h"
#include "core/protocolo.h"
#include "core/registromanejador.h"
#include "core/reintentos.h"
#include "core/reloj.h"
#include "core/rutas.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <array>
#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <utility>
#include <vector>

class TConexion;

// The program's core: configuration, contact book, listening socket and connections, the
// receive queue and the dispatch of every message. It reaches the user only through
// TInterfazUsuario.
class TMensajero : public QObject {
    Q_OBJECT
public:
    struct TOpciones {
        TRutas Rutas;
        QHostAddress Escucha = QHostAddress::AnyIPv4;
        quint16 Puerto = kPuertoMensajero;
        QHostAddress Origen; // local address for outbound connections; none in production
        // Two peers that start together each open a connection to the other; a second
        // connection that comes up this soon after the first is a crossing, not a
        // reconnection, and both sides keep the one opened by the lower address.
        qint64 MsCruce = 5000;
        // Where announcements and searches of the local network go; none by default, the
        // broadcast addresses of the network interfaces in production.
        std::function<QList<QHostAddress>()> DestinosAnuncio;
        // Pauses before a contact that dropped or could not be reached is tried again.
        TOpcionesReintento Reintento;
        // Sees every message addressed to a contact of the book, connected or not, before it
        // goes out; none in production, a recorder when fuzzing.
        std::function<void(const QString& ip, const QByteArray& mensaje)> AlEnviar;

        // Any address, port 5777, announcements to the broadcast address of every network.
        static TOpciones DelSistema();
        // "DIRECCION" or "DIRECCION:PUERTO" (IPv4) binds one address, so that several copies
        // run side by side on the loopback addresses; false, and nothing changed, when the
        // text is not one.
        bool FijarEscucha(const QString& texto);
        // IPv4 addresses separated by commas, where announcements and searches go instead;
        // false, and nothing changed, when one is not an address.
        bool FijarAnuncios(const QString& texto);
    };
    using TManejador = std::function<void(const QString& ip, const TMensajeRecibido& mensaje)>;

    TMensajero(TOpciones opciones, TInterfazUsuario& interfaz, QObject* padre = nullptr);
    ~TMensajero() override;

    // Start-up, in this order: Escuchar, CargarConfig, CargarAgenda, ConectarTodos.
    bool Escuchar(QString* error);
    void CargarConfig();
    // False when the settings could not be written; the user is told once, not at every save.
    bool GuardarConfig();
    // A book that exists but cannot be read is never saved over: the user is told once.
    void CargarAgenda();
    void GuardarAgenda();
    void ConectarTodos();
    // Contacts come back by themselves after a drop; with this, also at once when the
    // system says the network is back.
    void VigilarRed();
    // Every contact that is not connected is tried now, unless it refused us or is this copy.
    void RedRecuperada();
    // Tries the contact now, even one that refused us or seemed to be this copy.
    void ConectarDeNuevo(const QString& ip);
    const TReintentos& Reintentos() const { return reintentos_; }
    // Whether an address is this computer itself: the address this copy listens on, or,
    // listening on every address, one of its interfaces' or of 127.0.0.0/8.
    bool EsEsteEquipo(const QHostAddress& direccion) const;
    // Whether an address and port are where this copy listens.
    bool EsNuestraEscucha(const QHostAddress& direccion, quint16 puerto) const;
    // Whether any peer has connected here since the start.
    bool HaRecibidoConexiones() const { return haRecibidoConexiones_; }
    // Before the end: waits, `plazo` at most in all, until every connection up has handed
    // the peer what was written on it, so that farewells are not cut off by the exit.
    void VaciarEnvios(std::chrono::milliseconds plazo);
    // The end has begun: no peer is read, admitted or handled any more; what is written
    // still goes out.
    void Terminar();
    // At the very end no event loop turns again: reports still waiting are shown now.
    void AvisarPendientes();

    TContacto* AnadirContacto(const QString& nick, const QString& ip, const QString& email,
                              bool conectar, bool guardar);
    TContacto* BuscarContacto(const QString& ip) const { return agenda_.BuscarContacto(ip); }
    // The nick to show for an address; a peer without a contact (admitted a moment ago, or
    // removed since) is shown by its address.
    QString NickDe(const QString& ip) const;
    // Asks, closes the contact's connections as disconnections, then removes it.
    void EliminarContacto(int fila);
    void MoverContacto(int origen, int destino) { agenda_.MoverFila(origen, destino); }

    void EnviarMensaje(const QString& ip, const QByteArray& mensaje);
    void EnviarPorSocket(TConexion* conexion, const QByteArray& mensaje);
    void DifundirMensaje(const QByteArray& mensaje);

    // The nick input box, from a click on the nick label.
    void CambiarNick();
    void FijarModoDebug(bool activo) { depuracion_.FijarActivo(activo); }
    // A line in the debug log, in debug mode only.
    void AnotarEnDebug(const QByteArray& texto);
    void ManejarExcepcion(const TError& error);
    // Runs an entry point, reporting whatever it throws.
    void Proteger(const std::function<void()>& accion);
    // Plays a sound file; an empty name plays nothing.
    void Sonar(const QString& fichero);

    // Feature handlers of the commands they own, each held by the returned owner.
    [[nodiscard]] TRegistroManejador RegistrarManejador(TComando comando, TManejador manejador);
    // A table of member functions of `objeto`, one per command; their owners join
    // `registros`, which the object holds.
    template <class T>
    using TMetodoManejador = void (T::*)(const QString& ip, const TMensajeRecibido& mensaje);
    template <class T>
    void
    RegistrarManejadores(std::vector<TRegistroManejador>& registros, T* objeto,
                         std::initializer_list<std::pair<TComando, TMetodoManejador<T>>> tabla) {
        // Copied into the capture by name: clang before 16 cannot capture a structured binding.
        for (const auto& [comando, metodo] : tabla)
            registros.push_back(RegistrarManejador(
                comando,
                [objeto, metodo = metodo](const QString& ip, const TMensajeRecibido& mensaje) {
                    (objeto->*metodo)(ip, mensaje);
                }));
    }
    // Unregisters what the owner `numero` registered, unless another handler replaced it.
    void QuitarManejador(TComando comando, quint64 numero);
    // Hands one received message to its command's handler, as the receive queue does with
    // each of its items in turn.
    void Despachar(TItemMsgRcv item);

    // 1 to 999999, redrawn while `ocupado` says the number is taken.
    int NuevoIdentificador(const std::function<bool(int)>& ocupado);
    void SembrarAzar(unsigned semilla) { azar_.seed(semilla); }

    TConfig& Config() { return config_; }
    TAgenda& Agenda() { return agenda_; }
    TInterfazUsuario& Interfaz() { return interfaz_; }
    TReloj& Reloj() { return reloj_; }
    const TRutas& Rutas() const { return opciones_.Rutas; }
    const TOpciones& Opciones() const { return opciones_; }

    // Connection events.
    void ServerSocketClientConnect(TConexion* conexion);
    void ServerSocketClientDisconnect(TConexion* conexion);
    void ClientSocketConnect(TConexion* conexion);
    void ClientSocketDisconnect(TConexion* conexion);
    // Reads what arrived into the receive queue; the queue is drained on the next turn of
    // the event loop, never inside the socket's own signal.
    void ServerSocketClientRead(TConexion* conexion);

signals:
    // After every save of the settings: a new nick, a setting switched.
    void ConfigGuardada();
    // How an attempt to reach a contact ended, for the connection check.
    void SalienteArriba(const QString& ip);
    // A peer's first whole message on a connection: it is there and takes us.
    void ParRespondio(const QString& ip);
    // The peer closed our connection without a word: it would not take us.
    void SalienteRechazada(const QString& ip);
    void SalienteFallida(const QString& ip, QAbstractSocket::SocketError error);
    void EsEsteMismoPrograma(const QString& ip);
    // The contact went off-line, even if it comes back at once.
    void ContactoDesconectado(const QString& ip);
    // The contact is on-line again, or for the first time.
    void ContactoConectado(const QString& ip);

private:
    // Connections, crossings and their ends (mensajeroconexiones.cpp).
    void NuevaConexionEntrante();
    TConexion* CrearConexion(QTcpSocket* socket, bool entrante);
    void ConectarContacto(TContacto* contacto);
    void Reintentar(const QString& ip);
    // An inbound connection from one of our own outbound sockets: both ends are dropped.
    bool DeEsteMismoPrograma(TConexion* entrante);
    void Incorporar(TConexion* conexion);
    void ClientSocketFallo(TConexion* conexion);
    bool GanaElCruce(const TConexion* actual) const;
    void Saludar(TConexion* conexion);
    void MarcarConectado(TContacto* contacto);
    // Frees a connection after queueing what has already arrived on it.
    void Soltar(TConexion* conexion);
    // Stops sending on a connection that a newer one replaces, but keeps reading what the
    // peer still sends on it for a while before freeing it.
    void Retirar(TConexion* conexion);
    void Desconexion(TConexion* conexion, const char* evento);
    void MarcarDesconectado(TContacto* contacto);
    void CerrarComoDesconexion(TConexion* conexion);

    // Which connection a contact's messages go on (mensajeroenvio.cpp).
    TConexion* ConexionDeEnvio(TContacto* contacto);
    bool EsperandoSaliente(TContacto* contacto);

    // Unknown peers (mensajeroadmision.cpp).
    void EsperarAdmision(TConexion* conexion);
    void ProgramarAdmision();
    void PreguntarAdmision();
    void AdmitirPreguntado(TConexion* conexion);
    // Closes an unknown peer's connection, which this program counts as its disconnection.
    void Rechazar(TConexion* conexion);

    // The receive queue (mensajerorecepcion.cpp).
    void VigilarBucle();
    void ProgramarVaciado();
    void VaciarCola();

    // Reports and the debug log (mensajero.cpp).
    // Shown once the running handler has returned: never inside a send or a socket signal.
    void AvisarDespues(const TError& error);
    void MostrarAvisos();
    void Registrar(const QByteArray& texto);
    // A connection event's line, in debug mode only.
    void AnotarEvento(const char* nombre, const QString& ip);

    TOpciones opciones_;
    TInterfazUsuario& interfaz_;
    TReloj reloj_;
    TConfig config_;
    TAgenda agenda_;
    bool agendaIlegible_ = false;
    bool falloConfigAvisado_ = false;
    TDepuracion depuracion_;
    QTcpServer servidor_;
    TColaRecibidos cola_;
    bool vaciadoProgramado_ = false;
    bool terminando_ = false;
    std::deque<TError> avisos_;
    struct TManejadorRegistrado {
        std::shared_ptr<const TManejador> Manejador;
        quint64 Numero = 0;
    };
    std::array<TManejadorRegistrado, kNumeroComandos> manejadores_;
    quint64 ultimoRegistro_ = 0;
    std::vector<TRegistroManejador> propios_;
    TReintentos reintentos_;
    bool haRecibidoConexiones_ = false;
    // Unknown addresses waiting for the user's answer, the one asked first; at most this many.
    static constexpr std::size_t kMaximoAdmisiones = 16;
    struct TAdmision {
        QString IP;
        std::vector<QPointer<TConexion>> Conexiones;
    };
    std::deque<TAdmision> admisiones_;
    bool preguntandoAdmision_ = false;
    bool redArriba_ = false;
    mutable QList<QHostAddress> direccionesPropias_;
    mutable QElapsedTimer direccionesLeidas_;
    std::mt19937 azar_;
};
