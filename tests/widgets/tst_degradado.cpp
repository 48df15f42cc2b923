#include "core/error.h"
#include "widgets/degradado.h"

#include <QTest>

namespace {

QImage Componer(const TAspectoBarra& aspecto, QSize tamano) {
    QImage marco(tamano, QImage::Format_RGB32);
    marco.fill(Qt::magenta);
    ComponerBarra(marco, aspecto, ConstruirBarra(aspecto, tamano), QFont(), Qt::white);
    return marco;
}

QRgb Rgb(int r, int g, int b) { return qRgb(r, g, b); }

TAspectoBarra BarraSinAdornos(TBarColorStyle estilo) {
    TAspectoBarra aspecto;
    aspecto.BarColorStyle = estilo;
    aspecto.ShowBorder = false;
    aspecto.ShowPosText = false;
    aspecto.Position = 100;
    return aspecto;
}

// Red fill, green unfilled part, blue and yellow border: every region tells itself apart.
TAspectoBarra BarraDeRegiones() {
    TAspectoBarra aspecto;
    aspecto.BarColorStyle = TBarColorStyle::cs1Color;
    aspecto.BarColor1 = ColorRGB(255, 0, 0);
    aspecto.BackgroundColor = ColorRGB(0, 255, 0);
    aspecto.BorderColor1 = ColorRGB(0, 0, 255);
    aspecto.BorderColor2 = ColorRGB(255, 255, 0);
    aspecto.ShowPosText = false;
    aspecto.Position = 50;
    return aspecto;
}

} // namespace

class TstDegradado : public QObject {
    Q_OBJECT
private slots:
    void ColorAtVaDeInicioAFin() {
        const QColor negro(0, 0, 0), blanco(255, 255, 255);
        QCOMPARE(ColorAt(negro, blanco, 1, 200), negro);
        QCOMPARE(ColorAt(negro, blanco, 200, 200), blanco);
        QCOMPARE(ColorAt(blanco, negro, 200, 200), negro);
        QCOMPARE(ColorAt(QColor(10, 20, 30), blanco, 1, 1), QColor(10, 20, 30));
    }

    void ColorAtFueraDeRango() {
        for (int paso : {0, 6}) {
            try {
                ColorAt(Qt::black, Qt::white, paso, 5);
                QFAIL("no error");
            } catch (const TError& error) {
                QCOMPARE(error.Mensaje,
                         QStringLiteral("ColorIndex can't be less than 1 or greater than 5"));
            }
        }
    }

    void DosColoresDeNegroABlanco() {
        TAspectoBarra aspecto = BarraSinAdornos(TBarColorStyle::cs2Colors);
        aspecto.BarColor1 = ColorRGB(0, 0, 0);
        aspecto.BarColor2 = ColorRGB(255, 255, 255);
        const QImage imagen = Componer(aspecto, QSize(200, 20));
        QCOMPARE(imagen.pixel(0, 10), Rgb(0, 0, 0));
        QCOMPARE(imagen.pixel(199, 10), Rgb(255, 255, 255));
        QCOMPARE(imagen.pixel(100, 0), Rgb(128, 128, 128));
        QCOMPARE(imagen.pixel(100, 19), Rgb(128, 128, 128));
    }

    void TresColoresPartenEnDosTramos() {
        TAspectoBarra aspecto = BarraSinAdornos(TBarColorStyle::cs3Colors);
        aspecto.BarColor1 = ColorRGB(255, 0, 0);
        aspecto.BarColor2 = ColorRGB(0, 255, 0);
        aspecto.BarColor3 = ColorRGB(0, 0, 255);
        const QImage imagen = Componer(aspecto, QSize(207, 19));
        QCOMPARE(imagen.pixel(0, 5), Rgb(255, 0, 0));
        QVERIFY(imagen.pixel(101, 5) != Rgb(0, 255, 0));
        QCOMPARE(imagen.pixel(102, 5), Rgb(0, 255, 0));
        QCOMPARE(imagen.pixel(103, 5), Rgb(0, 255, 0));
        QVERIFY(imagen.pixel(104, 5) != Rgb(0, 255, 0));
        QCOMPARE(imagen.pixel(206, 5), Rgb(0, 0, 255));
    }

