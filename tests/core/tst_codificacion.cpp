#include "core/codificacion.h"

#include <QTest>

class TstCodificacion : public QObject {
    Q_OBJECT
private slots:
    void TodosLosBytesVanYVuelven() {
        QByteArray todos;
        for (int b = 0; b < 256; ++b)
            todos.append(char(b));
        const QString texto = DecodificarCp1252(todos);
        QCOMPARE(texto.size(), 256);
        QCOMPARE(CodificarCp1252(texto), todos);
    }

    void CaracteresDelCodigo_data() {
        QTest::addColumn<QString>("caracter");
        QTest::addColumn<int>("byte");
        QTest::newRow("euro") << QStringLiteral("€") << 0x80;
        QTest::newRow("sin definir 81") << QString(QChar(0x81)) << 0x81;
        QTest::newRow("sin definir 9D") << QString(QChar(0x9D)) << 0x9D;
        QTest::newRow("comillas") << QStringLiteral("“") << 0x93;
        QTest::newRow("eñe") << QStringLiteral("ñ") << 0xF1;
        QTest::newRow("abre interrogación") << QStringLiteral("¿") << 0xBF;
        QTest::newRow("abre exclamación") << QStringLiteral("¡") << 0xA1;
        QTest::newRow("y diéresis mayúscula") << QStringLiteral("Ÿ") << 0x9F;
    }
    void CaracteresDelCodigo() {
        QFETCH(QString, caracter);
        QFETCH(int, byte);
        QCOMPARE(CodificarCp1252(caracter), QByteArray(1, char(byte)));
        QCOMPARE(DecodificarCp1252(QByteArray(1, char(byte))), caracter);
    }

    void FueraDelCodigoEsInterrogacion() {
        QCOMPARE(CodificarCp1252(QStringLiteral("a\u4E2Db")), QByteArray("a?b"));
        QCOMPARE(CodificarCp1252(QStringLiteral("x\U0001F600y")), QByteArray("x?y"));
        QCOMPARE(CodificarCp1252(QStringLiteral("\u0100")), QByteArray("?"));
    }
};

QTEST_GUILESS_MAIN(TstCodificacion)
#include "tst_codificacion.moc"
