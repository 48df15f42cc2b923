#pragma once

#include "core/utilidades.h"

#include <QFrame>

// A 16 x 16 colour swatch that answers a click.
class TMuestraColor : public QFrame {
    Q_OBJECT
public:
    TMuestraColor(const char* nombre, QPoint sitio, QWidget* padre);

    TColor Color() const { return color_; }
    void FijarColor(TColor color);

signals:
    void Pulsado();

protected:
    void mouseReleaseEvent(QMouseEvent* evento) override;

private:
    TColor color_ = 0;
};
