#include "transfer/escapado.h"

#include <cstring>

namespace {

bool Especial(char c) { return c == kEscapeDatos || c == '\x07'; }

} // namespace

void EscaparDatos(QByteArrayView datos, QByteArray& destino) {
    const qsizetype inicio = destino.size();
    destino.resize(inicio + 2 * datos.size());
    char* salida = destino.data() + inicio;
    const char* tramo = datos.data();
    const char* fin = datos.data() + datos.size();
    for (const char* p = tramo; p != fin; ++p) {
        if (!Especial(*p))
            continue;
        std::memcpy(salida, tramo, std::size_t(p - tramo));
        salida += p - tramo;
        *salida++ = kEscapeDatos;
        *salida++ = *p == kEscapeDatos ? kEscapeDatos : '\x08';
        tramo = p + 1;
    }
    std::memcpy(salida, tramo, std::size_t(fin - tramo));
    salida += fin - tramo;
    destino.resize(salida - destino.constData());
}

bool DesescaparDatos(QByteArrayView datos, QByteArray& destino) {
    destino.resize(datos.size());
    char* salida = destino.data();
    const char* p = datos.data();
    const char* fin = datos.data() + datos.size();
    while (p != fin) {
        const auto* escape = static_cast<const char*>(std::memchr(p, kEscapeDatos, std::size_t(fin - p)));
        const char* tramoFin = escape ? escape : fin;
        std::memcpy(salida, p, std::size_t(tramoFin - p));
        salida += tramoFin - p;
        if (!escape)
            break;
        if (escape + 1 == fin || (escape[1] != kEscapeDatos && escape[1] != '\x08'))
            return false;
        *salida++ = escape[1] == kEscapeDatos ? kEscapeDatos : '\x07';
        p = escape + 2;
    }
    destino.resize(salida - destino.constData());
    return true;
}