    void ElColorUnoEstaDondeCreceLaBarra_data() {
        QTest::addColumn<int>("direccion");
        QTest::addColumn<int>("estilo");
        QTest::addColumn<QPoint>("inicio");
        QTest::addColumn<QPoint>("fin");
        const auto dos = int(TBarColorStyle::cs2Colors), tres = int(TBarColorStyle::cs3Colors);
        const QPoint izquierda(0, 20), derecha(39, 20), arriba(20, 0), abajo(20, 39);
        QTest::newRow("derecha a izquierda, 2")
            << int(TProgressDirection::pdRightToLeft) << dos << derecha << izquierda;
        QTest::newRow("derecha a izquierda, 3")
            << int(TProgressDirection::pdRightToLeft) << tres << derecha << izquierda;
        QTest::newRow("arriba abajo, 3")
            << int(TProgressDirection::pdTopToBottom) << tres << arriba << abajo;
        QTest::newRow("abajo arriba, 2")
            << int(TProgressDirection::pdBottomToTop) << dos << abajo << arriba;
        QTest::newRow("abajo arriba, 3")
            << int(TProgressDirection::pdBottomToTop) << tres << abajo << arriba;
    }
    void ElColorUnoEstaDondeCreceLaBarra() {
        QFETCH(int, direccion);
        QFETCH(int, estilo);
        QFETCH(QPoint, inicio);
        QFETCH(QPoint, fin);
        TAspectoBarra aspecto = BarraSinAdornos(TBarColorStyle(estilo));
        aspecto.Direction = TProgressDirection(direccion);
        aspecto.BarColor1 = ColorRGB(255, 0, 0);
        aspecto.BarColor2 = ColorRGB(0, 255, 0);
        aspecto.BarColor3 = ColorRGB(0, 0, 255);
        const QImage imagen = Componer(aspecto, QSize(40, 40));
        QCOMPARE(imagen.pixel(inicio), Rgb(255, 0, 0));
        QCOMPARE(imagen.pixel(fin), estilo == int(TBarColorStyle::cs3Colors) ? Rgb(0, 0, 255) : Rgb(0, 255, 0));
    }

    void MitadConBordeDejaNoventaYNuevePixeles() {
        const QImage imagen = Componer(BarraDeRegiones(), QSize(200, 20));
        QCOMPARE(imagen.pixel(1, 10), Rgb(255, 0, 0));
        QCOMPARE(imagen.pixel(99, 10), Rgb(255, 0, 0));
        QCOMPARE(imagen.pixel(100, 10), Rgb(0, 255, 0));
        QCOMPARE(imagen.pixel(198, 10), Rgb(0, 255, 0));
        QCOMPARE(imagen.pixel(198, 1), Rgb(0, 255, 0));
        QCOMPARE(imagen.pixel(198, 18), Rgb(0, 255, 0));
    }

    void BordeDeDosColores() {
        const QImage imagen = Componer(BarraDeRegiones(), QSize(200, 20));
        const QRgb azul = Rgb(0, 0, 255), amarillo = Rgb(255, 255, 0);
        QCOMPARE(imagen.pixel(0, 0), azul);
        QCOMPARE(imagen.pixel(199, 0), azul);
        QCOMPARE(imagen.pixel(0, 19), azul);
        QCOMPARE(imagen.pixel(0, 10), azul);
        QCOMPARE(imagen.pixel(1, 19), amarillo);
        QCOMPARE(imagen.pixel(199, 19), amarillo);
        QCOMPARE(imagen.pixel(199, 1), amarillo);
    }

    void ParteVaciaSegunLaDireccion_data() {
        QTest::addColumn<int>("direccion");
        QTest::addColumn<QRect>("vacia");
        QTest::newRow("izquierda a derecha")
            << int(TProgressDirection::pdLeftToRight) << QRect(100, 1, 99, 18);
        QTest::newRow("derecha a izquierda")
            << int(TProgressDirection::pdRightToLeft) << QRect(1, 1, 99, 18);
        QTest::newRow("arriba abajo")
            << int(TProgressDirection::pdTopToBottom) << QRect(1, 10, 198, 9);
        QTest::newRow("abajo arriba")
            << int(TProgressDirection::pdBottomToTop) << QRect(1, 1, 198, 9);
    }
    void ParteVaciaSegunLaDireccion() {
        QFETCH(int, direccion);
        QFETCH(QRect, vacia);
        TAspectoBarra aspecto = BarraDeRegiones();
        aspecto.Direction = TProgressDirection(direccion);
        QCOMPARE(ParteVacia(aspecto, QSize(200, 20)), vacia);
    }

