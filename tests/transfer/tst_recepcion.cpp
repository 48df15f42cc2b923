#include "apoyo/nodoprueba.h"
#include "apoyo/transferenciasfalsas.h"
#include "transfer/transferencias.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <algorithm>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// A core that knows the raw peer on 127.0.0.13 and has greeted it, with file transfers.
struct TConPeer {
    TConPeer() : Nodo(11, QStringLiteral("Ana")), Tx(Nodo.M(), Falsas), Peer(13) {
        Nodo.M().AnadirContacto(QStringLiteral("Pepe"), Peer.Ip, {}, false, true);
        Nodo.Arrancar();
        Conectado = Peer.ConectarA(Nodo.IP()) && Peer.EsperarMensajes(2).size() == 2;
        Peer.Recibido.clear();
    }

    TNodoPrueba Nodo;
    TTransferenciasFalsas Falsas;
    TTransferencias Tx;
    TPeerCrudo Peer;
    bool Conectado = false;
};

// A listener on the test port whose accept queue is full: a connection to it neither comes
// up nor fails until the listener closes, as behind a firewall that drops the first SYNs.
class TEscuchaSorda {
public:
    explicit TEscuchaSorda(const QString& ip) {
        sockaddr_in direccion{};
        direccion.sin_family = AF_INET;
        direccion.sin_port = htons(PuertoDePrueba());
        inet_pton(AF_INET, ip.toLatin1().constData(), &direccion.sin_addr);
        const auto* generica = reinterpret_cast<const sockaddr*>(&direccion);
        escucha_ = ::socket(AF_INET, SOCK_STREAM, 0);
        relleno_ = ::socket(AF_INET, SOCK_STREAM, 0);
        // Connections of an earlier run may linger on the port.
        const int si = 1;
        ::setsockopt(escucha_, SOL_SOCKET, SO_REUSEADDR, &si, sizeof si);
        lista_ = ::bind(escucha_, generica, sizeof direccion) == 0 && ::listen(escucha_, 0) == 0 &&
                 ::connect(relleno_, generica, sizeof direccion) == 0;
    }
    ~TEscuchaSorda() { Cerrar(); }
    bool Lista() const { return lista_; }
    void Cerrar() {
        for (int* fd : {&relleno_, &escucha_}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

private:
    int escucha_ = -1;
    int relleno_ = -1;
    bool lista_ = false;
};

} // namespace

class TstRecepcion : public QObject {
    Q_OBJECT
private slots:
    // While a file offer question is open, what the same peer sends next is handled at once.
    void MismoParAtendidoDuranteUnaPregunta_data() {
        QTest::addColumn<QByteArray>("enviado");
        QTest::addColumn<QByteArray>("flash");
        QTest::addColumn<QByteArray>("respuesta");
        QTest::newRow("flash") << QByteArray("FLASH:hola") << QByteArray("hola") << QByteArray();
        QTest::newRow("pregunta de nick") << QByteArray("NICK?") << QByteArray() << QByteArray("NICK:Ana");
    }
    void MismoParAtendidoDuranteUnaPregunta() {
        QFETCH(QByteArray, enviado);
        QFETCH(QByteArray, flash);
        QFETCH(QByteArray, respuesta);
        TConPeer a;
        QVERIFY(a.Conectado);
        auto& flashes = a.Nodo.Grabar(TComando::Flash);
        bool atendido = false;
        a.Nodo.Interfaz.Respuestas = {false};
        a.Nodo.Interfaz.AntesDeResponder = [&] {
            a.Peer.Enviar(enviado + kBel);
            atendido = QTest::qWaitFor(
                [&] {
                    return (flash.isEmpty() || flashes.contains(flash)) &&
                           (respuesta.isEmpty() || a.Peer.Mensajes().contains(respuesta));
                },
                3000);
        };
        a.Peer.Enviar("OFRECE_FILE:7:5:f.txt\x07");
        QTRY_COMPARE(a.Nodo.Interfaz.Preguntas.size(), std::size_t(1));
        QVERIFY(atendido);
        QTRY_VERIFY(a.Peer.Mensajes().contains("RECHAZA_FILE:7"));
    }

