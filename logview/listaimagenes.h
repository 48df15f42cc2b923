#pragma once

#include <QImage>
#include <QList>

// Pictures of one size, numbered from 0, drawn inline in a log (emoticons).
class TListaImagenes {
public:
    TListaImagenes(int ancho, int alto) : ancho_(ancho), alto_(alto) {}

    int Width() const { return ancho_; }
    int Height() const { return alto_; }
    int Count() const { return imagenes_.size(); }
    // The picture is scaled to the list's size when it differs.
    int Add(const QImage& imagen);
    // Empty image for a number the list does not hold.
    QImage Imagen(int indice) const { return imagenes_.value(indice); }

private:
    int ancho_;
    int alto_;
    QList<QImage> imagenes_;
};
