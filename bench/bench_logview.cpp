// Time to append one chat line and lay the log out again, short log and long log, the
// memory a long log takes, what a change of width costs the view of a long log (the time
// until the view is painted, the longest slice of the catch-up that follows and its total,
// which grows with the log's length and no faster), and the layout of one item of a
// million characters, unbroken or in words. Real font metrics, offscreen.
#include "bench/medicion.h"
#include "logview/logview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kMuestras = 301;

template <typename Log>
void AgregarLineaDeChat(Log& log, const TListaImagenes& emoticonos, int numero) {
    log.AppendLine(QStringLiteral("[12:34:56] <Marisol> "), 6);
    log.AppendMultiline(
        QStringLiteral("pues yo creo que la reunión de las %1 se puede mover sin problema ")
            .arg(numero),
        0);
    log.AppendImage(0, &emoticonos, false);
}

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
    void AgregarLinea() { AgregarLineaDeChat(documento, emoticonos, lineas++); }
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

struct TMedida {
    double Ms = 0;
    double MsProcesador = 0;
};

// One item laid out at 800 px, from nothing.
TMedida FormatearItem(const QString& texto) {
    TLogStyle estilo;
    TLogDocumento documento;
    TFormatoLog formato;
    TMedidorQt medidor;
    documento.AppendLine(texto, 0);
    QElapsedTimer reloj;
    reloj.start();
    const double inicio = MsDeProcesador();
    formato.Formatear(documento, estilo.TextStyles, medidor, {800, 5});
    return {reloj.nsecsElapsed() / 1e6, MsDeProcesador() - inicio};
}

// Words of one to twelve letters, as a pasted text has them.
QString EnPalabras(int largo) {
    QString texto;
    texto.reserve(largo);
    for (int palabra = 0; texto.size() < largo; ++palabra) {
        texto += QString(1 + palabra * 7 % 12, QChar(u'a' + palabra % 26));
        texto += u' ';
    }
    texto.truncate(largo);
    return texto;
}

struct TCambioDeAncho {
    double HastaPintar = 0;
    double HastaPintarProcesador = 0;
    double PasoMayor = 0;
    double PasoMayorProcesador = 0;
    double Total = 0;
    double TotalProcesador = 0;
    int Pasos = 0;
};

// The reader at the end of a long log narrows the window: lines wrap.
TCambioDeAncho CambiarAncho(int lineas) {
    TLogStyle estilo;
    const int nick = estilo.AppendTextStyle();
    estilo.TextStyles[nick].Style = kNegrita;
    TListaImagenes emoticonos(17, 15);
    emoticonos.Add(QImage(17, 15, QImage::Format_RGB32));
    TLogView vista;
    vista.SetStyle(&estilo);
    vista.resize(640, 480);
    vista.show();
    for (int i = 0; i < lineas; ++i)
        AgregarLineaDeChat(vista, emoticonos, i);
    vista.Reformat();
    vista.SetVerticalPos(vista.VerticalPosMax());
    QCoreApplication::processEvents();

    TCambioDeAncho medida;
    QElapsedTimer reloj;
    reloj.start();
    const double inicio = MsDeProcesador();
    vista.resize(420, 480);
    vista.viewport()->repaint();
    medida.HastaPintar = reloj.nsecsElapsed() / 1e6;
    medida.HastaPintarProcesador = MsDeProcesador() - inicio;
    QElapsedTimer paso;
    while (vista.RepartoPendiente()) {
        paso.start();
        const double antes = MsDeProcesador();
        vista.PasoDeReparto();
        medida.PasoMayorProcesador = std::max(medida.PasoMayorProcesador, MsDeProcesador() - antes);
        medida.PasoMayor = std::max(medida.PasoMayor, paso.nsecsElapsed() / 1e6);
        ++medida.Pasos;
    }
    medida.Total = reloj.nsecsElapsed() / 1e6;
    medida.TotalProcesador = MsDeProcesador() - inicio;
    return medida;
}

void ImprimirTotal(int lineas, const TCambioDeAncho& medida) {
    std::printf("log_relayout_total_%dk: %.0f ms in %d slices (processor %.0f ms)\n",
                lineas / 1000, medida.Total, medida.Pasos, medida.TotalProcesador);
}

} // namespace

int main(int argc, char** argv) {
    SinPantallaSiNoSeDice();
    QApplication aplicacion(argc, argv);

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
    largo.reset();

    const TCambioDeAncho ancho = CambiarAncho(100000);
    std::printf("log_resize_100k: %.1f ms (processor %.1f ms)\n", ancho.HastaPintar,
                ancho.HastaPintarProcesador);
    std::printf("log_relayout_slice_max: %.1f ms (processor %.1f ms)\n", ancho.PasoMayor,
                ancho.PasoMayorProcesador);
    ImprimirTotal(100000, ancho);
    ImprimirTotal(300000, CambiarAncho(300000));

    // Warm the font caches with a short item first.
    FormatearItem(EnPalabras(1000));
    const TMedida unida = FormatearItem(QString(1'000'000, u'm'));
    const TMedida palabras = FormatearItem(EnPalabras(1'000'000));
    std::printf("log_long_line_1m: %.1f ms (processor %.1f ms)\n", unida.Ms, unida.MsProcesador);
    std::printf("log_long_words_1m: %.1f ms (processor %.1f ms)\n", palabras.Ms,
                palabras.MsProcesador);
    return 0;
}
