#include "app/programa.h"
#include "core/instanciaunica.h"
#include "core/memoria.h"
#include "core/senales.h"
#include "core/version.h"
#include "principal/frmprincipal.h"

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

int MostrarVersion() {
    std::printf("tromblechatix %s\n", kVersionPrograma);
    return 0;
}

QStringList Argumentos(int argc, char* argv[]) {
    QStringList argumentos;
    for (int i = 0; i < argc; ++i)
        argumentos.append(QString::fromLocal8Bit(argv[i]));
    return argumentos;
}

} // namespace

int main(int argc, char* argv[]) {
    PrepararMemoria();
    QCommandLineParser parametros;
    parametros.setApplicationDescription(kTituloPrograma);
    parametros.addHelpOption();
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Muestra la versión y termina."));
    parametros.addOption(version);
    const QCommandLineOption escuchar(
        QStringLiteral("escuchar"),
        QStringLiteral("Escucha solo en esta dirección IPv4 (y puerto), para tener varias copias "
                       "en un mismo equipo."),
        QStringLiteral("DIRECCION[:PUERTO]"));
    parametros.addOption(escuchar);
    const QCommandLineOption anunciar(
        QStringLiteral("anunciar-a"),
        QStringLiteral("Se anuncia y busca en estas direcciones IPv4, separadas por comas, en vez de "
                       "en la red local."),
        QStringLiteral("DIRECCIONES"));
    parametros.addOption(anunciar);
    // Answered before the application exists, so that it needs no display. Options of Qt's
    // own (-platform and the like) fail this early reading and are read after all.
    if (parametros.parse(Argumentos(argc, argv)) && parametros.isSet(version))
        return MostrarVersion();
    QApplication aplicacion(argc, argv);
    TfrmPrincipal::PrepararAplicacion(aplicacion);
    parametros.process(aplicacion);
    if (parametros.isSet(version))
        return MostrarVersion();
    TMensajero::TOpciones opciones = TMensajero::TOpciones::DelSistema();
    for (const auto& [opcion, fijar] : {std::pair{&escuchar, &TMensajero::TOpciones::FijarEscucha},
                                        std::pair{&anunciar, &TMensajero::TOpciones::FijarAnuncios}}) {
        if (parametros.isSet(*opcion) && !(opciones.*fijar)(parametros.value(*opcion))) {
            std::fputs(qPrintable(u"Dirección no válida: " + parametros.value(*opcion) + u'\n'), stderr);
            return 2;
        }
    }
    TInstanciaUnica instancia(NombreDeInstancia(opciones));
    if (instancia.AvisarOtra())
        return 0;
    TPrograma programa(opciones);
    QString error;
    if (!programa.Iniciar(&error)) {
        QMessageBox::critical(nullptr, kTituloPrograma,
                              u"No se puede escuchar en el puerto " + QString::number(opciones.Puerto) +
                                  u": " + error);
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
