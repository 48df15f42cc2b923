#include "widgets/degradado.h"

#include "core/error.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// a * b / c in 64 bits, rounded to the nearest integer with halves away from zero.
qint64 MultiplicarDividir(qint64 a, qint64 b, qint64 c) {
    const qint64 producto = a * b;
    qint64 cociente = producto / c;
    const qint64 resto = producto % c;
    if (2 * std::llabs(resto) >= std::llabs(c))
        cociente += ((producto < 0) != (c < 0)) ? -1 : 1;
    return cociente;
}

int CanalAt(int inicio, int fin, int paso, int pasos) {
    if (pasos == 1)
        return inicio;
    return int((inicio + MultiplicarDividir(paso - 1, fin - inicio, pasos - 1)) & 0xFF);
}

bool EsHorizontal(TProgressDirection direccion) {
    return direccion == TProgressDirection::pdLeftToRight ||
           direccion == TProgressDirection::pdRightToLeft;
}

// The gradient is always drawn left to right or top to bottom, so the directions that
// grow from the far side take their colours in reverse.
bool CreceDesdeElFinal(TProgressDirection direccion) {
    return direccion == TProgressDirection::pdRightToLeft ||
           direccion == TProgressDirection::pdBottomToTop;
}

struct TTramo {
    QColor Inicio;
    QColor Fin;
    int Lineas;
};

QList<TTramo> Tramos(const TAspectoBarra& aspecto, int lineas) {
    const QColor c1 = AQColor(aspecto.BarColor1);
    const QColor c2 = AQColor(aspecto.BarColor2);
    const QColor c3 = AQColor(aspecto.BarColor3);
    const bool alReves = CreceDesdeElFinal(aspecto.Direction);
    if (aspecto.BarColorStyle == TBarColorStyle::cs2Colors)
        return {alReves ? TTramo{c2, c1, lineas} : TTramo{c1, c2, lineas}};
    const int primero = lineas / 2;
    if (alReves)
        return {{c3, c2, primero}, {c2, c1, lineas - primero}};
    return {{c1, c2, primero}, {c2, c3, lineas - primero}};
}

void PintarDegradado(QImage& imagen, const TAspectoBarra& aspecto) {
    const bool horizontal = EsHorizontal(aspecto.Direction);
    const int lineas = horizontal ? imagen.width() : imagen.height();
    QPainter pintor(&imagen);
    int linea = 0;
    for (const TTramo& tramo : Tramos(aspecto, lineas)) {
        for (int k = 0; k < tramo.Lineas; ++k, ++linea) {
            const QColor color = ColorAt(tramo.Inicio, tramo.Fin, k + 1, tramo.Lineas);
            const QRect trazo = horizontal ? QRect(linea, 0, 1, imagen.height())
                                           : QRect(0, linea, imagen.width(), 1);
            pintor.fillRect(trazo, color);
        }
    }
}

void PintarMosaico(QImage& imagen, const QImage& pieza) {
    QPainter pintor(&imagen);
    for (int x = 0; x <= imagen.width(); x += pieza.width())
        for (int y = 0; y <= imagen.height(); y += pieza.height())
            pintor.drawImage(x, y, pieza);
}

bool UsaImagen(const TAspectoBarra& aspecto) {
    return !aspecto.BarBitmap.isNull() || aspecto.BarColorStyle != TBarColorStyle::cs1Color;
}

void PintarBorde(QPainter& pintor, QSize tamano, const TAspectoBarra& aspecto) {
    const int w = tamano.width();
    const int h = tamano.height();
    const QColor arribaIzquierda = AQColor(aspecto.BorderColor1);
    const QColor abajoDerecha = AQColor(aspecto.BorderColor2);
    pintor.fillRect(QRect(0, 0, w, 1), arribaIzquierda);
    pintor.fillRect(QRect(0, 0, 1, h), arribaIzquierda);
    pintor.fillRect(QRect(1, h - 1, w - 1, 1), abajoDerecha);
    pintor.fillRect(QRect(w - 1, 1, 1, h - 1), abajoDerecha);
}