    void SinAvanceNoHayBarra() {
        TAspectoBarra aspecto = BarraDeRegiones();
        aspecto.Position = aspecto.Min;
        QCOMPARE(ParteVacia(aspecto, QSize(200, 20)), QRect(1, 1, 198, 18));
        aspecto.Position = 50;
        aspecto.Max = aspecto.Min;
        QCOMPARE(ParteVacia(aspecto, QSize(200, 20)), QRect(1, 1, 198, 18));
        aspecto.Max = 100;
        aspecto.Position = 100;
        QVERIFY(ParteVacia(aspecto, QSize(200, 20)).isEmpty());
    }

    void LimitesExtremosNoDesbordan() {
        TAspectoBarra aspecto;
        aspecto.Min = std::numeric_limits<qint32>::min();
        aspecto.Max = std::numeric_limits<qint32>::max();
        aspecto.Position = 0;
        QCOMPARE(LongitudLlena(aspecto, 200), 100);
        aspecto.Position = aspecto.Max;
        QCOMPARE(LongitudLlena(aspecto, 200), 200);
    }

    void MosaicoDeLaImagen() {
        QImage pieza(3, 2, QImage::Format_RGB32);
        for (int x = 0; x < 3; ++x)
            for (int y = 0; y < 2; ++y)
                pieza.setPixel(x, y, qRgb(x * 100, y * 100, 7));
        TAspectoBarra aspecto = BarraSinAdornos(TBarColorStyle::cs1Color);
        aspecto.BarBitmap = pieza;
        const QImage imagen = Componer(aspecto, QSize(10, 5));
        for (int x = 0; x < 10; ++x)
            for (int y = 0; y < 5; ++y)
                QCOMPARE(imagen.pixel(x, y), pieza.pixel(x % 3, y % 2));
    }

    void TextoDeLaBarra() {
        TAspectoBarra aspecto;
        aspecto.Position = 42;
        aspecto.PosTextPrefix = QStringLiteral("Van ");
        aspecto.PosTextSuffix = QStringLiteral(" kB");
        QCOMPARE(TextoBarra(aspecto), QStringLiteral("Van 42 kB"));

        TAspectoBarra porcentaje;
        porcentaje.Percentage = true;
        porcentaje.PosTextSuffix = QStringLiteral("%");
        porcentaje.Max = 3;
        porcentaje.Position = 1;
        QCOMPARE(TextoBarra(porcentaje), QStringLiteral("33%"));
        porcentaje.Min = 50;
        porcentaje.Max = 100;
        porcentaje.Position = 75;
        QCOMPARE(TextoBarra(porcentaje), QStringLiteral("75%"));
        porcentaje.Max = 0;
        porcentaje.Min = 0;
        QCOMPARE(TextoBarra(porcentaje), QStringLiteral("0%"));
    }

    void ElTextoQuedaCentrado() {
        TAspectoBarra aspecto = BarraSinAdornos(TBarColorStyle::cs1Color);
        aspecto.BarColor1 = ColorRGB(0, 0, 0);
        aspecto.ShowPosText = true;
        aspecto.Position = 88;
        aspecto.BackgroundColor = ColorRGB(0, 0, 0);
        const QImage imagen = Componer(aspecto, QSize(200, 30));
        QRect tinta;
        for (int x = 0; x < 200; ++x)
            for (int y = 0; y < 30; ++y)
                if (imagen.pixel(x, y) != Rgb(0, 0, 0))
                    tinta |= QRect(x, y, 1, 1);
        QVERIFY(!tinta.isEmpty());
        QVERIFY2(qAbs(tinta.center().x() - 100) <= 3, qPrintable(QString::number(tinta.center().x())));
        QVERIFY2(qAbs(tinta.center().y() - 15) <= 4, qPrintable(QString::number(tinta.center().y())));
    }
};

QTEST_MAIN(TstDegradado)
#include "tst_degradado.moc"
