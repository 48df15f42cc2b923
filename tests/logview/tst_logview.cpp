#include "apoyo/medidorfijo.h"
#include "core/error.h"
#include "logview/logview.h"

#include <QApplication>
#include <QClipboard>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>

namespace {

struct TLinea {
    int Item = -1;
    int Offset = 0;
    int Desfase = 0;
    friend bool operator==(const TLinea&, const TLinea&) = default;
};

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
    // A new line as the chat window adds it: follow the end if the reader was there.
    void LineaDelChat(const QString& texto) {
        const int posicion = vista.VerticalPos();
        const bool alFinal = posicion == vista.VerticalPosMax();
        if (!texto.isEmpty())
            vista.AppendLine(texto, 0);
        vista.Reformat();
        vista.SetVerticalPos(alFinal ? vista.VerticalPosMax() : posicion);
    }
    // The item and character at the top of the view, and where its piece lies.
    TLinea LineaDeArriba() const {
        const auto& piezas = vista.DrawItems();
        const int arriba = vista.PixelPos();
        auto pieza = std::find_if(piezas.begin(), piezas.end(),
                                  [arriba](const TDrawLineInfo& p) { return p.Bottom() > arriba; });
        if (pieza == piezas.end())
            return {};
        return {pieza->ItemNo, pieza->TextOffset, pieza->Top - arriba};
    }
    bool VisibleAlAnchoActual() const {
        const int arriba = vista.PixelPos();
        const int abajo = arriba + vista.viewport()->height();
        for (const TDrawLineInfo& pieza : vista.DrawItems()) {
            if (pieza.Bottom() > arriba && pieza.Top < abajo &&
                pieza.Left + pieza.Width > vista.TextWidth() + vista.LeftMargin)
                return false;
        }
        return true;
    }
    void CompararConCompleto() {
        TFormatoLog completo;
        TMedidorFijo medidor;
        TLogDocumento& documento = const_cast<TLogDocumento&>(vista.Documento());
        completo.FormatearTodo(documento, estilo.TextStyles, medidor,
                               {vista.TextWidth(), vista.LeftMargin});
        QVERIFY(completo.DrawItems() == vista.DrawItems());
        QVERIFY(completo.JumpAreas() == vista.JumpAreas());
        QCOMPARE(completo.DocumentHeight(), vista.DocumentHeight());
        QCOMPARE(vista.ContentUnits(), completo.DocumentHeight() / vista.ScrollUnit());
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

    // The line at the top stays at the top, at once and once the rest has caught up; a
    // change of height alone re-wraps nothing.
    void CambioDeAnchoMantieneLaLineaDeArriba() {
        TVista v;
        v.Lineas(2000);
        v.vista.SetVerticalPos(100);
        const TLinea antes = v.LineaDeArriba();
        QCOMPARE(antes.Item, 71);
        v.vista.resize(60, 120);
        QCOMPARE(v.vista.TextWidth(), v.Area()->width() - 10);
        QVERIFY(v.vista.RepartoPendiente());
        QCOMPARE(v.LineaDeArriba(), antes);
        QVERIFY(v.VisibleAlAnchoActual());
        v.vista.NanosPorPaso = 0;
        for (int paso = 0; paso < 100; ++paso) {
            v.vista.PasoDeReparto();
            QCOMPARE(v.LineaDeArriba(), antes);
        }
        QTRY_VERIFY(!v.vista.RepartoPendiente());
        QCOMPARE(v.LineaDeArriba(), antes);
        QVERIFY(v.vista.VerticalPos() > 100);
        v.CompararConCompleto();
        const int posicion = v.vista.VerticalPos();
        v.vista.resize(60, 150);
        QVERIFY(!v.vista.RepartoPendiente());
        QCOMPARE(v.vista.VerticalPos(), posicion);
    }

    // The chat's follow-the-end rule: at the end before, at the end during and after, also
    // when lines arrive meanwhile; none of them is lost.
    void AlFinalSigueAlFinalYNadaSePierde() {
        TVista v;
        v.Lineas(2000);
        v.vista.NanosPorPaso = 0;
        v.vista.SetVerticalPos(v.vista.VerticalPosMax());
        v.vista.resize(70, 120);
        QVERIFY(v.vista.RepartoPendiente());
        QCOMPARE(v.vista.VerticalPos(), v.vista.VerticalPosMax());
        QVERIFY(v.VisibleAlAnchoActual());
        int llegadas = 0;
        for (int paso = 0; v.vista.RepartoPendiente(); ++paso) {
            if (paso % 50 == 0) {
                v.LineaDelChat(QStringLiteral("nueva %1 con varias palabras").arg(llegadas++));
                QCOMPARE(v.vista.VerticalPos(), v.vista.VerticalPosMax());
                QVERIFY(v.VisibleAlAnchoActual());
            }
            v.vista.PasoDeReparto();
            QCOMPARE(v.vista.VerticalPos(), v.vista.VerticalPosMax());
        }
        QVERIFY(llegadas > 10);
        QCOMPARE(v.vista.VerticalPos(), v.vista.VerticalPosMax());
        v.CompararConCompleto();
        QCOMPARE(v.vista.Documento().Items().back().Texto,
                 QStringLiteral("nueva %1 con varias palabras").arg(llegadas - 1));
    }

    // A pasted page from a peer: the view lays out its start at once and the rest from the
    // event loop, with the reader following its end and later lines after it.
    void LineaEnormeSeFormateaEnTrozos() {
        TVista v;
        v.Lineas(30);
        v.vista.SetVerticalPos(v.vista.VerticalPosMax());
        v.LineaDelChat(QString(300'000, u'x'));
        QVERIFY(v.vista.RepartoPendiente());
        QVERIFY(v.vista.DrawItems().back().TextOffset < 300'000 - v.vista.CaracteresSinPausa);
        v.LineaDelChat(QStringLiteral("despues"));
        QCOMPARE(v.vista.VerticalPos(), v.vista.VerticalPosMax());
        QTRY_VERIFY(!v.vista.RepartoPendiente());
        QCOMPARE(v.vista.VerticalPos(), v.vista.VerticalPosMax());
        QCOMPARE(v.vista.DrawItems().back().ItemNo, 31);
        v.CompararConCompleto();
    }

    void SeleccionSobreviveAlCambioDeAncho() {
        TVista v;
        v.Lineas(500);
        v.vista.SetVerticalPos(30);
        const int y = v.vista.DrawItems()[v.vista.Documento().Count() / 2].Top;
        v.Arrastrar({7, 5}, {27, 40});
        const QString elegido = v.vista.SelectedText();
        QVERIFY(elegido.contains(QStringLiteral("\r\n")));
        Q_UNUSED(y);
        v.vista.resize(50, 120);
        QCOMPARE(v.vista.SelectedText(), elegido);
        QTRY_VERIFY(!v.vista.RepartoPendiente());
        QCOMPARE(v.vista.SelectedText(), elegido);
        QTest::keyClick(&v.vista, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), elegido);
    }

    // Appends, scrolls, reformats with the chat's restore, width changes and slices in any
    // order: every control stays on its piece, and the end is the full layout.
    void ControlesSiguenASusPiezas() {
        QRandomGenerator azar(5);
        TVista v;
        v.vista.NanosPorPaso = 0;
        std::vector<QPointer<QWidget>> botones;
        for (int paso = 0; paso < 300; ++paso) {
            switch (azar.bounded(6)) {
            case 0: {
                auto* boton = new QWidget;
                boton->resize(azar.bounded(10, 80), azar.bounded(5, 40));
                botones.emplace_back(boton);
                v.vista.AppendControl(boton, azar.bounded(2) == 0);
                v.LineaDelChat({});
                break;
            }
            case 1:
                v.vista.SetVerticalPos(azar.bounded(v.vista.VerticalPosMax() + 1));
                break;
            case 2:
                v.vista.resize(azar.bounded(60, 300), azar.bounded(60, 200));
                break;
            case 3:
                if (v.vista.RepartoPendiente())
                    v.vista.PasoDeReparto();
                break;
            default:
                for (int n = azar.bounded(1, 4); n > 0; --n)
                    v.LineaDelChat(QStringLiteral("linea %1 de varias palabras").arg(paso));
                break;
            }
            size_t control = 0;
            for (const TDrawLineInfo& pieza : v.vista.DrawItems()) {
                if (v.vista.Documento().Items()[pieza.ItemNo].Info.StyleIndex != ikControl)
                    continue;
                const QPoint esperado(pieza.Left - v.vista.HorizontalPos(),
                                      pieza.Top - v.vista.PixelPos());
                QVERIFY2(botones.at(control++)->pos() == esperado,
                         qPrintable(QStringLiteral("paso %1").arg(paso)));
            }
            QCOMPARE(control, botones.size());
            if (QTest::currentTestFailed())
                return;
        }
        QTRY_VERIFY(!v.vista.RepartoPendiente());
        v.CompararConCompleto();
    }

    // While the rest is still being laid out, the visible part answers clicks on jumps and
    // word look-ups with what it shows.
    void SaltosYPalabrasDuranteElReparto() {
        TVista v;
        for (int i = 0; i < 2000; ++i) {
            v.vista.AppendLine(QStringLiteral("linea %1").arg(i), 0);
            if (i % 2 == 0)
                v.vista.AppendLine(QStringLiteral("enlace"), 4);
        }
        v.vista.Reformat();
        v.vista.SetVerticalPos(v.vista.VerticalPosMax() / 2);
        v.vista.resize(60, 120);
        QVERIFY(v.vista.RepartoPendiente());
        const auto salto = std::find_if(
            v.vista.JumpAreas().begin(), v.vista.JumpAreas().end(),
            [&](const TJumpInfo& area) { return area.Top > v.vista.PixelPos() + 20; });
        QVERIFY(salto != v.vista.JumpAreas().end());
        const QPoint sobreSalto(salto->Left + 3 - v.vista.HorizontalPos(),
                                salto->Top + 3 - v.vista.PixelPos());
        QVERIFY(v.Area()->rect().contains(sobreSalto));
        const int numero = v.vista.DrawItems()[salto->DrawItemNo].ItemNo;
        QSignalSpy saltos(&v.vista, &TLogView::OnJump);
        QSignalSpy palabras(&v.vista, &TLogView::OnLogRightClick);
        QTest::mouseClick(v.Area(), Qt::LeftButton, {}, sobreSalto);
        QTest::mouseClick(v.Area(), Qt::RightButton, {}, sobreSalto);
        QVERIFY(v.vista.RepartoPendiente());
        QCOMPARE(saltos.count(), 1);
        QCOMPARE(saltos[0][0].toInt(), v.vista.Documento().Items()[numero].Info.ImageIndex);
        QCOMPARE(saltos[0][0].toInt(), (numero - 1) / 3);
        QCOMPARE(palabras.count(), 1);
        QCOMPARE(palabras[0][0].toString(), QStringLiteral("enlace"));
    }

    // A fault in a handler of the application stays in the view's event handler.
    void ExcepcionNoSaleDelManejador() {
        TVista v;
        v.vista.AppendLine(QStringLiteral("enlace"), 4);
        v.vista.Reformat();
        int llamadas = 0;
        connect(&v.vista, &TLogView::OnJump, this, [&] {
            ++llamadas;
            throw TError(QStringLiteral("EListError"), QStringLiteral("fallo"));
        });
        QTest::ignoreMessage(QtWarningMsg, "Log view: EListError: fallo");
        QTest::mouseClick(v.Area(), Qt::LeftButton, {}, {10, 5});
        QCOMPARE(llamadas, 1);
    }

    // An item in a style the table lacks is laid out and painted in a new style's look,
    // whatever calls the layout.
    void EstiloDesconocidoNoSaleDeLosEventos() {
        TVista v;
        v.vista.AppendLine(QStringLiteral("hola mundo"), 42);
        v.vista.Reformat();
        v.vista.resize(200, 100);
        const QImage imagen = v.Area()->grab().toImage();
        QVERIFY(PixelesDeColor(imagen, {5, 1, 40, 12}, Qt::white) < 40 * 12);
        QCOMPARE(v.vista.DrawItems().size(), size_t(1));
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

    void MedidorRealComoQt_data() {
        QTest::addColumn<QString>("alfabeto");
        QTest::newRow("latino con pares de kerning") << QStringLiteral("AVTo Wyf.fiffi,LT'");
        QTest::newRow("ligaduras") << QStringLiteral("fffffil A ");
        QTest::newRow("acentos") << QStringLiteral("aáeéñÑ¿?¡!çÇ ºªüÜ");
        QTest::newRow("mezclado") << QStringLiteral("abc ωжشי\u0301\u00ad\t😀漢");
    }

    // The real measurer, whether it sums advances or shapes, gives Qt's widths, and the
    // fit is a prefix no wider than asked that one more character would pass, in every style's own font.
    void MedidorRealComoQt() {
        QFETCH(QString, alfabeto);
        QRandomGenerator azar(11);
        TLogStyle estilo;
        estilo.TextStyles[0].Size = 13;
        estilo.TextStyles[1].Style = kNegrita;
        TMedidorQt medidor;
        for (int caso = 0; caso < 60; ++caso) {
            QString texto;
            for (int i = azar.bounded(1, 50); i > 0; --i)
                texto += alfabeto[azar.bounded(int(alfabeto.size()))];
            const TFontInfo& fuente = estilo.TextStyles[caso % 2];
            const QFontMetrics qt(FuenteDe(fuente));
            const int ancho = azar.bounded(qt.horizontalAdvance(texto) + 10);
            medidor.ElegirFuente(fuente);
            const int cabe = medidor.Encajan(texto, ancho);
            QVERIFY(qt.horizontalAdvance(texto.left(cabe)) <= ancho);
            QVERIFY(cabe == texto.size() || qt.horizontalAdvance(texto.left(cabe + 1)) > ancho);
            for (const int prefijo : {int(azar.bounded(cabe + 1)), cabe})
                QCOMPARE(medidor.Medir(QStringView(texto).left(prefijo)).width(),
                         qt.horizontalAdvance(texto.left(prefijo)));
            QCOMPARE(medidor.Medir(texto).width(), qt.horizontalAdvance(texto));
        }
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
