#include "settings/muestracolor.h"

#include "widgets/estilo.h"

#include <QMouseEvent>

TMuestraColor::TMuestraColor(const char* nombre, QPoint sitio, QWidget* padre) : QFrame(padre) {
    setObjectName(QLatin1String(nombre));
    setGeometry(QRect(sitio, QSize(16, 16)));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
    FijarColor(0);
}

void TMuestraColor::FijarColor(TColor color) {
    color_ = color;
    Colorear(this, AQColor(color), QPalette::Window);
}

void TMuestraColor::mouseReleaseEvent(QMouseEvent* evento) {
    if (evento->button() == Qt::LeftButton && rect().contains(evento->position().toPoint()))
        emit Pulsado();
}
