#pragma once

#include "core/utilidades.h"

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

struct TContacto;
struct TFilaContacto;

// What the contact popup offers for the row it opened on (none: no row).
struct THabilitacionMenu {
    QString CaptionIP;
    bool IP = false;
    bool Eliminar = false;
    bool Flash = false;
    bool Chat = false;
    bool Archivo = false;
    bool EMail = false;
    bool Comprobar = false;  // only for a contact shown off-line
};

THabilitacionMenu HabilitarMenuContactos(const TFilaContacto* fila, const TContacto* contacto);

// How one row of the contact list is drawn.
struct TAspectoFila {
    TColor Fondo;
    TColor Texto;
};
constexpr TColor kColorFilaSeleccionada = 11154227;  // RGB(51, 51, 170)
TAspectoFila AspectoFila(bool seleccionada, bool conectado, TColor fondoLista);

// The state picture as drawn on the row: the colour of its top-left pixel is transparent,
// and a contact that is not connected gets it faded 70 % into the row's background.
QImage IconoEnFila(const QImage& icono, bool conectado, TColor fondo);

// Where the main window's parts go for a given client size.
struct TDisposicionPrincipal {
    QSize Cliente;       // raised to the minimum
    QRect Barra;         // ProgressBarNick
    QRect Marco;         // BevelFondo
    QRect Lista;         // ListViewContactos
    int AnchoColumnaNick;
};
constexpr QSize kTamanoMinimoPrincipal{180, 140};
TDisposicionPrincipal DisponerPrincipal(QSize cliente, int filas);

// The close box and "&Ocultar": the window closes, or hides to the tray.
enum class TRespuestaCierre { Cerrar, Ocultar };
TRespuestaCierre PreguntaCierre(bool oculto, bool iconoEnTray);
