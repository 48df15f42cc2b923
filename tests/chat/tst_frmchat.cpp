#include "apoyo/medidorfijo.h"
#include "apoyo/nodoprueba.h"
#include "apoyo/salasfalsas.h"
#include "chat/cajaentrada.h"
#include "chat/frmchat.h"
#include "chat/panelemoticonos.h"
#include "chat/salaschat.h"
#include "logview/logview.h"
#include "widgets/cabeceraventana.h"

#include <QMenu>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

namespace {

const QString kSonidoHabla = QStringLiteral("habla.wav");

// The chat window over a core that is not listening, with recorded rooms.
struct TVentana {
    TNodoPrueba nodo{1, QStringLiteral("yo")};
    TSalasFalsas salas;
    TfrmChat ventana{nodo.M()};

    TVentana() {
        nodo.M().Config().Chat.mostrarHora = false;
        nodo.M().Config().Sonidos.Chat_Habla = kSonidoHabla;
        ventana.Enlazar(salas);
        ventana.FijarMedidor([] { return std::make_unique<TMedidorFijo>(); });
    }
    void Mostrar() {
        ventana.MostrarVentanaChat();
        ventana.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&ventana));
    }
    TChat* Abrir(int id) {
        ventana.AbrirPestanaChat(id, QStringLiteral("Chat"));
        return ventana.Sala(id);
    }
    void Teclear(TChat* sala, const QString& texto) {
        QTest::keyClicks(sala->Input, texto);
        QTest::keyClick(sala->Input, Qt::Key_Return);
    }
    int Sonidos() const { return int(nodo.Interfaz.Sonidos.count(kSonidoHabla)); }
};

// Each line of a log as text, pictures as "#n".
QStringList Lineas(const TLogView& log) {
    QStringList lineas;
    for (const TItemLog& item : log.Documento().Items()) {
        const QString pieza =
            item.Info.ImageList() ? u'#' + QString::number(item.Info.ImageIndex) : item.Texto;
        if (item.Info.ContinuesLine && !lineas.isEmpty())
            lineas.last() += pieza;
        else
            lineas << pieza;
    }
    return lineas;
}

// A peer with its real rooms and window, listening.
struct TPar {
    TNodoPrueba nodo;
    TfrmChat ventana{nodo.M()};
    TSalasChat salas{nodo.M(), ventana};

    TPar(int n, const QString& nick) : nodo(n, nick) {
        nodo.M().Config().Chat.mostrarHora = false;
        ventana.Enlazar(salas);
    }
};

} // namespace

class TstFrmChat : public QObject {
    Q_OBJECT
private slots:
    void DosPeersHablanPorSusVentanas() {
        TPar ana(31, QStringLiteral("Ana")), bea(32, QStringLiteral("Bea"));
        ana.nodo.Conoce(bea.nodo, QStringLiteral("Bea"));
        bea.nodo.Conoce(ana.nodo, QStringLiteral("Ana"));
        ana.nodo.Arrancar();
        bea.nodo.Arrancar();
        QTRY_VERIFY(ana.nodo.Conectado(bea.nodo.IP()) && bea.nodo.Conectado(ana.nodo.IP()));
        ana.salas.EmpezarChat(bea.nodo.IP());
        const int id = ana.salas.Pendientes().back();
        QTRY_VERIFY(ana.ventana.Sala(id) && bea.ventana.Sala(id));
        QVERIFY(ana.ventana.isVisible() && bea.ventana.isVisible());
        TChat* sala = bea.ventana.Sala(id);
        sala->Input->setPlainText(QStringLiteral("hola :)"));
        QTest::keyClick(sala->Input, Qt::Key_Return);
        QTRY_COMPARE(Lineas(*ana.ventana.Sala(id)->LogView), QStringList{"<Bea> hola #0"});
        QCOMPARE(Lineas(*sala->LogView), QStringList{"<Bea> hola #0"});
        bea.ventana.mnuTabCerrarClick();
        QVERIFY(bea.salas.Unidas().empty());
        // The host's window shows the departure as a server line.
        QTRY_COMPARE(Lineas(*ana.ventana.Sala(id)->LogView).size(), 2);
        QCOMPARE(Lineas(*ana.ventana.Sala(id)->LogView).last(), QStringLiteral("Bea abandona el Chat"));
    }

