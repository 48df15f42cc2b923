#pragma once

#include "core/reloj.h"

#include <QByteArray>
#include <QString>
#include <functional>

// "Debug.log": in debug mode every message sent or received and every connection event, one
// line each, "[hh:mm:ss] " first, CR LF last. The file only grows.
class TDepuracion {
public:
    using TAvisoFallo = std::function<void(const QString& ruta, const QString& motivo)>;

    TDepuracion(QString fichero, const TReloj& reloj, TAvisoFallo avisoFallo);

    bool Activo() const { return activo_; }
    // Switching it on again re-arms the one-time report of a log that cannot be written.
    void FijarActivo(bool activo);

    // Appends one line; a log that cannot be written is reported once and never stops the
    // caller.
    void EscribirDebug(const QByteArray& texto);

    // The line as written, without its CR LF: file packets shortened to their first
    // 20 characters with control characters as spaces, then " ...".
    static QByteArray TextoDeEntrada(const QByteArray& texto);

private:
    QString fichero_;
    const TReloj& reloj_;
    TAvisoFallo avisoFallo_;
    bool activo_ = false;
    bool falloAvisado_ = false;
};
