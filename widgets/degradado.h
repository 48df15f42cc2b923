#pragma once

#include "core/utilidades.h"

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

enum class TBarColorStyle { cs1Color, cs2Colors, cs3Colors };
enum class TProgressDirection { pdLeftToRight, pdRightToLeft, pdBottomToTop, pdTopToBottom };

// Everything a gradient bar shows, with the values a new bar takes.
struct TAspectoBarra {
    TColor BackgroundColor = kColorSistema | 15;
    QImage BarBitmap;
    TColor BarColor1 = ColorRGB(0, 128, 0);
    TColor BarColor2 = ColorRGB(255, 255, 0);
    TColor BarColor3 = ColorRGB(255, 0, 0);
    TBarColorStyle BarColorStyle = TBarColorStyle::cs3Colors;
    TColor BorderColor1 = kColorSistema | 16;
    TColor BorderColor2 = kColorSistema | 20;
    TProgressDirection Direction = TProgressDirection::pdLeftToRight;
    qint32 Max = 100;
    qint32 Min = 0;
    bool Percentage = false;
    qint32 Position = 0;
    QString PosTextPrefix;
    QString PosTextSuffix;
    bool ShowBorder = true;
    bool ShowPosText = true;
};

// Colour of step `paso` (1..pasos) of a gradient from `inicio` to `fin`.
// Throws TError when the step is out of range.
QColor ColorAt(QColor inicio, QColor fin, int paso, int pasos);

// The bar before it is partly covered: the gradient or the tiled bitmap at the given size.
// A null image for a solid bar, which needs no cache.
QImage ConstruirBarra(const TAspectoBarra& aspecto, QSize tamano);

// How many pixels of a bar `longitud` long are filled at the current position.
int LongitudLlena(const TAspectoBarra& aspecto, int longitud);

// The part of the control still covered by the background colour; empty when full.
QRect ParteVacia(const TAspectoBarra& aspecto, QSize tamano);

// Prefix, position or percentage, suffix.
QString TextoBarra(const TAspectoBarra& aspecto);

// Composes the whole control into `marco` (already at the control's size): the bar from
// the cached `barra`, the background over the unfilled part, border and caption.
void ComponerBarra(QImage& marco, const TAspectoBarra& aspecto, const QImage& barra,
                   const QFont& fuente, QColor colorTexto);
