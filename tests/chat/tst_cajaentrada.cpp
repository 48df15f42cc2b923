#include "chat/cajaentrada.h"

#include <QSignalSpy>
#include <QTest>

class TstCajaEntrada : public QObject {
    Q_OBJECT
private slots:
    void PegarTresLineasYEnviar() {
        TCajaEntrada caja;
        QSignalSpy lineas(&caja, &TCajaEntrada::LineasEscritas);
        caja.setPlainText(QStringLiteral("uno\n\ndos\ntres"));
        QTest::keyClick(&caja, Qt::Key_Return);
        QCOMPARE(lineas.size(), 1);
        QCOMPARE(lineas.first().first().toStringList(), (QStringList{"uno", "dos", "tres"}));
        QVERIFY(caja.toPlainText().isEmpty());
        // The paste is one history entry.
        QTest::keyClick(&caja, Qt::Key_Up);
        QCOMPARE(caja.toPlainText(), QStringLiteral("uno\n\ndos\ntres"));
    }

    void IntroSinTextoNoEnviaNiSaltaDeLinea() {
        TCajaEntrada caja;
        QSignalSpy lineas(&caja, &TCajaEntrada::LineasEscritas);
        QTest::keyClick(&caja, Qt::Key_Enter);
        QVERIFY(lineas.isEmpty());
        QVERIFY(caja.Entrada().History().isEmpty());
        QVERIFY(caja.toPlainText().isEmpty());
        // A paste of nothing but line breaks is taken in and sends nothing.
        caja.setPlainText(QStringLiteral("\n\r\n"));
        QTest::keyClick(&caja, Qt::Key_Return);
        QVERIFY(lineas.isEmpty());
        QVERIFY(caja.toPlainText().isEmpty());
    }

    void EscribirYRecorrerLaHistoria() {
        TCajaEntrada caja;
        for (const char* linea : {"A", "B"}) {
            QTest::keyClicks(&caja, QLatin1String(linea));
            QTest::keyClick(&caja, Qt::Key_Return);
        }
        QTest::keyClick(&caja, Qt::Key_Up);
        QTest::keyClick(&caja, Qt::Key_Up);
        QCOMPARE(caja.toPlainText(), QStringLiteral("A"));
        QTest::keyClick(&caja, Qt::Key_Down);
        QCOMPARE(caja.toPlainText(), QStringLiteral("B"));
        QTest::keyClicks(&caja, QStringLiteral("x"));
        QCOMPARE(caja.Entrada().HistoryPos(), 0);
    }
};

QTEST_MAIN(TstCajaEntrada)
#include "tst_cajaentrada.moc"
