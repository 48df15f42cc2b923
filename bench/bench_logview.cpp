// Time to append one chat line and lay the log out again, short log and long log, and the
// memory a long log takes. Real font metrics, headless.
#include "bench/medicion.h"
#include "logview/logformato.h"

#include <QFile>
#include <QGuiApplication>
#include <cstdio>

namespace {

constexpr int kMuestras = 301;

struct TLogBanco {
    TLogStyle estilo;
    TLogDocumento documento;
    TFormatoLog formato;
    TMedidorQt medidor;
    TOpcionesFormato opciones{600, 5};
    TListaImagenes emoticonos{17, 15};
    int lineas = 0;

    TLogBanco() {
        const int nick = estilo.AppendTextStyle();
        estilo.TextStyles[nick].Style = kNegrita;
        emoticonos.Add(QImage(17, 15, QImage::Format_RGB32));
    }
    void AgregarLinea() {
        documento.AppendLine(QStringLiteral("[12:34:56] <Marisol> "), 6);
        documento.AppendMultiline(
            QStringLiteral("pues yo creo que la reunión de las %1 se puede mover sin problema ")
                .arg(lineas),
            0);
        documento.AppendImage(0, &emoticonos, false);
        ++lineas;
    }
    void Formatear() { formato.Formatear(documento, estilo.TextStyles, medidor, opciones); }
    void LlenarHasta(int total) {
        while (lineas < total)
            AgregarLinea();
        Formatear();
    }
    double MedianaPorLinea() {
        return MedianaMs(kMuestras, [this] {
            AgregarLinea();
            Formatear();
        });
    }
};

double MemoriaResidenteMiB() {
    QFile estado(QStringLiteral("/proc/self/status"));
    if (!estado.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& linea : estado.readAll().split('\n')) {
        if (linea.startsWith("VmRSS:"))
            return linea.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication aplicacion(argc, argv);

    TLogBanco corto;
    corto.LlenarHasta(1000);
    const double corta = corto.MedianaPorLinea();

    const double antes = MemoriaResidenteMiB();
    auto largo = std::make_unique<TLogBanco>();
    largo->LlenarHasta(100000);
    const double memoria = MemoriaResidenteMiB() - antes;
    const double larga = largo->MedianaPorLinea();

    std::printf("log_append_1k: %.3f ms\n", corta);
    std::printf("log_append_100k: %.3f ms\n", larga);
    std::printf("log_memory_100k: %.1f MiB\n", memoria);
    return 0;
}
