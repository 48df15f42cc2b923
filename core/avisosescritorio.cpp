#include "core/avisosescritorio.h"

#include "core/configuracion.h"
#include "core/utilidades.h"

#include <algorithm>

TAvisosEscritorio::TAvisosEscritorio(const TConfig& config,
                                     std::unique_ptr<TServicioAvisos> servicio)
    : config_(config), servicio_(std::move(servicio)) {
    servicio_->AlInvocar = [this](quint32 id, const QString& accion) { Invocada(id, accion); };
    servicio_->AlCerrar = [this](quint32 id) { Cerrada(id); };
}

TAvisosEscritorio::~TAvisosEscritorio() = default;

bool TAvisosEscritorio::Avisar(const TAvisoEscritorio& aviso, bool visto) {
    if (visto || !config_.AvisosEscritorio)
        return false;
    Enviar(aviso);
    return true;
}

std::vector<TAvisosEscritorio::TEnCamino>::iterator
TAvisosEscritorio::EnCamino(const QString& grupo) {
    return std::find_if(enCamino_.begin(), enCamino_.end(),
                        [&](const TEnCamino& otro) { return otro.Grupo == grupo; });
}

void TAvisosEscritorio::Enviar(const TAvisoEscritorio& aviso) {
    if (!aviso.Grupo.isEmpty()) {
        if (const auto camino = EnCamino(aviso.Grupo); camino != enCamino_.end()) {
            camino->Siguiente = aviso;
            return;
        }
        enCamino_.push_back({aviso.Grupo, std::nullopt});
    }
    const auto abierta =
        std::find_if(abiertas_.begin(), abiertas_.end(), [&](const TAbierta& otra) {
            return !aviso.Grupo.isEmpty() && otra.Grupo == aviso.Grupo;
        });
    // The service reads markup in the body: what a peer typed must show as typed.
    const TNotificacion notificacion{abierta == abiertas_.end() ? 0 : abierta->ID,
                                     RecortarTexto(aviso.Resumen, kLargoTexto),
                                     RecortarTexto(aviso.Texto, kLargoTexto).toHtmlEscaped()};
    servicio_->Notificar(notificacion,
                         [this, aviso](std::optional<quint32> id) { Respondido(aviso, id); });
}

void TAvisosEscritorio::Respondido(const TAvisoEscritorio& aviso, std::optional<quint32> id) {
    if (id)
        Recordar(*id, aviso);
    else if (mensajeTray_ && mensajeTray_(RecortarTexto(aviso.Resumen, kLargoTexto),
                                          RecortarTexto(aviso.Texto, kLargoTexto)))
        mostrarTray_ = aviso.Mostrar;
    if (aviso.Grupo.isEmpty())
        return;
    const auto camino = EnCamino(aviso.Grupo);
    if (camino == enCamino_.end())
        return;
    const std::optional<TAvisoEscritorio> siguiente = std::move(camino->Siguiente);
    enCamino_.erase(camino);
    if (siguiente)
        Enviar(*siguiente);
}

void TAvisosEscritorio::Recordar(quint32 id, const TAvisoEscritorio& aviso) {
    std::erase_if(abiertas_, [&](const TAbierta& otra) {
        return otra.ID == id || (!aviso.Grupo.isEmpty() && otra.Grupo == aviso.Grupo);
    });
    if (abiertas_.size() >= kMaximoAbiertas)
        abiertas_.erase(abiertas_.begin());
    abiertas_.push_back({id, aviso.Grupo, aviso.Mostrar});
}

void TAvisosEscritorio::Invocada(quint32 id, const QString& accion) {
    if (accion != u"default")
        return;
    const auto abierta = std::find_if(abiertas_.begin(), abiertas_.end(),
                                      [id](const TAbierta& otra) { return otra.ID == id; });
    if (abierta == abiertas_.end() || !abierta->Mostrar)
        return;
    // A copy: showing a window runs code that may close notifications.
    const std::function<void()> mostrar = abierta->Mostrar;
    mostrar();
}

void TAvisosEscritorio::Cerrada(quint32 id) {
    std::erase_if(abiertas_, [id](const TAbierta& otra) { return otra.ID == id; });
}

void TAvisosEscritorio::TrayPulsado() {
    const std::function<void()> mostrar = mostrarTray_;
    if (mostrar)
        mostrar();
}
