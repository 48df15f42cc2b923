#include "widgets/colocacion.h"

#include "core/utilidades.h"
#include "widgets/bordes.h"

#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>

void ColocarSobrePrincipal(QWidget* ventana, const QWidget* principal) {
    // Screen coordinates start at the screen's corner, which need not be 0,0 on a desktop
    // of several screens.
    const QRect pantalla = principal->screen()->geometry();
    const QRect enPantalla = principal->frameGeometry().translated(-pantalla.topLeft());
    const QPoint sitio =
        PosicionSobrePrincipal(ventana->frameGeometry().size(), enPantalla, pantalla.size());
    ventana->move(sitio + pantalla.topLeft());
}

void CentrarEnPantalla(QWidget* ventana) {
    const QRect pantalla = ventana->screen()->geometry();
    ventana->move(PosicionCentrada(ventana->frameGeometry().size(), pantalla.size()) +
                  pantalla.topLeft());
}

void AplicarSiempreEncima(QWidget* ventana, bool siempreEncima) {
    if (bool(ventana->windowFlags() & Qt::WindowStaysOnTopHint) == siempreEncima)
        return;
    // Changing window flags recreates the native window and hides it.
    const QRect sitio = ventana->geometry();
    const bool visible = ventana->isVisible();
    ventana->setWindowFlag(Qt::WindowStaysOnTopHint, siempreEncima);
    ventana->setGeometry(sitio);
    if (visible)
        ventana->show();
}

bool RedimensionarDesdeBorde(QWidget* ventana, const QMouseEvent* evento, int grosor,
                             Qt::Edges lados) {
    const Qt::Edges bordes =
        BordesDeRedimension(evento->position().toPoint(), ventana->size(), grosor, lados);
    if (evento->button() != Qt::LeftButton || !bordes || !ventana->windowHandle())
        return false;
    ventana->windowHandle()->startSystemResize(bordes);
    return true;
}
