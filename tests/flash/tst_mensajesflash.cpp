#include "apoyo/nodoprueba.h"
#include "flash/mensajesflash.h"

#include <QFile>
#include <QTest>

namespace {

// Records each flash shown, and how many sounds had played by then.
struct TPantallaFlash : TInterfazFlash {
    explicit TPantallaFlash(TNodoPrueba& nodo) : Nodo(nodo) {}
    void MostrarFlashRecibido(const TFlashRecibido& flash) override {
        Mostrados.push_back(flash);
        SonidosAlMostrar.push_back(Nodo.Interfaz.Sonidos.size());
    }
    int FlashesAbiertos(const QString& ip) const override {
        return int(std::count_if(Mostrados.begin(), Mostrados.end(),
                                 [&](const TFlashRecibido& f) { return f.IP == ip; })) - Cerrados;
    }
    TNodoPrueba& Nodo;
    std::vector<TFlashRecibido> Mostrados;
    std::vector<qsizetype> SonidosAlMostrar;
    int Cerrados = 0;
};

// Node 11 with the raw peer 13 in its book as "Pepe", connected and greeted.
struct TConPeer {
    TConPeer() : Pantalla(Nodo), Flash(Nodo.M(), Pantalla) {
        Nodo.M().AnadirContacto(QStringLiteral("Pepe"), Peer.Ip, {}, false, true);
        Nodo.Arrancar();
        Conectado = Peer.ConectarA(Nodo.IP()) && Peer.EsperarMensajes(2).size() == 2;
    }
    TNodoPrueba Nodo{11, QStringLiteral("Ana")};
    TPeerCrudo Peer{13};
    TPantallaFlash Pantalla;
    TMensajesFlash Flash;
    bool Conectado = false;
};

QDateTime ALas(int hora, int minuto, int segundo) {
    return QDateTime(QDate(2024, 3, 1), QTime(hora, minuto, segundo));
}

} // namespace

