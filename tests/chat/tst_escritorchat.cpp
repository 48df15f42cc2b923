#include "apoyo/medidorfijo.h"
#include "chat/lineachat.h"
#include "logview/logview.h"

#include <QTest>

namespace {

struct TSala {
    TLogStyle tabla;
    TConfig config;
    TReloj reloj;
    TEscritorChat escritor{tabla, config, reloj};
    TLogView log;

    TSala() {
        log.SetStyle(&tabla);
        log.SetMedidor(std::make_unique<TMedidorFijo>());
        log.resize(300, 120);
        log.show();
        QVERIFY(QTest::qWaitForWindowExposed(&log));
    }
    void Escribir(const QString& texto = QStringLiteral("hola :)")) {
        escritor.Escribir(log, 0x0000FF, texto, QStringLiteral("ana"));
    }
};

} // namespace

class TstEscritorChat : public QObject {
    Q_OBJECT
private slots:
    void ElLectorAlFinalSigueLasLineasNuevas() {
        TSala sala;
        sala.Escribir();
        QCOMPARE(sala.log.VerticalPosMax(), 0);
        while (sala.log.VerticalPosMax() == 0)
            sala.Escribir();
        // From the moment the log overflows it shows the end.
        QCOMPARE(sala.log.VerticalPos(), sala.log.VerticalPosMax());
        for (int i = 0; i < 20; ++i)
            sala.Escribir();
        QVERIFY(sala.log.VerticalPosMax() > 5);
        QCOMPARE(sala.log.VerticalPos(), sala.log.VerticalPosMax());
    }

    void ElLectorQueSubioSeQuedaDondeEstaba() {
        TSala sala;
        for (int i = 0; i < 40; ++i)
            sala.Escribir();
        sala.log.SetVerticalPos(3);
        const int maximo = sala.log.VerticalPosMax();
        sala.Escribir(QStringLiteral("una linea bastante larga que ocupa mas de un renglon :) :("));
        QCOMPARE(sala.log.VerticalPos(), 3);
        QVERIFY(sala.log.VerticalPosMax() > maximo);
        sala.log.SetVerticalPos(sala.log.VerticalPosMax());
        sala.Escribir();
        QCOMPARE(sala.log.VerticalPos(), sala.log.VerticalPosMax());
    }

    void LaLineaLlegaAlLogConSuEstiloYSusDibujos() {
        TSala sala;
        sala.reloj.Fijar(QDateTime(QDate(2026, 3, 4), QTime(8, 9)));
        sala.Escribir(QStringLiteral("a:)"));
        sala.Escribir(QStringLiteral("b"));
        const std::vector<TItemLog>& items = sala.log.Documento().Items();
        QCOMPARE(items.size(), size_t(5));
        QCOMPARE(items[0].Texto, SelloHora(QTime(8, 9)) + QStringLiteral("<ana>"));
        QCOMPARE(items[2].Info.ImageList(), &sala.escritor.Emoticonos());
        QCOMPARE(items[3].Info.ContinuesLine, false);
        QCOMPARE(items[0].Info.StyleIndex, 6);
        QCOMPARE(items[4].Info.StyleIndex, 6);
        QCOMPARE(sala.tabla.TextStyles.Count(), 7);
        // Both lines were laid out: a piece per item, the second line below the first.
        QCOMPARE(sala.log.DrawItems().size(), size_t(5));
        QVERIFY(sala.log.DrawItems()[3].Top > sala.log.DrawItems()[0].Top);
    }
};

QTEST_MAIN(TstEscritorChat)
#include "tst_escritorchat.moc"
