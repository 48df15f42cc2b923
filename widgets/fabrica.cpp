#include "widgets/fabrica.h"

#include <QLineEdit>
#include <QPushButton>

QLineEdit* Campo(const char* nombre, QRect sitio, QWidget* padre) {
    return Control<QLineEdit>(nombre, {}, sitio, padre);
}

QPushButton* Boton(const char* nombre, const QString& texto, QRect sitio, QWidget* padre) {
    auto* boton = Control<QPushButton>(nombre, texto, sitio, padre);
    boton->setAutoDefault(false);
    return boton;
}
