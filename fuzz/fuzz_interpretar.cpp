// Message interpretation: a recognised message starts with its command's prefix, carries the
// rest as its payload, and a numeric payload is exactly the number read from it.
#include "comprobar.h"
#include "core/protocolo.h"

#include <limits>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
    const QByteArray mensaje = Bytes(datos, tam);
    const std::optional<TMensajeRecibido> recibido = InterpretarMensaje(mensaje);
    if (!recibido)
        return 0;
    const QByteArray prefijo = Prefijo(recibido->Comando);
    COMPROBAR(mensaje.startsWith(prefijo));
    const bool consulta = recibido->Comando == TComando::PreguntaNick ||
                          recibido->Comando == TComando::PreguntaEMail ||
                          recibido->Comando == TComando::PreguntaXFile ||
                          recibido->Comando == TComando::PreguntaRed;
    COMPROBAR(consulta ? recibido->Carga.isEmpty() : recibido->Carga == mensaje.sliced(prefijo.size()));
    const std::optional<qint64> numero = LeerNumero(recibido->Carga, std::numeric_limits<qint32>::min(),
                                                    std::numeric_limits<qint32>::max());
    if (recibido->Numero != 0)
        COMPROBAR(numero && *numero == recibido->Numero);
    // What a handler gets composes back into the same message.
    if (!consulta && !recibido->Carga.contains(kBel))
        COMPROBAR(Componer(recibido->Comando, {recibido->Carga}) == mensaje);
    return 0;
}
