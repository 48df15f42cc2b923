#pragma once

#include <QString>
#include <functional>

struct TConfig;
class TMensajero;

// What Aceptar changes outside the configuration record: the main window's tray icon and
// the open chat windows. Any of them may be left empty.
struct TEfectosConfig {
    // Shows the main window again if it is hidden in the tray.
    std::function<void()> RestaurarPrincipal;
    std::function<void()> AnadirIconoTray;
    std::function<void()> QuitarIconoTray;
    // The chat windows take background, font and text colour from the configuration.
    std::function<void()> AplicarChat;
};

// The folder for automatically accepted files as stored: with a final "/" unless empty.
QString CarpetaConBarra(const QString& carpeta);

// Aceptar of the settings dialog. `editada` is the configuration as the dialog's controls
// hold it (its window geometry is not used). The contacts hear of a new nick or e-mail
// only when it changed; the configuration is saved in any case.
void AceptarConfig(TMensajero& mensajero, const TConfig& editada, const TEfectosConfig& efectos);
