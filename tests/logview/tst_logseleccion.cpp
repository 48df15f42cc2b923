#include "apoyo/medidorfijo.h"
#include "logview/logseleccion.h"

#include <QTest>

namespace {

struct TLog {
    TLogStyle estilo;
    TLogDocumento documento;
    TFormatoLog formato;
    TMedidorFijo medidor;

    void Formatear(int ancho) {
        formato.Formatear(documento, estilo.TextStyles, medidor, {ancho, 5});
    }
    TContextoLog Contexto() { return {documento, formato, estilo.TextStyles, medidor}; }
};

} // namespace

class TstLogSeleccion : public QObject {
    Q_OBJECT
private slots:
    void SeleccionSobreviveAUnNuevoReparto() {
        TLog log;
        log.documento.AppendLine(QStringLiteral("uno dos tres cuatro"), 0);
        log.Formatear(200);
        const TExtremo enItem = ATerminosDeItem(log.Contexto(), {0, 10});
        QCOMPARE(enItem, (TExtremo{0, 10}));
        log.Formatear(40);
        const TExtremo nuevo = DeTerminosDeItem(log.Contexto(), enItem);
        QCOMPARE(nuevo.Item, 1);
        QCOMPARE(log.formato.TextoDe(log.documento, log.formato.DrawItems()[1]).toString(),
                 QStringLiteral("tres"));
        QCOMPARE(nuevo.Offset, 2);
        QCOMPARE(ATerminosDeItem(log.Contexto(), nuevo), enItem);
    }

    void PuntoFueraDeLasLineas() {
        TLog log;
        log.documento.AppendLine(QStringLiteral("abc"), 0);
        log.documento.AppendLine(QStringLiteral("defgh"), 0);
        log.Formatear(200);
        QCOMPARE(PuntoDeSeleccion(log.Contexto(), 0, 5), (TExtremo{0, 1}));
        QCOMPARE(PuntoDeSeleccion(log.Contexto(), 100, 5), (TExtremo{1, 1}));
        QCOMPARE(PuntoDeSeleccion(log.Contexto(), 100, 500), (TExtremo{1, 6}));
        QCOMPARE(PuntoDeSeleccion(log.Contexto(), 5 + 12, 20), (TExtremo{1, 3}));
        QCOMPARE(PuntoDeSeleccion(TLog().Contexto(), 5, 5).Item, -1);
    }

    void TextoSeleccionadoSaltaImagenesYMarcas() {
        TListaImagenes lista(17, 15);
        TLog log;
        log.documento.AppendLine(QStringLiteral("hola"), 0);
        log.documento.AppendImage(0, &lista, false);
        log.documento.AppendMark(QStringLiteral("m"));
        log.documento.AppendText(QStringLiteral("adios"), 0);
        log.documento.AppendLine(QStringLiteral("x\ny"), 0);
        log.Formatear(200);
        QCOMPARE(TextoSeleccionado(log.Contexto(), {0, 3}, {3, 4}),
                 QStringLiteral("laadios\r\nx\r\ny"));
        QCOMPARE(TextoSeleccionado(log.Contexto(), {2, 3}, {0, 3}), QStringLiteral("laad"));
        QCOMPARE(TextoSeleccionado(log.Contexto(), {1, 0}, {1, 1}), QString());
        QCOMPARE(TextoSeleccionado(log.Contexto(), {0, 2}, {0, 2}), QString());
    }

    void CaracteresDeUnaPiezaSeleccionada() {
        QCOMPARE(CaracteresSeleccionados(3, 5, {1, 2}, {4, 1}), (std::pair{0, 5}));
        QCOMPARE(CaracteresSeleccionados(1, 5, {1, 3}, {4, 1}), (std::pair{2, 5}));
        QCOMPARE(CaracteresSeleccionados(4, 5, {1, 3}, {4, 3}), (std::pair{0, 2}));
        QCOMPARE(CaracteresSeleccionados(2, 5, {2, 2}, {2, 4}), (std::pair{1, 3}));
        QCOMPARE(CaracteresSeleccionados(5, 5, {1, 3}, {4, 3}), (std::pair{0, 0}));
    }

    void PalabraBajoElPunto() {
        TLog log;
        log.documento.AppendLine(QStringLiteral("hola, (mundo) feliz"), 0);
        log.Formatear(400);
        const QString delimitadores = QStringLiteral(" .;,:(){}\"");
        const auto palabra = PalabraEn(log.Contexto(), 5 + 8 * 5 + 2, 5, delimitadores);
        QVERIFY(palabra);
        QCOMPARE(palabra->Palabra, QStringLiteral("mundo"));
        QCOMPARE(palabra->Estilo, 0);
        QCOMPARE(PalabraEn(log.Contexto(), 5 + 4 * 5 + 2, 5, delimitadores)->Palabra, QString());
        QVERIFY(!PalabraEn(log.Contexto(), 300, 5, delimitadores));
        QVERIFY(!PalabraEn(log.Contexto(), 10, 100, delimitadores));
    }
};

QTEST_GUILESS_MAIN(TstLogSeleccion)
#include "tst_logseleccion.moc"
