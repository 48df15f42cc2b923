#include "principal/animacionojos.h"

#include <QTest>

namespace {

struct TCambio {
    int Tic;
    TCaraOjos Cara;
};

QList<TCambio> Recorrer(TAnimacionOjos& animacion, int tics) {
    QList<TCambio> cambios;
    for (int tic = 1; tic <= tics; ++tic)
        if (animacion.Paso())
            cambios.append({tic, animacion.Cara()});
    return cambios;
}

bool EsMirada(TCaraOjos cara) {
    return cara == TCaraOjos::MiraUnLado || cara == TCaraOjos::MiraOtroLado;
}

} // namespace

class TstAnimacionOjos : public QObject {
    Q_OBJECT
private slots:
    void EmpiezaConLosOjosAbiertos() {
        TAnimacionOjos animacion(1);
        QCOMPARE(animacion.Cara(), TCaraOjos::Abiertos);
        QCOMPARE(animacion.Intervalo(), 100);
        for (int tic = 1; tic < 26; ++tic)
            QVERIFY(!animacion.Paso());
        QVERIFY(animacion.Paso());
        QVERIFY(animacion.Cara() != TCaraOjos::Abiertos);
    }

    void DuracionesYAlternancia_data() {
        QTest::addColumn<unsigned>("semilla");
        for (unsigned semilla : {1u, 7u, 2002u, 123456u})
            QTest::newRow(qPrintable(QString::number(semilla))) << semilla;
    }
    void DuracionesYAlternancia() {
        QFETCH(unsigned, semilla);
        TAnimacionOjos animacion(semilla);
        const QList<TCambio> cambios = Recorrer(animacion, 20000);
        QVERIFY(cambios.size() > 100);
        int parpadeos = 0, miradas = 0;
        TCaraOjos ultimaMirada = TCaraOjos::Abiertos;
        for (int i = 0; i < cambios.size(); ++i) {
            const TCambio& cambio = cambios.at(i);
            const int duracion = cambio.Tic - (i > 0 ? cambios.at(i - 1).Tic : 0);
            const TCaraOjos anterior = i > 0 ? cambios.at(i - 1).Cara : TCaraOjos::Abiertos;
            if (anterior == TCaraOjos::Cerrados) {
                QCOMPARE(duracion, 2);
            } else if (EsMirada(anterior)) {
                QCOMPARE(duracion, 5);
            } else {
                QVERIFY(cambio.Cara != TCaraOjos::Abiertos);
                const bool trasMirada = i > 1 && EsMirada(cambios.at(i - 2).Cara);
                QCOMPARE(duracion, trasMirada ? 8 : 26);
            }
            if (cambio.Cara == TCaraOjos::Cerrados)
                ++parpadeos;
            if (EsMirada(cambio.Cara)) {
                ++miradas;
                QVERIFY(cambio.Cara != ultimaMirada);
                ultimaMirada = cambio.Cara;
            }
        }
        const double partParpadeo = double(parpadeos) / (parpadeos + miradas);
        QVERIFY2(partParpadeo > 0.6 && partParpadeo < 0.8, qPrintable(QString::number(partParpadeo)));
    }

    void CadaCambioSorteaElIntervalo() {
        TAnimacionOjos animacion(99);
        QSet<int> vistos;
        for (int tic = 0; tic < 20000; ++tic) {
            if (!animacion.Paso())
                continue;
            QVERIFY(animacion.Intervalo() >= 80 && animacion.Intervalo() <= 119);
            vistos.insert(animacion.Intervalo());
        }
        QVERIFY(vistos.size() > 30);
    }

    void ReiniciarVuelveALosOjosAbiertos() {
        TAnimacionOjos animacion(5);
        while (!EsMirada(animacion.Cara()))
            animacion.Paso();
        animacion.Paso();
        animacion.Reiniciar();
        QCOMPARE(animacion.Cara(), TCaraOjos::Abiertos);
        QCOMPARE(animacion.Contador(), 0);
        for (int tic = 1; tic < 26; ++tic)
            QVERIFY(!animacion.Paso());
        QVERIFY(animacion.Paso());
    }

    void LaMismaSemillaRepiteLaSecuencia() {
        TAnimacionOjos una(31), otra(31);
        for (int tic = 0; tic < 3000; ++tic) {
            QCOMPARE(una.Paso(), otra.Paso());
            QCOMPARE(una.Cara(), otra.Cara());
            QCOMPARE(una.Intervalo(), otra.Intervalo());
        }
    }
};

QTEST_GUILESS_MAIN(TstAnimacionOjos)
#include "tst_animacionojos.moc"
