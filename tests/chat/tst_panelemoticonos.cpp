#include "chat/emoticonos.h"
#include "chat/panelemoticonos.h"
#include "widgets/barrapanel.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

namespace {

struct TVentanaChat : QWidget {
    TVentanaChat()
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), entrada(new QPlainTextEdit(this)),
          panel(new TPanelEmoticonos(imagenes, this)) {
        setGeometry(100, 50, 500, 400);
        entrada->setGeometry(4, 340, 492, 39);
        panel->VigilarEntrada(entrada);
        show();
        QVERIFY(QTest::qWaitForWindowExposed(this));
    }
    void Pulsar(Qt::MouseButton boton, QPoint en) {
        QTest::mouseClick(entrada->viewport(), boton, {}, en);
    }
    void Escribir(const QString& texto, int desde, int hasta) {
        entrada->setPlainText(texto);
        QTextCursor cursor = entrada->textCursor();
        cursor.setPosition(desde);
        cursor.setPosition(hasta, QTextCursor::KeepAnchor);
        entrada->setTextCursor(cursor);
    }
    QToolButton* Boton(const char* nombre) {
        return panel->findChild<QToolButton*>(QLatin1String(nombre));
    }

    TListaImagenes imagenes = ListaEmoticonos();
    QPlainTextEdit* entrada;
    TPanelEmoticonos* panel;
};

} // namespace

class TstPanelEmoticonos : public QObject {
    Q_OBJECT
private slots:
    void PiezasDelPanel() {
        TVentanaChat ventana;
        QVERIFY(ventana.panel->isHidden());
        QCOMPARE(ventana.panel->size(), QSize(103, 123));
        QCOMPARE(ventana.panel->Panel3()->Titulo()->text(), QStringLiteral("Emoticonos"));
        auto* cerrar = ventana.panel->findChild<QLabel*>(QStringLiteral("imgEmoticonosCerrar"));
        QVERIFY(cerrar);
        QCOMPARE(cerrar->toolTip(), QStringLiteral("Cerrar"));
        QCOMPARE(ventana.Boton("btnChat_00_Smile")->geometry(), QRect(4, 25, 23, 23));
        QCOMPARE(ventana.Boton("btnChat_15_Evil2")->geometry(), QRect(76, 97, 23, 23));
        QCOMPARE(ventana.panel->findChildren<QToolButton*>().size(), 16);
        QCOMPARE(ventana.entrada->contextMenuPolicy(), Qt::PreventContextMenu);
    }

    void BotonInsertaEnElCursorYOculta() {
        TVentanaChat ventana;
        ventana.Escribir(QStringLiteral("hola mundo"), 5, 5);
        ventana.Pulsar(Qt::RightButton, {20, 20});
        QVERIFY(ventana.panel->isVisible());
        QCOMPARE(ventana.panel->Destino(), ventana.entrada);
        QTest::mouseClick(ventana.Boton("btnChat_06_P"), Qt::LeftButton);
        QCOMPARE(ventana.entrada->toPlainText(), QStringLiteral("hola ::P:mundo"));
        QCOMPARE(ventana.entrada->textCursor().position(), 9);
        QVERIFY(ventana.panel->isHidden());

        ventana.Escribir(QStringLiteral("hola mundo"), 5, 10);
        ventana.Pulsar(Qt::RightButton, {20, 20});
        QTest::mouseClick(ventana.Boton("btnChat_14_Evil"), Qt::LeftButton);
        QCOMPARE(ventana.entrada->toPlainText(), QStringLiteral("hola :evil1:"));
    }

    void OtroBotonOElAspaOcultan() {
        TVentanaChat ventana;
        ventana.Pulsar(Qt::RightButton, {20, 20});
        ventana.Pulsar(Qt::LeftButton, {20, 20});
        QVERIFY(ventana.panel->isHidden());
        ventana.Pulsar(Qt::RightButton, {20, 20});
        auto* cerrar = ventana.panel->findChild<QLabel*>(QStringLiteral("imgEmoticonosCerrar"));
        QTest::mouseClick(cerrar, Qt::LeftButton);
        QVERIFY(ventana.panel->isHidden());
        QVERIFY(ventana.entrada->toPlainText().isEmpty());
    }

    void JuntoALosBordesQuedaOchoDentro() {
        TVentanaChat ventana;
        // The input box runs to 8 px of the right edge and its pointer sits low.
        ventana.Pulsar(Qt::RightButton, {480, 30});
        const QRect lugar = ventana.panel->geometry();
        QCOMPARE(lugar.right() + 1 + 8, ventana.width());
        QCOMPARE(lugar.bottom() + 1 + 8, ventana.height());
        ventana.Pulsar(Qt::RightButton, {100, 5});
        const QPoint raton = ventana.entrada->viewport()->mapTo(&ventana, QPoint(100, 5));
        QCOMPARE(ventana.panel->pos(), QPoint(raton.x() + 2, ventana.height() - 123 - 8));
    }

    void ArrastrarPorElTituloSinSalirDeLaVentana() {
        TVentanaChat ventana;
        ventana.Pulsar(Qt::RightButton, {20, 5});
        QLabel* titulo = ventana.panel->Panel3()->Titulo();
        const QPoint antes = ventana.panel->pos();
        QTest::mousePress(titulo, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseMove(titulo, QPoint(35, -15));
        QCOMPARE(ventana.panel->pos(), antes + QPoint(30, -20));
        QTest::mouseMove(titulo, QPoint(5000, 5000));
        QTest::mouseRelease(titulo, Qt::LeftButton, {}, QPoint(5000, 5000));
        QCOMPARE(ventana.panel->geometry().bottomRight(), QPoint(499, 399));
    }
};

QTEST_MAIN(TstPanelEmoticonos)
#include "tst_panelemoticonos.moc"
