#include "core/configuracion.h"
#include "transfer/frmfiletx.h"
#include "transfer/ventanastransferencia.h"
#include "widgets/cabeceraventana.h"
#include "widgets/gradientbar.h"
#include "widgets/label2.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEnterEvent>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QWindow>
#include <QTimer>

namespace {

struct TCajaVista {
    QString Titulo;
    QString Texto;
};

// Answers the next message box with `boton` and remembers what it said.
void ResponderCaja(QMessageBox::StandardButton boton, std::vector<TCajaVista>& cajas) {
    // Owned by the application: a box that never comes must not leave the timer behind.
    auto* sondeo = new QTimer(QCoreApplication::instance());
    QObject::connect(sondeo, &QTimer::timeout, sondeo, [sondeo, boton, &cajas] {
        auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!caja)
            return;
        sondeo->deleteLater();
        sondeo->stop();
        cajas.push_back({caja->windowTitle(), caja->text()});
        caja->button(boton)->click();
    });
    sondeo->start(10);
}

TDatosVista Datos(qint64 tam = 1234567) {
    return {42, QStringLiteral("/tmp/recibido.txt"), QStringLiteral("Recibiendo Archivo de Bea"),
            QStringLiteral("recibido.txt"), tam, false};
}

QString Texto(const TfrmFileTx& ventana, const char* nombre) {
    return ventana.findChild<QLabel*>(QLatin1String(nombre))->text();
}

TGradientBar* Barra(const TfrmFileTx& ventana) { return ventana.findChild<TGradientBar*>(); }
TLabel2* Enlace(const TfrmFileTx& ventana) { return ventana.findChild<TLabel2*>(); }

void Entrar(QWidget* control) {
    QEnterEvent entrada(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(control, &entrada);
}

void Salir(QWidget* control) {
    QEvent salida(QEvent::Leave);
    QApplication::sendEvent(control, &salida);
}

} // namespace

// Receives the file URLs the window hands to the desktop.
class TAbridor : public QObject {
    Q_OBJECT
public:
    QList<QUrl> Abiertas;
public slots:
    void Abrir(const QUrl& url) { Abiertas << url; }
};

