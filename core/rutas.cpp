#include "core/rutas.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

QString CarpetaDeDatos() {
    const QString ejecutable = QCoreApplication::applicationDirPath();
    if (QFileInfo(ejecutable).isWritable())
        return ejecutable;
    const QString datos =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Tromblechatix";
    QDir().mkpath(datos);
    return datos;
}

} // namespace

TRutas TRutas::DelSistema() {
    const QString configuracion =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return {CarpetaDeDatos(), configuracion + u"/Qorlunde/Tromblechatix.ini",
            configuracion + u"/autostart", QCoreApplication::applicationFilePath()};
}

TRutas TRutas::EnCarpeta(const QString& raiz) {
    return {raiz, raiz + u"/config/Qorlunde/Tromblechatix.ini", raiz + u"/config/autostart",
            raiz + u"/bin/tromblechatix"};
}

QString TRutas::FicheroAgenda() const { return CarpetaPrograma + u"/Contactos.dat"; }
QString TRutas::FicheroDebug() const { return CarpetaPrograma + u"/Debug.log"; }
QString TRutas::FicheroArranque() const { return CarpetaAutoarranque + u"/tromblechatix.desktop"; }
