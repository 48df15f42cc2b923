#include "apoyo/medidorfijo.h"
#include "logview/logformato.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

constexpr int kMargen = 5;

struct TLog {
    TLogStyle estilo;
    TLogDocumento documento;
    TFormatoLog formato;
    TMedidorFijo medidor;
    TOpcionesFormato opciones;

    explicit TLog(int ancho = 50) {
        opciones.TextWidth = ancho;
        opciones.LeftMargin = kMargen;
        estilo.AppendTextStyle();
        estilo.TextStyles[6].Size = 20;
    }
    void Formatear() { formato.Formatear(documento, estilo.TextStyles, medidor, opciones); }
    TDrawLineInfo Pieza(int i) const { return formato.DrawItems().at(i); }
    QString Texto(int i) const { return formato.TextoDe(documento, Pieza(i)).toString(); }
};

class TControlFalso : public TControlLog {
public:
    explicit TControlFalso(QSize tamano) : tamano(tamano) {}
    QSize Tamano() const override { return tamano; }
    void Colocar(int, int) override {}

private:
    QSize tamano;
};

void AgregarAlAzar(TLog& log, QRandomGenerator& azar, const TListaImagenes* lista) {
    static const QStringList palabras{"hola", "que", "tal", "estás", "x", "supercalifragilístico",
                                      "", " ", "a b c d e f g h"};
    switch (azar.bounded(13)) {
    case 0:
        log.documento.AppendImage(azar.bounded(4), lista, azar.bounded(3) == 0);
        return;
    case 1:
        log.documento.AppendJumpImage(0, lista, azar.bounded(2) == 0);
        return;
    case 2:
        log.documento.AppendMark(QStringLiteral("m"));
        return;
    case 3:
        log.documento.AppendPicture(QImage(azar.bounded(10, 40), 12, QImage::Format_RGB32));
        return;
    case 4:
        log.documento.AppendBreakLine(QStringLiteral("--"));
        return;
    case 5:
        log.documento.AppendControl(
            std::make_unique<TControlFalso>(QSize(azar.bounded(10, 60), azar.bounded(5, 30))),
            azar.bounded(2) == 0);
        return;
    default:
        break;
    }
    QString texto;
    for (int n = azar.bounded(1, 6); n > 0; --n)
        texto += palabras[azar.bounded(palabras.size())] + QLatin1Char(' ');
    const int estilo = azar.bounded(7);
    if (azar.bounded(3) == 0)
        log.documento.AppendLine(texto, estilo);
    else
        log.documento.AppendText(texto, estilo);
}

void CompararConCompleto(TLog& log) {
    TFormatoLog completo;
    completo.FormatearTodo(log.documento, log.estilo.TextStyles, log.medidor, log.opciones);
    QVERIFY(completo.DrawItems() == log.formato.DrawItems());
    QVERIFY(completo.JumpAreas() == log.formato.JumpAreas());
    QVERIFY(completo.Marks() == log.formato.Marks());
    QCOMPARE(completo.DocumentHeight(), log.formato.DocumentHeight());
}

// What painting and hit-tests rely on while paragraphs are pending: pieces in item order,
// each jump area on a jump piece, tops that only step back within a line.
void CompararCoherencia(const TLog& log) {
    const auto& piezas = log.formato.DrawItems();
    for (size_t i = 1; i < piezas.size(); ++i) {
        QVERIFY(piezas[i - 1].ItemNo <= piezas[i].ItemNo);
        if (piezas[i].StartsLine)
            QVERIFY2(piezas[i].Top >= piezas[i - 1].Top, qPrintable(QString::number(i)));
    }
    for (const TJumpInfo& salto : log.formato.JumpAreas()) {
        const TDrawLineInfo& pieza = piezas.at(salto.DrawItemNo);
        QCOMPARE(salto.Top, pieza.Top);
        const qint32 estilo = log.documento.Items()[pieza.ItemNo].Info.StyleIndex;
        QVERIFY(EsEstiloDeSalto(estilo) || estilo == ikJumpImage);
    }
}

} // namespace

class TstLogFormato : public QObject {
    Q_OBJECT
private slots:
    void DocumentoVacioMideUnPixel() {
        TLog log;
        log.Formatear();
        QCOMPARE(log.formato.DocumentHeight(), 1);
        QVERIFY(log.formato.DrawItems().empty());
    }

