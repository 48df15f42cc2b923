#include "apoyo/nodoprueba.h"
#include "core/configuracion.h"
#include "core/version.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

// Ends a process on every way out of a test, politely first.
struct TTerminarAlSalir {
    QProcess& Proceso;
    ~TTerminarAlSalir() {
        if (Proceso.state() == QProcess::NotRunning)
            return;
        Proceso.terminate();
        if (!Proceso.waitForFinished(10000))
            Proceso.kill();
        Proceso.waitForFinished();
    }
};

// The whole program, started as a user would, with its own home and folder.
class TstPrograma : public QObject {
    Q_OBJECT
    QTemporaryDir carpeta;

    QString Programa() const { return carpeta.filePath(QStringLiteral("bin/tromblechatix")); }
    QString Agenda() const { return carpeta.filePath(QStringLiteral("bin/Contactos.dat")); }
    QString Ajustes() const { return carpeta.filePath(QStringLiteral("config/Qorlunde/Tromblechatix.ini")); }

    // Offscreen, or on an X display when one is given.
    void Preparar(QProcess& proceso, const QString& pantalla = {}) {
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        if (pantalla.isEmpty()) {
            entorno.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        } else {
            entorno.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
            entorno.insert(QStringLiteral("DISPLAY"), pantalla);
        }
        entorno.insert(QStringLiteral("HOME"), carpeta.path());
        entorno.insert(QStringLiteral("XDG_CONFIG_HOME"), carpeta.filePath(QStringLiteral("config")));
        entorno.insert(QStringLiteral("XDG_DATA_HOME"), carpeta.filePath(QStringLiteral("data")));
        entorno.insert(QStringLiteral("XDG_RUNTIME_DIR"), carpeta.path());
        proceso.setProcessEnvironment(entorno);
        proceso.setProgram(Programa());
        proceso.setArguments({QStringLiteral("--escuchar"),
                              QStringLiteral("127.0.0.1:%1").arg(PuertoDePrueba())});
        proceso.setProcessChannelMode(QProcess::ForwardedChannels);
    }

    // Waits until the program listens, then connects the peer to it.
    static void Conectar(TPeerCrudo& peer) {
        QVERIFY(QTest::qWaitFor([&] {
            peer.Socket.abort();
            peer.Socket.bind(QHostAddress(peer.Ip), 0);
            peer.Socket.connectToHost(QHostAddress(QStringLiteral("127.0.0.1")), PuertoDePrueba());
            return peer.Socket.waitForConnected(200);
        }, 10000));
    }