    void HechaOcultaConSusMedidasYSuCabecera() {
        TVentana v;
        QVERIFY(v.ventana.isHidden());
        QCOMPARE(v.ventana.size(), QSize(500, 400));
        v.Mostrar();
        const TCabeceraVentana* cabecera = v.ventana.PanelCabecera();
        QCOMPARE(cabecera->lblCaption()->text(), QStringLiteral("Tromblechatix CHAT"));
        QCOMPARE(cabecera->geometry(), QRect(0, 0, 500, 20));
        QCOMPARE(cabecera->imgCerrar()->x(), 500 - 12 - 5);
        QCOMPARE(cabecera->imgMaximizar()->x(), cabecera->imgCerrar()->x() - 18);
        QCOMPARE(cabecera->imgMinimizar()->x(), cabecera->imgMaximizar()->x() - 14);
        QCOMPARE(v.ventana.PageControl()->geometry(), QRect(4, 32, 492, 364));
        v.ventana.resize(100, 50);
        QCOMPARE(v.ventana.size(), QSize(300, 200));
        // The on-line panel, at 320 in a wider window, stays whole inside.
        QCOMPARE(v.ventana.PanelConectados()->geometry().right(), 300 - 1);
        QVERIFY(v.ventana.PanelConectados()->isHidden());
        QVERIFY(v.ventana.PanelEmoticonos()->isHidden());
        // Closing only hides; the rooms stay.
        TChat* sala = v.Abrir(7);
        QTest::mouseClick(v.ventana.PanelCabecera()->imgCerrar(), Qt::LeftButton);
        QVERIFY(v.ventana.isHidden());
        QCOMPARE(v.ventana.Sala(7), sala);
    }

    void LaPaginaPoneElLogSobreLaCaja() {
        TVentana v;
        v.Mostrar();
        TChat* sala = v.Abrir(1);
        const QSize pagina = sala->size();
        QCOMPARE(sala->LogView->geometry(), QRect(0, 0, pagina.width(), pagina.height() - 44));
        QCOMPARE(sala->Input->geometry(), QRect(0, pagina.height() - 41, pagina.width(), 39));
        QCOMPARE(v.ventana.PageControl()->tabText(0), QStringLiteral("Chat"));
    }

    void RecorrerLaHistoriaDesdeLaVentana() {
        TVentana v;
        v.Mostrar();
        TChat* sala = v.Abrir(3);
        for (const char* texto : {"A", "B", "C"})
            v.Teclear(sala, QLatin1String(texto));
        QCOMPARE(v.salas.Textos(3), (QStringList{"A", "B", "C"}));
        QCOMPARE(Lineas(*sala->LogView), (QStringList{"<yo> A", "<yo> B", "<yo> C"}));
        const auto pulsar = [&](Qt::Key tecla) {
            QTest::keyClick(sala->Input, tecla);
            return sala->Input->toPlainText();
        };
        QCOMPARE(pulsar(Qt::Key_Up), QStringLiteral("C"));
        QCOMPARE(pulsar(Qt::Key_Up), QStringLiteral("B"));
        QCOMPARE(pulsar(Qt::Key_Up), QStringLiteral("A"));
        QCOMPARE(pulsar(Qt::Key_Up), QStringLiteral("A"));
        QCOMPARE(pulsar(Qt::Key_Down), QStringLiteral("B"));
        QCOMPARE(pulsar(Qt::Key_Down), QStringLiteral("C"));
        QCOMPARE(pulsar(Qt::Key_Down), QStringLiteral("C"));
        // Any other key ends the browsing: the next Up starts from the newest again.
        QTest::keyClick(sala->Input, Qt::Key_Up);
        QTest::keyClick(sala->Input, Qt::Key_Home);
        QCOMPARE(pulsar(Qt::Key_Up), QStringLiteral("C"));
        // Nothing was sent by browsing, and the user's own lines never ring.
        QCOMPARE(v.salas.Enviadas.size(), size_t(3));
        QCOMPARE(v.Sonidos(), 0);
    }