    void PartePorElEspacioYLoConsume() {
        TLog log;
        log.documento.AppendLine(QStringLiteral("hello world"), 0);
        log.Formatear();
        QCOMPARE(log.formato.DrawItems().size(), size_t(2));
        QCOMPARE(log.Texto(0), QStringLiteral("hello"));
        QCOMPARE(log.Texto(1), QStringLiteral("world"));
        QCOMPARE(log.Pieza(1).TextOffset, 7);
        QVERIFY(log.Pieza(1).StartsLine);
        QCOMPARE(log.Pieza(0).Left, kMargen);
        QCOMPARE(log.Pieza(0).Top, 1);
        QCOMPARE(log.Pieza(1).Top, 15);
        QCOMPARE(log.Pieza(1).Left, kMargen);
    }

    void PalabraLargaSeRompeEnLineaNueva() {
        TLog log;
        log.documento.AppendLine(QStringLiteral("xy"), 0);
        log.documento.AppendText(QStringLiteral("abcdefghijklmno"), 0);
        log.Formatear();
        QCOMPARE(log.formato.DrawItems().size(), size_t(3));
        QCOMPARE(log.Texto(1), QStringLiteral("abcdefghij"));
        QVERIFY(log.Pieza(1).StartsLine);
        QCOMPARE(log.Pieza(1).Left, kMargen);
        QCOMPARE(log.Texto(2), QStringLiteral("klmno"));
        QCOMPARE(log.Pieza(2).TextOffset, 11);
    }

    void FuenteMayorBajaLaLinea() {
        TLog log;
        log.documento.AppendLine(QStringLiteral("ab"), 0);
        log.documento.AppendText(QStringLiteral("CD"), 6);
        log.documento.AppendLine(QStringLiteral("ef"), 0);
        log.Formatear();
        QCOMPARE(log.Pieza(0).Top + 10, log.Pieza(1).Top + 20);
        QCOMPARE(log.Pieza(0).Top, 11);
        QCOMPARE(log.Pieza(1).Left, kMargen + 10);
        QCOMPARE(log.Pieza(2).Top, 21 + 3 + 1);
    }

    void LineaVaciaNoAnadeAltura() {
        TLog log;
        log.documento.AppendLine(QStringLiteral("a"), 0);
        log.documento.AppendLine(QString(), 0);
        log.documento.AppendLine(QStringLiteral("b"), 0);
        log.Formatear();
        QCOMPARE(log.formato.DrawItems().size(), size_t(2));
        QCOMPARE(log.Pieza(1).Top, 15);
    }

    void EmoticonoCabeOPasaALaLineaSiguiente() {
        TListaImagenes lista(17, 15);
        TLog log;
        log.documento.AppendLine(QStringLiteral("abcdef"), 0);
        log.documento.AppendImage(0, &lista, false);
        log.documento.AppendImage(1, &lista, false);
        log.Formatear();
        QCOMPARE(log.Pieza(1).Left, kMargen + 30 + 1);
        QCOMPARE(log.Pieza(1).Top, 1);
        QCOMPARE(log.Pieza(1).Width, 18);
        QCOMPARE(log.Pieza(1).Height, 16);
        QCOMPARE(log.Pieza(0).Top, 6);
        QCOMPARE(log.Pieza(2).Left, kMargen + 1);
        QCOMPARE(log.Pieza(2).Top, 20);
        QVERIFY(log.Pieza(2).StartsLine);
    }

    void TextoTrasEmoticonoPartidoNoMueveLaLineaAnterior() {
        TListaImagenes lista(17, 15);
        TLog log;
        log.documento.AppendLine(QStringLiteral("abcdefgh"), 0);
        log.documento.AppendImage(0, &lista, false);
        log.documento.AppendText(QStringLiteral("G"), 6);
        log.Formatear();
        QCOMPARE(log.Pieza(0).Top, 1);
        QCOMPARE(log.Pieza(1).Top + 15, log.Pieza(2).Top + 20);
    }

    void SaltosNumeradosEnOrden() {
        TListaImagenes lista(17, 15);
        TLog log;
        log.documento.AppendLine(QStringLiteral("aaaa bbbb cccc"), 4);
        log.documento.AppendText(QStringLiteral("x"), 0);
        log.documento.AppendText(QString(), 5);
        log.documento.AppendText(QStringLiteral("y"), 5);
        log.documento.AppendJumpImage(0, &lista, true);
        log.Formatear();
        const auto& saltos = log.formato.JumpAreas();
        QCOMPARE(saltos.size(), size_t(4));
        QCOMPARE(saltos[0].JumpId, 0);
        QCOMPARE(saltos[1].JumpId, 0);
        QCOMPARE(saltos[1].DrawItemNo, 1);
        QCOMPARE(saltos[2].JumpId, 2);
        QCOMPARE(saltos[3].JumpId, 3);
        QCOMPARE(log.documento.Items()[0].Info.ImageIndex, 0);
        QCOMPARE(log.documento.Items()[3].Info.ImageIndex, 2);
        QCOMPARE(saltos[3].Width, 17);
    }

