// One chat line of 300,000 characters: the time the real chat window takes to show it whole,
// and the longest single step of the event loop while such a line comes from a peer over a
// real socket and is shown (two copies in this process, offscreen, real fonts).
#include "bench/medicion.h"
#include "bench/usuariomudo.h"
#include "chat/frmchat.h"
#include "chat/salaschat.h"
#include "core/mensajero.h"
#include "logview/logview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kLargo = 300'000;
constexpr int kPlazoMs = 30'000;

QString LineaLarga() {
    QString texto;
    texto.reserve(kLargo);
    for (int palabra = 0; texto.size() < kLargo; ++palabra)
        texto += QStringLiteral("palabra%1 ").arg(palabra % 97);
    texto.truncate(kLargo);
    return texto;
}

// Runs the event loop until listo() holds; true unless the time ran out.
template <class TListo> bool Esperar(TListo&& listo) {
    QElapsedTimer reloj;
    reloj.start();
    while (!listo()) {
        if (reloj.elapsed() > kPlazoMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

bool Mostrada(TfrmChat& ventana, int id) {
    const TChat* sala = ventana.Sala(id);
    return sala && sala->LogView->Documento().Count() > 0 && !sala->LogView->RepartoPendiente();
}

struct TPasoMayor {
    double Ms = -1;
    double ProcesadorMs = 0;
    double TotalProcesadorMs = 0;
};

// The longest time between two turns of the event loop, from a timer that fires on every
// turn; on a busy machine the processor time of that step says what was ours.
class TPulso {
public:
    TPulso() {
        QObject::connect(&latido_, &QTimer::timeout, [this] {
            const double ms = reloj_.nsecsElapsed() / 1e6;
            const double procesador = MsDeProcesador();
            if (ms > mayor_.Ms)
                mayor_ = {ms, procesador - ultimo_};
            mayor_.ProcesadorMs = std::max(mayor_.ProcesadorMs, procesador - ultimo_);
            reloj_.start();
            ultimo_ = procesador;
        });
    }
    void Empezar() {
        mayor_ = {0, 0};
        inicio_ = ultimo_ = MsDeProcesador();
        reloj_.start();
        latido_.start(0);
    }
    TPasoMayor Parar() {
        latido_.stop();
        mayor_.TotalProcesadorMs = MsDeProcesador() - inicio_;
        return mayor_;
    }

private:
    QTimer latido_;
    QElapsedTimer reloj_;
    double ultimo_ = 0;
    double inicio_ = 0;
    TPasoMayor mayor_;
};

struct TCopia {
    QTemporaryDir carpeta;
    TUsuarioMudo usuario;
    TMensajero mensajero;
    TfrmChat ventana{mensajero};
    TSalasChat salas{mensajero, ventana};

    TCopia(const QString& ip, quint16 puerto, const QString& nick)
        : mensajero({TRutas::EnCarpeta(carpeta.path()), QHostAddress(ip), puerto, QHostAddress(ip)},
                    usuario) {
        mensajero.Config().Nick = nick;
        ventana.Enlazar(salas);
    }
    bool Arrancar() {
        const TConfig antes = mensajero.Config();
        if (!mensajero.Escuchar(nullptr))
            return false;
        mensajero.Config() = antes;
        mensajero.ConectarTodos();
        return true;
    }
};

quint16 PuertoLibre(const QHostAddress& direccion) {
    QTcpServer prueba;
    prueba.listen(direccion, 0);
    return prueba.serverPort();
}

std::pair<double, double> LineaPorVentana() {
    QTemporaryDir carpeta;
    TUsuarioMudo usuario;
    TMensajero mensajero({TRutas::EnCarpeta(carpeta.path())}, usuario);
    TfrmChat ventana(mensajero);
    ventana.AbrirPestanaChat(1, QStringLiteral("Chat"));
    ventana.MostrarVentanaChat();
    ventana.EscribirLineaChat(1, 0, QStringLiteral("calentando"), QStringLiteral("Marisol"));
    QCoreApplication::processEvents();
    const QString linea = LineaLarga();
    QElapsedTimer reloj;
    reloj.start();
    const double inicio = MsDeProcesador();
    ventana.EscribirLineaChat(1, 0, linea, QStringLiteral("Marisol"));
    Esperar([&] { return Mostrada(ventana, 1); });
    ventana.Sala(1)->LogView->viewport()->repaint();
    return {reloj.nsecsElapsed() / 1e6, MsDeProcesador() - inicio};
}

// Bea speaks into the room Ana hosts; Ana's window shows the line.
TPasoMayor PasoMayorPorSocket() {
    const QString ipAna = QStringLiteral("127.0.0.61");
    const QString ipBea = QStringLiteral("127.0.0.62");
    const quint16 puerto = PuertoLibre(QHostAddress(ipAna));
    TCopia ana(ipAna, puerto, QStringLiteral("Ana"));
    TCopia bea(ipBea, puerto, QStringLiteral("Bea"));
    ana.mensajero.AnadirContacto(QStringLiteral("Bea"), ipBea, {}, false, true);
    bea.mensajero.AnadirContacto(QStringLiteral("Ana"), ipAna, {}, false, true);
    TPasoMayor medida;
    if (!ana.Arrancar() || !bea.Arrancar())
        return medida;
    const auto conectado = [](TMensajero& m, const QString& ip) {
        const TContacto* contacto = m.BuscarContacto(ip);
        return contacto && contacto->Conectado;
    };
    if (!Esperar(
            [&] { return conectado(ana.mensajero, ipBea) && conectado(bea.mensajero, ipAna); }))
        return medida;
    ana.salas.EmpezarChat(ipBea);
    const int id = ana.salas.Pendientes().back();
    if (!Esperar([&] { return ana.ventana.Sala(id) && bea.ventana.Sala(id); }))
        return medida;
    const QString linea = LineaLarga();
    TPulso pulso;
    pulso.Empezar();
    bea.salas.EnviarLineaChat(id, linea);
    if (!Esperar([&] { return Mostrada(ana.ventana, id); }))
        return medida;
    return pulso.Parar();
}

} // namespace

int main(int argc, char** argv) {
    SinPantallaSiNoSeDice();
    QApplication aplicacion(argc, argv);

    const auto [ventana, ventanaProcesador] = LineaPorVentana();
    std::printf("chat_long_line_300k: %.1f ms (processor %.1f ms)\n", ventana, ventanaProcesador);
    const TPasoMayor paso = PasoMayorPorSocket();
    std::printf("event_loop_max_step_300k: %.1f ms (longest in processor %.1f ms; whole line "
                "shown in processor %.0f ms)\n",
                paso.Ms, paso.ProcesadorMs, paso.TotalProcesadorMs);
    return 0;
}
