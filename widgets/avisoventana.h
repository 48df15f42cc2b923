#pragma once

#include "core/avisosescritorio.h"

class QWidget;

// Whether one of the program's windows is the active one: a window it opens now comes up
// in front of the user. Not so while it is hidden in the tray, minimised, or behind
// another program.
bool ProgramaAlFrente();

// A desktop notification for what `ventana` shows, unless `visto`; the window then also
// asks for attention in the task bar. No notices without `avisos`.
void AvisarDesde(TAvisosEscritorio* avisos, QWidget* ventana, bool visto,
                 const TAvisoEscritorio& aviso);
