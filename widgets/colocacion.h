#pragma once

#include <Qt>

class QMouseEvent;
class QWidget;

// Over the main window and kept on its screen; the one place that moves secondary windows.
void ColocarSobrePrincipal(QWidget* ventana, const QWidget* principal);
// In the middle of the window's screen, without clamping.
void CentrarEnPantalla(QWidget* ventana);
// A left press within `grosor` pixels of one of the `lados` of a frameless window starts
// resizing it by that edge; whether it did.
bool RedimensionarDesdeBorde(QWidget* ventana, const QMouseEvent* evento, int grosor,
                             Qt::Edges lados);
// Switches the stay-on-top hint; the window keeps its place, size and visibility.
void AplicarSiempreEncima(QWidget* ventana, bool siempreEncima);
