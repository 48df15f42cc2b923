// The contact book reader: any file loads, and what it loaded saves and loads back the same.
#include "comprobar.h"
#include "core/agenda.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QList<QStringList> Filas(const TAgenda& agenda) {
    QList<QStringList> filas;
    for (int i = 0; i < agenda.NumeroFilas(); ++i) {
        const TFilaContacto* fila = agenda.Fila(i);
        filas.append({fila->Nick, fila->IP, fila->EMail});
        COMPROBAR(fila->Contacto && fila->Contacto->Item == fila);
    }
    return filas;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
    // In memory where there is such a folder: saving is atomic and would sync a disk.
    static QTemporaryDir carpeta(QDir(QStringLiteral("/dev/shm")).exists()
                                     ? QStringLiteral("/dev/shm/fuzz_agenda-XXXXXX")
                                     : QDir::tempPath() + QStringLiteral("/fuzz_agenda-XXXXXX"));
    const QString fichero = carpeta.filePath(QStringLiteral("Contactos.dat"));
    {
        QFile escrito(fichero);
        COMPROBAR(escrito.open(QIODevice::WriteOnly | QIODevice::Truncate));
        escrito.write(reinterpret_cast<const char*>(datos), qint64(tam));
    }
    TAgenda agenda;
    agenda.Cargar(fichero);
    COMPROBAR(agenda.NumeroFilas() == agenda.NumeroContactos());
    const QList<QStringList> leidas = Filas(agenda);

    COMPROBAR(agenda.Guardar(fichero));
    TAgenda otra;
    otra.Cargar(fichero);
    COMPROBAR(Filas(otra) == leidas);
    return 0;
}