    // Acknowledgements of a file we send keep coming while the user refuses the peer's offer.
    void FicheroEnSentidoContrarioSigueTrasUnNo() {
        TConPeer a;
        QVERIFY(a.Conectado);
        const QString ruta = a.Nodo.Carpeta.filePath(QStringLiteral("f.bin"));
        QFile fichero(ruta);
        QVERIFY(fichero.open(QIODevice::WriteOnly));
        fichero.write(QByteArray(4000, 'a'));
        fichero.close();
        a.Falsas.Fichero = ruta;
        a.Tx.OfrecerFichero(a.Peer.Ip);
        QTRY_COMPARE(a.Falsas.Ventanas.size(), std::size_t(1));
        const QByteArray id = Numero(a.Falsas.Ventanas[0]->Datos.ID);
        QCOMPARE(a.Peer.EsperarMensajes(1), QList<QByteArray>{"OFRECE_FILE:" + id + ":4000:f.bin"});
        a.Peer.Enviar("ACEPTA_FILE:" + id + ":4000:f.bin\x07");
        QVERIFY(a.Peer.EsperarMensajes(2).at(1).startsWith(QByteArray("FILE_PKT:" + id + ":")));
        a.Nodo.Interfaz.Respuestas = {false};
        a.Nodo.Interfaz.AntesDeResponder = [&] {
            a.Peer.Enviar("FILE_ACK:" + id + "\x07");
            QTest::qWait(100);
        };
        a.Peer.Enviar("OFRECE_FILE:8:5:g.txt\x07");
        const QList<QByteArray> mensajes = a.Peer.EsperarMensajes(4);
        QCOMPARE(mensajes.size(), 4);
        QVERIFY(mensajes.contains("RECHAZA_FILE:8"));
        QVERIFY(mensajes.contains("FIN_FILE:" + id + ":" + QByteArray(1000, 'a')));
        QCOMPARE(a.Falsas.Ventanas[0]->Fin, std::optional(TFinTransferencia::Finalizado));
    }

    // A peer that leaves while a box opened for it is up leaves nothing dangling behind.
    void SeVaDuranteUnaPregunta_data() {
        QTest::addColumn<bool>("admision");
        QTest::addColumn<bool>("respuesta");
        QTest::newRow("oferta, Sí") << false << true;
        QTest::newRow("oferta, No") << false << false;
        QTest::newRow("admisión, Sí") << true << true;
        QTest::newRow("admisión, No") << true << false;
    }
    void SeVaDuranteUnaPregunta() {
        QFETCH(bool, admision);
        QFETCH(bool, respuesta);
        TNodoPrueba a(11);
        TTransferenciasFalsas falsas;
        TTransferencias tx(a.M(), falsas);
        falsas.Destino = a.Carpeta.filePath(QStringLiteral("recibido.txt"));
        if (!admision)
            a.M().AnadirContacto(QStringLiteral("Pepe"), QStringLiteral("127.0.0.13"), {}, false, true);
        a.Arrancar();
        TPeerCrudo peer(13);
        a.Interfaz.Respuestas = {respuesta};
        a.Interfaz.AntesDeResponder = [&] {
            peer.Socket.abort();
            QTest::qWait(100);
        };
        QVERIFY(peer.ConectarA(a.IP()));
        if (!admision) {
            QTRY_VERIFY(a.Conectado(peer.Ip));
            peer.Enviar("OFRECE_FILE:7:5:f.txt\x07");
        }
        QTRY_COMPARE(a.Interfaz.Preguntas.size(), std::size_t(1));
        QTest::qWait(100);
        QVERIFY(!a.Conectado(peer.Ip));
        QCOMPARE(a.ConexionesVivas(), 0);
        QCOMPARE(a.M().BuscarContacto(peer.Ip) != nullptr, !admision || respuesta);
    }

    // Accepted without a question, the peer leaves while the contact book cannot be saved.
    void SeVaDuranteElAvisoDeLaAgenda() {
        TNodoPrueba a(11);
        a.M().Config().AceptarEntradasDesconocidas = true;
        QVERIFY(QDir().mkpath(a.M().Rutas().FicheroAgenda()));  // a folder cannot be saved over
        a.Arrancar();
        TPeerCrudo peer(13);
        a.Interfaz.AlMostrarError = [&] {
            peer.Socket.abort();
            QTest::qWait(100);
        };
        QVERIFY(peer.ConectarA(a.IP()));
        QTRY_COMPARE(a.Interfaz.Errores.size(), std::size_t(1));
        QTest::qWait(100);
        QVERIFY(a.M().BuscarContacto(peer.Ip));
        QVERIFY(!a.Conectado(peer.Ip));
        QCOMPARE(a.ConexionesVivas(), 0);
    }

