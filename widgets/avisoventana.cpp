#include "widgets/avisoventana.h"

#include <QApplication>

bool ProgramaAlFrente() {
    return QApplication::activeWindow() != nullptr;
}

void AvisarDesde(TAvisosEscritorio* avisos, QWidget* ventana, bool visto,
                 const TAvisoEscritorio& aviso) {
    if (avisos && avisos->Avisar(aviso, visto))
        QApplication::alert(ventana);
}
