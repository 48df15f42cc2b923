#include "apoyo/nodoprueba.h"
#include "core/codificacion.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTest>
#include <thread>

namespace {

QByteArray LeerFichero(const QString& ruta) {
    QFile f(ruta);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// A peer on a thread of its own that reads until the connection closes, as a peer on
// another machine goes on reading while this process is busy ending.
class TLectorAparte {
public:
    TLectorAparte(int n, const QString& destino)
        : hilo_([this, n, destino] { Leer(QStringLiteral("127.0.0.%1").arg(n), destino); }) {}
    ~TLectorAparte() { Esperar(); }
    QByteArray Esperar() {
        if (hilo_.joinable())
            hilo_.join();
        return recibido_;
    }

private:
    void Leer(const QString& ip, const QString& destino) {
        QTcpSocket socket;
        socket.bind(QHostAddress(ip), 0);
        socket.connectToHost(QHostAddress(destino), PuertoDePrueba());
        if (!socket.waitForConnected(5000))
            return;
        while (socket.waitForReadyRead(5000))
            recibido_ += socket.readAll();
        recibido_ += socket.readAll();
    }

    QByteArray recibido_;
    std::thread hilo_;
};

} // namespace

class TstConexiones : public QObject {
    Q_OBJECT
private slots:
    // Peers that all try at once, as when the network comes back, are let in at once: the
    // system drops what does not fit in the listening queue, and those try again a second later.
    void UnaRafagaDeConexionesEntraDeUnaVez() {
        TNodoPrueba nodo(11);
        nodo.Arrancar();
        std::vector<std::unique_ptr<QTcpSocket>> peers;
        for (int i = 0; i < 30; ++i) {
            peers.push_back(std::make_unique<QTcpSocket>());
            peers.back()->connectToHost(QHostAddress(nodo.IP()), PuertoDePrueba());
        }
        // No turn of the event loop meanwhile: nothing has been accepted yet.
        const QDeadlineTimer limite(500);
        for (const auto& peer : peers)
            QVERIFY(peer->waitForConnected(int(limite.remainingTime())));
    }

    void ArranqueTardioYSaludo() {
        TNodoPrueba a(11, QStringLiteral("Ana")), b(12, QStringLiteral("Bea"));
        a.Conoce(b);
        b.Conoce(a);
        a.Arrancar();  // b is not up yet: the attempt fails quietly
        QTest::qWait(100);
        QVERIFY(!a.Conectado(b.IP()));
        QVERIFY(a.Interfaz.Errores.empty());
        b.Mensajero->Config().EMail = QStringLiteral("bea@example.org");
        b.Arrancar();
        QTRY_VERIFY(a.Conectado(b.IP()) && b.Conectado(a.IP()));
        QTRY_COMPARE(a.M().BuscarContacto(b.IP())->Nick, QStringLiteral("Bea"));
        QTRY_COMPARE(a.M().BuscarContacto(b.IP())->EMail, QStringLiteral("bea@example.org"));
        QTRY_COMPARE(b.M().BuscarContacto(a.IP())->Item->Nick, QStringLiteral("Ana"));
        QCOMPARE(a.ConexionesVivas(), 1);
    }

    void ArranqueSimultaneoDejaUnaConexion() {
        for (int vuelta = 0; vuelta < 10; ++vuelta) {
            TNodoPrueba a(11), b(12);
            a.Conoce(b);
            b.Conoce(a);
            a.Arrancar();
            b.Arrancar();
            auto& enA = a.Grabar(TComando::Flash);
            auto& enB = b.Grabar(TComando::Flash);
            // Messages sent while the crossing is being settled are not lost either.
            QTRY_VERIFY(a.Conectado(b.IP()));
            a.M().EnviarMensaje(b.IP(), "FLASH:hola");
            QTRY_VERIFY(b.Conectado(a.IP()));
            b.M().EnviarMensaje(a.IP(), "FLASH:adios");
            QTest::qWait(300);
            QVERIFY(a.Conectado(b.IP()) && b.Conectado(a.IP()));
            QCOMPARE(a.ConexionesVivas(), 1);
            QCOMPARE(b.ConexionesVivas(), 1);
            a.M().EnviarMensaje(b.IP(), "FLASH:otra");
            b.M().EnviarMensaje(a.IP(), "FLASH:vez");
            QTRY_COMPARE(enB, Lista({"hola", "otra"}));
            QTRY_COMPARE(enA, Lista({"adios", "vez"}));
        }
    }

