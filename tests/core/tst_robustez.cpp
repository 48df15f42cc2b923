#include "apoyo/nodoprueba.h"
#include "core/conexion.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

QByteArray LeerFichero(const QString& ruta) {
    QFile f(ruta);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// A folder where a file should be: it exists, and it can be neither read nor written as one.
void Estorbar(const QString& ruta) { QVERIFY(QDir().mkpath(ruta)); }

} // namespace

// What a hostile peer or a broken disk would hit: nothing lost, nothing unbounded, every
// failure told once and at a moment when a box cannot break what is running.
class TstRobustez : public QObject {
    Q_OBJECT
private slots:
    void DireccionDeEscucha_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<bool>("valida");
        QTest::addColumn<QString>("direccion");
        QTest::addColumn<int>("puerto");
        QTest::newRow("address") << "127.0.0.11" << true << "127.0.0.11" << 5777;
        QTest::newRow("address and port") << "127.0.0.11:6000" << true << "127.0.0.11" << 6000;
        QTest::newRow("highest port") << "10.0.0.1:65535" << true << "10.0.0.1" << 65535;
        QTest::newRow("port zero") << "127.0.0.11:0" << false << "" << 0;
        QTest::newRow("port too big") << "127.0.0.11:65536" << false << "" << 0;
        QTest::newRow("signed port") << "127.0.0.11:+80" << false << "" << 0;
        QTest::newRow("empty port") << "127.0.0.11:" << false << "" << 0;
        QTest::newRow("name") << "localhost" << false << "" << 0;
        QTest::newRow("IPv6") << "::1" << false << "" << 0;
        QTest::newRow("empty") << "" << false << "" << 0;
    }

    void DireccionDeEscucha() {
        QFETCH(QString, texto);
        QFETCH(bool, valida);
        TMensajero::TOpciones opciones;
        QCOMPARE(opciones.FijarEscucha(texto), valida);
        if (!valida) {
            QCOMPARE(opciones.Escucha, QHostAddress(QHostAddress::AnyIPv4));
            QCOMPARE(opciones.Puerto, kPuertoMensajero);
            QVERIFY(opciones.Origen.isNull());
            return;
        }
        QFETCH(QString, direccion);
        QFETCH(int, puerto);
        QCOMPARE(opciones.Escucha, QHostAddress(direccion));
        QCOMPARE(opciones.Origen, QHostAddress(direccion));
        QCOMPARE(int(opciones.Puerto), puerto);
    }

    // A refused unknown peer closes like any other connection this program closes.
    void DesconocidoRechazadoQuedaEnElLog_data() {
        QTest::addColumn<bool>("preguntar");
        QTest::newRow("by the setting") << false;
        QTest::newRow("answered No") << true;
    }

    void DesconocidoRechazadoQuedaEnElLog() {
        QFETCH(bool, preguntar);
        TNodoPrueba a(11);
        a.Arrancar();
        a.M().FijarModoDebug(true);
        a.M().Config().PreguntarEntradasDesconocidas = preguntar;
        a.Interfaz.RespuestaPorDefecto = false;
        TPeerCrudo peer(13);
        QVERIFY(peer.ConectarA(a.IP()));
        QTRY_COMPARE(peer.Socket.state(), QAbstractSocket::UnconnectedState);
        QTest::qWait(50);
        const QByteArray log = LeerFichero(a.M().Rutas().FicheroDebug());
        const qsizetype abierta = log.indexOf("] ServerSocketClientConnect [127.0.0.13]\r\n");
        const qsizetype cerrada = log.indexOf("] ServerSocketClientDisconnect [127.0.0.13]\r\n");
        QVERIFY2(abierta >= 0 && cerrada > abierta, log.constData());
        QCOMPARE(log.count("ServerSocketClientDisconnect"), 1);
    }

    void AgendaIlegibleNoSeSobrescribe() {
        TNodoPrueba a(11);
        Estorbar(a.M().Rutas().FicheroAgenda());
        a.Arrancar();
        // Told once, and not in the middle of the start-up.
        QVERIFY(a.Interfaz.Errores.empty());
        QTRY_COMPARE(a.Interfaz.Errores.size(), std::size_t(1));
        QVERIFY(a.Interfaz.Errores[0].Texto.contains(a.M().Rutas().FicheroAgenda()));
        a.M().AnadirContacto(QStringLiteral("Nuevo"), QStringLiteral("10.0.0.9"), {}, false, true);
        a.M().GuardarConfig();
        a.M().GuardarAgenda();
        a.M().AvisarPendientes();
        QTest::qWait(20);
        QCOMPARE(a.Interfaz.Errores.size(), std::size_t(1));
        QVERIFY(QFileInfo(a.M().Rutas().FicheroAgenda()).isDir());

        // A readable book is saved as before.
        TNodoPrueba b(12);
        b.Arrancar();
        b.M().AnadirContacto(QStringLiteral("Nuevo"), QStringLiteral("10.0.0.9"), {}, false, true);
        QCOMPARE(LeerFichero(b.M().Rutas().FicheroAgenda()),
                 QByteArray("[Agenda Tromblechatix]\r\nNuevo\r\n10.0.0.9\r\n\r\n"));
        QTest::qWait(20);
        QVERIFY(b.Interfaz.Errores.empty());

        // A save that fails later is told, once the running handler has returned.
        QVERIFY(QFile::remove(b.M().Rutas().FicheroAgenda()));
        Estorbar(b.M().Rutas().FicheroAgenda());
        b.M().AnadirContacto(QStringLiteral("Otro"), QStringLiteral("10.0.0.8"), {}, false, true);
        QVERIFY(b.Interfaz.Errores.empty());
        QTRY_COMPARE(b.Interfaz.Errores.size(), std::size_t(1));
        QVERIFY(b.Interfaz.Errores[0].Texto.contains(QStringLiteral("No se puede guardar la Agenda")));
    }

    void AjustesQueNoSeGuardanSeAvisanUnaVez() {
        TNodoPrueba a(11);
        a.Arrancar();
        QVERIFY(a.M().GuardarConfig());
        QVERIFY(QFile::remove(a.M().Rutas().FicheroConfig));
        Estorbar(a.M().Rutas().FicheroConfig);
        QVERIFY(!a.M().GuardarConfig());
        QVERIFY(!a.M().GuardarConfig());
        a.M().GuardarConfig();
        a.M().GuardarAgenda();
        a.M().AvisarPendientes();
        QTest::qWait(20);
        QCOMPARE(a.Interfaz.Errores.size(), std::size_t(1));
        QVERIFY(a.Interfaz.Errores[0].Texto.contains(a.M().Rutas().FicheroConfig));

        // Once it works again, a later failure is told again.
        QVERIFY(QDir(a.M().Rutas().FicheroConfig).removeRecursively());
        QVERIFY(a.M().GuardarConfig());
        QVERIFY(QFile::remove(a.M().Rutas().FicheroConfig));
        Estorbar(a.M().Rutas().FicheroConfig);
        QVERIFY(!a.M().GuardarConfig());
        QTRY_COMPARE(a.Interfaz.Errores.size(), std::size_t(2));
    }

    // A box opened inside a send would run handlers that reuse what the send is working on.
    void LogQueFallaSeAvisaTrasElEnvio() {
        TNodoPrueba a(11, QStringLiteral("Ana"));
        TPeerCrudo peer(13);
        a.M().AnadirContacto(QStringLiteral("Pepe"), peer.Ip, {}, false, true);
        a.Arrancar();
        QVERIFY(peer.ConectarA(a.IP()));
        QCOMPARE(peer.EsperarMensajes(2).size(), 2);
        Estorbar(a.M().Rutas().FicheroDebug());
        a.M().FijarModoDebug(true);
        a.M().EnviarMensaje(peer.Ip, "FLASH:uno");
        a.M().EnviarMensaje(peer.Ip, "FLASH:dos");
        QVERIFY(a.Interfaz.Errores.empty());
        QTRY_COMPARE(a.Interfaz.Errores.size(), std::size_t(1));
        QCOMPARE(peer.EsperarMensajes(4).mid(2), QList<QByteArray>({"FLASH:uno", "FLASH:dos"}));
        QTest::qWait(20);
        QCOMPARE(a.Interfaz.Errores.size(), std::size_t(1));
    }

    // While a handler waits on a box, what the same peer sends must not pile up here.
    void UnPeerNoLlenaLaMemoriaMientrasHayUnaCaja() {
        TNodoPrueba a(11);
        TPeerCrudo peer(13);
        a.M().AnadirContacto(QStringLiteral("Pepe"), peer.Ip, {}, false, true);
        a.Arrancar();
        const auto registro = a.M().RegistrarManejador(TComando::Flash, [&](const QString&, const TMensajeRecibido&) {
            a.Interfaz.Preguntar(QStringLiteral("Caja"), QString(), TInterfazUsuario::TBotones::SiNo);
        });
        qint64 retenidos = 0;
        a.Interfaz.AntesDeResponder = [&] {
            peer.Enviar(QByteArray(20 * 1024 * 1024, 'x'));
            QTest::qWaitFor([&] {
                for (const QTcpSocket* socket : a.M().findChildren<QTcpSocket*>())
                    retenidos = std::max(retenidos, socket->bytesAvailable());
                return peer.Socket.bytesToWrite() == 0 ||
                       peer.Socket.state() != QAbstractSocket::ConnectedState;
            }, 3000);
        };
        QVERIFY(peer.ConectarA(a.IP()));
        QCOMPARE(peer.EsperarMensajes(2).size(), 2);
        peer.Enviar("FLASH:abre una caja\x07");
        QTRY_COMPARE(a.Interfaz.Preguntas.size(), std::size_t(1));
        QVERIFY2(retenidos <= 1024 * 1024, QByteArray::number(retenidos).constData());
    }
};

QTEST_GUILESS_MAIN(TstRobustez)
#include "tst_robustez.moc"