void PintarTexto(QPainter& pintor, QSize tamano, const QString& texto, const QFont& fuente,
                 QColor color) {
    pintor.setFont(fuente);
    pintor.setPen(color);
    const QFontMetrics medidas = pintor.fontMetrics();
    const int x = tamano.width() / 2 - medidas.horizontalAdvance(texto) / 2;
    const int y = tamano.height() / 2 - medidas.height() / 2;
    pintor.drawText(x, y + medidas.ascent(), texto);
}

} // namespace

QColor ColorAt(QColor inicio, QColor fin, int paso, int pasos) {
    if (paso < 1 || paso > pasos)
        throw TError(QStringLiteral("ERangeError"),
                     QStringLiteral("ColorIndex can't be less than 1 or greater than ") +
                         QString::number(pasos));
    return QColor(CanalAt(inicio.red(), fin.red(), paso, pasos),
                  CanalAt(inicio.green(), fin.green(), paso, pasos),
                  CanalAt(inicio.blue(), fin.blue(), paso, pasos));
}

QImage ConstruirBarra(const TAspectoBarra& aspecto, QSize tamano) {
    if (!UsaImagen(aspecto) || tamano.isEmpty())
        return {};
    QImage imagen(tamano, QImage::Format_RGB32);
    imagen.fill(Qt::white);
    if (aspecto.BarBitmap.isNull())
        PintarDegradado(imagen, aspecto);
    else
        PintarMosaico(imagen, aspecto.BarBitmap);
    return imagen;
}

int LongitudLlena(const TAspectoBarra& aspecto, int longitud) {
    if (aspecto.Position <= aspecto.Min || aspecto.Max == aspecto.Min)
        return 0;
    const long double avance = (long double)(qint64(aspecto.Position) - aspecto.Min) /
                               std::llabs(qint64(aspecto.Max) - aspecto.Min);
    return int(std::nearbyint(avance * longitud));
}

QRect ParteVacia(const TAspectoBarra& aspecto, QSize tamano) {
    const int borde = aspecto.ShowBorder ? 1 : 0;
    const QRect dentro(borde, borde, tamano.width() - 2 * borde, tamano.height() - 2 * borde);
    const int longitud = EsHorizontal(aspecto.Direction) ? dentro.width() : dentro.height();
    if (longitud <= 0)
        return {};
    const int vacia = std::clamp(longitud - LongitudLlena(aspecto, longitud), 0, longitud);
    switch (aspecto.Direction) {
    case TProgressDirection::pdLeftToRight:
        return dentro.adjusted(dentro.width() - vacia, 0, 0, 0);
    case TProgressDirection::pdRightToLeft:
        return dentro.adjusted(0, 0, vacia - dentro.width(), 0);
    case TProgressDirection::pdTopToBottom:
        return dentro.adjusted(0, dentro.height() - vacia, 0, 0);
    case TProgressDirection::pdBottomToTop:
        return dentro.adjusted(0, 0, 0, vacia - dentro.height());
    }
    return {};
}

QString TextoBarra(const TAspectoBarra& aspecto) {
    qint64 numero = aspecto.Position;
    if (aspecto.Percentage)
        numero = aspecto.Max == 0
                     ? 0
                     : qint64(std::nearbyint((long double)aspecto.Position / aspecto.Max * 100));
    return aspecto.PosTextPrefix + QString::number(numero) + aspecto.PosTextSuffix;
}

void ComponerBarra(QImage& marco, const TAspectoBarra& aspecto, const QImage& barra,
                   const QFont& fuente, QColor colorTexto) {
    QPainter pintor(&marco);
    if (UsaImagen(aspecto))
        pintor.drawImage(0, 0, barra);
    else
        pintor.fillRect(marco.rect(), AQColor(aspecto.BarColor1));
    pintor.fillRect(ParteVacia(aspecto, marco.size()), AQColor(aspecto.BackgroundColor));
    if (aspecto.ShowBorder)
        PintarBorde(pintor, marco.size(), aspecto);
    if (aspecto.ShowPosText)
        PintarTexto(pintor, marco.size(), TextoBarra(aspecto), fuente, colorTexto);
}
