#include "flash/ventanasflash.h"

#include "flash/frmmsgflash.h"
#include "widgets/avisoventana.h"
#include "widgets/colocacion.h"

#include <QPointer>

TVentanasFlash::TVentanasFlash(TMensajero& mensajero, QWidget* principal,
                               std::function<bool()> principalEnTray, TAvisosEscritorio* avisos)
    : principal_(principal), principalEnTray_(std::move(principalEnTray)), avisos_(avisos),
      mensajes_(mensajero, *this) {}

// Open windows send through mensajes_: they must not outlive it.
TVentanasFlash::~TVentanasFlash() {
    qDeleteAll(principal_->findChildren<TfrmMsgFlash*>(Qt::FindDirectChildrenOnly));
}

TfrmMsgFlash* TVentanasFlash::AbrirFlashEnvio(const QString& ip) {
    auto* ventana = new TfrmMsgFlash(mensajes_, principal_);
    ventana->PrepararEnvio(ip, mensajes_.TituloEnvio(ip));
    ColocarSobrePrincipal(ventana, principal_);
    ventana->Mostrar();
    return ventana;
}

int TVentanasFlash::FlashesAbiertos(const QString& ip) const {
    int abiertos = 0;
    // A closed window is hidden at once and deleted a moment later.
    for (const TfrmMsgFlash* ventana :
         principal_->findChildren<TfrmMsgFlash*>(Qt::FindDirectChildrenOnly)) {
        if (ventana->EsRespuesta() && ventana->IPDestino() == ip && !ventana->isHidden())
            ++abiertos;
    }
    return abiertos;
}

void TVentanasFlash::MostrarFlashRecibido(const TFlashRecibido& flash) {
    // Asked before the new window comes up, which may take the focus.
    const bool visto = ProgramaAlFrente();
    auto* ventana = new TfrmMsgFlash(mensajes_, principal_);
    ventana->PrepararRespuesta(flash);
    // Over a main window hidden in the tray, nobody would look.
    if (principalEnTray_())
        CentrarEnPantalla(ventana);
    else
        ColocarSobrePrincipal(ventana, principal_);
    ventana->Mostrar();
    const QPointer<TfrmMsgFlash> vigilada = ventana;
    AvisarDesde(avisos_, ventana, visto,
                {.Resumen = flash.Nick, .Texto = flash.Texto, .Mostrar = [vigilada] {
                     if (vigilada && !vigilada->isHidden())
                         vigilada->Mostrar();
                 }});
}
