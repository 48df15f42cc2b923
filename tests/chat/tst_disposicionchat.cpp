#include "chat/disposicionchat.h"

#include <QTest>

class TstDisposicionChat : public QObject {
    Q_OBJECT
private slots:
    void ColumnaNickDejaSitioALaBarra_data() {
        QTest::addColumn<int>("filas");
        QTest::addColumn<int>("ancho");
        QTest::newRow("vacia") << 0 << 144;
        QTest::newRow("caben justas") << 7 << 144;   // 7 x 16 = 112 <= 116
        QTest::newRow("una de mas") << 8 << 128;
    }
    void ColumnaNickDejaSitioALaBarra() {
        QFETCH(int, filas);
        QFETCH(int, ancho);
        QCOMPARE(AnchoColumnaNick(filas, {148, 118}), ancho);
    }

    void BordesQueRedimensionan_data() {
        QTest::addColumn<QPoint>("punto");
        QTest::addColumn<int>("bordes");
        QTest::newRow("izquierda") << QPoint(0, 100) << int(Qt::LeftEdge);
        QTest::newRow("derecha") << QPoint(499, 100) << int(Qt::RightEdge);
        QTest::newRow("abajo a la derecha") << QPoint(497, 396) << int(Qt::RightEdge | Qt::BottomEdge);
        QTest::newRow("entre cabecera y paginas") << QPoint(250, 25) << 0;
    }
    void BordesQueRedimensionan() {
        QFETCH(QPoint, punto);
        QFETCH(int, bordes);
        QCOMPARE(int(BordesDeRedimension(punto, {500, 400}, 4)), bordes);
    }
};

QTEST_MAIN(TstDisposicionChat)
#include "tst_disposicionchat.moc"