    // The higher peer drops the connection it opened, as the loser of a crossing, before our
    // own attempt has been seen coming up: the contact stays on-line through our attempt.
    void CruceConLaPerdedoraCerradaAntes() {
        for (int vuelta = 0; vuelta < 5; ++vuelta) {
            TNodoPrueba a(11);
            QTcpServer par;
            QVERIFY(par.listen(QHostAddress(QStringLiteral("127.0.0.12")), PuertoDePrueba()));
            a.M().AnadirContacto(QStringLiteral("x"), QStringLiteral("127.0.0.12"), {}, false, true);
            a.Arrancar();
            TPeerCrudo perdedora(12);
            QVERIFY(perdedora.ConectarA(a.IP()));
            perdedora.Socket.disconnectFromHost();
            QTRY_VERIFY(par.hasPendingConnections());
            std::unique_ptr<QTcpSocket> ganadora(par.nextPendingConnection());
            QTest::qWait(100);
            QVERIFY2(a.Conectado(QStringLiteral("127.0.0.12")), qPrintable(QString::number(vuelta)));
            QTRY_VERIFY(ganadora->bytesAvailable() > 0);
            ganadora->write("FLASH:sigo\x07");
            auto& flashes = a.Grabar(TComando::Flash);
            QTRY_COMPARE(flashes, Lista({"sigo"}));
        }
    }

    void ReinicioDeUnPar() {
        TNodoPrueba a(11);
        auto b = std::make_unique<TNodoPrueba>(12);
        a.Conoce(*b);
        b->Conoce(a);
        a.Mensajero->Config().Sonidos.ContactoDesconecta = QStringLiteral("fuera.wav");
        a.Arrancar();
        b->Arrancar();
        QTRY_VERIFY(a.Conectado(b->IP()));
        b.reset();
        QTRY_VERIFY(!a.Conectado(QStringLiteral("127.0.0.12")));
        QTRY_VERIFY(a.Interfaz.Sonidos.contains(QStringLiteral("fuera.wav")));
        TNodoPrueba otra(12, QStringLiteral("Otra vez"));
        otra.Conoce(a);
        otra.Arrancar();
        QTRY_VERIFY(a.Conectado(otra.IP()) && otra.Conectado(a.IP()));
        QTRY_COMPARE(a.M().BuscarContacto(otra.IP())->Nick, QStringLiteral("Otra vez"));
    }

