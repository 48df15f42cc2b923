#include "apoyo/nodoprueba.h"
#include "flash/frmmsgflash.h"
#include "flash/ventanasflash.h"
#include "widgets/cabeceraventana.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace {

// A node with a stand-in main window and its flash windows.
struct TPuesto {
    TPuesto(int n, const QString& nick) : Nodo(n, nick) {
        Principal.setGeometry(100, 100, 150, 300);
        Principal.show();
        Nodo.M().Reloj().Fijar(QDateTime(QDate(2024, 3, 1), QTime(9, 5)));
    }
    QList<TfrmMsgFlash*> Abiertas() const {
        return Principal.findChildren<TfrmMsgFlash*>(Qt::FindDirectChildrenOnly);
    }

    TNodoPrueba Nodo;
    QWidget Principal{nullptr, Qt::Window | Qt::FramelessWindowHint};
    bool EnTray = false;
    TVentanasFlash Ventanas{Nodo.M(), &Principal, [this] { return EnTray; }};
};

void Conectar(TPuesto& a, TPuesto& b) {
    a.Nodo.Conoce(b.Nodo);
    b.Nodo.Conoce(a.Nodo);
    a.Nodo.Arrancar();
    b.Nodo.Arrancar();
    QTRY_VERIFY(a.Nodo.Conectado(b.Nodo.IP()) && b.Nodo.Conectado(a.Nodo.IP()));
    QTRY_COMPARE(a.Nodo.M().BuscarContacto(b.Nodo.IP())->Nick, b.Nodo.M().Config().Nick);
    QTRY_COMPARE(b.Nodo.M().BuscarContacto(a.Nodo.IP())->Nick, a.Nodo.M().Config().Nick);
}

QPlainTextEdit* Memo(const TfrmMsgFlash* frm, const char* nombre) {
    return frm->findChild<QPlainTextEdit*>(QLatin1String(nombre));
}

QPushButton* Boton(const TfrmMsgFlash* frm) {
    return frm->findChild<QPushButton*>(QStringLiteral("btnResponder"));
}

QString Titulo(const TfrmMsgFlash* frm) {
    return frm->findChild<TCabeceraVentana*>(QStringLiteral("PanelCabecera"))->lblCaption()->text();
}

QRect Sitio(const TfrmMsgFlash* frm, const char* nombre) {
    return frm->findChild<QWidget*>(QLatin1String(nombre))->geometry();
}

// Types ASCII lines into a box, pressing Enter between them.
void Escribir(QPlainTextEdit* memo, const QStringList& lineas) {
    for (qsizetype i = 0; i < lineas.size(); ++i) {
        if (i > 0)
            QTest::keyClick(memo, Qt::Key_Return);
        QTest::keyClicks(memo, lineas[i]);
    }
}

// Waits for the `n`-th window of a puesto, the newest.
TfrmMsgFlash* EsperarVentana(const TPuesto& puesto, int n) {
    if (!QTest::qWaitFor([&] { return puesto.Abiertas().size() >= n; }))
        return nullptr;
    return puesto.Abiertas().last();
}

void Enviar(TPuesto& desde, const TPuesto& hacia, const QString& texto) {
    TfrmMsgFlash* frm = desde.Ventanas.AbrirFlashEnvio(hacia.Nodo.IP());
    Memo(frm, "Memo1")->setPlainText(texto);
    Boton(frm)->click();
}

} // namespace

