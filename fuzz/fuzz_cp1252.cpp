// The Windows-1252 codec: decoding is total and encoding gives the bytes back; any text
// encodes to one byte per character and never to a BEL unless the text had one.
#include "comprobar.h"
#include "core/codificacion.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
    const QByteArray bytes = Bytes(datos, tam);
    const QString texto = DecodificarCp1252(bytes);
    COMPROBAR(texto.size() == bytes.size());
    COMPROBAR(CodificarCp1252(texto) == bytes);

    // The same bytes read as UTF-16, lone surrogates and all.
    const QString cualquiera(reinterpret_cast<const QChar*>(datos), qsizetype(tam / 2));
    const QByteArray codificado = CodificarCp1252(cualquiera);
    COMPROBAR(codificado.size() <= cualquiera.size());
    COMPROBAR(codificado.contains('\x07') == cualquiera.contains(QChar(0x07)));
    return 0;
}