    void SaltoSigueASuPiezaEmpujada() {
        TLog log;
        log.documento.AppendLine(QStringLiteral("ab"), 4);
        log.formato.Formatear(log.documento, log.estilo.TextStyles, log.medidor, log.opciones);
        log.documento.AppendText(QStringLiteral("CD"), 6);
        log.Formatear();
        QCOMPARE(log.formato.JumpAreas()[0].Top, log.Pieza(0).Top);
        QCOMPARE(log.formato.JumpAreas()[0].Top, 11);
    }

    void MarcasYReglas() {
        TLog log;
        log.documento.AppendLine(QStringLiteral("a"), 0);
        log.documento.AppendMark(QStringLiteral("aqui"));
        log.documento.AppendBreakLine(QStringLiteral("--"));
        log.Formatear();
        QCOMPARE(log.formato.Marks().size(), size_t(1));
        QCOMPARE(log.formato.Marks()[0].Nombre, QStringLiteral("aqui"));
        QCOMPARE(log.formato.Marks()[0].Y, 14);
        QCOMPARE(log.Pieza(1).Top, 14);
        QCOMPARE(log.Pieza(1).Height, 11);
        QCOMPARE(log.formato.DocumentHeight(), 14 + 11 + 5 + 1);
    }

    void ImagenCentradaEnSuBanda() {
        TLog log;
        log.documento.AppendPicture(QImage(20, 8, QImage::Format_RGB32));
        log.opciones.MostrarImagenes = false;
        log.Formatear();
        QCOMPARE(log.Pieza(0).Left, kMargen + 15);
        QCOMPARE(log.Pieza(0).Top, 1);
        QCOMPARE(log.Pieza(0).Height, 9);
        QCOMPARE(log.formato.AnchoMayorCarga(log.documento), 20);
    }

    void OpcionApagadaOmiteElElemento() {
        TListaImagenes lista(17, 15);
        TLog log;
        log.documento.AppendImage(0, &lista, true);
        log.opciones.MostrarImagenes = false;
        log.Formatear();
        QVERIFY(log.formato.DrawItems().empty());
    }

    void IncrementalIgualQueCompleto() {
        TListaImagenes lista(17, 15);
        QRandomGenerator azar(7);
        for (int documento = 0; documento < 40; ++documento) {
            TLog incremental(azar.bounded(30, 200));
            for (int tanda = 0; tanda < 15; ++tanda) {
                for (int n = azar.bounded(1, 6); n > 0; --n)
                    AgregarAlAzar(incremental, azar, &lista);
                if (azar.bounded(10) == 0)
                    incremental.opciones.TextWidth = azar.bounded(30, 200);
                incremental.Formatear();
                CompararConCompleto(incremental);
                if (QTest::currentTestFailed())
                    return;
            }
        }
    }

