#include "core/error.h"

int ConvertirEntero(const QString& texto) {
    bool correcto = false;
    const int valor = texto.toInt(&correcto, 10);
    const bool sinEspacios = !texto.isEmpty() && !texto.front().isSpace() && !texto.back().isSpace();
    if (!correcto || !sinEspacios)
        throw TError(QStringLiteral("EConvertError"),
                     QStringLiteral("'%1' is not a valid integer value").arg(texto));
    return valor;
}
