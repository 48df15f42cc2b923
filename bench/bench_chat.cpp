// Time to write one chat line (time stamp, nick, one emoticon) through the chat window into a
// room that already holds 1,000 or 100,000 lines, repaint of the visible part included.
// The real window, real fonts, offscreen.
#include "bench/medicion.h"
#include "bench/usuariomudo.h"
#include "chat/frmchat.h"
#include "core/mensajero.h"
#include "logview/logview.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kMuestras = 301;
constexpr int kIdSala = 1;

struct TSalaBanco {
    QTemporaryDir carpeta;
    TUsuarioMudo usuario;
    TMensajero mensajero{{TRutas::EnCarpeta(carpeta.path())}, usuario};
    TfrmChat ventana{mensajero};
    int lineas = 0;

    TSalaBanco() {
        ventana.AbrirPestanaChat(kIdSala, QStringLiteral("Chat"));
        ventana.MostrarVentanaChat();
        QApplication::processEvents();
    }
    QString Texto() const {
        return QStringLiteral("pues yo creo que la reunión de las %1 se puede mover :)").arg(lineas);
    }
    void Escribir() {
        ventana.EscribirLineaChat(kIdSala, 0, Texto(), QStringLiteral("Marisol"));
        ++lineas;
    }
    void LlenarHasta(int total) {
        while (lineas < total)
            Escribir();
        QApplication::processEvents();
    }
    double MedianaPorLinea() {
        QWidget* visible = ventana.Sala(kIdSala)->LogView->viewport();
        return MedianaMs(kMuestras, [&] {
            Escribir();
            visible->repaint();
        });
    }
};

} // namespace

int main(int argc, char** argv) {
    SinPantallaSiNoSeDice();
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
