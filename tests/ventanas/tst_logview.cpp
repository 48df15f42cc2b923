#include "apoyo/medidorfijo.h"
#include "logview/logview.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

constexpr TColor kRojo = ColorRGB(255, 0, 0);
constexpr TColor kBlanco = ColorRGB(255, 255, 255);

struct TVista {
    TLogStyle estilo;
    TLogView vista;

    explicit TVista(QSize tamano = {300, 120}) {
        estilo.Color = kBlanco;
        estilo.SelColor = kRojo;
        vista.SetStyle(&estilo);
        vista.SetMedidor(std::make_unique<TMedidorFijo>());
        vista.resize(tamano);
        vista.show();
        QVERIFY(QTest::qWaitForWindowExposed(&vista));
    }
    QWidget* Area() { return vista.viewport(); }
    void Arrastrar(QPoint desde, QPoint hasta) {
        QTest::mousePress(Area(), Qt::LeftButton, {}, desde);
        QTest::mouseMove(Area(), hasta);
        QTest::mouseRelease(Area(), Qt::LeftButton, {}, hasta);
    }
    void Lineas(int cuantas) {
        for (int i = 0; i < cuantas; ++i)
            vista.AppendLine(QStringLiteral("linea %1").arg(i), 0);
        vista.Reformat();
    }
};

int PixelesDeColor(const QImage& imagen, QRect zona, QColor color) {
    int cuenta = 0;
    for (int y = zona.top(); y <= zona.bottom(); ++y) {
        for (int x = zona.left(); x <= zona.right(); ++x)
            cuenta += imagen.pixelColor(x, y) == color;
    }
    return cuenta;
}

} // namespace

class TstLogView : public QObject {
    Q_OBJECT
private slots:
    void SeleccionEntreLineasLlevaCrLf() {
        TVista v;
        v.vista.AppendLine(QStringLiteral("hola mundo"), 0);
        v.vista.AppendLine(QStringLiteral("adios amigo"), 0);
        v.vista.Reformat();
        QSignalSpy seleccion(&v.vista, &TLogView::OnSelect);
        v.Arrastrar({32, 5}, {17, 20});
        QCOMPARE(seleccion.count(), 1);
        QCOMPARE(v.vista.SelectedText(), QStringLiteral("mundo\r\nad"));
        QTest::keyClick(&v.vista, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("mundo\r\nad"));
    }

    void SeleccionEnLaMismaLineaSinSalto() {
        TVista v;
        v.vista.AppendLine(QStringLiteral("hola mundo"), 0);
        v.vista.AppendText(QStringLiteral("adios"), 0);
        v.vista.Reformat();
        v.Arrastrar({32, 5}, {67, 5});
        QCOMPARE(v.vista.SelectedText(), QStringLiteral("mundoad"));
    }