    void PegarTresLineasEscribeYEnviaTresEnOrden() {
        TVentana v;
        v.Mostrar();
        TChat* sala = v.Abrir(4);
        sala->Input->setPlainText(QStringLiteral("uno :)\n\n\ndos\ntres"));
        QTest::keyClick(sala->Input, Qt::Key_Return);
        QCOMPARE(v.salas.Textos(4), (QStringList{"uno :)", "dos", "tres"}));
        QCOMPARE(Lineas(*sala->LogView), (QStringList{"<yo> uno #0", "<yo> dos", "<yo> tres"}));
        QVERIFY(sala->Input->toPlainText().isEmpty());
        QTest::keyClick(sala->Input, Qt::Key_Up);
        QCOMPARE(sala->Input->toPlainText(), QStringLiteral("uno :)\n\n\ndos\ntres"));
    }

    void EmoticonosApagadosDejanLosCodigosComoTexto() {
        TVentana v;
        v.nodo.M().Config().Chat.mostrarEmoticonos = false;
        TChat* sala = v.Abrir(4);
        v.ventana.EscribirLineaChat(4, 0, QStringLiteral("hola :)"), QStringLiteral("<b>ana</b>"));
        QCOMPARE(Lineas(*sala->LogView), QStringList{"<<b>ana</b>> hola :)"});
    }

    void ElLectorQueSubioNoSeMueveYElDelFinalSigue() {
        TVentana v;
        v.Mostrar();
        TChat* sala = v.Abrir(5);
        TLogView& log = *sala->LogView;
        const auto llega = [&] {
            v.ventana.EscribirLineaChat(5, 0x0000FF, QStringLiteral("hola"), QStringLiteral("ana"));
        };
        llega();
        QCOMPARE(log.VerticalPosMax(), 0);
        while (log.VerticalPosMax() < 10)
            llega();
        QCOMPARE(log.VerticalPos(), log.VerticalPosMax());
        log.SetVerticalPos(2);
        llega();
        QCOMPARE(log.VerticalPos(), 2);
        log.SetVerticalPos(log.VerticalPosMax());
        llega();
        QCOMPARE(log.VerticalPos(), log.VerticalPosMax());
    }

    void SuenaSoloSiNoEsLaSalaQueSeMira_data() {
        QTest::addColumn<bool>("visible");
        QTest::addColumn<int>("salaMirada");
        QTest::addColumn<bool>("suena");
        QTest::newRow("oculta") << false << 1 << true;
        QTest::newRow("mirando otra sala") << true << 2 << true;
        QTest::newRow("mirando esa sala") << true << 1 << false;
    }
    void SuenaSoloSiNoEsLaSalaQueSeMira() {
        QFETCH(bool, visible);
        QFETCH(int, salaMirada);
        QFETCH(bool, suena);
        TVentana v;
        v.Abrir(1);
        v.Abrir(2);
        if (visible)
            v.Mostrar();
        v.ventana.PageControl()->setCurrentWidget(v.ventana.Sala(salaMirada));
        v.ventana.EscribirLineaChat(1, 0, QStringLiteral("hola"), QStringLiteral("ana"));
        QCOMPARE(v.Sonidos(), suena ? 1 : 0);
        // A line for a room without a page shows nothing and rings nothing.
        v.ventana.EscribirLineaChat(99, 0, QStringLiteral("hola"), QStringLiteral("ana"));
        QCOMPARE(v.Sonidos(), suena ? 1 : 0);
    }

