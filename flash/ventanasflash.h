#pragma once

#include "flash/mensajesflash.h"

#include <functional>

class QWidget;
class TAvisosEscritorio;
class TfrmMsgFlash;

// Flash messages with their windows, owned by the program object. Each message, sent or
// received, gets a window of its own, a child of the main window.
class TVentanasFlash : public TInterfazFlash {
public:
    // `principalEnTray` tells whether the main window is hidden in the tray; `avisos`, when
    // given, tells the desktop of flashes that arrive while the user is not looking.
    TVentanasFlash(TMensajero& mensajero, QWidget* principal,
                   std::function<bool()> principalEnTray, TAvisosEscritorio* avisos = nullptr);
    ~TVentanasFlash() override;

    // A compose window to `ip`; whether the contact is connected is the caller's check.
    TfrmMsgFlash* AbrirFlashEnvio(const QString& ip);
    void MostrarFlashRecibido(const TFlashRecibido& flash) override;
    int FlashesAbiertos(const QString& ip) const override;

    TMensajesFlash& Mensajes() { return mensajes_; }

private:
    QWidget* principal_;
    std::function<bool()> principalEnTray_;
    TAvisosEscritorio* avisos_;
    TMensajesFlash mensajes_;
};
