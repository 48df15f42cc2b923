#pragma once

#include <QString>
#include <exception>

// The program's own error: a kind name and a message, shown by ManejarExcepcion.
// Errors that come from a connection are socket errors and are never shown.
class TError : public std::exception {
public:
    TError(QString clase, QString mensaje, bool deSocket = false)
        : Clase(std::move(clase)), Mensaje(std::move(mensaje)), DeSocket(deSocket) {}
    const char* what() const noexcept override { return "TError"; }

    QString Clase;
    QString Mensaje;
    bool DeSocket;
};