    // What an unknown peer sends while the user is asked waits for the answer.
    void DesconocidoRetenidoHastaAdmitirlo_data() {
        QTest::addColumn<bool>("respuesta");
        QTest::addColumn<bool>("seVa");
        QTest::addColumn<QList<QByteArray>>("atendidos");
        QTest::newRow("Sí") << true << false << Lista({"1", "2"});
        QTest::newRow("No") << false << false << QList<QByteArray>();
        QTest::newRow("se va") << true << true << QList<QByteArray>();
    }
    void DesconocidoRetenidoHastaAdmitirlo() {
        QFETCH(bool, respuesta);
        QFETCH(bool, seVa);
        QFETCH(QList<QByteArray>, atendidos);
        TNodoPrueba a(11);
        a.Arrancar();
        auto& flashes = a.Grabar(TComando::Flash);
        TPeerCrudo peer(13);
        qsizetype enLaPregunta = -1;
        a.Interfaz.Respuestas = {respuesta};
        a.Interfaz.AntesDeResponder = [&] {
            peer.Enviar("FLASH:1\x07" "NICK:Pepe\x07" "FLASH:2\x07");
            QTest::qWait(100);
            enLaPregunta = flashes.size();
            if (seVa)
                peer.Socket.disconnectFromHost();
            QTest::qWait(100);
        };
        QVERIFY(peer.ConectarA(a.IP()));
        QTRY_COMPARE(a.Interfaz.Preguntas.size(), std::size_t(1));
        QCOMPARE(enLaPregunta, 0);
        QTRY_COMPARE(flashes, atendidos);
        QTest::qWait(100);
        QCOMPARE(flashes, atendidos);
        if (!atendidos.isEmpty())
            QCOMPARE(a.M().BuscarContacto(peer.Ip)->Nick, QStringLiteral("Pepe"));
    }

    void DesconocidoRetenidoConLimite() {
        TNodoPrueba a(11);
        a.Arrancar();
        auto& flashes = a.Grabar(TComando::Flash);
        TPeerCrudo peer(13);
        bool cortado = false;
        a.Interfaz.AntesDeResponder = [&] {
            QByteArray megabyte;
            for (int i = 0; i < 1024; ++i)
                megabyte += "FLASH:" + QByteArray(1017, 'x') + kBel;
            for (int i = 0; i < 17 && peer.Socket.state() == QAbstractSocket::ConnectedState; ++i) {
                peer.Enviar(megabyte);
                QTest::qWait(20);
            }
            cortado = QTest::qWaitFor(
                [&] { return peer.Socket.state() == QAbstractSocket::UnconnectedState; }, 3000);
        };
        QVERIFY(peer.ConectarA(a.IP()));
        QTRY_COMPARE(a.Interfaz.Preguntas.size(), std::size_t(1));
        QVERIFY(cortado);
        QVERIFY(flashes.isEmpty());
        QVERIFY(!a.Conectado(peer.Ip));
    }

    // Whatever a handler throws is reported, and the messages behind it are still handled.
    void ExcepcionCualquieraEnUnManejador() {
        TConPeer a;
        QVERIFY(a.Conectado);
        auto& flashes = a.Nodo.Grabar(TComando::Flash);
        const auto registro = a.Nodo.M().RegistrarManejador(TComando::Chat, [](const QString&, const TMensajeRecibido&) {
            throw 42;
        });
        a.Peer.Enviar("CHAT:x\x07" "FLASH:1\x07");
        QTRY_COMPARE(flashes, Lista({"1"}));
        QCOMPARE(a.Nodo.Interfaz.Errores.size(), std::size_t(1));
        QCOMPARE(a.Nodo.Interfaz.Errores[0].Titulo, QStringLiteral("Excepción no manejada"));
    }

    // Once the end begins no peer message is handled, not even one already read.
    void NadaDelPeerTrasEmpezarElFin() {
        TConPeer a;
        QVERIFY(a.Conectado);
        auto& flashes = a.Nodo.Grabar(TComando::Flash);
        bool terminado = false;
        const auto registro = a.Nodo.M().RegistrarManejador(TComando::Chat, [&](const QString&, const TMensajeRecibido&) {
            a.Nodo.M().Terminar();
            terminado = true;
        });
        a.Peer.Enviar("CHAT:x\x07" "FLASH:1\x07");
        QTRY_VERIFY(terminado);
        a.Peer.Enviar("FLASH:2\x07");
        a.Nodo.M().AvisarPendientes();
        QTest::qWait(100);
        QVERIFY(flashes.isEmpty());
    }