    void ConexionNuevaReemplazaLaVieja() {
        TNodoPrueba a(11, QStringLiteral("Ana"), 200);
        a.M().AnadirContacto(QStringLiteral("p"), QStringLiteral("127.0.0.13"), {}, false, true);
        a.Arrancar();
        TPeerCrudo vieja(13);
        QVERIFY(vieja.ConectarA(a.IP()));
        QTRY_VERIFY(a.Conectado(vieja.Ip));
        QTest::qWait(300);  // beyond a crossing: the old one is stale
        TPeerCrudo nueva(13);
        QVERIFY(nueva.ConectarA(a.IP()));
        QCOMPARE(nueva.EsperarMensajes(2), Lista({"NICK:Ana", "EMAIL:"}));
        QTRY_COMPARE(vieja.Socket.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(a.Conectado(vieja.Ip));
        a.M().EnviarMensaje(vieja.Ip, "FLASH:x");
        QCOMPARE(nueva.EsperarMensajes(3).last(), QByteArray("FLASH:x"));
    }

    void SaludoExactoEnWindows1252() {
        TNodoPrueba a(11, QStringLiteral("Ñoño ¿sí?"));
        a.M().AnadirContacto(QStringLiteral("p"), QStringLiteral("127.0.0.13"), {}, false, true);
        a.Arrancar();
        a.M().Config().EMail = QStringLiteral("ñ@example.org");
        TPeerCrudo peer(13);
        QVERIFY(peer.ConectarA(a.IP()));
        peer.EsperarMensajes(2);
        QTest::qWait(50);
        QCOMPARE(peer.Recibido, QByteArray("NICK:\xD1o\xF1o \xBFs\xED?\x07" "EMAIL:\xF1@example.org\x07"));
        peer.Enviar("NICK:Jos\xE9\x07" "EMAIL:\x07" "NICK?\x07");
        QTRY_COMPARE(a.M().BuscarContacto(peer.Ip)->Nick, QStringLiteral("José"));
        QCOMPARE(peer.EsperarMensajes(3).last(), QByteArray("NICK:\xD1o\xF1o \xBFs\xED?"));
        peer.Enviar("EMAIL?y m\xE1s\x07");
        QCOMPARE(peer.EsperarMensajes(4).last(), QByteArray("EMAIL:\xF1@example.org"));
    }

    // What was written just before the end reaches the peer whole, even when it is more than
    // the system takes at once, and the wait is bounded.
    void LoUltimoEscritoLlegaEntero() {
        auto a = std::make_unique<TNodoPrueba>(11);
        a->M().AnadirContacto(QStringLiteral("p"), QStringLiteral("127.0.0.13"), {}, false, true);
        a->Arrancar();
        TLectorAparte peer(13, a->IP());
        QTRY_VERIFY(a->Conectado(QStringLiteral("127.0.0.13")));
        const QByteArray grande = "FLASH:" + QByteArray(16 * 1024 * 1024, 'x');
        a->M().EnviarMensaje(QStringLiteral("127.0.0.13"), grande);
        QElapsedTimer reloj;
        reloj.start();
        a->M().VaciarEnvios(std::chrono::milliseconds(2000));
        QVERIFY(reloj.elapsed() < 2000);
        a.reset();
        QVERIFY(peer.Esperar().endsWith(QByteArray(grande).append(kBel)));
    }

    // A peer that has stopped reading holds the end up no longer than the bound.
    void PeerQueNoLeeNoRetieneElFinal() {
        TNodoPrueba a(11);
        a.M().AnadirContacto(QStringLiteral("p"), QStringLiteral("127.0.0.13"), {}, false, true);
        a.Arrancar();
        TPeerCrudo peer(13);
        QVERIFY(peer.ConectarA(a.IP()));
        QTRY_VERIFY(a.Conectado(peer.Ip));
        QObject::disconnect(&peer.Socket, &QTcpSocket::readyRead, nullptr, nullptr);
        a.M().EnviarMensaje(peer.Ip, "FLASH:" + QByteArray(16 * 1024 * 1024, 'x'));
        QElapsedTimer reloj;
        reloj.start();
        a.M().VaciarEnvios(std::chrono::milliseconds(300));
        QVERIFY(reloj.elapsed() >= 250);
        QVERIFY(reloj.elapsed() < 1000);
    }

    void AdmisionPreguntadaSi() {
        TNodoPrueba a(11, QStringLiteral("Ana"));
        a.M().Config().Sonidos.PreguntaIntentoConxDesconocido = QStringLiteral("pregunta.wav");
        a.Arrancar();
        TPeerCrudo peer(13);
        QVERIFY(peer.ConectarA(a.IP()));
        QCOMPARE(peer.EsperarMensajes(4), Lista({"NICK?", "EMAIL?", "NICK:Ana", "EMAIL:"}));
        QCOMPARE(a.Interfaz.Preguntas.size(), std::size_t(1));
        QCOMPARE(a.Interfaz.Preguntas[0].Titulo, QStringLiteral("Aviso de Conexión"));
        QCOMPARE(a.Interfaz.Preguntas[0].Texto,
                 QStringLiteral("Se está recibiendo una petición de conexión desde la dirección IP "
                                "\"127.0.0.13\".\nEsta dirección no se encuentra en su Agenda.\n\n"
                                "¿Desea aceptar la conexión, y agregar la dirección a la Agenda?"));
        QCOMPARE(a.Interfaz.Sonidos, QStringList({QStringLiteral("pregunta.wav")}));
        QCOMPARE(a.Interfaz.Avisos.size(), std::size_t(1));
        QVERIFY(a.Interfaz.Avisos[0].Titulo == peer.Ip && a.Interfaz.Avisos[0].Texto == a.Interfaz.Preguntas[0].Texto);
        QVERIFY(a.Conectado(peer.Ip));
        QCOMPARE(a.M().BuscarContacto(peer.Ip)->Nick, QStringLiteral("Nuevo Contacto"));
        QVERIFY(LeerFichero(a.M().Rutas().FicheroAgenda()).contains("Nuevo Contacto\r\n127.0.0.13\r\n\r\n"));
        peer.Enviar("NICK:Pepe\x07");
        QTRY_COMPARE(a.M().BuscarContacto(peer.Ip)->Nick, QStringLiteral("Pepe"));
    }

    void AdmisionRechazada() {
        TNodoPrueba a(11);
        a.Arrancar();
        a.Interfaz.RespuestaPorDefecto = false;
        TPeerCrudo peer(13);
        // Inside the question the peer's greeting and query arrive: not in the book yet,
        // they are dropped and get no answer.
        a.Interfaz.AntesDeResponder = [&] {
            peer.Enviar("NICK:Pepe\x07" "NICK?\x07");
            QTest::qWait(100);
        };
        QVERIFY(peer.ConectarA(a.IP()));
        QTRY_COMPARE(peer.Socket.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(peer.Recibido.isEmpty());
        QCOMPARE(a.M().Agenda().NumeroContactos(), 0);
        QVERIFY(!QFile::exists(a.M().Rutas().FicheroAgenda()));
    }

    void AdmisionPorAjuste() {
        TNodoPrueba a(11, QStringLiteral("Ana"));
        a.Arrancar();
        a.M().Config().PreguntarEntradasDesconocidas = false;
        a.M().Config().RechazarEntradasDesconocidas = false;  // only the other two count
        TPeerCrudo rechazado(13);
        QVERIFY(rechazado.ConectarA(a.IP()));
        QTRY_COMPARE(rechazado.Socket.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(a.Interfaz.Preguntas.empty());

        a.M().Config().AceptarEntradasDesconocidas = true;
        TPeerCrudo aceptado(14);
        QVERIFY(aceptado.ConectarA(a.IP()));
        QCOMPARE(aceptado.EsperarMensajes(2), Lista({"NICK:Ana", "EMAIL:"}));
        QVERIFY(a.Conectado(aceptado.Ip));
        QVERIFY(LeerFichero(a.M().Rutas().FicheroAgenda()).contains("Nuevo Contacto\r\n127.0.0.14\r\n"));
        QCOMPARE(a.M().Agenda().NumeroContactos(), 1);
    }

    // However many connections unknown peers open, one question is open at a time and an
    // address is added once; past 16 waiting addresses the next is closed.
    void AdmisionesNoSeApilan() {
        TNodoPrueba a(11);
        a.Arrancar();
        a.M().FijarModoDebug(true);
        std::vector<std::unique_ptr<TPeerCrudo>> peers;
        const auto conectar = [&](int n) {
            peers.push_back(std::make_unique<TPeerCrudo>(n));
            QVERIFY(peers.back()->ConectarA(a.IP()));
            QTest::qWait(10);
        };
        int abiertas = 0, maximo = 0;
        a.Interfaz.AntesDeResponder = [&] {
            maximo = std::max(maximo, ++abiertas);
            if (peers.size() == 1) {
                for (int n : {13, 13, 13})
                    conectar(n);
                for (int n = 14; n <= 29; ++n)
                    conectar(n);
                QTest::qWait(200);
            }
            --abiertas;
        };
        conectar(13);
        QTRY_COMPARE(a.Interfaz.Preguntas.size(), std::size_t(16));
        QTest::qWait(200);
        QCOMPARE(a.Interfaz.Preguntas.size(), std::size_t(16));
        QCOMPARE(maximo, 1);
        QCOMPARE(a.M().Agenda().NumeroContactos(), 16);
        QVERIFY(!a.M().BuscarContacto(QStringLiteral("127.0.0.29")));
        QTRY_COMPARE(peers.back()->Socket.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(LeerFichero(a.M().Rutas().FicheroDebug()).contains("AdmisionDescartada [127.0.0.29]"));
        for (int i = 0; i < 4; ++i)
            QCOMPARE(peers[i]->EsperarMensajes(2).mid(0, 2), Lista({"NICK?", "EMAIL?"}));
    }

    // A line break from a peer never reaches the book, so no contact can be planted.
    void SaltosDeUnPeerNoPlantanContactos() {
        TNodoPrueba a(11);
        TPeerCrudo peer(13);
        a.M().AnadirContacto(QStringLiteral("Pepe"), peer.Ip, {}, false, true);
        QVERIFY(a.ConectarPeer(peer));
        peer.Enviar("NICK:Malo\r\n10.9.9.9\r\n\r\nInyectado\x07" "EMAIL:a\nb\x7f\x07");
        QTRY_COMPARE(a.M().BuscarContacto(peer.Ip)->EMail, QStringLiteral("a b "));
        QCOMPARE(a.M().BuscarContacto(peer.Ip)->Item->Nick, QStringLiteral("Malo  10.9.9.9    Inyectado"));
        a.M().GuardarAgenda();
        TAgenda leida;
        QVERIFY(leida.Cargar(a.M().Rutas().FicheroAgenda()));
        QCOMPARE(leida.NumeroContactos(), 1);
    }

    void MensajesDuranteLaPreguntaSeAtiendenUnaVezYEnOrden() {
        TNodoPrueba a(11);
        a.M().AnadirContacto(QStringLiteral("conocido"), QStringLiteral("127.0.0.14"), {}, false, true);
        a.Arrancar();
        auto& flashes = a.Grabar(TComando::Flash);
        TPeerCrudo conocido(14);
        QVERIFY(conocido.ConectarA(a.IP()));
        conocido.EsperarMensajes(2);
        conocido.Enviar("FLASH:1\x07" "FLASH:2\x07");
        TPeerCrudo desconocido(13);
        a.Interfaz.AntesDeResponder = [&] {
            conocido.Enviar("FLASH:3\x07" "FLASH:4");
            QTest::qWait(50);
            conocido.Enviar("\x07" "FLASH:5\x07");
            QTest::qWait(100);
        };
        QVERIFY(desconocido.ConectarA(a.IP()));
        desconocido.EsperarMensajes(4);
        conocido.Enviar("FLASH:6\x07");
        QTRY_COMPARE(flashes, Lista({"1", "2", "3", "4", "5", "6"}));
        QTest::qWait(50);
        QCOMPARE(flashes.size(), 6);
    }

    void BorrarContactoConectado() {
        TNodoPrueba a(11), b(12);
        a.Conoce(b);
        b.Conoce(a);
        a.Arrancar();
        b.Arrancar();
        QTRY_VERIFY(a.Conectado(b.IP()) && b.Conectado(a.IP()));
        QTRY_COMPARE(a.M().BuscarContacto(b.IP())->Nick, QStringLiteral("nodo12"));
        a.M().Config().Sonidos.ContactoDesconecta = QStringLiteral("fuera.wav");
        int filasAlSonar = -1;
        a.Interfaz.Sonidos.clear();
        a.Interfaz.Respuestas = {false};
        a.M().EliminarContacto(0);  // cancelled
        QCOMPARE(a.M().Agenda().NumeroFilas(), 1);
        a.Interfaz.AntesDeResponder = [&] { filasAlSonar = a.M().Agenda().NumeroFilas(); };
        a.M().EliminarContacto(0);
        QCOMPARE(a.Interfaz.Preguntas.back().Titulo, QStringLiteral("Aviso de eliminación"));
        QCOMPARE(a.Interfaz.Preguntas.back().Texto,
                 QStringLiteral("¿Está seguro de querer eliminar el siguiente Contacto?\n\n"
                                "Nick: nodo12\nIP: 127.0.0.12\nEMail: "));
        QCOMPARE(a.Interfaz.Sonidos, QStringList({QStringLiteral("fuera.wav")}));
        QCOMPARE(filasAlSonar, 1);
        QCOMPARE(a.M().Agenda().NumeroFilas(), 0);
        QTRY_VERIFY(!b.Conectado(a.IP()));
        QCOMPARE(a.ConexionesVivas(), 0);
    }

    void NickNuevoSeDifunde() {
        TNodoPrueba a(11), b(12), c(13);
        a.Conoce(b);
        a.Conoce(c);
        b.Conoce(a);
        a.Arrancar();
        b.Arrancar();  // c never starts
        QTRY_VERIFY(a.Conectado(b.IP()));
        a.Interfaz.TextoPedido = QStringLiteral("Nuevo");
        a.M().CambiarNick();
        QTRY_COMPARE(b.M().BuscarContacto(a.IP())->Nick, QStringLiteral("Nuevo"));
    }

    void EntradaHostilNoAfectaALosDemas() {
        TNodoPrueba a(11);
        for (int n : {13, 14, 15})
            a.M().AnadirContacto(QStringLiteral("p"), QStringLiteral("127.0.0.%1").arg(n), {}, false, true);
        a.Arrancar();
        a.M().FijarModoDebug(true);
        auto& flashes = a.Grabar(TComando::Flash);
        const auto registro = a.M().RegistrarManejador(TComando::Chat, [](const QString&, const TMensajeRecibido& m) {
            throw TError(QStringLiteral("EPrueba"), DecodificarCp1252(m.Carga));
        });
        TPeerCrudo bueno(13), glotón(14), brusco(15);
        for (TPeerCrudo* peer : {&bueno, &glotón, &brusco}) {
            QVERIFY(peer->ConectarA(a.IP()));
            peer->EsperarMensajes(2);
        }
        // Bad numbers are dropped without a box; a failing handler is reported and the
        // messages behind it in the same read are still handled.
        bueno.Enviar("FILE_ACK:abc\x07" "FLASH:1\x07" "CHAT:roto\x07" "FLASH:2\x07" + QByteArray(100000, '\x07'));
        QTRY_COMPARE(flashes, Lista({"1", "2"}));
        QCOMPARE(a.Interfaz.Errores.size(), std::size_t(1));
        QCOMPARE(a.Interfaz.Errores[0].Titulo, QStringLiteral("Excepción no manejada"));
        QCOMPARE(a.Interfaz.Errores[0].Texto, QStringLiteral("ClassName : EPrueba\nMessage : roto"));
        // Megabytes without a BEL: cut off, shown disconnected.
        const QByteArray megabyte(1024 * 1024, 'x');
        for (int i = 0; i < 17 && glotón.Socket.state() == QAbstractSocket::ConnectedState; ++i) {
            glotón.Enviar(megabyte);
            QTest::qWait(20);
        }
        QTRY_COMPARE(glotón.Socket.state(), QAbstractSocket::UnconnectedState);
        QVERIFY(!a.Conectado(glotón.Ip));
        // Reset in the middle of a message.
        brusco.Enviar("FLASH:a medi");
        QTest::qWait(50);
        brusco.Socket.abort();
        QTRY_VERIFY(!a.Conectado(brusco.Ip));
        bueno.Enviar("FLASH:3\x07");
        QTRY_COMPARE(flashes, Lista({"1", "2", "3"}));
        QVERIFY(a.Conectado(bueno.Ip));
        const QByteArray log = LeerFichero(a.M().Rutas().FicheroDebug());
        QVERIFY(log.contains("] < [127.0.0.13] FILE_ACK:abc\r\n"));
        QVERIFY(log.contains("] ServerSocketClientConnect [127.0.0.13]\r\n"));
        QVERIFY(log.contains("] > [127.0.0.13] NICK:nodo11\r\n"));
        QVERIFY(log.contains("] ServerSocketClientDisconnect [127.0.0.15]\r\n"));
        QVERIFY(log.contains("] < [127.0.0.13] \r\n"));
    }
};

QTEST_GUILESS_MAIN(TstConexiones)
#include "tst_conexiones.moc"
