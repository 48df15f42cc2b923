#include "apoyo/cajas.h"
#include "apoyo/nodoprueba.h"
#include "app/programa.h"
#include "chat/cajaentrada.h"
#include "chat/frmchat.h"
#include "flash/frmmsgflash.h"
#include "principal/frmprincipal.h"
#include "principal/listacontactos.h"
#include "principal/principal.h"
#include "settings/aceptarconfig.h"
#include "settings/frmconfig.h"
#include "widgets/label2.h"

#include <QAction>
#include <QFile>
#include <QInputDialog>
#include <QWindow>
#include <QMenu>
#include <QMimeData>
#include <QSettings>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

class TstFrmPrincipal : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> carpeta;
    std::unique_ptr<TPrograma> programa;
    TfrmPrincipal* ventana = nullptr;

    TRutas Rutas() const { return TRutas::EnCarpeta(carpeta->path()); }
    void Escribir(const QString& ruta, const QByteArray& datos) {
        QDir().mkpath(QFileInfo(ruta).absolutePath());
        QFile f(ruta);
        f.open(QIODevice::WriteOnly);
        f.write(datos);
    }
    static TfrmChat* Chat() {
        for (QWidget* ventana : QApplication::topLevelWidgets()) {
            if (auto* chat = qobject_cast<TfrmChat*>(ventana))
                return chat;
        }
        return nullptr;
    }
    TListaContactos* Lista() { return ventana->findChild<TListaContactos*>(QStringLiteral("ListViewContactos")); }
    QAction* Accion(const char* nombre) { return ventana->findChild<QAction*>(QString::fromLatin1(nombre)); }
    void AbrirPopupEn(int fila) {
        QMenu* popup = ventana->findChild<QMenu*>(QStringLiteral("PopupMenuListViewContactos"));
        QTimer::singleShot(0, popup, &QMenu::close);
        const QPoint punto = fila < 0 ? QPoint(5, Lista()->viewport()->height() - 3)
                                      : Lista()->visualRect(Lista()->model()->index(fila, 0)).center();
        QContextMenuEvent evento(QContextMenuEvent::Mouse, punto, Lista()->viewport()->mapToGlobal(punto));
        QApplication::sendEvent(Lista()->viewport(), &evento);
    }
    // Ana, the first contact, connects from her own address and is connected.
    void ConectarAna(TPeerCrudo& ana) {
        QVERIFY(ana.ConectarA(QStringLiteral("127.0.0.21")));
        ana.EsperarMensajes(2);
        ana.Enviar("NICK:Ana\x07");
        QTRY_VERIFY(programa->Mensajero().BuscarContacto(QStringLiteral("127.0.0.22"))->Conectado);
    }
    void Arrancar() {
        TMensajero::TOpciones opciones{Rutas(), QHostAddress(QStringLiteral("127.0.0.21")),
                                       PuertoDePrueba(), QHostAddress(QStringLiteral("127.0.0.21"))};
        programa = std::make_unique<TPrograma>(opciones);
        QVERIFY(programa->Iniciar(nullptr));
        ventana = &programa->Principal();
        ventana->show();
        QVERIFY(QTest::qWaitForWindowExposed(ventana));
    }