    void PanelDeEmoticonosJuntoALosBordes() {
        TVentana v;
        v.Mostrar();
        TChat* sala = v.Abrir(1);
        TPanelEmoticonos* panel = v.ventana.PanelEmoticonos();
        const QPoint esquina(sala->Input->width() - 3, sala->Input->height() - 3);
        QTest::mouseClick(sala->Input->viewport(), Qt::RightButton, {}, esquina);
        QVERIFY(panel->isVisible());
        QCOMPARE(panel->pos(), QPoint(500 - 103 - 8, 400 - 123 - 8));
        QCOMPARE(panel->Destino(), sala->Input);
        QTest::mouseClick(panel->findChild<QWidget*>(QStringLiteral("btnChat_09_Sun")),
                          Qt::LeftButton);
        QCOMPARE(sala->Input->toPlainText(), QStringLiteral(":sun:"));
        QVERIFY(panel->isHidden());
    }

    void UnaSalaNuevaNoQuitaLaPaginaActiva() {
        TVentana v;
        v.Mostrar();
        TChat* primera = v.Abrir(1);
        QCOMPARE(v.ventana.SalaActiva(), primera);
        QTRY_VERIFY(primera->Input->hasFocus());
        QTest::keyClicks(primera->Input, QStringLiteral("escribiendo"));
        v.Abrir(2);
        QCOMPARE(v.ventana.SalaActiva(), primera);
        QVERIFY(primera->Input->hasFocus());
        QTest::keyClicks(primera->Input, QStringLiteral("!"));
        QCOMPARE(primera->Input->toPlainText(), QStringLiteral("escribiendo!"));
        // While hidden, the newest room is the one shown next time.
        v.ventana.hide();
        TChat* tercera = v.Abrir(3);
        QCOMPARE(v.ventana.SalaActiva(), tercera);
        v.ventana.MostrarVentanaChat();
        // The keys go there once the window is active.
        QCOMPARE(v.ventana.focusWidget(), tercera->Input);
    }

    void UnClicEnElLogLlevaAlTecladoALaCaja() {
        TVentana v;
        v.Mostrar();
        TChat* sala = v.Abrir(1);
        v.ventana.EscribirLineaChat(1, 0, QStringLiteral("hola"), QStringLiteral("ana"));
        sala->LogView->setFocus();
        QTest::mouseClick(sala->LogView->viewport(), Qt::LeftButton, {}, QPoint(200, 100));
        QVERIFY(sala->Input->hasFocus());
    }

    void CerrarLaPestanaAbandonaLaSala() {
        TVentana v;
        v.Mostrar();
        v.Abrir(1);
        TChat* segunda = v.Abrir(2);
        v.ventana.PageControl()->setCurrentWidget(segunda);
        v.ventana.mnuTabCerrarClick();
        QCOMPARE(v.salas.Abandonadas, std::vector<int>{2});
        QVERIFY(!v.ventana.Sala(2));
        QCOMPARE(v.ventana.PageControl()->count(), 1);
        v.ventana.EscribirLineaChat(2, 0, QStringLiteral("tarde"), QStringLiteral("ana"));
        v.ventana.mnuTabCerrarClick();
        QCOMPARE(v.salas.Abandonadas, (std::vector<int>{2, 1}));
        // The last page gone, the window stays as it is, and the menu does nothing.
        v.ventana.mnuTabCerrarClick();
        QCOMPARE(v.salas.Abandonadas.size(), size_t(2));
        QVERIFY(v.ventana.isVisible());
    }

    void ElMenuDeLaSalaSaleTambienEnSuLog() {
        TVentana v;
        v.Mostrar();
        TChat* sala = v.Abrir(1);
        QWidget* destino = sala->LogView->viewport();
        QContextMenuEvent evento(QContextMenuEvent::Mouse, QPoint(20, 20),
                                 destino->mapToGlobal(QPoint(20, 20)));
        QCoreApplication::sendEvent(destino, &evento);
        QTRY_VERIFY(v.ventana.PopupMenuTab()->isVisible());
        QStringList entradas;
        for (const QAction* accion : v.ventana.PopupMenuTab()->actions())
            entradas << accion->text();
        QCOMPARE(entradas, (QStringList{"&Invitar a...", "&Cerrar Chat"}));
        v.ventana.PopupMenuTab()->hide();
    }

