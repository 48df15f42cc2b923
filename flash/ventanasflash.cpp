#include "flash/ventanasflash.h"

#include "flash/frmmsgflash.h"
#include "widgets/avisoventana.h"
#include "widgets/colocacion.h"

#include <QPointer>

TVentanasFlash::TVentanasFlash(TMensajero& mensajero, QWidget* principal,
                               std::function<bool()> principalEnTray, TAvisosEscritorio* avisos)
    : FPrincipal(principal), FPrincipalEnTray(std::move(principalEnTray)), FAvisos(avisos),
      FMensajes(mensajero, *this) {}

// Open windows send through FMensajes: they must not outlive it.
TVentanasFlash::~TVentanasFlash() {
    qDeleteAll(FPrincipal->findChildren<TfrmMsgFlash*>(Qt::FindDirectChildrenOnly));
}

TfrmMsgFlash* TVentanasFlash::AbrirFlashEnvio(const QString& ip) {
    auto* ventana = new TfrmMsgFlash(FMensajes, FPrincipal);
    ventana->PrepararEnvio(ip, FMensajes.TituloEnvio(ip));
    ColocarSobrePrincipal(ventana, FPrincipal);
    ventana->Mostrar();
    return ventana;
}

int TVentanasFlash::FlashesAbiertos(const QString& ip) const {
    int abiertos = 0;
    // A closed window is hidden at once and deleted a moment later.
    for (const TfrmMsgFlash* ventana : FPrincipal->findChildren<TfrmMsgFlash*>(Qt::FindDirectChildrenOnly)) {
        if (ventana->EsRespuesta() && ventana->IPDestino() == ip && !ventana->isHidden())
            ++abiertos;
    }
    return abiertos;
}

void TVentanasFlash::MostrarFlashRecibido(const TFlashRecibido& flash) {
    // Asked before the new window comes up, which may take the focus.
    const bool visto = ProgramaAlFrente();
    auto* ventana = new TfrmMsgFlash(FMensajes, FPrincipal);
    ventana->PrepararRespuesta(flash);
    // Over a main window hidden in the tray, nobody would look.
    if (FPrincipalEnTray())
        CentrarEnPantalla(ventana);
    else
        ColocarSobrePrincipal(ventana, FPrincipal);
    ventana->Mostrar();
    const QPointer<TfrmMsgFlash> vigilada = ventana;
    AvisarDesde(FAvisos, ventana, visto,
                {.Resumen = flash.Nick,
                 .Texto = flash.Texto,
                 .Mostrar = [vigilada] {
                     if (vigilada && !vigilada->isHidden())
                         vigilada->Mostrar();
                 }});
}
