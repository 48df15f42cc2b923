#include "chat/emoticonos.h"

#include <QSet>
#include <QTest>

class TstEmoticonos : public QObject {
    Q_OBJECT
private slots:
    void BuscarEmoticono_data() {
        QTest::addColumn<QString>("linea");
        QTest::addColumn<int>("desde");
        QTest::addColumn<int>("imagen");
        QTest::addColumn<int>("hasta");
        QTest::addRow("corto") << ":)" << 0 << 0 << 1;
        QTest::addRow("con nariz") << ":-)" << 0 << 0 << 2;
        QTest::addRow("palabra") << ":smile:" << 0 << 0 << 6;
        QTest::addRow("risa") << ":-D" << 0 << 1 << 2;
        QTest::addRow("risa en minuscula") << ":-d" << 0 << -1 << 0;
        QTest::addRow("lengua de dos puntos") << "::P:" << 0 << 6 << 3;
        QTest::addRow("lengua y dos puntos") << ":P:" << 0 << 6 << 1;
        QTest::addRow("confuso de dos puntos") << "::S:" << 0 << 11 << 3;
        QTest::addRow("lagrima con comillas") << ":\"(" << 0 << 3 << 2;
        QTest::addRow("lagrima con comillas y nariz") << ":\"-(" << 0 << 3 << 3;
        QTest::addRow("lagrima con apostrofo") << ":'-(" << 0 << 3 << 3;
        QTest::addRow("suspiro") << ":sigh:" << 0 << 7 << 5;
        QTest::addRow("rubor") << ":blush:" << 0 << 12 << 6;
        QTest::addRow("malo") << ":evil1:" << 0 << 14 << 6;
        QTest::addRow("malo 2") << ":evil2:" << 0 << 15 << 6;
        QTest::addRow("jiji") << "X-D" << 0 << 13 << 2;
        QTest::addRow("jiji en minuscula") << "xD" << 0 << -1 << 0;
        QTest::addRow("asombro en minuscula") << ":o" << 0 << -1 << 0;
        QTest::addRow("gafas") << "B-)" << 0 << 9 << 2;
        QTest::addRow("pasmo") << "8|" << 0 << 8 << 1;
        QTest::addRow("en medio") << "ab:)cd" << 2 << 0 << 3;
        QTest::addRow("corte al final") << "ya :smil" << 3 << -1 << 3;
        QTest::addRow("fuera de la linea") << "ab" << 2 << -1 << 2;
        QTest::addRow("dos puntos antes") << "::)" << 0 << -1 << 0;
        QTest::addRow("dos puntos antes, desde el segundo") << "::)" << 1 << 0 << 2;
    }

    void BuscarEmoticono() {
        QFETCH(QString, linea);
        QFETCH(int, desde);
        QFETCH(int, imagen);
        QFETCH(int, hasta);
        qsizetype posicion = desde;
        QCOMPARE(::BuscarEmoticono(linea, posicion), imagen);
        QCOMPARE(posicion, qsizetype(hasta));
    }

    void CadaBotonInsertaElCodigoDeSuDibujo() {
        QCOMPARE(DiccionarioEmoticonos().size(), 44);
        const QStringList& codigos = CodigosBotonesEmoticonos();
        QCOMPARE(codigos.size(), kNumeroEmoticonos);
        for (int boton = 0; boton < codigos.size(); ++boton) {
            qsizetype posicion = 0;
            QCOMPARE(::BuscarEmoticono(codigos[boton], posicion), boton);
            QCOMPARE(posicion, codigos[boton].size() - 1);
        }
    }

    void DieciseisDibujosDistintos() {
        const TListaImagenes lista = ListaEmoticonos();
        QCOMPARE(lista.Count(), kNumeroEmoticonos);
        QSet<QByteArray> vistos;
        for (int numero = 0; numero < lista.Count(); ++numero) {
            const QImage imagen = lista.Imagen(numero);
            QCOMPARE(imagen.size(), QSize(17, 15));
            // Transparent corners, a painted middle.
            QCOMPARE(qAlpha(imagen.pixel(0, 14)), 0);
            QVERIFY(qAlpha(imagen.pixel(8, 7)) > 0);
            const QByteArray bytes(reinterpret_cast<const char*>(imagen.constBits()),
                                   imagen.sizeInBytes());
            QVERIFY2(!vistos.contains(bytes), qPrintable(QString::number(numero)));
            vistos.insert(bytes);
        }
    }

    void PosicionDelPanel_data() {
        QTest::addColumn<QPoint>("raton");
        QTest::addColumn<QPoint>("esperada");
        // The window is at 100, 50, 500 x 400; the panel 103 x 123.
        QTest::addRow("lejos de los bordes") << QPoint(200, 300) << QPoint(102, 189);
        QTest::addRow("justo cabe a la derecha") << QPoint(487, 300) << QPoint(389, 189);
        QTest::addRow("cerca del borde derecho") << QPoint(590, 300) << QPoint(389, 189);
        QTest::addRow("cerca del borde inferior") << QPoint(200, 440) << QPoint(102, 269);
        QTest::addRow("en la esquina") << QPoint(598, 448) << QPoint(389, 269);
        QTest::addRow("altura impar redondea hacia cero") << QPoint(200, 111) << QPoint(102, 0);
    }

    void PosicionDelPanel() {
        QFETCH(QPoint, raton);
        QFETCH(QPoint, esperada);
        QCOMPARE(PosicionPanelEmoticonos(raton, QRect(100, 50, 500, 400), QSize(103, 123)),
                 esperada);
    }
};

QTEST_GUILESS_MAIN(TstEmoticonos)
#include "tst_emoticonos.moc"
