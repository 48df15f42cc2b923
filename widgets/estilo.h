#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

// One palette colour of a control; text (WindowText) unless another role is given.
void Colorear(QWidget* control, QColor color, QPalette::ColorRole papel = QPalette::WindowText);
void Negrita(QWidget* control);
