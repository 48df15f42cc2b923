#include "app/programa.h"
#include "core/frmprincipal.h"
#include "core/instanciaunica.h"
#include "core/principal.h"
#include "core/senales.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char* argv[]) {
    QApplication aplicacion(argc, argv);
    TfrmPrincipal::PrepararAplicacion(aplicacion);
    const TMensajero::TOpciones opciones = TMensajero::TOpciones::DelSistema();
    TInstanciaUnica instancia(NombreInstancia(kTituloPrograma + opciones.Escucha.toString()));
    if (instancia.AvisarOtra())
        return 0;
    TPrograma programa(opciones);
    QString error;
    if (!programa.Iniciar(&error)) {
        QMessageBox::critical(nullptr, kTituloPrograma,
                              u"No se puede escuchar en el puerto 5777: " + error);
        return 1;
    }
    instancia.Escuchar();
    QObject::connect(&instancia, &TInstanciaUnica::Activacion, &programa.Principal(), &TfrmPrincipal::Activar);
    TSenalesTerminacion senales;
    QObject::connect(&senales, &TSenalesTerminacion::Terminar, &aplicacion, &TPrograma::Salir);
    QObject::connect(&aplicacion, &QGuiApplication::commitDataRequest, &aplicacion, &TPrograma::Salir);
    programa.Principal().show();
    return aplicacion.exec();
}
