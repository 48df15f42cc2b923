#pragma once

#include <QPoint>
#include <QSize>

// The edges of a frameless window that a press at `punto` grabs for resizing: the margins
// of `grosor` pixels along those of `lados` (a window whose header moves it leaves the top
// out).
inline Qt::Edges BordesDeRedimension(QPoint punto, QSize ventana, int grosor, Qt::Edges lados) {
    Qt::Edges bordes;
    if (punto.x() < grosor)
        bordes |= Qt::LeftEdge;
    if (punto.x() >= ventana.width() - grosor)
        bordes |= Qt::RightEdge;
    if (punto.y() < grosor)
        bordes |= Qt::TopEdge;
    if (punto.y() >= ventana.height() - grosor)
        bordes |= Qt::BottomEdge;
    return bordes & lados;
}
