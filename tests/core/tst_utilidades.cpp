#include "core/utilidades.h"

#include <QTest>
#include <QTextDocument>

class TstUtilidades : public QObject {
    Q_OBJECT
private slots:
    // Tooltips read markup on their own: a peer's text must come out as it went in.
    void AyudaLiteralMuestraElTextoTalCual_data() {
        QTest::addColumn<QString>("texto");
        QTest::newRow("bold") << QStringLiteral("<b>Ana</b>");
        QTest::newRow("image") << QStringLiteral("<img src=x>");
        QTest::newRow("entity") << QStringLiteral("a &amp; b");
        QTest::newRow("spaces") << QStringLiteral("dos  espacios");
        QTest::newRow("quotes") << QStringLiteral("'\"<p style=x>");
    }

    void AyudaLiteralMuestraElTextoTalCual() {
        QFETCH(QString, texto);
        const QString ayuda = AyudaLiteral(texto);
        QVERIFY(Qt::mightBeRichText(ayuda));
        QTextDocument documento;
        documento.setHtml(ayuda);
        QCOMPARE(documento.toPlainText(), texto);
    }

    void SaltosDeCaja_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("enCaja");
        QTest::newRow("invitacion") << QStringLiteral("le invita\rhospedada por\r\r¿Acepta?")
                                    << QStringLiteral("le invita\nhospedada por\n\n¿Acepta?");
        QTest::newRow("CR LF es un salto") << QStringLiteral("a\r\nb") << QStringLiteral("a\nb");
        QTest::newRow("LF se queda") << QStringLiteral("a\nb") << QStringLiteral("a\nb");
    }
    void SaltosDeCaja() {
        QFETCH(QString, texto);
        QFETCH(QString, enCaja);
        QCOMPARE(::SaltosDeCaja(texto), enCaja);
    }

    // A megabyte of nick or file name shows as its start and end, never a split character.
    void AcortadoParaMostrar_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("mostrado");
        QTest::newRow("corto") << QStringLiteral("Marisol") << QStringLiteral("Marisol");
        QTest::newRow("largo") << QString(1'000'000, u'a') + QStringLiteral(".zip")
                               << QString(750, u'a') + u'…' + QString(245, u'a') + u".zip";
        const QString cara = QStringLiteral("😀");
        QTest::newRow("pares sustitutos") << cara.repeated(600)
                                          << cara.repeated(375) + u'…' + cara.repeated(124);
    }
    void AcortadoParaMostrar() {
        QFETCH(QString, texto);
        QFETCH(QString, mostrado);
        QCOMPARE(::AcortadoParaMostrar(texto), mostrado);
    }

    void Miles_data() {
        QTest::addColumn<int>("numero");
        QTest::addColumn<QString>("texto");
        QTest::newRow("cero") << 0 << "0";
        QTest::newRow("100") << 100 << "100";
        QTest::newRow("999") << 999 << "999";
        QTest::newRow("1000") << 1000 << "1.000";
        QTest::newRow("1234567") << 1234567 << "1.234.567";
        QTest::newRow("9386250") << 9386250 << "9.386.250";
        QTest::newRow("1000000") << 1000000 << "1.000.000";
        QTest::newRow("-1234") << -1234 << "-1.234";
        QTest::newRow("-100") << -100 << "-100";
        QTest::newRow("mínimo") << INT_MIN << "-2.147.483.648";
    }
    void Miles() {
        QFETCH(int, numero);
        QFETCH(QString, texto);
        QCOMPARE(FormatearMiles(numero), texto);
    }

    void Mezcla() {
        QCOMPARE(MezclarColores(0xFFFFFF, 0x000000, 50), ColorRGB(127, 127, 127));
        QCOMPARE(MezclarColores(0x123456, 0xABCDEF, 100), TColor(0x123456));
        QCOMPARE(MezclarColores(0x123456, 0xABCDEF, 0), TColor(0xABCDEF));
        // 70 % of a red pixel over the selected-row blue: each channel truncates.
        QCOMPARE(MezclarColores(ColorRGB(255, 0, 0), ColorRGB(51, 51, 170), 70), ColorRGB(193, 15, 51));
    }

    void Colocacion() {
        const QSize pantalla(1024, 768);
        QCOMPARE(PosicionSobrePrincipal({200, 100}, {100, 50, 300, 400}, pantalla), QPoint(150, 60));
        // Beyond the right and bottom edges: pulled back one pixel inside.
        QCOMPARE(PosicionSobrePrincipal({200, 100}, {900, 700, 300, 400}, pantalla), QPoint(823, 667));
        // Wider and taller than the screen: 1,1.
        QCOMPARE(PosicionSobrePrincipal({2000, 900}, {0, 0, 300, 400}, pantalla), QPoint(1, 1));
        // Odd difference truncates toward zero.
        QCOMPARE(PosicionSobrePrincipal({201, 10}, {100, 50, 300, 400}, pantalla), QPoint(149, 60));
        QCOMPARE(PosicionCentrada({200, 100}, pantalla), QPoint(412, 334));
        QCOMPARE(PosicionCentrada({2000, 1000}, pantalla), QPoint(-488, -116));
    }

    void Colores() {
        QCOMPARE(AQColor(ColorRGB(102, 102, 187)), QColor(102, 102, 187));
        QCOMPARE(AQColor(12281446), QColor(102, 102, 187));
        QVERIFY(!AQColor(kSinColor).isValid());
        QVERIFY(AQColor(0x80000005).isValid());
        QCOMPARE(DeQColor(QColor(1, 2, 3)), TColor(0x030201));
    }
};

QTEST_MAIN(TstUtilidades)
#include "tst_utilidades.moc"
