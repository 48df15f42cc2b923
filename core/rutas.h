#pragma once

#include <QString>

// Every file the program touches, from one place so that tests can point it elsewhere.
struct TRutas {
    QString CarpetaPrograma;      // "Contactos.dat" and "Debug.log"
    QString FicheroConfig;        // settings file
    QString CarpetaAutoarranque;  // XDG autostart folder
    QString Ejecutable;           // full path written into the start-up entry

    // The real locations: the executable's folder when writable, else the user's data folder.
    static TRutas DelSistema();
    // Everything below one folder, for tests.
    static TRutas EnCarpeta(const QString& raiz);

    QString FicheroAgenda() const;
    QString FicheroDebug() const;
    QString FicheroArranque() const;
};
