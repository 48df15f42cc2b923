#include "widgets/gradientbar.h"

#include <QScreen>
#include <QTest>

namespace {

void BarraDeNegroABlanco(TGradientBar& barra) {
    barra.SetBarColorStyle(TBarColorStyle::cs2Colors);
    barra.SetBarColor1(ColorRGB(0, 0, 0));
    barra.SetBarColor2(ColorRGB(255, 255, 255));
    barra.SetShowBorder(false);
    barra.SetShowPosText(false);
    barra.SetPosition(100);
}

} // namespace

class TstGradientBar : public QObject {
    Q_OBJECT
private slots:
    void UnaBarraNueva() {
        TGradientBar barra;
        QCOMPARE(barra.size(), QSize(200, 20));
        QCOMPARE(barra.BarColorStyle(), TBarColorStyle::cs3Colors);
        QCOMPARE(barra.BarColor1(), ColorRGB(0, 128, 0));
        QCOMPARE(barra.BarColor2(), ColorRGB(255, 255, 0));
        QCOMPARE(barra.BarColor3(), ColorRGB(255, 0, 0));
        QCOMPARE(barra.BackgroundColor(), TColor(0x8000000F));
        QCOMPARE(barra.Min(), 0);
        QCOMPARE(barra.Max(), 100);
        QCOMPARE(barra.Position(), 0);
        QVERIFY(barra.ShowBorder());
        QVERIFY(barra.ShowPosText());
        QVERIFY(!barra.Percentage());
    }

    void PosicionFueraDeRangoSeIgnora() {
        TGradientBar barra;
        barra.SetPosition(40);
        barra.SetPosition(101);
        QCOMPARE(barra.Position(), 40);
        barra.SetPosition(-1);
        QCOMPARE(barra.Position(), 40);
        barra.SetMin(50);
        QCOMPARE(barra.Position(), 40);
        barra.SetPosition(100);
        QCOMPARE(barra.Position(), 100);
    }

    void PintaLoQueCompone() {
        TGradientBar barra;
        barra.SetBarColorStyle(TBarColorStyle::cs2Colors);
        barra.SetBarColor1(ColorRGB(0, 0, 128));
        barra.SetBarColor2(ColorRGB(102, 102, 255));
        barra.SetBackgroundColor(ColorRGB(190, 190, 202));
        barra.SetPercentage(true);
        barra.SetPosTextSuffix(QStringLiteral("%"));
        barra.resize(333, 19);
        barra.SetMax(3);
        barra.SetPosition(1);
        const QImage pintada = barra.grab().toImage().convertToFormat(QImage::Format_RGB32);

        QImage esperada(barra.size(), QImage::Format_RGB32);
        ComponerBarra(esperada, barra.Aspecto(), ConstruirBarra(barra.Aspecto(), barra.size()),
                      barra.font(), barra.palette().color(barra.foregroundRole()));
        QCOMPARE(pintada, esperada);
        QCOMPARE(pintada.pixel(300, 9), qRgb(190, 190, 202));
    }

    void CambiarDeTamanoRehaceElDegradado() {
        TGradientBar barra;
        BarraDeNegroABlanco(barra);
        barra.show();
        QVERIFY(QTest::qWaitForWindowExposed(&barra));
        barra.SetPosition(50);
        barra.resize(300, 20);
        barra.SetPosition(100);
        // What reached the screen, not a fresh rendering.
        const QImage pintada = barra.screen()->grabWindow(barra.winId()).toImage();
        QCOMPARE(pintada.size(), QSize(300, 20));
        QCOMPARE(pintada.pixel(299, 10), qRgb(255, 255, 255));
        QCOMPARE(pintada.pixel(0, 10), qRgb(0, 0, 0));
    }

    void LaImagenDeLaBarraSeCopia() {
        QImage pieza(2, 2, QImage::Format_RGB32);
        pieza.fill(Qt::red);
        TGradientBar barra;
        barra.SetShowBorder(false);
        barra.SetPosition(100);
        barra.SetBarBitmap(pieza);
        pieza.fill(Qt::blue);
        QCOMPARE(barra.grab().toImage().pixel(5, 5), qRgb(255, 0, 0));
    }
};

QTEST_MAIN(TstGradientBar)
#include "tst_gradientbar.moc"
