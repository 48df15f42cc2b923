#pragma once

#include "core/protocolo.h"

#include <QPointer>

class TMensajero;

// Owns one registered handler: destroying it unregisters the handler, so no handler outlives
// the object it calls.
class TRegistroManejador {
public:
    TRegistroManejador() = default;
    TRegistroManejador(TMensajero& mensajero, TComando comando, quint64 numero);
    TRegistroManejador(TRegistroManejador&& otro) noexcept;
    TRegistroManejador& operator=(TRegistroManejador&& otro) noexcept;
    ~TRegistroManejador();

private:
    void Soltar();

    QPointer<TMensajero> mensajero_;
    TComando comando_ = TComando::Flash;
    quint64 numero_ = 0;
};