    // Our attempt that would win a crossing never comes up: what we send still reaches the
    // peer on the connection it opened, once the window passes or once the attempt fails.
    void MensajesEnLaConexionQueEstaArriba_data() {
        QTest::addColumn<int>("msCruce");
        QTest::addColumn<bool>("falla");
        QTest::newRow("pasada la ventana") << 300 << false;
        QTest::newRow("intento fallido") << 5000 << true;
    }
    void MensajesEnLaConexionQueEstaArriba() {
        QFETCH(int, msCruce);
        QFETCH(bool, falla);
        TEscuchaSorda sorda(QStringLiteral("127.0.0.13"));
        QVERIFY(sorda.Lista());
        TNodoPrueba a(11, QStringLiteral("Ana"), msCruce);
        a.M().AnadirContacto(QStringLiteral("p"), QStringLiteral("127.0.0.13"), {}, false, true);
        a.Arrancar();
        TPeerCrudo peer(13);
        QVERIFY(peer.ConectarA(a.IP()));
        QCOMPARE(peer.EsperarMensajes(2), Lista({"NICK:Ana", "EMAIL:"}));
        QTRY_VERIFY(a.Conectado(peer.Ip));
        a.M().EnviarMensaje(peer.Ip, "FLASH:1");
        if (falla)
            sorda.Cerrar();
        QTest::qWait(100);
        a.M().EnviarMensaje(peer.Ip, "FLASH:2");
        QCOMPARE(peer.EsperarMensajes(4, 4000), Lista({"NICK:Ana", "EMAIL:", "FLASH:1", "FLASH:2"}));
        a.M().EnviarMensaje(peer.Ip, "FLASH:3");
        QCOMPARE(peer.EsperarMensajes(5).last(), QByteArray("FLASH:3"));
    }

    // Our first SYN to the peer is lost and its retry arrives after the crossing window,
    // while traffic flows on the connection the peer opened: both sides move to the late
    // connection and nothing sent meanwhile is lost.
    void CruceLentoNoPierdeMensajes() {
        TEscuchaSorda sorda(QStringLiteral("127.0.0.12"));
        QVERIFY(sorda.Lista());
        TNodoPrueba a(11, QStringLiteral("Ana"), 200), b(12, QStringLiteral("Bea"), 200);
        a.Conoce(b);
        b.Conoce(a);
        a.Arrancar();
        sorda.Cerrar();
        b.Arrancar();
        auto& enA = a.Grabar(TComando::Flash);
        auto& enB = b.Grabar(TComando::Flash);
        QTRY_VERIFY(a.Conectado(b.IP()) && b.Conectado(a.IP()));
        QList<QByteArray> deA, deB;
        for (int i = 0; i < 40; ++i) {
            deA << "a" + Numero(i);
            deB << "b" + Numero(i);
            a.M().EnviarMensaje(b.IP(), "FLASH:" + deA.last());
            b.M().EnviarMensaje(a.IP(), "FLASH:" + deB.last());
            QTest::qWait(50);
        }
        QTRY_COMPARE(enB.size(), deA.size());
        QTRY_COMPARE(enA.size(), deB.size());
        std::sort(enA.begin(), enA.end());
        std::sort(enB.begin(), enB.end());
        std::sort(deA.begin(), deA.end());
        std::sort(deB.begin(), deB.end());
        QCOMPARE(enB, deA);
        QCOMPARE(enA, deB);
        QTRY_VERIFY(a.ConexionesVivas() == 1 && b.ConexionesVivas() == 1);
        QVERIFY(a.Conectado(b.IP()) && b.Conectado(a.IP()));
        const TContacto* bEnA = a.M().BuscarContacto(b.IP());
        QVERIFY(bEnA->ConexionSaliente && !bEnA->ConexionEntrante);  // the late one won
        a.M().EnviarMensaje(b.IP(), "FLASH:fin");
        QTRY_COMPARE(enB.size(), deA.size() + 1);
    }

    // A second connection from a contact, past the crossing window: ours goes on the new one
    // at once, and what the peer still sends on the old one is not lost.
    void ConexionTardiaNoCortaLaViva() {
        TNodoPrueba a(11, QStringLiteral("Ana"), 200);
        a.M().AnadirContacto(QStringLiteral("p"), QStringLiteral("127.0.0.13"), {}, false, true);
        a.Arrancar();
        auto& flashes = a.Grabar(TComando::Flash);
        TPeerCrudo vieja(13), nueva(13);
        QVERIFY(vieja.ConectarA(a.IP()));
        vieja.EsperarMensajes(2);
        QTest::qWait(300);
        QVERIFY(nueva.ConectarA(a.IP()));
        QCOMPARE(nueva.EsperarMensajes(2), Lista({"NICK:Ana", "EMAIL:"}));
        vieja.Enviar("FLASH:1\x07");
        a.M().EnviarMensaje(vieja.Ip, "FLASH:x");
        QCOMPARE(nueva.EsperarMensajes(3).last(), QByteArray("FLASH:x"));
        QTRY_COMPARE(flashes, Lista({"1"}));
        QTRY_COMPARE(vieja.Socket.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(vieja.Mensajes().size(), 2);
        QVERIFY(a.Conectado(vieja.Ip));
        QCOMPARE(a.ConexionesVivas(), 1);
    }
};

QTEST_GUILESS_MAIN(TstRecepcion)
#include "tst_recepcion.moc"
