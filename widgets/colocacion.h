#pragma once

class QWidget;

// Over the main window and kept on its screen; the one place that moves secondary windows.
void ColocarSobrePrincipal(QWidget* ventana, const QWidget* principal);
// In the middle of the window's screen, without clamping.
void CentrarEnPantalla(QWidget* ventana);
// Switches the stay-on-top hint; the window keeps its place, size and visibility.
void AplicarSiempreEncima(QWidget* ventana, bool siempreEncima);
