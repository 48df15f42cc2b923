#pragma once

#include "logview/listaimagenes.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QList>
#include <QString>
#include <QStringList>

// One emoticon code and the number of its picture.
struct ParTxtIdxEmoticono {
    QString Txt;
    qint32 Idx = -1;
};

constexpr int kAnchoEmoticono = 17;
constexpr int kAltoEmoticono = 15;
constexpr int kNumeroEmoticonos = 16;

// The 44 codes in the order that decides which one wins.
const QList<ParTxtIdxEmoticono>& DiccionarioEmoticonos();

// Picture number of the first code in dictionary order that starts at `posicion` (0-based),
// compared case-sensitively; `posicion` then moves to the code's last character. -1 and
// `posicion` unchanged when no code starts there.
qint32 BuscarEmoticono(const QString& linea, qsizetype& posicion);

// Picture n (0..15) of the emoticons, 17 x 15, drawn here; the list holds all 16 in order.
QImage DibujoEmoticono(int numero);
TListaImagenes ListaEmoticonos();

// Top-left of the emoticon panel, in the window's coordinates, for a right click at `raton`
// (screen): beside the pointer, vertically centred on it, and kept 8 pixels inside the
// window's right and bottom edges. `ventana` is the window's place on the screen.
QPoint PosicionPanelEmoticonos(QPoint raton, QRect ventana, QSize panel);

// The code each of the 16 panel buttons inserts; button n shows picture n.
const QStringList& CodigosBotonesEmoticonos();