    // A display of its own; the server ends with the process object.
    static QString ArrancarXvfb(QProcess& xvfb) {
        xvfb.setStandardErrorFile(QProcess::nullDevice());
        xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                            QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                            QStringLiteral("-screen"), QStringLiteral("0"),
                                            QStringLiteral("800x600x24")});
        if (!QTest::qWaitFor([&] { return xvfb.canReadLine() || xvfb.state() == QProcess::NotRunning; },
                             20000) ||
            !xvfb.canReadLine())
            return {};
        return u':' + QString::fromLatin1(xvfb.readLine().trimmed());
    }

    // Sends Return to the visible window of that title, as a user at the keyboard would.
    static void PulsarIntro(const QString& pantalla, const QString& titulo) {
        const auto xdotool = [&](const QStringList& parametros) {
            QProcess proceso;
            QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
            entorno.insert(QStringLiteral("DISPLAY"), pantalla);
            proceso.setProcessEnvironment(entorno);
            proceso.start(QStringLiteral("xdotool"), parametros);
            proceso.waitForFinished(5000);
            return proceso.readAllStandardOutput();
        };
        const QByteArray ventanas =
            xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), titulo});
        for (const QByteArray& ventana : ventanas.split('\n')) {
            if (!ventana.isEmpty())
                xdotool({QStringLiteral("key"), QStringLiteral("--window"), QString::fromLatin1(ventana),
                         QStringLiteral("Return")});
        }
    }

    static QByteArray Leer(const QString& ruta) {
        QFile f(ruta);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private slots:
    void initTestCase() {
        QDir().mkpath(carpeta.filePath(QStringLiteral("bin")));
        QVERIFY(QFile::copy(QStringLiteral(RUTA_PROGRAMA), Programa()));
        QDir().mkpath(QFileInfo(Ajustes()).absolutePath());
        QFile ini(Ajustes());
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[General]\nAceptarEntradasDesconocidas=1\nNick=Programa\n");
    }

    void AyudaYDireccionNoValida() {
        QProcess ayuda;
        Preparar(ayuda);
        ayuda.setArguments({QStringLiteral("--help")});
        ayuda.setProcessChannelMode(QProcess::SeparateChannels);
        ayuda.start();
        QVERIFY(ayuda.waitForFinished(10000));
        QCOMPARE(ayuda.exitCode(), 0);
        QVERIFY(ayuda.readAllStandardOutput().contains("--escuchar <DIRECCION[:PUERTO]>"));

        // A wrong address ends the start at once, before anything is listened on or read.
        QProcess mal;
        Preparar(mal);
        mal.setArguments({QStringLiteral("--escuchar"), QStringLiteral("127.0.0.1:70000")});
        mal.setProcessChannelMode(QProcess::SeparateChannels);
        mal.start();
        QVERIFY(mal.waitForFinished(10000));
        QCOMPARE(mal.exitCode(), 2);
        QVERIFY(mal.readAllStandardError().contains("127.0.0.1:70000"));
        QVERIFY(!QFile::exists(Agenda()));
    }

    void VersionSinPantalla() {
        // No display at all: a platform that needs one would end the program if it got that far.
        QProcess version;
        Preparar(version);
        QProcessEnvironment entorno = version.processEnvironment();
        entorno.remove(QStringLiteral("DISPLAY"));
        entorno.remove(QStringLiteral("WAYLAND_DISPLAY"));
        entorno.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        version.setProcessEnvironment(entorno);
        version.setArguments({QStringLiteral("--version")});
        version.setProcessChannelMode(QProcess::SeparateChannels);
        version.start();
        QVERIFY(version.waitForFinished(10000));
        QCOMPARE(version.exitCode(), 0);
        QCOMPARE(version.readAllStandardOutput(), "tromblechatix " + QByteArray(kVersionPrograma) + '\n');
    }

    void SaludaYTerminaEnOrden() {
        QProcess proceso;
        Preparar(proceso);
        proceso.start();
        QVERIFY(proceso.waitForStarted());
        TPeerCrudo peer(2);
        Conectar(peer);
        QCOMPARE(peer.EsperarMensajes(2), QList<QByteArray>({"NICK:Programa", "EMAIL:"}));
        peer.Enviar("NICK:Par crudo\x07");

        // A second start hands over and ends without touching the files.
        const QByteArray agendaAntes = Leer(Agenda());
        const QByteArray ajustesAntes = Leer(Ajustes());
        const QDateTime modificado = QFileInfo(Ajustes()).lastModified();
        QProcess segundo;
        Preparar(segundo);
        segundo.start();
        QVERIFY(segundo.waitForFinished(10000));
        QCOMPARE(segundo.exitCode(), 0);
        QCOMPARE(Leer(Agenda()), agendaAntes);
        QCOMPARE(Leer(Ajustes()), ajustesAntes);
        QCOMPARE(QFileInfo(Ajustes()).lastModified(), modificado);

        ::kill(pid_t(proceso.processId()), SIGTERM);
        QVERIFY(proceso.waitForFinished(10000));
        QCOMPARE(proceso.exitStatus(), QProcess::NormalExit);
        QCOMPARE(proceso.exitCode(), 0);
        QTRY_COMPARE(peer.Socket.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(Leer(Agenda()), QByteArray("[Agenda Tromblechatix]\r\nPar crudo\r\n127.0.0.2\r\n\r\n"));
        QSettings ajustes(Ajustes(), QSettings::IniFormat);
        QCOMPARE(ajustes.allKeys().size(), kNumeroValoresConfig);
        QCOMPARE(ajustes.value("Nick").toString(), QStringLiteral("Programa"));
        QCOMPARE(ajustes.value("AceptarEntradasDesconocidas").toString(), QStringLiteral("1"));
    }

    void SenalTerminaEnOrden_data() {
        QTest::addColumn<int>("senal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    // The peer hears of the aborted transfer before the program is gone, and the contact
    // admitted on the way is saved.
    void SenalTerminaEnOrden() {
        QFETCH(int, senal);
        QFile::remove(Agenda());
        const QString recibidos = carpeta.filePath(QString::number(senal));
        QVERIFY(QDir().mkpath(recibidos));
        {
            QSettings ajustes(Ajustes(), QSettings::IniFormat);
            ajustes.setValue("AutoAceptarFicheros", 1);
            ajustes.setValue("AutoAceptarFicherosPath", recibidos);
        }
        QProcess proceso;
        Preparar(proceso);
        proceso.start();
        QVERIFY(proceso.waitForStarted());
        TPeerCrudo peer(3);
        Conectar(peer);
        peer.EsperarMensajes(2);
        peer.Enviar("NICK:Par\x07" "OFRECE_FILE:77:9000:x.bin\x07");
        // The acceptance follows what this copy takes in the extended mode.
        QCOMPARE(peer.EsperarMensajes(4).value(3), QByteArray("ACEPTA_FILE:77:9000:x.bin"));

        ::kill(pid_t(proceso.processId()), senal);
        QVERIFY(proceso.waitForFinished(10000));
        QCOMPARE(proceso.exitStatus(), QProcess::NormalExit);
        QCOMPARE(proceso.exitCode(), 0);
        QTRY_COMPARE(peer.Socket.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(peer.Mensajes().mid(4), QList<QByteArray>({"ABORT_FILE:77"}));
        QCOMPARE(Leer(Agenda()), QByteArray("[Agenda Tromblechatix]\r\nPar\r\n127.0.0.3\r\n\r\n"));
    }

    // A guest that the program took over from a leaving host hears, on SIGTERM, that the room
    // passes to it, takes it and is left, before the program's connection closes.
    void SenalTraspasaSala() {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
            QSKIP("Xvfb and xdotool are needed to answer the invitation");
        QProcess xvfb;
        TTerminarAlSalir finXvfb{xvfb};
        const QString pantalla = ArrancarXvfb(xvfb);
        QVERIFY2(!pantalla.isEmpty(), "Xvfb did not start");
        QProcess proceso;
        TTerminarAlSalir finPrograma{proceso};
        Preparar(proceso, pantalla);
        proceso.start();
        QVERIFY(proceso.waitForStarted());
        TPeerCrudo ana(4), beto(5);
        Conectar(ana);
        Conectar(beto);
        QCOMPARE(ana.EsperarMensajes(2).size(), 2);
        QCOMPARE(beto.EsperarMensajes(2).size(), 2);
        beto.Enviar("NICK:Beto\x07");
        ana.Enviar("NICK:Ana\x07" "OFRECE_JOINCHAT:7:\x07");

        // Pressed again only while the question is still up, so no Return lands elsewhere.
        const auto pedida = [&] { return ana.Mensajes().contains("PIDE_JOINCHAT:7"); };
        QVERIFY(QTest::qWaitFor([&] {
            PulsarIntro(pantalla, QStringLiteral("^Invitaci"));
            return QTest::qWaitFor(pedida, 2000);
        }, 30000));
        QCOMPARE(ana.Mensajes().mid(2), QList<QByteArray>({"PIDE_JOINCHAT:7"}));

        ana.Enviar("ACEPTA_JOINCHAT:7\x07" "ENROUTE_CHAT:7:127.0.0.5\x07" "PART_CHAT:7\x07");
        QCOMPARE(beto.EsperarMensajes(3, 20000).mid(2), QList<QByteArray>({"CHATSRVMSG:7:Ana abandona el Chat"}));

        ::kill(pid_t(proceso.processId()), SIGTERM);
        QVERIFY(proceso.waitForFinished(20000));
        QCOMPARE(proceso.exitStatus(), QProcess::NormalExit);
        QCOMPARE(proceso.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(beto.Socket.state(), QAbstractSocket::UnconnectedState, 20000);
        QCOMPARE(beto.Mensajes().mid(3),
                 QList<QByteArray>({"CHATSRVMSG:7:Programa pasa el control del Chat a Beto",
                                    "ENROUTE_CHAT:7:", "PART_CHAT:7"}));
        // The host that left hears nothing of the room any more.
        QTRY_COMPARE_WITH_TIMEOUT(ana.Socket.state(), QAbstractSocket::UnconnectedState, 20000);
        QCOMPARE(ana.Mensajes().size(), 3);
    }
};

QTEST_MAIN(TstPrograma)
#include "tst_programa.moc"
