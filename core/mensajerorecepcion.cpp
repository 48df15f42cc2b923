// Receiving: what arrives on a connection goes to the receive queue, which is drained from the
// event loop, one message at a time, each handed to its command's handler.
#include "core/mensajero.h"

#include "core/conexion.h"

#include <QAbstractEventDispatcher>

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

// The queue is drained where the event loop turns (about to wait, or woken), never inside
// a socket's signal, and without a wake-up of its own: in stop and wait a queued call cost a
// third of each block's time. A handler that opens a box runs the event loop, whose turns
// handle what arrives meanwhile, at once.
void TMensajero::VigilarBucle() {
    auto* despachador = QAbstractEventDispatcher::instance(thread());
    if (!despachador)
        return;
    const auto vaciar = [this] {
        if (std::exchange(vaciadoProgramado_, false))
            VaciarCola();
    };
    connect(despachador, &QAbstractEventDispatcher::aboutToBlock, this, vaciar);
    connect(despachador, &QAbstractEventDispatcher::awake, this, vaciar);
}

void TMensajero::ProgramarVaciado() { vaciadoProgramado_ = vaciadoProgramado_ || !cola_.empty(); }

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
