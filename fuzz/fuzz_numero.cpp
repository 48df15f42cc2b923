// The numeric field reader against a plain reference: a sign, digits, nothing else, and the
// value within the bounds.
#include "comprobar.h"
#include "core/protocolo.h"

#include <cstring>

namespace {

std::optional<qint64> Referencia(QByteArrayView texto, qint64 minimo, qint64 maximo) {
    const bool negativo = texto.startsWith('-');
    if (negativo || texto.startsWith('+'))
        texto = texto.sliced(1);
    if (texto.isEmpty())
        return std::nullopt;
    for (const char c : texto) {
        if (c < '0' || c > '9')
            return std::nullopt;
    }
    while (texto.size() > 1 && texto.front() == '0')
        texto = texto.sliced(1);
    if (texto.size() > 18)
        return std::nullopt;
    qint64 valor = std::strtoll(QByteArray(texto.data(), texto.size()).constData(), nullptr, 10);
    if (negativo)
        valor = -valor;
    if (valor < minimo || valor > maximo)
        return std::nullopt;
    return valor;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
    // The first sixteen bytes are the bounds, the rest the field.
    if (tam < 16)
        return 0;
    qint64 minimo = 0, maximo = 0;
    std::memcpy(&minimo, datos, 8);
    std::memcpy(&maximo, datos + 8, 8);
    const QByteArray campo = Bytes(datos + 16, tam - 16);
    const std::optional<qint64> leido = LeerNumero(campo, minimo, maximo);
    COMPROBAR(leido == Referencia(campo, minimo, maximo));
    if (leido)
        COMPROBAR(*leido >= minimo && *leido <= maximo);
    return 0;
}
