#include "widgets/cabeceraventana.h"
#include "widgets/colocacion.h"

#include <QScreen>
#include <QSignalSpy>
#include <QTest>

namespace {

struct TVentanaPrueba : QWidget {
    explicit TVentanaPrueba(TCabeceraVentana::TBotones botones = TCabeceraVentana::Cerrar)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
          Cabecera(new TCabeceraVentana(QStringLiteral("PanelCabecera"), QStringLiteral("Prueba"),
                                        botones, this)) {
        setGeometry(100, 100, 300, 200);
        Cabecera->setGeometry(0, 0, 300, TCabeceraVentana::kAlto);
    }
    TCabeceraVentana* Cabecera;
};

QColor ColorTitulo(const TCabeceraVentana* cabecera) {
    return cabecera->lblCaption()->palette().color(QPalette::WindowText);
}

void Mostrar(QWidget& ventana) {
    ventana.show();
    QVERIFY(QTest::qWaitForWindowExposed(&ventana));
}

} // namespace

class TstCabeceraVentana : public QObject {
    Q_OBJECT
private slots:
    void ColoresDeLaCabecera() {
        TVentanaPrueba ventana;
        Mostrar(ventana);
        const QImage imagen = ventana.Cabecera->grab().toImage();
        QCOMPARE(QColor(imagen.pixel(200, 10)), QColor(102, 102, 187));
        QVERIFY(ventana.Cabecera->lblCaption()->font().bold());
        QCOMPARE(ventana.Cabecera->findChild<QLabel*>(QStringLiteral("lblCaption")),
                 ventana.Cabecera->lblCaption());
    }

    void TituloSegunLaActivacion() {
        TVentanaPrueba una, otra;
        Mostrar(una);
        Mostrar(otra);
        una.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&una));
        QTRY_COMPARE(ColorTitulo(una.Cabecera), QColor(255, 255, 255));
        QTRY_COMPARE(ColorTitulo(otra.Cabecera), QColor(187, 187, 221));
        otra.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&otra));
        QTRY_COMPARE(ColorTitulo(una.Cabecera), QColor(187, 187, 221));
        QTRY_COMPARE(ColorTitulo(otra.Cabecera), QColor(255, 255, 255));
    }

    void ArrastrarPorElTituloMueveLaVentana() {
        TVentanaPrueba ventana;
        Mostrar(ventana);
        QLabel* titulo = ventana.Cabecera->lblCaption();
        QTest::mousePress(titulo, Qt::LeftButton, {}, QPoint(10, 5));
        QTest::mouseMove(titulo, QPoint(40, 25));
        QTest::mouseRelease(titulo, Qt::LeftButton, {}, QPoint(40, 25));
        QTRY_COMPARE(ventana.pos(), QPoint(130, 120));
        QTest::mouseMove(titulo, QPoint(60, 60));
        QCOMPARE(ventana.pos(), QPoint(130, 120));
    }

    void ElAspaCierraYNoArrastra() {
        TVentanaPrueba ventana;
        Mostrar(ventana);
        QSignalSpy cerrar(ventana.Cabecera, &TCabeceraVentana::CerrarPulsado);
        QLabel* aspa = ventana.Cabecera->imgCerrar();
        QCOMPARE(aspa->geometry(), QRect(300 - 12 - 5, 5, 12, 12));
        QCOMPARE(aspa->toolTip(), QStringLiteral("Cerrar"));
        QTest::mousePress(aspa, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseMove(aspa, QPoint(30, 30));
        QTest::mouseRelease(aspa, Qt::LeftButton, {}, QPoint(6, 6));
        QCOMPARE(cerrar.count(), 1);
        QCOMPARE(ventana.pos(), QPoint(100, 100));
        QTest::mousePress(aspa, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseRelease(aspa, Qt::LeftButton, {}, QPoint(40, 5));
        QCOMPARE(cerrar.count(), 1);
    }

    void SinGlifosNoHayAspa() {
        TVentanaPrueba ventana{TCabeceraVentana::TBotones()};
        QVERIFY(!ventana.Cabecera->imgCerrar());
        QVERIFY(!ventana.Cabecera->findChild<QLabel*>(QStringLiteral("imgCerrar")));
    }

    void MaximizarYRestaurar() {
        TVentanaPrueba ventana(TCabeceraVentana::Cerrar | TCabeceraVentana::Minimizar |
                               TCabeceraVentana::Maximizar);
        Mostrar(ventana);
        TCabeceraVentana* cabecera = ventana.Cabecera;
        QCOMPARE(cabecera->imgMaximizar()->x(), cabecera->imgCerrar()->x() - 18);
        QCOMPARE(cabecera->imgRestaurar()->x(), cabecera->imgMaximizar()->x());
        QCOMPARE(cabecera->imgMinimizar()->x(), cabecera->imgMaximizar()->x() - 14);
        QVERIFY(cabecera->imgMaximizar()->isVisible());
        QVERIFY(!cabecera->imgRestaurar()->isVisible());

        QTest::mouseClick(cabecera->imgMaximizar(), Qt::LeftButton);
        QTRY_VERIFY(ventana.isMaximized());
        QTRY_VERIFY(cabecera->imgRestaurar()->isVisible());
        QVERIFY(!cabecera->imgMaximizar()->isVisible());

        QTest::mouseClick(cabecera->imgRestaurar(), Qt::LeftButton);
        QTRY_VERIFY(!ventana.isMaximized());
        QTRY_VERIFY(cabecera->imgMaximizar()->isVisible());
        QVERIFY(!cabecera->imgRestaurar()->isVisible());
    }

    void ColocarSobreLaPrincipal() {
        const QSize pantalla = QGuiApplication::primaryScreen()->geometry().size();
        QWidget principal(nullptr, Qt::Window | Qt::FramelessWindowHint);
        principal.setGeometry(100, 100, 300, 400);
        QWidget dialogo(nullptr, Qt::Window | Qt::FramelessWindowHint);
        dialogo.resize(219, 154);
        ColocarSobrePrincipal(&dialogo, &principal);
        QCOMPARE(dialogo.pos(), QPoint(140, 110));

        principal.move(pantalla.width() - 150, pantalla.height() - 20);
        ColocarSobrePrincipal(&dialogo, &principal);
        QCOMPARE(dialogo.pos(),
                 QPoint(pantalla.width() - 219 - 1, pantalla.height() - 154 - 1));

        dialogo.resize(pantalla.width() + 10, 100);
        ColocarSobrePrincipal(&dialogo, &principal);
        QCOMPARE(dialogo.x(), 1);
    }

    void SiempreEncimaConservaElSitio() {
        TVentanaPrueba ventana;
        Mostrar(ventana);
        ventana.setGeometry(150, 120, 260, 180);
        AplicarSiempreEncima(&ventana, true);
        QVERIFY(ventana.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(ventana.isVisible());
        QCOMPARE(ventana.geometry(), QRect(150, 120, 260, 180));
        AplicarSiempreEncima(&ventana, false);
        QVERIFY(!(ventana.windowFlags() & Qt::WindowStaysOnTopHint));
        QVERIFY(ventana.isVisible());
        QCOMPARE(ventana.geometry(), QRect(150, 120, 260, 180));

        QWidget oculta;
        AplicarSiempreEncima(&oculta, true);
        QVERIFY(oculta.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!oculta.isVisible());
    }
};

QTEST_MAIN(TstCabeceraVentana)
#include "tst_cabeceraventana.moc"
