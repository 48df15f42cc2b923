#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

// Answers the next modal box as soon as it is open, and tells what it said.
struct TCajaVista {
    QString Titulo;
    QString Texto;
    QMessageBox::Icon Icono = QMessageBox::NoIcon;
};

inline void ResponderCaja(QMessageBox::StandardButton boton, TCajaVista* vista = nullptr) {
    auto intento = std::make_shared<std::function<void()>>();
    *intento = [boton, vista, intento] {
        auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!caja) {
            QTimer::singleShot(10, *intento);
            return;
        }
        if (vista)
            *vista = {caja->windowTitle(), caja->text(), caja->icon()};
        caja->button(boton)->click();
        // The stored attempt holds itself; the copy running now is the timer's.
        *intento = nullptr;
    };
    QTimer::singleShot(0, *intento);
}
