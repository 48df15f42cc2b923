#include "widgets/estilo.h"

#include <QWidget>

void Colorear(QWidget* control, QColor color, QPalette::ColorRole papel) {
    QPalette paleta = control->palette();
    paleta.setColor(papel, color);
    control->setPalette(paleta);
}

void Negrita(QWidget* control) {
    QFont fuente = control->font();
    fuente.setBold(true);
    control->setFont(fuente);
}
