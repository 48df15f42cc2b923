// Unknown peers: what an inbound connection from an address not in the book waits for, the
// user's question, and what follows the answer.
#include "core/mensajero.h"

#include "core/conexion.h"

#include <QPointer>
#include <algorithm>

namespace {

QString TextoAdmision(const QString& ip) {
    return u"Se está recibiendo una petición de conexión desde la dirección IP \"" + ip +
           u"\".\nEsta dirección no se encuentra en su Agenda.\n\n"
           u"¿Desea aceptar la conexión, y agregar la dirección a la Agenda?";
}

} // namespace

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
        AnotarEvento("AdmisionDescartada", ip);
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
void TMensajero::AdmitirPreguntado(TConexion* conexion) {
    EnviarPorSocket(conexion, Componer(TComando::PreguntaNick));
    EnviarPorSocket(conexion, Componer(TComando::PreguntaEMail));
    Incorporar(conexion);
}

void TMensajero::Rechazar(TConexion* conexion) {
    // A peer that left already had its line when its connection went down.
    if (conexion->Conectada())
        AnotarEvento("ServerSocketClientDisconnect", conexion->IPRemota());
    conexion->Liberar();
}