class TstFrmMsgFlash : public QObject {
    Q_OBJECT
private slots:
    void ComponerEnviarRecibirYResponder() {
        TPuesto a(11, QStringLiteral("Ana")), b(12, QStringLiteral("Bea"));
        Conectar(a, b);
        b.Nodo.M().Config().Sonidos.MensajeFlash = QStringLiteral("flash.wav");
        QPointer<TfrmMsgFlash> envio = a.Ventanas.AbrirFlashEnvio(b.Nodo.IP());
        QVERIFY(QTest::qWaitForWindowActive(envio));
        QVERIFY(envio->EsEnvio() && !envio->EsRespuesta());
        QCOMPARE(envio->IPDestino(), b.Nodo.IP());
        QCOMPARE(Titulo(envio), QStringLiteral("Para : Bea"));
        QCOMPARE(Boton(envio)->text(), QStringLiteral(" &Enviar "));
        QVERIFY(!Memo(envio, "Memo2")->isVisible());
        QCOMPARE(envio->focusWidget(), Memo(envio, "Memo1"));
        Escribir(Memo(envio, "Memo1"), {QStringLiteral("Hola, que tal?"), QStringLiteral("Bien")});
        QTest::mouseClick(Boton(envio), Qt::LeftButton);
        QTRY_VERIFY(!envio);

        TfrmMsgFlash* recibido = EsperarVentana(b, 1);
        QVERIFY(recibido);
        QVERIFY(QTest::qWaitForWindowExposed(recibido));
        QVERIFY(recibido->EsRespuesta() && !recibido->EsEnvio());
        QCOMPARE(recibido->IPDestino(), a.Nodo.IP());
        QCOMPARE(Titulo(recibido), QStringLiteral("[09:05] De : Ana"));
        QCOMPARE(Boton(recibido)->text(), QStringLiteral(" &Responder "));
        QCOMPARE(Memo(recibido, "Memo1")->toPlainText(), QStringLiteral("Hola, que tal?\nBien"));
        QVERIFY(Memo(recibido, "Memo1")->isReadOnly());
        QVERIFY(Memo(recibido, "Memo2")->isVisible());
        QCOMPARE(recibido->focusWidget(), Memo(recibido, "Memo2"));
        QCOMPARE(b.Nodo.Interfaz.Sonidos, QStringList({QStringLiteral("flash.wav")}));

        QPointer<TfrmMsgFlash> respuesta = recibido;
        QVERIFY(QTest::qWaitForWindowActive(respuesta));
        Escribir(Memo(respuesta, "Memo2"),
                 {QStringLiteral("Si"), QString(), QStringLiteral("claro")});
        // Tab leaves the answer box for the button instead of typing a tab.
        QTest::keyClick(Memo(respuesta, "Memo2"), Qt::Key_Tab);
        QCOMPARE(respuesta->focusWidget(), Boton(respuesta));
        QTest::keyClick(Boton(respuesta), Qt::Key_Space);
        QTRY_VERIFY(!respuesta);

        TfrmMsgFlash* contestacion = EsperarVentana(a, 1);
        QVERIFY(contestacion);
        QCOMPARE(Titulo(contestacion), QStringLiteral("[09:05] De : Bea"));
        QCOMPARE(Memo(contestacion, "Memo1")->toPlainText(), QStringLiteral("Si\n\nclaro"));
        QCOMPARE(contestacion->IPDestino(), b.Nodo.IP());
    }

    void TextoTalCualYTituloSinMarcas() {
        TPuesto a(11, QStringLiteral("<b>Ana</b>")), b(12, QStringLiteral("Bea"));
        Conectar(a, b);
        // Non-breaking spaces travel as 0xA0, not as plain spaces.
        Enviar(a, b, QStringLiteral("10\u00A0€\nfin"));
        TfrmMsgFlash* recibido = EsperarVentana(b, 1);
        QVERIFY(recibido);
        QCOMPARE(Memo(recibido, "Memo1")->document()->toRawText(), QStringLiteral("10\u00A0€\u2029fin"));
        QLabel* titulo = recibido->findChild<TCabeceraVentana*>()->lblCaption();
        QCOMPARE(titulo->textFormat(), Qt::PlainText);
        QCOMPARE(titulo->text(), QStringLiteral("[09:05] De : <b>Ana</b>"));
        QList<QByteArray>& flashes = b.Nodo.Grabar(TComando::Flash);
        Enviar(a, b, QStringLiteral("a\u00A0b"));
        QTRY_COMPARE(flashes.size(), 1);
        QCOMPARE(flashes[0], QByteArray("a\xA0" "b"));
    }

    void DiezVentanasPorPar() {
        TPuesto a(11, QStringLiteral("Ana")), b(12, QStringLiteral("Bea"));
        Conectar(a, b);
        for (int i = 0; i < 11; ++i)
            Enviar(a, b, QString::number(i));
        QVERIFY(EsperarVentana(b, 10));
        QTest::qWait(200);
        QCOMPARE(b.Abiertas().size(), 10);
        // A window the user closed no longer counts, even before it is gone.
        b.Abiertas().first()->close();
        Enviar(a, b, QStringLiteral("otra"));
        QTRY_COMPARE(Memo(b.Abiertas().last(), "Memo1")->toPlainText(), QStringLiteral("otra"));
    }

