#include "chat/disposicionchat.h"
#include "widgets/bordes.h"

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
        QTest::addColumn<int>("lados");
        QTest::addColumn<int>("bordes");
        const int sinArriba = Qt::LeftEdge | Qt::RightEdge | Qt::BottomEdge;
        const int todos = sinArriba | Qt::TopEdge;
        QTest::newRow("izquierda") << QPoint(0, 100) << sinArriba << int(Qt::LeftEdge);
        QTest::newRow("derecha") << QPoint(499, 100) << sinArriba << int(Qt::RightEdge);
        QTest::newRow("abajo a la derecha")
            << QPoint(497, 396) << sinArriba << int(Qt::RightEdge | Qt::BottomEdge);
        QTest::newRow("entre cabecera y paginas") << QPoint(250, 25) << sinArriba << 0;
        QTest::newRow("arriba, la cabecera mueve") << QPoint(250, 1) << sinArriba << 0;
        QTest::newRow("arriba a la izquierda")
            << QPoint(1, 1) << todos << int(Qt::LeftEdge | Qt::TopEdge);
    }
    void BordesQueRedimensionan() {
        QFETCH(QPoint, punto);
        QFETCH(int, lados);
        QFETCH(int, bordes);
        QCOMPARE(int(BordesDeRedimension(punto, {500, 400}, 4, Qt::Edges(lados))), bordes);
    }
};

QTEST_MAIN(TstDisposicionChat)
#include "tst_disposicionchat.moc"
