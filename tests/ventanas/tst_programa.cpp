#include "apoyo/nodoprueba.h"
#include "core/configuracion.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

// The whole program, started as a user would, with its own home and folder.
class TstPrograma : public QObject {
    Q_OBJECT
    QTemporaryDir carpeta;

    QString Programa() const { return carpeta.filePath(QStringLiteral("bin/tromblechatix")); }
    QString Agenda() const { return carpeta.filePath(QStringLiteral("bin/Contactos.dat")); }
    QString Ajustes() const { return carpeta.filePath(QStringLiteral("config/Qorlunde/Tromblechatix.ini")); }

    void Preparar(QProcess& proceso) {
        QProcessEnvironment entorno = QProcessEnvironment::systemEnvironment();
        entorno.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
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
        QCOMPARE(peer.EsperarMensajes(3).value(2), QByteArray("ACEPTA_FILE:77:9000:x.bin"));

        ::kill(pid_t(proceso.processId()), senal);
        QVERIFY(proceso.waitForFinished(10000));
        QCOMPARE(proceso.exitStatus(), QProcess::NormalExit);
        QCOMPARE(proceso.exitCode(), 0);
        QTRY_COMPARE(peer.Socket.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(peer.Mensajes().mid(3), QList<QByteArray>({"ABORT_FILE:77"}));
        QCOMPARE(Leer(Agenda()), QByteArray("[Agenda Tromblechatix]\r\nPar\r\n127.0.0.3\r\n\r\n"));
    }
};

QTEST_MAIN(TstPrograma)
#include "tst_programa.moc"