    // Appends, new widths, new fonts, catch-up slices and visible bands in any order end in
    // exactly the full layout.
    void EntrelazadoAcabaEnElFormatoCompleto() {
        TListaImagenes lista(17, 15);
        QRandomGenerator azar(11);
        for (int documento = 0; documento < 60; ++documento) {
            TLog log(azar.bounded(30, 200));
            for (int n = azar.bounded(0, 30); n > 0; --n)
                AgregarAlAzar(log, azar, &lista);
            log.Formatear();
            for (int paso = 0; paso < 40; ++paso) {
                const TFormatoLog& f = log.formato;
                switch (azar.bounded(6)) {
                case 0:
                    for (int n = azar.bounded(1, 6); n > 0; --n)
                        AgregarAlAzar(log, azar, &lista);
                    break;
                case 1:
                    log.opciones.TextWidth = azar.bounded(30, 200);
                    break;
                case 2:
                    log.estilo.TextStyles[6].Size = azar.bounded(8, 24);
                    break;
                case 3: {
                    const int y = azar.bounded(f.DocumentHeight() + 1);
                    log.formato.FormatearZona(y, y + azar.bounded(1, 80));
                    break;
                }
                default:
                    if (f.Pendiente())
                        log.formato.Avanzar(azar.bounded(1, 4));
                    break;
                }
                log.formato.Preparar(log.documento, log.estilo.TextStyles, log.medidor,
                                     log.opciones);
                CompararCoherencia(log);
                if (!f.Pendiente())
                    CompararConCompleto(log);
                if (QTest::currentTestFailed())
                    return;
            }
            while (log.formato.Pendiente())
                log.formato.Avanzar(azar.bounded(1, 4));
            CompararConCompleto(log);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void ItemLargoEnTrozosIgualQueCompleto_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<int>("estilo");
        QTest::newRow("sin espacios") << QString(120'000, u'x') << 0;
        QString palabras;
        for (int i = 0; palabras.size() < 110'000; ++i)
            palabras += QString(1 + i % 9, u'a') + QLatin1Char(' ');
        QTest::newRow("palabras") << palabras << 6;
        QTest::newRow("espacios") << QString(100'000, u' ') + QStringLiteral("fin") << 0;
        QTest::newRow("salto") << palabras << 4;
    }

    // A huge item laid out a few characters at a time, with appends, new widths and visible
    // bands in between, ends in exactly the layout made at once.
    void ItemLargoEnTrozosIgualQueCompleto() {
        QFETCH(QString, texto);
        QFETCH(int, estilo);
        TListaImagenes lista(17, 15);
        QRandomGenerator azar(5);
        TLog log(azar.bounded(30, 200));
        log.documento.AppendLine(QStringLiteral("antes"), 0);
        log.documento.AppendText(texto, estilo);
        log.documento.AppendImage(0, &lista, false);
        const auto preparar = [&log] {
            log.formato.Preparar(log.documento, log.estilo.TextStyles, log.medidor, log.opciones,
                                 5000);
        };
        preparar();
        QVERIFY(log.formato.Pendiente());
        for (int paso = 0; log.formato.Pendiente(); ++paso) {
            if (paso % 7 == 3)
                AgregarAlAzar(log, azar, &lista);
            if (paso < 30 && paso % 11 == 5)
                log.opciones.TextWidth = azar.bounded(30, 200);
            if (paso % 5 == 1) {
                const int y = azar.bounded(log.formato.DocumentHeight() + 1);
                log.formato.FormatearZona(y, y + 100);
            }
            preparar();
            log.formato.Avanzar(azar.bounded(1, 4), 0);
            CompararCoherencia(log);
            if (QTest::currentTestFailed())
                return;
        }
        CompararConCompleto(log);
    }

    void ZonaPendienteSeFormateaAlAnchoNuevo() {
        TLog log(200);
        for (int i = 0; i < 50; ++i)
            log.documento.AppendLine(QStringLiteral("uno dos tres cuatro cinco"), 0);
        log.Formatear();
        QCOMPARE(log.formato.DocumentHeight(), 50 * 14 + 1);
        log.opciones.TextWidth = 40;
        log.formato.Preparar(log.documento, log.estilo.TextStyles, log.medidor, log.opciones);
        QVERIFY(log.formato.Pendiente());
        QCOMPARE(log.formato.DocumentHeight(), 50 * 14 + 1);
        log.formato.FormatearZona(20 * 14, 21 * 14);
        // Paragraph 20 now takes four lines; the estimate below it moved down with it.
        const int primera = log.formato.PrimeraPiezaDeItem(20);
        QCOMPARE(log.Texto(primera), QStringLiteral("uno dos"));
        QCOMPARE(log.Pieza(primera).Top, 20 * 14 + 1);
        QCOMPARE(log.Texto(primera + 3), QStringLiteral("cinco"));
        QCOMPARE(log.Pieza(primera + 4).ItemNo, 21);
        QCOMPARE(log.Pieza(primera + 4).Top, 24 * 14 + 1);
        QCOMPARE(log.formato.DocumentHeight(), 53 * 14 + 1);
        QVERIFY(log.formato.Pendiente());
        log.formato.Avanzar(INT_MAX);
        QVERIFY(!log.formato.Pendiente());
        QCOMPARE(log.formato.DocumentHeight(), 200 * 14 + 1);
    }

    void EstiloDesconocidoNoFalla() {
        TLog log;
        log.documento.AppendLine(QStringLiteral("ab"), 42);
        log.Formatear();
        QCOMPARE(log.Pieza(0).Height, 13);
    }

    void EstiloCambiadoObligaAFormatearDeNuevo() {
        TLog log;
        log.documento.AppendLine(QStringLiteral("ab"), 6);
        log.Formatear();
        log.estilo.TextStyles[6].Size = 30;
        log.documento.AppendLine(QStringLiteral("cd"), 0);
        log.Formatear();
        QCOMPARE(log.Pieza(0).Height, 33);
    }

    void LimpiarDescartaElFormatoAnterior() {
        TLog log;
        log.documento.AppendLine(QStringLiteral("ab"), 0);
        log.Formatear();
        log.documento.ClearDocument();
        log.documento.AppendLine(QStringLiteral("cd"), 0);
        log.Formatear();
        QCOMPARE(log.formato.DrawItems().size(), size_t(1));
        QCOMPARE(log.Pieza(0).Top, 1);
    }
};

QTEST_GUILESS_MAIN(TstLogFormato)
#include "tst_logformato.moc"