private slots:
    void init() {
        carpeta = std::make_unique<QTemporaryDir>();
        Escribir(Rutas().FicheroAgenda(), "[Agenda Tromblechatix]\r\nAna\r\n127.0.0.22\r\nana@example.org\r\n"
                                          "Bea\r\n127.0.0.23\r\n\r\nCarla\r\n127.0.0.24\r\n\r\n");
    }
    void cleanup() { programa.reset(); }

    void PopupSigueLasReglas() {
        Arrancar();
        programa->Mensajero().Agenda().FijarConectado(programa->Mensajero().Agenda().Contacto(1), true);
        AbrirPopupEn(-1);
        QCOMPARE(Accion("mnuPopUpContactosIP")->text(), QString());
        for (const char* nombre : {"mnuPopUpContactosIP", "mnuPopUpContactosEliminar", "mnuPopUpContactosMensajeFlash",
                                   "mnuPopUpContactosEmpezarChat", "mnuPopUpContactosEnviarArchivo", "mnuPopUpContactosEnviarEMail",
                                   "mnuPopUpContactosComprobar"})
            QVERIFY2(!Accion(nombre)->isEnabled(), nombre);
        AbrirPopupEn(0);
        QCOMPARE(Accion("mnuPopUpContactosIP")->text(), QStringLiteral("127.0.0.22"));
        QVERIFY(Accion("mnuPopUpContactosEliminar")->isEnabled());
        QVERIFY(Accion("mnuPopUpContactosEnviarEMail")->isEnabled());
        QCOMPARE(Accion("mnuPopUpContactosMensajeFlash")->isEnabled(), false);
        QVERIFY(Accion("mnuPopUpContactosComprobar")->isEnabled());
        AbrirPopupEn(1);
        QVERIFY(!Accion("mnuPopUpContactosComprobar")->isEnabled());
        QVERIFY(!Accion("mnuPopUpContactosEnviarEMail")->isEnabled());
        QVERIFY(Accion("mnuPopUpContactosMensajeFlash")->isEnabled());
        QVERIFY(Accion("mnuPopUpContactosEnviarArchivo")->isEnabled());
        QVERIFY(Accion("mnuPopUpContactosEmpezarChat")->isEnabled());
    }

    void DobleClicAbreFlashSoloSiConectado() {
        Arrancar();
        TAgenda& agenda = programa->Mensajero().Agenda();
        agenda.FijarConectado(agenda.Contacto(1), true);
        AbrirPopupEn(1);
        const QPoint conectada = Lista()->visualRect(Lista()->model()->index(1, 0)).center();
        QTest::mouseClick(Lista()->viewport(), Qt::LeftButton, {}, conectada);
        QTest::mouseDClick(Lista()->viewport(), Qt::LeftButton, {}, conectada);
        QTRY_COMPARE(ventana->findChildren<TfrmMsgFlash*>().size(), 1);
        QCOMPARE(ventana->findChildren<TfrmMsgFlash*>().first()->IPDestino(), QStringLiteral("127.0.0.23"));
        const QPoint desconectada = Lista()->visualRect(Lista()->model()->index(2, 0)).center();
        QTest::mouseClick(Lista()->viewport(), Qt::LeftButton, {}, desconectada);
        QTest::mouseDClick(Lista()->viewport(), Qt::LeftButton, {}, desconectada);
        QTest::qWait(50);
        QCOMPARE(ventana->findChildren<TfrmMsgFlash*>().size(), 1);
    }

    void CorreoSinDireccionAvisa() {
        Arrancar();
        AbrirPopupEn(1);
        TCajaVista caja;
        ResponderCaja(QMessageBox::Ok, &caja);
        Accion("mnuPopUpContactosEnviarEMail")->setEnabled(true);
        Accion("mnuPopUpContactosEnviarEMail")->trigger();
        QCOMPARE(caja.Titulo, QStringLiteral("Imposible enviar E-Mail"));
        QCOMPARE(caja.Texto, QStringLiteral("\"Bea\" no ha especificado dirección de E-Mail"));
        QCOMPARE(caja.Icono, QMessageBox::Information);
    }

    void BorrarConConfirmacionYGuardarAlFinal() {
        Arrancar();
        AbrirPopupEn(1);
        ResponderCaja(QMessageBox::Cancel);
        Accion("mnuPopUpContactosEliminar")->trigger();
        QCOMPARE(programa->Mensajero().Agenda().NumeroFilas(), 3);
        TCajaVista caja;
        ResponderCaja(QMessageBox::Ok, &caja);
        Accion("mnuPopUpContactosEliminar")->trigger();
        QCOMPARE(caja.Titulo, QStringLiteral("Aviso de eliminación"));
        QCOMPARE(caja.Icono, QMessageBox::Question);
        QCOMPARE(programa->Mensajero().Agenda().NumeroFilas(), 2);
        QCOMPARE(Lista()->model()->rowCount(), 2);
        // Not saved until the end.
        QVERIFY(QFile(Rutas().FicheroAgenda()).open(QIODevice::ReadOnly));
        emit Lista()->FilaSoltada(1, 0);  // Carla dragged onto Ana
        programa->Finalizar();
        QFile fichero(Rutas().FicheroAgenda());
        QVERIFY(fichero.open(QIODevice::ReadOnly));
        QCOMPARE(fichero.readAll(), QByteArray("[Agenda Tromblechatix]\r\nCarla\r\n127.0.0.24\r\n\r\n"
                                               "Ana\r\n127.0.0.22\r\nana@example.org\r\n"));
    }

    void ColumnaDelNickSeEstrecha() {
        Arrancar();
        ventana->resize(200, 120);
        QTRY_VERIFY(ventana->centralWidget()->height() >= 140);
        QCOMPARE(ventana->centralWidget()->width() >= 180, true);
        const int alto = Lista()->height();
        const int caben = (alto - 2) / 16;
        while (programa->Mensajero().Agenda().NumeroFilas() <= caben)
            programa->Mensajero().AnadirContacto(QStringLiteral("x"), QStringLiteral("10.0.0.1"), {}, false, false);
        QCOMPARE(Lista()->AnchoColumnaNick, Lista()->width() - 16);
        while (programa->Mensajero().Agenda().NumeroFilas() > caben) {
            Lista()->setCurrentIndex(Lista()->model()->index(0, 0));
            ResponderCaja(QMessageBox::Ok);
            programa->Mensajero().EliminarContacto(0);
        }
        QCOMPARE(Lista()->AnchoColumnaNick, Lista()->width());
    }

    void CerrarConYSinTray() {
        Escribir(Rutas().FicheroConfig, "[General]\nIconoEnTray=1\n");
        Arrancar();
        ventana->close();
        QVERIFY(ventana->Oculto());
        QVERIFY(!ventana->isVisible());
        ventana->Activar();
        QVERIFY(!ventana->Oculto());
        QVERIFY(ventana->isVisible());
        programa->Mensajero().Config().IconoEnTray = false;
        // Without the tray, closing ends the program's loop.
        QTimer::singleShot(0, ventana, &QWidget::close);
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!ventana->Oculto());
        QVERIFY(!ventana->isVisible());
    }

    void NickSubrayadoAlPasar() {
        Arrancar();
        auto* nick = ventana->findChild<TLabel2*>(QStringLiteral("lblNick"));
        QCOMPARE(nick->text(), QStringLiteral("¡Sin nick!"));
        QEnterEvent entrar(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(nick, &entrar);
        QVERIFY(nick->font().underline());
        QEvent salir(QEvent::Leave);
        QApplication::sendEvent(nick, &salir);
        QVERIFY(!nick->font().underline());
    }

    void NickSoloConClicIzquierdoSobreEl() {
        Arrancar();
        auto* nick = ventana->findChild<TLabel2*>(QStringLiteral("lblNick"));
        int cajas = 0;
        QTimer sondeo;
        connect(&sondeo, &QTimer::timeout, [&] {
            if (auto* caja = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                ++cajas;
                caja->reject();
            }
        });
        sondeo.start(5);
        QTest::mouseClick(nick, Qt::RightButton, {}, QPoint(2, 2));
        QTest::mouseClick(nick, Qt::MiddleButton, {}, QPoint(2, 2));
        // Pressed on the nick, released away from it: the user changed their mind.
        QTest::mousePress(nick, Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseRelease(nick, Qt::LeftButton, {}, QPoint(nick->width() + 30, 2));
        // Released on it without a press there.
        QTest::mouseRelease(nick, Qt::LeftButton, {}, QPoint(2, 2));
        QTest::qWait(50);
        QCOMPARE(cajas, 0);
        QTest::mouseClick(nick, Qt::LeftButton, {}, QPoint(2, 2));
        QCOMPARE(cajas, 1);
    }

    void TituloExactoYSoloBotonDeCerrar() {
        TfrmPrincipal::PrepararAplicacion(*qApp);
        const QString nombre = QCoreApplication::applicationName();
        // A display name of its own would be appended to every caption by the window system.
        QCoreApplication::setApplicationName(QStringLiteral("otro nombre"));
        const QString mostrado = QGuiApplication::applicationDisplayName();
        QCoreApplication::setApplicationName(nombre);
        QCOMPARE(mostrado, QStringLiteral("otro nombre"));
        Arrancar();
        QCOMPARE(ventana->windowHandle()->title(), QStringLiteral("Tromblechatix v0.4.3"));
        // Without the customize hint the window manager would add every button.
        const Qt::WindowFlags botones = ventana->windowHandle()->flags();
        QVERIFY(botones.testFlag(Qt::CustomizeWindowHint));
        QVERIFY(botones.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(botones.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(!botones.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!botones.testFlag(Qt::WindowMaximizeButtonHint));
    }

    // Nicks and addresses come from peers: what looks like markup is shown as typed.
    void TextosDeLosParesTalCual() {
        Arrancar();
        TConfig config = programa->Mensajero().Config();
        config.Nick = QStringLiteral("<b>Ana</b>");
        ventana->AplicarConfig(config);
        auto* nick = ventana->findChild<TLabel2*>(QStringLiteral("lblNick"));
        QCOMPARE(nick->textFormat(), Qt::PlainText);
        QCOMPARE(nick->text(), QStringLiteral("<b>Ana</b>"));
        std::vector<Qt::TextFormat> formatos;
        QTimer sondeo;
        connect(&sondeo, &QTimer::timeout, [&] {
            if (auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                formatos.push_back(caja->textFormat());
                caja->button(caja->standardButtons().testFlag(QMessageBox::No) ? QMessageBox::No
                                                                               : QMessageBox::Ok)->click();
            }
        });
        sondeo.start(5);
        const QString texto = QStringLiteral("\"<b>Ana</b>\" envía <img src=x>");
        ventana->MostrarError(QStringLiteral("Error"), texto);
        ventana->MostrarInformacion(QStringLiteral("Aviso"), texto);
        QVERIFY(!ventana->Preguntar(QStringLiteral("Envío de Archivo"), texto,
                                    TInterfazUsuario::TBotones::SiNo));
        QCOMPARE(formatos, std::vector<Qt::TextFormat>(3, Qt::PlainText));
    }

    void PuertoOcupadoNoArranca() {
        QTcpServer ocupante;
        QVERIFY(ocupante.listen(QHostAddress(QStringLiteral("127.0.0.21")), PuertoDePrueba()));
        QFile agenda(Rutas().FicheroAgenda());
        QVERIFY(agenda.open(QIODevice::ReadOnly));
        const QByteArray antes = agenda.readAll();
        {
            TPrograma otra({Rutas(), QHostAddress(QStringLiteral("127.0.0.21")), PuertoDePrueba()});
            QString error;
            QVERIFY(!otra.Iniciar(&error));
            QVERIFY(!error.isEmpty());
        }
        // Nothing was loaded, so nothing is saved over the user's files.
        QVERIFY(!QFile::exists(Rutas().FicheroConfig));
        agenda.seek(0);
        QCOMPARE(agenda.readAll(), antes);
    }

    // "&Salir" leaves the event loop and the end runs on the way out: the peer hears of
    // the aborted transfers, last first, before its connection closes; the contacts are saved.
    void GeometriaYConfiguracion() {
        Escribir(Rutas().FicheroConfig, "[General]\nPosX=40\nPosY=50\nAncho=300\nAlto=400\nNick=Luz\n");
        Arrancar();
        QCOMPARE(ventana->size(), QSize(300, 400));
        ventana->resize(320, 410);
        programa->Finalizar();
        QSettings ajustes(Rutas().FicheroConfig, QSettings::IniFormat);
        QCOMPARE(ajustes.value("Ancho").toInt(), 320);
        QCOMPARE(ajustes.value("Nick").toString(), QStringLiteral("Luz"));
        QCOMPARE(ajustes.allKeys().size(), kNumeroValoresConfig);
    }

    // Files dragged from elsewhere: offered to a connected contact, one offer each.
    void FicherosSoltadosSobreUnContacto() {
        Arrancar();
        TPeerCrudo ana(22);
        ConectarAna(ana);
        const QString uno = carpeta->filePath(QStringLiteral("uno.txt"));
        const QString dos = carpeta->filePath(QStringLiteral("dos.txt"));
        Escribir(uno, "1");
        Escribir(dos, "22");
        const auto soltar = [this](int fila, const QList<QUrl>& urls) {
            QMimeData datos;
            datos.setUrls(urls);
            const QPointF punto = Lista()->visualRect(Lista()->model()->index(fila, 0)).center();
            QDragEnterEvent entrar(punto.toPoint(), Qt::CopyAction, &datos, Qt::LeftButton, {});
            QDragMoveEvent mover(punto.toPoint(), Qt::CopyAction, &datos, Qt::LeftButton, {});
            QDropEvent soltado(punto, Qt::CopyAction, &datos, Qt::LeftButton, {});
            for (QEvent* evento : std::initializer_list<QEvent*>{&entrar, &mover, &soltado})
                QApplication::sendEvent(Lista()->viewport(), evento);
            return soltado.isAccepted();
        };
        QVERIFY(!soltar(0, {QUrl(QStringLiteral("https://example.org/x.txt"))}));
        QVERIFY(soltar(0, {QUrl::fromLocalFile(uno), QUrl::fromLocalFile(dos)}));
        const QList<QByteArray> ofertas = ana.EsperarMensajes(4).mid(2);
        QVERIFY(ofertas.size() == 2 && ofertas[0].endsWith(":1:uno.txt") && ofertas[1].endsWith(":2:dos.txt"));
        TCajaVista caja;
        ResponderCaja(QMessageBox::Ok, &caja);
        QVERIFY(soltar(1, {QUrl::fromLocalFile(uno)}));
        QTRY_COMPARE(caja.Texto, QStringLiteral("Bea no está conectado."));
    }

    // Last: once the application's loop has ended, no modal box of a later test would run.
    void ChatDesdeLosMenusYAlSalirSeDejaLaSala() {
        Arrancar();
        TPeerCrudo ana(22);
        ConectarAna(ana);
        QTest::mouseClick(Lista()->viewport(), Qt::LeftButton, {},
                          Lista()->visualRect(Lista()->model()->index(0, 0)).center());
        AbrirPopupEn(0);
        Accion("mnuPopUpContactosEmpezarChat")->trigger();
        const QList<QByteArray> oferta = ana.EsperarMensajes(3);
        QVERIFY(oferta.size() == 3 && oferta.last().startsWith("OFRECE_JOINCHAT:"));
        const QByteArray id = oferta.last().mid(16).chopped(1);
        ana.Enviar("PIDE_JOINCHAT:" + id + "\x07");
        TfrmChat* chat = nullptr;
        QTRY_VERIFY((chat = Chat()) && chat->isVisible());
        QVERIFY(chat->Sala(id.toInt()));
        chat->hide();
        Accion("mnuVentanaChat")->trigger();
        QVERIFY(chat->isVisible());
        // Aceptar in the settings reaches the chat window.
        TConfig editada = programa->Mensajero().Config();
        editada.Chat.colorFondo = ColorRGB(0, 0, 80);
        AceptarConfig(programa->Mensajero(), editada, programa->frmConfig()->Efectos());
        QCOMPARE(chat->Sala(id.toInt())->Input->palette().color(QPalette::Base), QColor(0, 0, 80));
        QTimer::singleShot(0, &TPrograma::Salir);
        QCOMPARE(QCoreApplication::exec(), 0);
        programa.reset();
        QTRY_COMPARE(ana.Socket.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(ana.Mensajes().last(), "PART_CHAT:" + id);
    }

    void SalirTerminaEnOrden() {
        Escribir(Rutas().FicheroConfig, "[General]\nAceptarEntradasDesconocidas=1\nAutoAceptarFicheros=1\n"
                                        "AutoAceptarFicherosPath=" + carpeta->path().toUtf8() + "\n");
        Arrancar();
        TPeerCrudo peer(25);
        QVERIFY(peer.ConectarA(QStringLiteral("127.0.0.21")));
        peer.EsperarMensajes(2);
        peer.Enviar("NICK:Dora\x07" "OFRECE_FILE:41:9000:x\x07" "OFRECE_FILE:42:9000:y\x07");
        // Each acceptance follows what this copy takes in the extended mode.
        QCOMPARE(peer.EsperarMensajes(6).size(), 6);
        QAction* salir = nullptr;
        for (QAction* accion : ventana->findChildren<QAction*>())
            salir = accion->text() == QStringLiteral("&Salir") ? accion : salir;
        QVERIFY(salir);
        QTimer::singleShot(0, salir, &QAction::trigger);
        QCOMPARE(QCoreApplication::exec(), 0);
        programa.reset();
        QTRY_COMPARE(peer.Socket.state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(peer.Mensajes().mid(6), QList<QByteArray>({"ABORT_FILE:42", "ABORT_FILE:41"}));
        QFile fichero(Rutas().FicheroAgenda());
        QVERIFY(fichero.open(QIODevice::ReadOnly));
        QVERIFY(fichero.readAll().endsWith("Dora\r\n127.0.0.25\r\n\r\n"));
    }
};

QTEST_MAIN(TstFrmPrincipal)
#include "tst_frmprincipal.moc"
