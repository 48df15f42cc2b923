// File data escaping: escaped data never holds a BEL and unescapes to itself; data that
// unescapes and has no BEL of its own escapes back to the same bytes.
#include "comprobar.h"
#include "transfer/escapado.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
    const QByteArray bytes = Bytes(datos, tam);

    QByteArray escapado("FILE_PKT:1:");
    EscaparDatos(bytes, escapado);
    const QByteArrayView cuerpo = QByteArrayView(escapado).sliced(11);
    COMPROBAR(!cuerpo.contains('\x07'));
    COMPROBAR(cuerpo.size() >= bytes.size() && cuerpo.size() <= 2 * bytes.size());
    QByteArray vuelta;
    COMPROBAR(DesescaparDatos(cuerpo, vuelta));
    COMPROBAR(vuelta == bytes);

    QByteArray desescapado;
    if (DesescaparDatos(bytes, desescapado) && !bytes.contains('\x07')) {
        QByteArray otraVez;
        EscaparDatos(desescapado, otraVez);
        COMPROBAR(otraVez == bytes);
    }
    return 0;
}
