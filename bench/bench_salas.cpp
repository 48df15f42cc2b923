// A room of 50 guests over loopback: time from one guest's write of a chat line until the
// other 49 have it and the host has written it in its own tab, offscreen, repainted. The
// guests are raw sockets; the host is the core with its chat rooms and real chat window.
// Every guest must get every line exactly once, or the benchmark fails.
#include "bench/medicion.h"
#include "bench/usuariomudo.h"
#include "chat/frmchat.h"
#include "chat/salaschat.h"
#include "core/mensajero.h"
#include "logview/logview.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <cstdio>
#include <memory>

namespace {

constexpr int kInvitados = 50;
constexpr int kMuestras = 201;
const QString kHost = QStringLiteral("127.0.0.80");

// A raw guest: counts the chat lines that reach it.
struct TInvitado {
    int Indice = 0;
    QString IP;
    QTcpSocket Socket;
    QByteArray Pendiente;
    QList<QByteArray> Mensajes;
    int Lineas = 0;

    void Leer() {
        Pendiente += Socket.readAll();
        for (qsizetype bel = Pendiente.indexOf(kBel); bel >= 0; bel = Pendiente.indexOf(kBel)) {
            const QByteArray mensaje = Pendiente.first(bel);
            Pendiente.remove(0, bel + 1);
            Lineas += mensaje.startsWith(Prefijo(TComando::Chat));
            Mensajes << mensaje;
        }
    }
};

struct TSalaBanco {
    QTemporaryDir carpeta;
    TUsuarioMudo usuario;
    quint16 puerto = quint16(30000 + QCoreApplication::applicationPid() % 20000);
    TMensajero mensajero{
        {TRutas::EnCarpeta(carpeta.path()), QHostAddress(kHost), puerto, QHostAddress(kHost)},
        usuario};
    TfrmChat ventana{mensajero};
    TSalasChat salas{mensajero, ventana};
    std::vector<std::unique_ptr<TInvitado>> invitados;
    int idChat = 0;

    // Runs the event loop until `listo` holds; false after five seconds.
    template <class TCondicion> bool Esperar(TCondicion listo) {
        const QDeadlineTimer limite(5000);
        while (!listo() && !limite.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        return listo();
    }

    bool Conectar() {
        if (!mensajero.Escuchar(nullptr))
            return false;
        ventana.Enlazar(salas);
        for (int i = 1; i <= kInvitados; ++i) {
            auto invitado = std::make_unique<TInvitado>();
            invitado->Indice = i - 1;
            invitado->IP = QStringLiteral("127.0.1.%1").arg(i);
            mensajero.AnadirContacto(QStringLiteral("Invitado%1").arg(i), invitado->IP, {}, false,
                                     false);
            TInvitado* propio = invitado.get();
            QObject::connect(&propio->Socket, &QTcpSocket::readyRead, [propio] { propio->Leer(); });
            propio->Socket.bind(QHostAddress(propio->IP));
            propio->Socket.connectToHost(QHostAddress(kHost), puerto);
            invitados.push_back(std::move(invitado));
        }
        return Esperar([&] {
            for (const auto& invitado : invitados) {
                const TContacto* contacto = mensajero.BuscarContacto(invitado->IP);
                if (!contacto->Conectado)
                    return false;
            }
            return true;
        });
    }

    // The first guest takes the host's offer; the others ask to join the room it made.
    bool Reunir() {
        TInvitado& primero = *invitados.front();
        salas.EmpezarChat(primero.IP);
        const QByteArray oferta = Prefijo(TComando::OfreceJoinChat);
        if (!Esperar([&] {
                return !primero.Mensajes.isEmpty() && primero.Mensajes.last().startsWith(oferta);
            }))
            return false;
        idChat = primero.Mensajes.last().mid(oferta.size()).split(':').front().toInt();
        for (const auto& invitado : invitados)
            invitado->Socket.write(Prefijo(TComando::PideJoinChat) + Numero(idChat) + kBel);
        return Esperar([&] {
            return !salas.Servidas().empty() &&
                   salas.Servidas().front().Clientes.size() == kInvitados;
        });
    }

    double Medir() {
        QWidget* visible = ventana.Sala(idChat)->LogView->viewport();
        int muestra = 0;
        return MedianaMs(kMuestras, [&] {
            TInvitado& emisor = *invitados[std::size_t(muestra % kInvitados)];
            const QByteArray linea =
                Prefijo(TComando::Chat) + Numero(idChat) + ":0:" + emisor.IP.toLatin1() +
                ":pues yo creo que la reunion se puede mover " + Numero(muestra) + kBel;
            ++muestra;
            emisor.Socket.write(linea);
            emisor.Socket.flush();
            Esperar([&] {
                int llegados = 0;
                for (const auto& invitado : invitados)
                    llegados += invitado->Lineas == Esperadas(*invitado, muestra);
                return llegados == kInvitados;
            });
            visible->repaint();
        });
    }

    // Lines of the first `muestras` that the guest did not send itself: guest i sends line
    // i, i + 50, i + 100...
    static int Esperadas(const TInvitado& invitado, int muestras) {
        const int propias = std::max(0, (muestras - invitado.Indice + kInvitados - 1) / kInvitados);
        return muestras - propias;
    }

    bool CadaUnoUnaVez() {
        QDeadlineTimer espera(300);
        while (!espera.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        for (const auto& invitado : invitados) {
            if (invitado->Lineas != Esperadas(*invitado, kMuestras))
                return false;
        }
        return ventana.Sala(idChat)->LogView->Documento().Count() > kMuestras;
    }
};

} // namespace

int main(int argc, char** argv) {
    SinPantallaSiNoSeDice();
    QApplication aplicacion(argc, argv);
    TSalaBanco sala;
    if (!sala.Conectar() || !sala.Reunir()) {
        std::fprintf(stderr, "chat_room_50_relay: the room did not come together\n");
        return 1;
    }
    const double relevo = sala.Medir();
    if (!sala.CadaUnoUnaVez()) {
        std::fprintf(stderr, "chat_room_50_relay: a guest did not get every line exactly once\n");
        return 1;
    }
    std::printf("chat_room_50_relay: %.3f ms\n", relevo);
    return 0;
}
