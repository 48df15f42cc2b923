// Framing: however the stream is cut into reads, the same messages come out, and together
// with the bytes still pending they are the stream itself.
#include "comprobar.h"
#include "core/protocolo.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
    if (tam < 1)
        return 0;
    // The first byte chooses the read sizes; the rest is the stream.
    const unsigned semilla = datos[0];
    const QByteArray flujo = Bytes(datos + 1, tam - 1);

    TColaRecibidos entera;
    const QByteArray resto = EncolarRecibido(flujo, QStringLiteral("ip"), entera);

    TTramador tramador;
    TColaRecibidos troceada;
    qsizetype posicion = 0;
    unsigned estado = semilla * 2654435761u + 1;
    while (posicion < flujo.size()) {
        estado = estado * 1103515245u + 12345u;
        const qsizetype trozo = std::min<qsizetype>(flujo.size() - posicion, (estado >> 16) % 64);
        COMPROBAR(tramador.Agregar(flujo.mid(posicion, trozo), QStringLiteral("ip"), troceada));
        posicion += trozo;
    }

    COMPROBAR(troceada.size() == entera.size());
    QByteArray reconstruido;
    for (std::size_t i = 0; i < entera.size(); ++i) {
        COMPROBAR(troceada[i].Mensaje == entera[i].Mensaje);
        COMPROBAR(!entera[i].Mensaje.contains(kBel));
        reconstruido += entera[i].Mensaje + kBel;
    }
    COMPROBAR(reconstruido + resto == flujo);
    return 0;
}
