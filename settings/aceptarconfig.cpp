#include "settings/aceptarconfig.h"

#include "core/mensajero.h"
#include "core/protocolo.h"

namespace {

void Llamar(const std::function<void()>& efecto) {
    if (efecto)
        efecto();
}

void CambiarIconoTray(TConfig& config, bool iconoEnTray, const TEfectosConfig& efectos) {
    if (iconoEnTray == config.IconoEnTray)
        return;
    if (config.IconoEnTray) {
        // Without the icon, a hidden window could never be brought back.
        Llamar(efectos.RestaurarPrincipal);
        Llamar(efectos.QuitarIconoTray);
    } else {
        Llamar(efectos.AnadirIconoTray);
    }
    config.IconoEnTray = iconoEnTray;
}

} // namespace

QString CarpetaConBarra(const QString& carpeta) {
    if (carpeta.isEmpty() || carpeta.endsWith(u'/'))
        return carpeta;
    return carpeta + u'/';
}

void AceptarConfig(TMensajero& mensajero, const TConfig& editada, const TEfectosConfig& efectos) {
    TConfig& config = mensajero.Config();
    config.AceptarEntradasDesconocidas = editada.AceptarEntradasDesconocidas;
    config.RechazarEntradasDesconocidas = editada.RechazarEntradasDesconocidas;
    config.PreguntarEntradasDesconocidas = editada.PreguntarEntradasDesconocidas;
    CambiarIconoTray(config, editada.IconoEnTray, efectos);
    config.AlwaysOnTop = editada.AlwaysOnTop;
    config.CargarConWindows = editada.CargarConWindows;
    config.AnunciarEnRed = editada.AnunciarEnRed;
    config.AvisosEscritorio = editada.AvisosEscritorio;
    config.AutoAceptarFicheros = editada.AutoAceptarFicheros;
    config.AutoAceptarFicherosPath = CarpetaConBarra(editada.AutoAceptarFicherosPath);
    if (config.Nick != editada.Nick)
        mensajero.DifundirMensaje(Componer(TComando::Nick, {editada.Nick}));
    if (config.EMail != editada.EMail)
        mensajero.DifundirMensaje(Componer(TComando::EMail, {editada.EMail}));
    config.Nick = editada.Nick;
    config.NickAway = editada.NickAway;
    config.EMail = editada.EMail;
    config.Chat = editada.Chat;
    Llamar(efectos.AplicarChat);
    config.Sonidos = editada.Sonidos;
    mensajero.GuardarConfig();
}
