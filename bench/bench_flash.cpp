// Time from a peer's first write of a 1,000,000-character flash to its window painted: the
// message crosses a loopback socket to a core, the flash handler opens the real window,
// offscreen. The worse of one unbroken run and the same length in words.
#include "bench/medicion.h"
#include "bench/usuariomudo.h"
#include "core/mensajero.h"
#include "flash/frmmsgflash.h"
#include "flash/ventanasflash.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kMuestras = 7;
constexpr int kLargo = 1000000;
const QString kCore = QStringLiteral("127.0.0.70");
const QString kPeer = QStringLiteral("127.0.0.71");

// Stops the clock once the window it opened has been painted.
class TVentanasBanco : public TVentanasFlash {
public:
    using TVentanasFlash::TVentanasFlash;

    void MostrarFlashRecibido(const TFlashRecibido& flash) override {
        TVentanasFlash::MostrarFlashRecibido(flash);
        Abierta = Principal->findChildren<TfrmMsgFlash*>(Qt::FindDirectChildrenOnly).value(0);
        Abierta->repaint();
        Nanosegundos = Reloj.nsecsElapsed();
        Bucle.quit();
    }

    QWidget* Principal = nullptr;
    TfrmMsgFlash* Abierta = nullptr;
    QElapsedTimer Reloj;
    QEventLoop Bucle;
    qint64 Nanosegundos = 0;
};

QByteArray Texto(bool palabras) {
    QByteArray texto(kLargo, 'x');
    for (int i = 7; palabras && i < kLargo; i += 8)
        texto[i] = ' ';
    return texto;
}

double Mediana(TVentanasBanco& ventanas, QTcpSocket& peer, const QByteArray& mensaje) {
    return MedianaMs(kMuestras, [&] {
        ventanas.Reloj.start();
        peer.write(mensaje);
        peer.flush();
        ventanas.Bucle.exec();
        delete ventanas.Abierta;
    });
}

} // namespace

int main(int argc, char** argv) {
    SinPantallaSiNoSeDice();
    QApplication aplicacion(argc, argv);
    const quint16 puerto = quint16(30000 + QCoreApplication::applicationPid() % 20000);
    QTemporaryDir carpeta;
    TUsuarioMudo usuario;
    TMensajero mensajero(
        {TRutas::EnCarpeta(carpeta.path()), QHostAddress(kCore), puerto, QHostAddress(kCore)},
        usuario);
    if (!mensajero.Escuchar(nullptr))
        return 1;
    mensajero.AnadirContacto(QStringLiteral("peer"), kPeer, {}, false, false);
    QWidget principal;
    principal.resize(300, 400);
    principal.show();
    TVentanasBanco ventanas(mensajero, &principal, [] { return false; });
    ventanas.Principal = &principal;

    QTcpSocket peer;
    peer.bind(QHostAddress(kPeer));
    peer.connectToHost(QHostAddress(kCore), puerto);
    if (!peer.waitForConnected(5000))
        return 1;
    const QByteArray prefijo = Prefijo(TComando::Flash);
    // The first window fills the font caches; it is not what is measured.
    Mediana(ventanas, peer, prefijo + "hola" + kBel);
    const double seguido = Mediana(ventanas, peer, prefijo + Texto(false) + kBel);
    const double palabras = Mediana(ventanas, peer, prefijo + Texto(true) + kBel);
    std::printf("flash_window_1m: %.1f ms\n", std::max(seguido, palabras));
    return 0;
}
