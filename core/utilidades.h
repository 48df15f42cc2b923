#pragma once

#include <QColor>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

// Colour value as stored in settings and styles: 0x00BBGGRR, or 0x800000nn for the
// platform's system colour number nn, or kSinColor.
using TColor = quint32;
constexpr TColor kSinColor = 0x1FFFFFFF;
constexpr TColor kColorSistema = 0x80000000;

constexpr TColor ColorRGB(int rojo, int verde, int azul) {
    return TColor(rojo) | (TColor(verde) << 8) | (TColor(azul) << 16);
}

// Channel-wise (A * p + B * (100 - p)) div 100: p = 100 gives A, p = 0 gives B.
TColor MezclarColores(TColor a, TColor b, quint8 porcentaje);

// Turns a colour value into a QColor; system colours come from the application palette.
// kSinColor gives an invalid QColor.
QColor AQColor(TColor color);
TColor DeQColor(const QColor& color);

// Top-left corner of a window placed over the main window, kept on the screen.
QPoint PosicionSobrePrincipal(QSize ventana, QRect principal, QSize pantalla);
// Top-left corner of a window centred on the screen, without clamping.
QPoint PosicionCentrada(QSize ventana, QSize pantalla);

// A tooltip that shows the text as it is, even when it looks like markup.
QString AyudaLiteral(const QString& texto);
// Peer text as a label, a list or a box shows it: at most maximo characters, the middle
// given up for an ellipsis, since laying out a megabyte would stop the program.
constexpr qsizetype kMaximoMostrado = 1000;
QString AcortadoParaMostrar(const QString& texto, qsizetype maximo = kMaximoMostrado);
// Peer text cut to `maximo` characters, a pair of surrogates kept whole, with "…" where cut.
QString RecortarTexto(const QString& texto, qsizetype maximo);
// Box texts of the protocol break lines with CR; boxes break them only at LF.
QString SaltosDeCaja(QString texto);

// Whether `a` comes before `b` as people read a list: the locale's collation, ignoring case
// and accents before it looks at them ("aaa" before "Tres", "Ángel" before "Bea").
bool AntesAlLeer(const QString& a, const QString& b);

// 1234567 -> "1.234.567", -1234 -> "-1.234".
QString FormatearMiles(qint64 numero);

// Replaces the file with `datos` in one step: on any failure the old file stays whole.
bool GuardarFicheroAtomico(const QString& ruta, const QByteArray& datos);
