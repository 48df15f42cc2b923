#include "logview/listaimagenes.h"

int TListaImagenes::Add(const QImage& imagen) {
    imagenes_.append(imagen.size() == QSize(ancho_, alto_) ? imagen : imagen.scaled(ancho_, alto_));
    return imagenes_.size() - 1;
}
