// Time to write one chat line (time stamp, nick, one emoticon) into a room's log that already
// holds 1,000 or 100,000 lines, repaint of the visible part included. Real fonts, offscreen.
#include "bench/medicion.h"
#include "chat/lineachat.h"
#include "logview/logview.h"

#include <QApplication>
#include <cstdio>

namespace {

constexpr int kMuestras = 301;

struct TSalaBanco {
    TLogStyle tabla;
    TConfig config;
    TReloj reloj;
    TEscritorChat escritor{tabla, config, reloj};
    TLogView log;
    int lineas = 0;

    TSalaBanco() {
        log.SetStyle(&tabla);
        log.resize(600, 400);
        log.show();
    }
    QString Texto() const {
        return QStringLiteral("pues yo creo que la reunión de las %1 se puede mover :)").arg(lineas);
    }
    void LlenarHasta(int total) {
        const qint32 estilo = escritor.Estilo(0);
        for (; lineas < total; ++lineas) {
            AnadirLineaChat(log, escritor.Componer(Texto(), QStringLiteral("Marisol")), estilo,
                            &escritor.Emoticonos());
        }
        log.Reformat();
        log.SetVerticalPos(log.VerticalPosMax());
        QApplication::processEvents();
    }
    double MedianaPorLinea() {
        return MedianaMs(kMuestras, [this] {
            escritor.Escribir(log, 0, Texto(), QStringLiteral("Marisol"));
            log.viewport()->repaint();
            ++lineas;
        });
    }
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication aplicacion(argc, argv);

    // The first lines fill the font caches; they are not what is measured.
    TSalaBanco calentamiento;
    calentamiento.LlenarHasta(100);
    calentamiento.MedianaPorLinea();

    TSalaBanco corta;
    corta.LlenarHasta(1000);
    const double mil = corta.MedianaPorLinea();
    TSalaBanco larga;
    larga.LlenarHasta(100000);
    const double cienMil = larga.MedianaPorLinea();

    std::printf("chat_line_1k: %.3f ms\n", mil);
    std::printf("chat_line_100k: %.3f ms\n", cienMil);
    return 0;
}
