#include "core/frmprincipal.h"
#include "core/instanciaunica.h"
#include "core/principal.h"
#include "core/senales.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <cstdio>

namespace {

// Copies that listen elsewhere are separate programs; the usual one keeps its plain name.
QString NombreDeInstancia(const TMensajero::TOpciones& opciones) {
    QString nombre = kTituloPrograma + opciones.Escucha.toString();
    if (opciones.Puerto != kPuertoMensajero)
        nombre += u':' + QString::number(opciones.Puerto);
    return NombreInstancia(nombre);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication aplicacion(argc, argv);
    TfrmPrincipal::PrepararAplicacion(aplicacion);
    QCommandLineParser parametros;
    parametros.setApplicationDescription(kTituloPrograma);
    parametros.addHelpOption();
    const QCommandLineOption escuchar(
        QStringLiteral("escuchar"),
        QStringLiteral("Escucha solo en esta dirección IPv4 (y puerto), para tener varias copias "
                       "en un mismo equipo."),
        QStringLiteral("DIRECCION[:PUERTO]"));
    parametros.addOption(escuchar);
    parametros.process(aplicacion);
    TMensajero::TOpciones opciones = TMensajero::TOpciones::DelSistema();
    if (parametros.isSet(escuchar) && !opciones.FijarEscucha(parametros.value(escuchar))) {
        std::fputs(qPrintable(u"Dirección no válida: " + parametros.value(escuchar) + u'\n'), stderr);
        return 2;
    }
    TInstanciaUnica instancia(NombreDeInstancia(opciones));
    if (instancia.AvisarOtra())
        return 0;
    TfrmPrincipal ventana(opciones);
    QString error;
    if (!ventana.Iniciar(&error)) {
        QMessageBox::critical(nullptr, kTituloPrograma,
                              u"No se puede escuchar en el puerto " + QString::number(opciones.Puerto) +
                                  u": " + error);
        return 1;
    }
    instancia.Escuchar();
    QObject::connect(&instancia, &TInstanciaUnica::Activacion, &ventana, &TfrmPrincipal::Activar);
    TSenalesTerminacion senales;
    QObject::connect(&senales, &TSenalesTerminacion::Terminar, &aplicacion, &QCoreApplication::quit);
    QObject::connect(&aplicacion, &QCoreApplication::aboutToQuit, &ventana, &TfrmPrincipal::Finalizar);
    ventana.show();
    return aplicacion.exec();
}