class TstFrmFileTx : public QObject {
    Q_OBJECT
private slots:
    // The peer chooses the name and its nick: neither widens the window nor is read as markup.
    void NombreLargoNoEnsanchaYSeMuestraTalCual() {
        TConfig config;
        TfrmFileTx normal(Datos(), config, {});
        TDatosVista largo = Datos();
        largo.NombreFichero = QString(139, u'n') + QStringLiteral("<img src=x>");
        largo.Cabecera = QStringLiteral("Recibiendo Archivo de <b>Ana</b>");
        TfrmFileTx ventana(largo, config, {});
        normal.show();
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));
        QCOMPARE(ventana.size(), normal.size());
        QCOMPARE(Enlace(normal)->text(), QStringLiteral("recibido.txt"));
        TLabel2* nombre = Enlace(ventana);
        QCOMPARE(nombre->textFormat(), Qt::PlainText);
        QVERIFY(nombre->text().endsWith(u'…'));
        QVERIFY(nombre->fontMetrics().horizontalAdvance(nombre->text()) <= nombre->width());
        QVERIFY(nombre->geometry().right() < ventana.width());
        QTextDocument ayuda;
        ayuda.setHtml(nombre->toolTip());
        QCOMPARE(ayuda.toPlainText(), largo.NombreFichero);
        QLabel* titulo = ventana.PanelCabecera()->lblCaption();
        QCOMPARE(titulo->textFormat(), Qt::PlainText);
        QCOMPARE(titulo->text(), largo.Cabecera);
        QCOMPARE(ventana.windowHandle()->title(), largo.Cabecera);
    }

    void PrimerosValores() {
        TConfig config;
        config.AlwaysOnTop = true;
        TfrmFileTx ventana(Datos(), config, {});
        // At least the drawn size, and every label shows its whole text with the desktop's font.
        QVERIFY(ventana.width() >= 337 && ventana.height() >= 155);
        for (const QLabel* etiqueta : ventana.findChildren<QLabel*>()) {
            if (etiqueta->isVisibleTo(&ventana) && etiqueta->parentWidget() == &ventana)
                QVERIFY2(etiqueta->sizeHint().width() <= etiqueta->width() || etiqueta->width() == 0,
                         qPrintable(etiqueta->objectName()));
        }
        QCOMPARE(ventana.ID(), 42);
        QCOMPARE(ventana.PanelCabecera()->lblCaption()->text(), QStringLiteral("Recibiendo Archivo de Bea"));
        QCOMPARE(Texto(ventana, "lblFileName"), QStringLiteral("recibido.txt"));
        QCOMPARE(Texto(ventana, "lblTam"), QStringLiteral("1.234.567 Bytes"));
        QCOMPARE(Texto(ventana, "lblRcvEnv"), QStringLiteral("Recibido:"));
        QCOMPARE(Texto(ventana, "lblTx"), QStringLiteral("0 Bytes"));
        QCOMPARE(Texto(ventana, "lblTranscurrido"), QStringLiteral("0:00:00"));
        QCOMPARE(Texto(ventana, "lblRestante"), QStringLiteral("0:00:00"));
        QCOMPARE(Texto(ventana, "lblVMedia"), QStringLiteral("0 B/s"));
        QCOMPARE(Texto(ventana, "lblVActual"), QStringLiteral("0 B/s"));
        QCOMPARE(Barra(ventana)->Max(), 1234567);
        QCOMPARE(Barra(ventana)->Position(), 0);
        QVERIFY(ventana.windowFlags() & Qt::WindowStaysOnTopHint);
        TDatosVista enviando = Datos();
        enviando.Enviando = true;
        TfrmFileTx otra(enviando, TConfig{}, {});
        QCOMPARE(Texto(otra, "lblRcvEnv"), QStringLiteral("Enviado:"));
        QVERIFY(!(otra.windowFlags() & Qt::WindowStaysOnTopHint));
    }

    void ElRefrescoSoloCambiaLoQueTrae() {
        TfrmFileTx ventana(Datos(), TConfig{}, {});
        ventana.RefrescarProgreso({QStringLiteral("9.000 Bytes"), QStringLiteral("00:00:03"),
                                   QStringLiteral("00:01:00"), QStringLiteral("3.000 B/s"),
                                   QStringLiteral("2.500 B/s"), 9000});
        ventana.RefrescarProgreso({QStringLiteral("12.000 Bytes"), QStringLiteral("00:00:04"), {}, {}, {}, {}});
        QCOMPARE(Texto(ventana, "lblTx"), QStringLiteral("12.000 Bytes"));
        QCOMPARE(Texto(ventana, "lblTranscurrido"), QStringLiteral("00:00:04"));
        QCOMPARE(Texto(ventana, "lblRestante"), QStringLiteral("00:01:00"));
        QCOMPARE(Texto(ventana, "lblVMedia"), QStringLiteral("3.000 B/s"));
        QCOMPARE(Texto(ventana, "lblVActual"), QStringLiteral("2.500 B/s"));
        QCOMPARE(Barra(ventana)->Position(), 9000);
    }

    void CerrarDuranteLaTransferenciaPregunta() {
        int abortos = 0;
        QPointer<TfrmFileTx> ventana = new TfrmFileTx(Datos(), TConfig{}, [&] { ++abortos; });
        ventana->show();
        std::vector<TCajaVista> cajas;
        ResponderCaja(QMessageBox::No, cajas);
        ventana->close();
        QCOMPARE(cajas.size(), std::size_t(1));
        QCOMPARE(cajas[0].Titulo, QStringLiteral("Abortar transmisión"));
        QCOMPARE(cajas[0].Texto, QStringLiteral("No se ha terminado de transferir el Archivo.\n"
                                                "¿Desea abortar la transmisión?"));
        QVERIFY(ventana->isVisible() && !ventana->Cerrada());
        QCOMPARE(abortos, 0);
        ResponderCaja(QMessageBox::Yes, cajas);
        ventana->close();
        QCOMPARE(abortos, 1);
        QVERIFY(ventana->Cerrada());
        QTRY_VERIFY(!ventana);
    }

    // A file of 2 GiB or more moves the bar too; an interrupted transfer is not over.
    void GrandeEInterrumpida() {
        int abortos = 0;
        const qint64 tam = qint64(5) << 30;
        TfrmFileTx ventana(Datos(tam), TConfig{}, [&] { ++abortos; });
        ventana.setAttribute(Qt::WA_DeleteOnClose, false);
        ventana.show();
        ventana.RefrescarProgreso({QStringLiteral("x"), QStringLiteral("y"), {}, {}, {}, tam / 2});
        QCOMPARE(Barra(ventana)->Position(), Barra(ventana)->Max() / 2);
        ventana.MostrarInterrupcion(true);
        QCOMPARE(Texto(ventana, "lblRestante"), QStringLiteral("INTERRUMPIDO"));
        std::vector<TCajaVista> cajas;
        ResponderCaja(QMessageBox::Yes, cajas);
        ventana.close();
        QCOMPARE(cajas.size(), std::size_t(1));
        QCOMPARE(abortos, 1);
    }

    void SinPreguntaAlTerminar_data() {
        QTest::addColumn<int>("fin");
        QTest::newRow("finalizado") << int(TFinTransferencia::Finalizado);
        QTest::newRow("rechazado") << int(TFinTransferencia::Rechazado);
        QTest::newRow("abortado") << int(TFinTransferencia::Abortado);
        QTest::newRow("fallido") << int(TFinTransferencia::Fallido);
        QTest::newRow("barra llena sin fin") << -1;
    }

    void SinPreguntaAlTerminar() {
        QFETCH(int, fin);
        int abortos = 0;
        TfrmFileTx ventana(Datos(fin < 0 ? 0 : 5000), TConfig{}, [&] { ++abortos; });
        ventana.setAttribute(Qt::WA_DeleteOnClose, false);
        ventana.show();
        if (fin >= 0)
            ventana.MostrarFin(TFinTransferencia(fin));
        std::vector<TCajaVista> cajas;
        ResponderCaja(QMessageBox::No, cajas);
        ventana.close();
        QVERIFY(cajas.empty());
        QVERIFY(ventana.Cerrada() && !ventana.isVisible());
        QCOMPARE(abortos, 0);
        QApplication::processEvents();  // lets the pending box sondeo go
        QVERIFY(cajas.empty());
    }

    void ElEnlaceSoloTrasFinalizado() {
        TAbridor abridor;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &abridor, "Abrir");
        TfrmFileTx ventana(Datos(), TConfig{}, {});
        ventana.show();
        TLabel2* enlace = Enlace(ventana);
        Entrar(enlace);
        QVERIFY(!enlace->font().underline());
        QTest::mouseClick(enlace, Qt::LeftButton);
        ventana.MostrarFin(TFinTransferencia::Abortado);
        Entrar(enlace);
        QTest::mouseClick(enlace, Qt::LeftButton);
        QVERIFY(abridor.Abiertas.isEmpty());
        QVERIFY(!enlace->font().underline());

        TfrmFileTx terminada(Datos(), TConfig{}, {});
        terminada.show();
        terminada.MostrarFin(TFinTransferencia::Finalizado);
        enlace = Enlace(terminada);
        QCOMPARE(Texto(terminada, "lblRestante"), QStringLiteral("FINALIZADO"));
        QCOMPARE(Texto(terminada, "lblVActual"), QStringLiteral("0 B/s"));
        QCOMPARE(enlace->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(enlace->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        Entrar(enlace);
        QVERIFY(enlace->font().underline());
        Salir(enlace);
        QVERIFY(!enlace->font().underline());
        QTest::mouseClick(enlace, Qt::LeftButton);
        QCOMPARE(abridor.Abiertas, QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/recibido.txt"))});
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    }

    void UnaVentanaCerradaNoSeToca() {
        QWidget principal;
        principal.setGeometry(100, 100, 300, 400);
        principal.show();
        const TConfig config;
        TVentanasTransferencia ventanas(&principal, config);
        int abortos = 0;
        std::unique_ptr<TVistaTransferencia> vista = ventanas.CrearVista(Datos(0), [&] { ++abortos; });
        auto* ventana = principal.findChild<TfrmFileTx*>();
        QVERIFY(ventana && ventana->isVisible());
        QCOMPARE(ventana->x(), 100 + (300 - ventana->frameGeometry().width()) / 2);
        vista->RefrescarProgreso({QStringLiteral("7 Bytes"), QStringLiteral("00:00:01"), {}, {}, {}, {}});
        QCOMPARE(Texto(*ventana, "lblTx"), QStringLiteral("7 Bytes"));
        QPointer<TfrmFileTx> vigilada(ventana);
        ventana->close();  // a full bar of a 0-byte file: closes without aborting
        QCOMPARE(abortos, 0);
        vista->RefrescarProgreso({QStringLiteral("8 Bytes"), QStringLiteral("00:00:02"), {}, {}, {}, {}});
        vista->MostrarFin(TFinTransferencia::Finalizado);
        QCOMPARE(Texto(*ventana, "lblTx"), QStringLiteral("7 Bytes"));
        QCOMPARE(Texto(*ventana, "lblRestante"), QStringLiteral("0:00:00"));
        QTRY_VERIFY(!vigilada);
        vista->RefrescarProgreso({QStringLiteral("9 Bytes"), QStringLiteral("00:00:03"), {}, {}, {}, {}});
        vista->MostrarFin(TFinTransferencia::Abortado);
    }
};

QTEST_MAIN(TstFrmFileTx)
#include "tst_frmfiletx.moc"
