#pragma once

#include <QImage>
#include <QList>

// Pictures of one size, numbered from 0, drawn inline in a log (emoticons).
class TListaImagenes {
public:
    TListaImagenes(int ancho, int alto) : ancho(ancho), alto(alto) {}

    int Width() const { return ancho; }
    int Height() const { return alto; }
    int Count() const { return imagenes.size(); }
    // The picture is scaled to the list's size when it differs.
    int Add(const QImage& imagen);
    // Empty image for a number the list does not hold.
    QImage Imagen(int indice) const { return imagenes.value(indice); }

private:
    int ancho;
    int alto;
    QList<QImage> imagenes;
};
