#include "transfer/escapado.h"

#include <cstring>

namespace {

bool Especial(char c) { return c == kEscapeDatos || c == '\x07'; }

constexpr quint64 kUnos = 0x0101010101010101ULL;
constexpr quint64 kAltos = 0x8080808080808080ULL;

// Whether any of the eight bytes is a byte that must be escaped (exact, not just a hint).
bool HayEspecial(quint64 ocho) {
    const auto hayCero = [](quint64 v) { return ((v - kUnos) & ~v & kAltos) != 0; };
    return hayCero(ocho ^ (kUnos * quint8(kEscapeDatos))) || hayCero(ocho ^ (kUnos * 0x07));
}

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
        // Almost every byte of a file is itself: eight at a time until one is not.
        quint64 ocho;
        while (fin - p >= 8 && (std::memcpy(&ocho, p, 8), !HayEspecial(ocho)))
            p += 8;
        if (p == fin)
            break;
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
