#pragma once

#include <QRect>
#include <QString>

class QLineEdit;
class QPushButton;
class QWidget;

// The controls the windows are made of, each with its given name as object name (tests find
// them by it), placed at `sitio` unless that is null: windows that lay out as they resize
// place their controls themselves.
template <typename T>
T* Control(const char* nombre, const QString& texto, QRect sitio, QWidget* padre) {
    auto* control = new T(texto, padre);
    control->setObjectName(QLatin1String(nombre));
    if (!sitio.isNull())
        control->setGeometry(sitio);
    return control;
}

QLineEdit* Campo(const char* nombre, QRect sitio, QWidget* padre);
// Enter is handled by the fields themselves, never by a default button.
QPushButton* Boton(const char* nombre, const QString& texto, QRect sitio, QWidget* padre);
