#include "widgets/iconos.h"

#include <QPainter>

namespace {

// A small monitor: grey screen when off line, green when connected. Magenta is the key.
void DibujarMonitor(QPainter& p, bool conectado) {
    p.setPen(QColor(40, 40, 40));
    p.setBrush(QColor(170, 170, 170));
    p.drawRect(1, 1, 12, 9);
    p.setPen(Qt::NoPen);
    p.setBrush(conectado ? QColor(30, 200, 60) : QColor(90, 90, 110));
    p.drawRect(3, 3, 9, 6);
    p.setBrush(QColor(110, 110, 110));
    p.drawRect(6, 11, 3, 2);
    p.drawRect(3, 13, 9, 2);
}

} // namespace

QImage IconoEstado(int indice) {
    QImage icono(15, 15, QImage::Format_RGB32);
    icono.fill(QColor(255, 0, 255));
    QPainter pintor(&icono);
    DibujarMonitor(pintor, indice == 1);
    return icono;
}

QImage IconoPrograma(int lado) {
    QImage icono(lado, lado, QImage::Format_ARGB32);
    icono.fill(Qt::transparent);
    QPainter p(&icono);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(lado / 32.0, lado / 32.0);
    p.setPen(Qt::NoPen);
    // Two speech bubbles, the program's colours.
    p.setBrush(QColor(102, 102, 187));
    p.drawRoundedRect(QRectF(1, 3, 22, 16), 5, 5);
    p.drawPolygon(QPolygonF({QPointF(5, 18), QPointF(5, 25), QPointF(11, 18)}));
    p.setBrush(QColor(19, 0, 128));
    p.drawRoundedRect(QRectF(11, 12, 20, 14), 5, 5);
    p.drawPolygon(QPolygonF({QPointF(25, 25), QPointF(27, 31), QPointF(20, 25)}));
    p.setBrush(Qt::white);
    for (int x : {16, 21, 26})
        p.drawEllipse(QPointF(x, 19), 1.6, 1.6);
    return icono;
}