    void ControlCSinSeleccionLlegaAlTeclado() {
        TVista v;
        v.vista.AppendLine(QStringLiteral("hola mundo"), 0);
        v.vista.Reformat();
        int teclasC = 0;
        connect(&v.vista, &TLogView::OnKeyDown, this,
                [&](int tecla) { teclasC += tecla == Qt::Key_C || tecla == Qt::Key_Insert; });
        QGuiApplication::clipboard()->setText(QStringLiteral("antes"));
        QTest::keyClick(&v.vista, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(teclasC, 1);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("antes"));
        v.Arrastrar({7, 5}, {27, 5});
        QTest::keyClick(&v.vista, Qt::Key_Insert, Qt::ControlModifier);
        QCOMPARE(teclasC, 1);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("hola"));
    }

    void SeleccionQueAcabaEnEmoticono() {
        TListaImagenes lista(17, 15);
        lista.Add(QImage(17, 15, QImage::Format_RGB32));
        TVista v;
        v.vista.AppendLine(QStringLiteral("ab"), 0);
        v.vista.AppendImage(0, &lista, false);
        v.vista.AppendText(QStringLiteral("cd"), 0);
        v.vista.Reformat();
        v.Arrastrar({6, 8}, {v.vista.DrawItems()[1].Left + 5, 8});
        QCOMPARE(v.vista.SelectedText(), QStringLiteral("ab"));
        QVERIFY(ImagenSeleccionada(1, {0, 1}, {1, 1}));
        QVERIFY(!ImagenSeleccionada(1, {0, 1}, {1, 0}));
    }

    void SaltoPulsadoYSoltadoDentroYFuera() {
        TVista v;
        v.vista.FirstJumpNo = 10;
        v.vista.AppendLine(QStringLiteral("enlace"), 4);
        v.vista.AppendLine(QStringLiteral("texto normal"), 0);
        v.vista.Reformat();
        QSignalSpy saltos(&v.vista, &TLogView::OnJump);
        QTest::mouseClick(v.Area(), Qt::LeftButton, {}, {10, 5});
        QCOMPARE(saltos.count(), 1);
        QCOMPARE(saltos[0][0].toInt(), 10);
        QTest::mousePress(v.Area(), Qt::LeftButton, {}, {10, 5});
        QTest::mouseRelease(v.Area(), Qt::LeftButton, {}, {10, 20});
        QCOMPARE(saltos.count(), 1);
    }

    void AutodesplazamientoDeDiezYDeUno() {
        TVista v;
        v.Lineas(200);
        v.vista.SetVerticalPos(50);
        QCOMPARE(v.vista.VerticalPos(), 50);
        QSignalSpy desplazado(&v.vista, &TLogView::OnVScrolled);
        QTest::mousePress(v.Area(), Qt::LeftButton, {}, {20, 20});
        QTest::mouseMove(v.Area(), {20, -30});
        QVERIFY(desplazado.wait(1000));
        QCOMPARE(v.vista.VerticalPos(), 40);
        QTest::mouseMove(v.Area(), {20, -10});
        desplazado.clear();
        QVERIFY(desplazado.wait(1000));
        QVERIFY(v.vista.VerticalPos() == 39 || v.vista.VerticalPos() == 30);
        const int antes = v.vista.VerticalPos();
        desplazado.clear();
        QVERIFY(desplazado.wait(1000));
        QCOMPARE(v.vista.VerticalPos(), antes - 1);
        QTest::mouseRelease(v.Area(), Qt::LeftButton, {}, {20, -10});
        QVERIFY(v.vista.HasSelection());
    }

    void ClicDerechoEnVacioNoAvisa() {
        TVista v;
        v.vista.AppendLine(QStringLiteral("hola, mundo"), 0);
        v.vista.Reformat();
        QSignalSpy derecho(&v.vista, &TLogView::OnLogRightClick);
        QTest::mouseClick(v.Area(), Qt::RightButton, {}, {250, 60});
        QCOMPARE(derecho.count(), 0);
        QTest::mouseClick(v.Area(), Qt::RightButton, {}, {40, 5});
        QCOMPARE(derecho.count(), 1);
        QCOMPARE(derecho[0][0].toString(), QStringLiteral("mundo"));
    }

    void DocumentoQueCabeNoSeDesplaza() {
        TVista v;
        v.Lineas(3);
        QCOMPARE(v.vista.VerticalPosMax(), 0);
        v.vista.SetVerticalPos(5);
        QCOMPARE(v.vista.VerticalPos(), 0);
    }

    void CambioDeAnchoReparteYMantieneLaPosicion() {
        TVista v;
        v.Lineas(200);
        QVERIFY(v.vista.VerticalPosMax() > 20);
        v.vista.SetVerticalPos(20);
        v.vista.resize(60, 120);
        QCOMPARE(v.vista.TextWidth(), v.Area()->width() - 10);
        QVERIFY(v.vista.DrawItems().size() > 200);
        QCOMPARE(v.vista.VerticalPos(), 20);
        v.vista.resize(60, 150);
        QCOMPARE(v.vista.VerticalPos(), 20);
    }

    void DocumentoMuyAltoAgrandaLaUnidad() {
        TVista v;
        v.Lineas(25000);
        QCOMPARE(v.vista.ScrollUnit(), v.vista.DocumentHeight() / 30000 + 1);
        QVERIFY(v.vista.ContentUnits() <= 30000);
    }

    void TextoSeleccionadoSePintaSobreElColorDeSeleccion() {
        TVista v;
        v.vista.AppendLine(QStringLiteral("hola mundo"), 0);
        v.vista.Reformat();
        const QImage antes = v.Area()->grab().toImage();
        QCOMPARE(PixelesDeColor(antes, {5, 1, 40, 10}, Qt::red), 0);
        v.Arrastrar({4, 5}, {200, 5});
        const QImage despues = v.Area()->grab().toImage();
        QVERIFY(PixelesDeColor(despues, {6, 1, 20, 3}, Qt::red) > 40);
        QCOMPARE(despues.pixelColor(250, 60), QColor(Qt::white));
    }

    void SinEstiloPintaElErrorEnmarcado() {
        auto* estilo = new TLogStyle;
        TLogView vista;
        vista.SetStyle(estilo);
        vista.resize(200, 80);
        delete estilo;
        QCOMPARE(vista.Style(), nullptr);
        vista.Reformat();
        const QImage imagen = vista.viewport()->grab().toImage();
        const QColor marco = AQColor(kColorSistema | 8);
        const QColor fondo = AQColor(kColorSistema | 5);
        QCOMPARE(imagen.pixelColor(0, 0), marco);
        QCOMPARE(imagen.pixelColor(imagen.width() - 1, imagen.height() / 2), marco);
        QCOMPARE(imagen.pixelColor(imagen.width() / 2, imagen.height() - 1), marco);
        QCOMPARE(imagen.pixelColor(imagen.width() - 10, imagen.height() - 10), fondo);
        QVERIFY(PixelesDeColor(imagen, {1, 1, 100, 12}, fondo) < 100 * 12 - 20);
    }

    void LimpiarQuitaSeleccionYControles() {
        TVista v;
        v.vista.AppendLine(QStringLiteral("hola mundo"), 0);
        QPointer<QWidget> boton = new QWidget;
        boton->resize(40, 20);
        v.vista.AppendControl(boton, true);
        v.vista.Reformat();
        QCOMPARE(boton->parentWidget(), v.Area());
        QCOMPARE(boton->y(), v.vista.DrawItems()[1].Top);
        v.Arrastrar({7, 5}, {27, 5});
        QSignalSpy seleccion(&v.vista, &TLogView::OnSelect);
        v.vista.ClearDocument();
        QCOMPARE(seleccion.count(), 1);
        QVERIFY(!v.vista.HasSelection());
        QVERIFY(boton.isNull());
    }
};

QTEST_MAIN(TstLogView)
#include "tst_logview.moc"