    void InvitarDesdeLaListaDeConectados() {
        TVentana v;
        v.salas.Invitables = {{QStringLiteral("zoe"), QStringLiteral("10.0.0.9")},
                              {QStringLiteral("Tres"), QStringLiteral("10.0.0.3")},
                              {QStringLiteral("Ángel"), QStringLiteral("10.0.0.4")},
                              {QStringLiteral("ana"), QStringLiteral("10.0.0.2")}};
        v.Mostrar();
        v.Abrir(1);
        v.ventana.PageControl()->setCurrentWidget(v.Abrir(42));
        v.ventana.mnuTabInvitarClick();
        QTableWidget* lista = v.ventana.ListViewConectados();
        QVERIFY(v.ventana.PanelConectados()->isVisible());
        QStringList nicks;
        for (int fila = 0; fila < lista->rowCount(); ++fila)
            nicks << lista->item(fila, 0)->text();
        QCOMPARE(nicks, QStringList({"ana", "Ángel", "Tres", "zoe"}));
        QCOMPARE(lista->columnWidth(0), 148 - 4);
        const QRect fila = lista->visualItemRect(lista->item(3, 0));
        QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, fila.center());
        QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {}, fila.center());
        QCOMPARE(v.salas.Invitaciones.size(), size_t(1));
        QCOMPARE(v.salas.Invitaciones.front(), std::make_pair(42, QStringLiteral("10.0.0.9")));
        QVERIFY(v.ventana.PanelConectados()->isHidden());
        // Its close picture hides it without inviting.
        v.ventana.mnuTabInvitarClick();
        QTest::mouseClick(v.ventana.PanelConectados()->findChild<QWidget*>(
                              QStringLiteral("imgConectadosCerrar")),
                          Qt::LeftButton);
        QVERIFY(v.ventana.PanelConectados()->isHidden());
        QCOMPARE(v.salas.Invitaciones.size(), size_t(1));
    }

    void AplicarLaConfiguracionCambiaLasCajasYDejaAlLector() {
        TVentana v;
        v.Mostrar();
        TChat* sala = v.Abrir(1);
        for (int i = 0; i < 60; ++i)
            v.ventana.EscribirLineaChat(1, 0, QStringLiteral("hola"), QStringLiteral("ana"));
        sala->LogView->SetVerticalPos(3);
        TConfig& config = v.nodo.M().Config();
        config.Chat.colorFondo = ColorRGB(0, 0, 80);
        config.Chat.colorTexto = ColorRGB(255, 255, 0);
        config.Chat.Fuente.Size = 14;
        v.ventana.AplicarConfigChat();
        const QPalette paleta = sala->Input->palette();
        QCOMPARE(paleta.color(QPalette::Base), QColor(0, 0, 80));
        QCOMPARE(paleta.color(QPalette::Text), QColor(255, 255, 0));
        QCOMPARE(sala->Input->font().pointSize(), 14);
        QCOMPARE(sala->LogView->Style()->Color, ColorRGB(0, 0, 80));
        QCOMPARE(sala->LogView->VerticalPos(), 3);
        // A room opened afterwards starts with the new settings too.
        QCOMPARE(v.Abrir(2)->Input->palette().color(QPalette::Base), QColor(0, 0, 80));
    }

    void LaPistaDeLaPestanaNoInterpretaLosNicks() {
        TVentana v;
        v.salas.Descripcion = QStringLiteral("Anfitrión: <b>jefe</b>");
        v.Mostrar();
        v.Abrir(1);
        QTabBar* pestanas = v.ventana.PageControl()->tabBar();
        const QPoint en = pestanas->tabRect(0).center();
        QHelpEvent evento(QEvent::ToolTip, en, pestanas->mapToGlobal(en));
        QCoreApplication::sendEvent(pestanas, &evento);
        const QString pista = v.ventana.PageControl()->tabToolTip(0);
        QVERIFY(pista.contains(QStringLiteral("&lt;b&gt;jefe&lt;/b&gt;")));
    }
};

QTEST_MAIN(TstFrmChat)
#include "tst_frmchat.moc"
