#include "core/error.h"

#include <QtGlobal>

namespace {

void Informar(const TInformarError& informar, const TError& error) {
    if (informar)
        informar(error);
    else
        qWarning("%s: %s", qUtf8Printable(error.Clase), qUtf8Printable(error.Mensaje));
}

} // namespace

void ProtegerEntrada(const std::function<void()>& accion, const TInformarError& informar) {
    try {
        accion();
    } catch (const TError& error) {
        Informar(informar, error);
    } catch (const std::exception& error) {
        Informar(informar, TError(QStringLiteral("Exception"), QString::fromLocal8Bit(error.what())));
    } catch (...) {
        Informar(informar, TError(QStringLiteral("Exception"), QStringLiteral("Error desconocido")));
    }
}
