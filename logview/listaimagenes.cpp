#include "logview/listaimagenes.h"

int TListaImagenes::Add(const QImage& imagen) {
    imagenes.append(imagen.size() == QSize(ancho, alto) ? imagen : imagen.scaled(ancho, alto));
    return imagenes.size() - 1;
}