    void CadaMensajeSuVentanaAunqueVacio() {
        TPuesto a(11, QStringLiteral("Ana")), b(12, QStringLiteral("Bea"));
        Conectar(a, b);
        Enviar(a, b, QString());
        TfrmMsgFlash* vacio = EsperarVentana(b, 1);
        QVERIFY(vacio);
        QCOMPARE(Memo(vacio, "Memo1")->toPlainText(), QString());
        Enviar(a, b, QStringLiteral("uno\ndós, niño\n¿tres?"));
        TfrmMsgFlash* segundo = EsperarVentana(b, 2);
        QVERIFY(segundo);
        QCOMPARE(Memo(segundo, "Memo1")->toPlainText(), QStringLiteral("uno\ndós, niño\n¿tres?"));
        QCOMPARE(Memo(segundo, "Memo1")->document()->blockCount(), 3);
        QVERIFY(vacio->isVisible());

        // The close glyph sends nothing.
        QPointer<TfrmMsgFlash> cerrada = a.Ventanas.AbrirFlashEnvio(b.Nodo.IP());
        Memo(cerrada, "Memo1")->setPlainText(QStringLiteral("no va"));
        QLabel* cerrar = cerrada->findChild<TCabeceraVentana*>()->imgCerrar();
        QTest::mouseClick(cerrar, Qt::LeftButton, {}, QPoint(6, 6));
        QTRY_VERIFY(!cerrada);
        QTest::qWait(200);
        QCOMPARE(b.Abiertas().size(), 2);
    }

    void ColocacionYCapaAlRecibir() {
        TPuesto a(11, QStringLiteral("Ana")), b(12, QStringLiteral("Bea"));
        Conectar(a, b);
        b.Nodo.M().Config().AlwaysOnTop = true;
        Enviar(a, b, QStringLiteral("sobre"));
        TfrmMsgFlash* sobre = EsperarVentana(b, 1);
        QVERIFY(sobre);
        QVERIFY(sobre->windowFlags() & Qt::WindowStaysOnTopHint);
        // Centred over the main window (100 + (150 - 300) / 2 truncates to 25), 10 below its top.
        QCOMPARE(sobre->frameGeometry(), QRect(25, 110, 300, 200));

        b.EnTray = true;
        b.Nodo.M().Config().AlwaysOnTop = false;
        Enviar(a, b, QStringLiteral("centro"));
        TfrmMsgFlash* centro = EsperarVentana(b, 2);
        QVERIFY(centro);
        QVERIFY(!(centro->windowFlags() & Qt::WindowStaysOnTopHint));
        const QRect pantalla = centro->screen()->geometry();
        QCOMPARE(centro->frameGeometry().topLeft(),
                 pantalla.topLeft() +
                     QPoint((pantalla.width() - 300) / 2, (pantalla.height() - 200) / 2));
    }

    void DisposicionAlRedimensionar() {
        TPuesto a(11, QStringLiteral("Ana"));
        TfrmMsgFlash* envio = a.Ventanas.AbrirFlashEnvio(QStringLiteral("10.0.0.9"));
        QCOMPARE(Titulo(envio), QStringLiteral("Para : 10.0.0.9"));
        QCOMPARE(envio->size(), QSize(300, 200));
        QCOMPARE(Sitio(envio, "Cliente"), QRect(4, 4, 292, 192));
        QCOMPARE(Sitio(envio, "PanelCabecera"), QRect(0, 0, 292, 20));
        QCOMPARE(Sitio(envio, "imgCerrar").left(), 292 - 12 - 5);
        QCOMPARE(Sitio(envio, "Memo1"), QRect(0, 27, 292, 131));
        QCOMPARE(Sitio(envio, "btnResponder"), QRect(0, 162, 292, 30));
        envio->resize(120, 100);
        QCOMPARE(envio->size(), QSize(200, 150));
        QCOMPARE(Sitio(envio, "Memo1"), QRect(0, 27, 192, 81));
        QCOMPARE(Sitio(envio, "btnResponder"), QRect(0, 112, 192, 30));

        a.Ventanas.MostrarFlashRecibido(
            {QStringLiteral("10.0.0.9"), QStringLiteral("t"), QString()});
        TfrmMsgFlash* recibido = EsperarVentana(a, 2);
        QVERIFY(recibido);
        QCOMPARE(recibido->size(), QSize(300, 200));
        QCOMPARE(Sitio(recibido, "Memo1"), QRect(0, 27, 292, 107));
        QCOMPARE(Sitio(recibido, "btnResponder"), QRect(187, 137, 105, 54));
        QCOMPARE(Sitio(recibido, "Memo2"), QRect(0, 137, 183, 54));
        recibido->resize(120, 160);
        QCOMPARE(recibido->size(), QSize(200, 200));
        QCOMPARE(Sitio(recibido, "Memo1"), QRect(0, 27, 192, 107));
        QCOMPARE(Sitio(recibido, "btnResponder"), QRect(87, 137, 105, 54));
        QCOMPARE(Sitio(recibido, "Memo2"), QRect(0, 137, 83, 54));
        recibido->resize(500, 400);
        QCOMPARE(Sitio(recibido, "Memo1"), QRect(0, 27, 492, 307));
        QCOMPARE(Sitio(recibido, "Memo2"), QRect(0, 337, 383, 54));
    }
};

QTEST_MAIN(TstFrmMsgFlash)
#include "tst_frmmsgflash.moc"
