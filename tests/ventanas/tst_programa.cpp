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
        // Announcements stay on this machine.
        entorno.insert(QStringLiteral("TROMBLECHATIX_ANUNCIOS"), QStringLiteral("127.0.0.1"));
        proceso.setProcessEnvironment(entorno);
        proceso.setProgram(Programa());
        proceso.setProcessChannelMode(QProcess::ForwardedChannels);
    }

    static QByteArray Leer(const QString& ruta) {
        QFile f(ruta);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private slots:
    void initTestCase() {
        QTcpServer libre;
        QVERIFY2(libre.listen(QHostAddress::AnyIPv4, 5777), "port 5777 is taken: stop the running Tromblechatix");
        libre.close();
        QDir().mkpath(carpeta.filePath(QStringLiteral("bin")));
        QVERIFY(QFile::copy(QStringLiteral(RUTA_PROGRAMA), Programa()));
        QDir().mkpath(QFileInfo(Ajustes()).absolutePath());
        QFile ini(Ajustes());
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[General]\nAceptarEntradasDesconocidas=1\nNick=Programa\n");
    }

    void SaludaYTerminaEnOrden() {
        QProcess proceso;
        Preparar(proceso);
        proceso.start();
        QVERIFY(proceso.waitForStarted());
        TPeerCrudo peer(2);
        peer.Socket.bind(QHostAddress(peer.Ip), 0);
        QVERIFY(QTest::qWaitFor([&] {
            peer.Socket.abort();
            peer.Socket.bind(QHostAddress(peer.Ip), 0);
            peer.Socket.connectToHost(QHostAddress(QStringLiteral("127.0.0.1")), 5777);
            return peer.Socket.waitForConnected(200);
        }, 10000));
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
};

QTEST_MAIN(TstPrograma)
#include "tst_programa.moc"