class TstMensajesFlash : public QObject {
    Q_OBJECT
private slots:
    // A long paragraph reaches the window cut into short ones, losing no character.
    void ParrafosLargosPartidos_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("partido");
        QTest::newRow("cortos") << QStringLiteral("abcde\nab de") << QStringLiteral("abcde\nab de");
        QTest::newRow("sin espacios") << QStringLiteral("abcdefghijkl") << QStringLiteral("abcde\nfghij\nkl");
        QTest::newRow("tras el espacio") << QStringLiteral("a b c d e f") << QStringLiteral("a b \nc d \ne f");
        QTest::newRow("parrafos vacios") << QStringLiteral("\n\nabcdefg\n") << QStringLiteral("\n\nabcde\nfg\n");
    }
    void ParrafosLargosPartidos() {
        QFETCH(QString, texto);
        QFETCH(QString, partido);
        QCOMPARE(PartirParrafosLargos(texto, 5), partido);
    }

    void BytesExactosAlEnviar() {
        TConPeer p;
        QVERIFY(p.Conectado);
        p.Flash.EnviarFlash(p.Peer.Ip, QStringLiteral("¿Qué tal, niño?"));
        p.Flash.EnviarFlash(p.Peer.Ip, QStringLiteral("uno\ndos\r\ntres\rcuatro\n\nfin\n"));
        p.Flash.EnviarFlash(p.Peer.Ip, QString());
        p.Flash.EnviarFlash(p.Peer.Ip, QStringLiteral("a:b € ☺"));
        // A BEL would cut the message and send the tail as a command of its own.
        p.Flash.EnviarFlash(p.Peer.Ip, QStringLiteral("hola\aNICK:malo"));
        QTest::qWait(100);
        const QList<QByteArray> esperados{"NICK:Ana",
                                          "EMAIL:",
                                          "FLASH:\xBFQu\xE9 tal, ni\xF1o?",
                                          "FLASH:uno\r\ndos\r\ntres\r\ncuatro\r\n\r\nfin\r\n",
                                          "FLASH:",
                                          "FLASH:a:b \x80 ?",
                                          "FLASH:hola?NICK:malo"};
        QCOMPARE(p.Peer.EsperarMensajes(7), esperados);
    }

    void RecibirMuestraLineasHoraYNick() {
        TConPeer p;
        QVERIFY(p.Conectado);
        p.Nodo.M().Reloj().Fijar(ALas(9, 5, 59));
        p.Nodo.M().Config().Sonidos.MensajeFlash = QStringLiteral("flash.wav");
        p.Peer.Enviar("FLASH:l\xEDnea 1\r\nlinea 2\nlinea 3\rlinea 4\r\n\r\nfin: s\xED\x07");
        QTRY_COMPARE(p.Pantalla.Mostrados.size(), std::size_t(1));
        const TFlashRecibido& primero = p.Pantalla.Mostrados[0];
        QCOMPARE(primero.IP, p.Peer.Ip);
        QCOMPARE(primero.Titulo, QStringLiteral("[09:05] De : Pepe"));
        QCOMPARE(primero.Texto, QStringLiteral("línea 1\nlinea 2\nlinea 3\nlinea 4\n\nfin: sí"));
        // The sound comes once the window is up.
        QCOMPARE(p.Pantalla.SonidosAlMostrar[0], 0);
        QCOMPARE(p.Nodo.Interfaz.Sonidos, QStringList({QStringLiteral("flash.wav")}));

        p.Nodo.M().Reloj().Fijar(ALas(14, 30, 0));
        p.Nodo.M().Config().Sonidos.MensajeFlash.clear();
        p.Peer.Enviar("FLASH:\x07");
        QTRY_COMPARE(p.Pantalla.Mostrados.size(), std::size_t(2));
        QCOMPARE(p.Pantalla.Mostrados[1].Titulo, QStringLiteral("[14:30] De : Pepe"));
        QCOMPARE(p.Pantalla.Mostrados[1].Texto, QString());
        QCOMPARE(p.Nodo.Interfaz.Sonidos.size(), 1);
    }

    void UnPeerNoAbreMasDeDiezVentanas() {
        TConPeer p;
        QVERIFY(p.Conectado);
        p.Nodo.M().FijarModoDebug(true);
        p.Nodo.M().Config().Sonidos.MensajeFlash = QStringLiteral("flash.wav");
        for (int i = 0; i < 12; ++i)
            p.Peer.Enviar("FLASH:" + QByteArray::number(i) + "\x07");
        QTRY_COMPARE(p.Nodo.Interfaz.Sonidos.size(), 10);
        QTest::qWait(100);
        QCOMPARE(p.Pantalla.Mostrados.size(), std::size_t(10));
        QCOMPARE(p.Pantalla.Mostrados.back().Texto, QStringLiteral("9"));
        QFile log(p.Nodo.M().Rutas().FicheroDebug());
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll().count("] FlashDescartado [127.0.0.13]\r\n"), 2);

        // Once the user closes one, the next flash is shown again.
        ++p.Pantalla.Cerrados;
        p.Peer.Enviar("FLASH:otra\x07");
        QTRY_COMPARE(p.Pantalla.Mostrados.size(), std::size_t(11));
        QCOMPARE(p.Pantalla.Mostrados.back().Texto, QStringLiteral("otra"));
    }

    void DeUnaDireccionFueraDeLaAgenda() {
        TNodoPrueba nodo(11);
        TPantallaFlash pantalla(nodo);
        TMensajesFlash flash(nodo.M(), pantalla);
        nodo.Arrancar();
        nodo.M().Reloj().Fijar(ALas(23, 59, 0));
        nodo.Interfaz.RespuestaPorDefecto = false;
        TPeerCrudo peer(13);
        // While the user is asked whether to admit it, the peer is in nobody's book: its
        // flash waits for the answer, and a No drops it.
        nodo.Interfaz.AntesDeResponder = [&] {
            peer.Enviar("FLASH:hola\x07");
            QTest::qWait(200);
        };
        QVERIFY(peer.ConectarA(nodo.IP()));
        QTRY_COMPARE(nodo.Interfaz.Preguntas.size(), std::size_t(1));
        QTest::qWait(100);
        QVERIFY(pantalla.Mostrados.empty());
        QCOMPARE(flash.TituloEnvio(peer.Ip), QStringLiteral("Para : 127.0.0.13"));
    }

    // A feature destroyed before the core takes its handler with it.
    void NingunManejadorSobreviveASuDueno() {
        TConPeer p;
        QVERIFY(p.Conectado);
        std::make_unique<TMensajesFlash>(p.Nodo.M(), p.Pantalla).reset();
        p.Peer.Enviar("FLASH:tarde\x07");
        QTest::qWait(200);
        QVERIFY(p.Pantalla.Mostrados.empty());
    }
};

QTEST_GUILESS_MAIN(TstMensajesFlash)
#include "tst_mensajesflash.moc"
