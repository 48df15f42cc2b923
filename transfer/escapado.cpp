#include "transfer/escapado.h"

#include <cstring>

namespace {

bool Especial(char c) { return c == kEscapeDatos || c == '\x07'; }

// Empty data may have no buffer at all, and memcpy must never see a null pointer.
void Copiar(char*& salida, const char* desde, const char* hasta) {
    if (desde == hasta)
        return;
    std::memcpy(salida, desde, std::size_t(hasta - desde));
    salida += hasta - desde;
}

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
        Copiar(salida, tramo, p);
        *salida++ = kEscapeDatos;
        *salida++ = *p == kEscapeDatos ? kEscapeDatos : '\x08';
        tramo = p + 1;
    }
    Copiar(salida, tramo, fin);
    destino.resize(salida - destino.constData());
}

bool DesescaparDatos(QByteArrayView datos, QByteArray& destino) {
    destino.resize(datos.size());
    char* salida = destino.data();
    const char* p = datos.data();
    const char* fin = datos.data() + datos.size();
    while (p != fin) {
        const auto* escape = static_cast<const char*>(std::memchr(p, kEscapeDatos, std::size_t(fin - p)));
        Copiar(salida, p, escape ? escape : fin);
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
