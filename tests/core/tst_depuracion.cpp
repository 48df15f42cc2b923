#include "core/depuracion.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TstDepuracion : public QObject {
    Q_OBJECT
    QTemporaryDir carpeta;
    TReloj reloj;
    QStringList fallos;

    QByteArray Contenido(const QString& ruta) {
        QFile f(ruta);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }

private slots:
    void init() {
        fallos.clear();
        reloj.Fijar(QDateTime(QDate(2026, 12, 8), QTime(7, 5, 9)));
    }

    void FormatoDeLineas() {
        const QString ruta = carpeta.filePath(QStringLiteral("Debug.log"));
        TDepuracion log(ruta, reloj, [&](const QString&, const QString& m) { fallos << m; });
        log.EscribirDebug("< [10.0.0.1] ");
        reloj.Fijar(QDateTime(QDate(2026, 12, 8), QTime(23, 0, 0)));
        log.EscribirDebug("> [10.0.0.1] NICK:a\tb");
        log.EscribirDebug("ClientSocketConnect [10.0.0.1]");
        QCOMPARE(Contenido(ruta), QByteArray("[07:05:09] < [10.0.0.1] \r\n"
                                             "[23:00:00] > [10.0.0.1] NICK:a\tb\r\n"
                                             "[23:00:00] ClientSocketConnect [10.0.0.1]\r\n"));
        QVERIFY(fallos.isEmpty());
    }

    void PaquetesDeFicheroSeAcortan_data() {
        QTest::addColumn<QByteArray>("entrada");
        QTest::addColumn<QByteArray>("linea");
        QTest::newRow("largo") << ("> [1.2.3.4] FILE_PKT:17:" + QByteArray(3000, 'A'))
                               << QByteArray("> [1.2.3.4] FILE_PKT:17:AAAAAAAA ...");
        QTest::newRow("corto con controles") << QByteArray("< [1.2.3.4] FILE_PKT:1:\x06\x08\x00z", 27)
                                             << QByteArray("< [1.2.3.4] FILE_PKT:1:   z ...");
        QTest::newRow("otros mensajes enteros") << QByteArray("> [1.2.3.4] FIN_FILE:1:\x01")
                                                << QByteArray("> [1.2.3.4] FIN_FILE:1:\x01");
        QTest::newRow("solo tras la dirección") << QByteArray("ServerSocketClientConnect [FILE_PKT:]")
                                                << QByteArray("ServerSocketClientConnect [FILE_PKT:]");
    }
    void PaquetesDeFicheroSeAcortan() {
        QFETCH(QByteArray, entrada);
        QFETCH(QByteArray, linea);
        QCOMPARE(TDepuracion::TextoDeEntrada(entrada), linea);
    }

    void FalloSeAvisaUnaVezPorActivacion() {
        TDepuracion log(carpeta.filePath(QStringLiteral("no/hay/Debug.log")), reloj,
                        [&](const QString&, const QString& m) { fallos << m; });
        log.FijarActivo(true);
        log.EscribirDebug("a");
        log.EscribirDebug("b");
        QCOMPARE(fallos.size(), 1);
        log.FijarActivo(false);
        log.FijarActivo(true);
        log.EscribirDebug("c");
        QCOMPARE(fallos.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TstDepuracion)
#include "tst_depuracion.moc"
