#pragma once

#include <QString>
#include <exception>
#include <functional>

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

// Where an entry point hands what it caught: the messenger's ManejarExcepcion, mostly.
using TInformarError = std::function<void(const TError& error)>;

// The one guard of every entry point that Qt calls (signals, timers, events, D-Bus): nothing
// thrown leaves into Qt. Whatever `accion` throws reaches `informar` as a TError; without
// `informar`, for parts that reach no messenger, it goes to the warning log.
void ProtegerEntrada(const std::function<void()>& accion, const TInformarError& informar = {});
