#include "transfer/escapado.h"
#include "transfer/progreso.h"

#include <QTest>

namespace {

constexpr qint64 kInicio = 1'700'000'000'000;
constexpr qint64 kHora = 3'600'000;

// A transfer that started at kInicio with samples (bytes, ms after the start).
void Muestrear(TTxFichero& tx, std::initializer_list<std::pair<qint32, qint64>> muestras) {
    tx.Inicio = kInicio;
    for (const auto& [bytes, ms] : muestras) {
        tx.Tx = bytes;
        tx.TomarMuestra(kInicio + ms);
    }
}

} // namespace

class TstProgreso : public QObject {
    Q_OBJECT
private slots:
    void Textos() {
        QCOMPARE(TextoBytes(1234567), QStringLiteral("1.234.567 Bytes"));
        QCOMPARE(TextoBytes(0), QStringLiteral("0 Bytes"));
        QCOMPARE(FormatearHora(7000), QStringLiteral("00:00:07"));
        QCOMPARE(FormatearHora(25 * kHora), QStringLiteral("01:00:00"));
        QCOMPARE(FormatearHora(24 * kHora - 1), QStringLiteral("23:59:59"));
    }

    void LasCifrasSeMuevenConLaQuintaMuestra() {
        TTxFichero tx;
        tx.Tam = 30000;
        Muestrear(tx, {{3000, 1000}, {6000, 2000}, {9000, 3000}, {12000, 4000}});
        TCifrasProgreso cifras = CifrasProgreso(tx, kInicio + 4500);
        QCOMPARE(cifras.Tx, QStringLiteral("12.000 Bytes"));
        QCOMPARE(cifras.Transcurrido, QStringLiteral("00:00:04"));
        QVERIFY(!cifras.Restante && !cifras.VMedia && !cifras.VActual && !cifras.Posicion);
        Muestrear(tx, {{15000, 5000}});
        cifras = CifrasProgreso(tx, kInicio + 5000);
        QCOMPARE(cifras.Transcurrido, QStringLiteral("00:00:05"));
        QCOMPARE(cifras.Restante, QStringLiteral("00:00:05"));
        QCOMPARE(cifras.VMedia, QStringLiteral("3.000 B/s"));
        QCOMPARE(cifras.VActual, QStringLiteral("3.000 B/s"));  // 12000 bytes in 4 s
        QCOMPARE(cifras.Posicion, std::optional<qint32>(15000));
    }

    void NadaMovidoNoMueveNada() {
        TTxFichero tx;
        tx.Tam = 10;
        Muestrear(tx, {{0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}});
        const TCifrasProgreso cifras = CifrasProgreso(tx, kInicio + 6);
        QVERIFY(!cifras.Restante && !cifras.VMedia && !cifras.Posicion);
    }

    void VeinticincoHorasRestantes() {
        TTxFichero tx;
        tx.Tam = 26000;
        Muestrear(tx, {{200, 1}, {400, 2}, {600, 3}, {800, 4}, {1000, kHora}});
        const TCifrasProgreso cifras = CifrasProgreso(tx, kInicio + kHora);
        QCOMPARE(cifras.Transcurrido, QStringLiteral("01:00:00"));
        QCOMPARE(cifras.Restante, QStringLiteral("01:00:00"));
    }

    void MitadesAlPar() {
        TTxFichero tx;
        tx.Tam = 100000;
        // 128 bytes in 2048 ms are 62.5 B/s, 384 bytes 187.5 B/s.
        Muestrear(tx, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {128, 2049}});
        TCifrasProgreso cifras = CifrasProgreso(tx, kInicio + 2048);
        QCOMPARE(cifras.VMedia, QStringLiteral("62 B/s"));
        QCOMPARE(cifras.VActual, QStringLiteral("62 B/s"));
        Muestrear(tx, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {384, 2049}});
        cifras = CifrasProgreso(tx, kInicio + 2048);
        QCOMPARE(cifras.VMedia, QStringLiteral("188 B/s"));
        QCOMPARE(cifras.VActual, QStringLiteral("188 B/s"));
    }

    // Whole days are dropped before dividing: a clock part of 0 ms leaves a speed alone.
    void SinMilisegundosNoHayVelocidad() {
        TTxFichero tx;
        tx.Tam = 100000;
        Muestrear(tx, {{1, 5}, {2, 5}, {3, 5}, {4, 5}, {5000, 5}});
        const TCifrasProgreso cifras = CifrasProgreso(tx, kInicio + 24 * kHora);
        QVERIFY(!cifras.VMedia);
        QVERIFY(!cifras.VActual);
        QCOMPARE(cifras.Restante, QStringLiteral("00:00:00"));  // 19 whole days, shown by the hour
        QCOMPARE(cifras.Posicion, std::optional<qint32>(5000));
    }

    void Escapado_data() {
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<QByteArray>("escapados");
        QTest::newRow("ejemplo") << QByteArray("\x41\x07\x06\x00", 4) << QByteArray("\x41\x06\x08\x06\x06\x00", 6);
        QTest::newRow("vacío") << QByteArray() << QByteArray();
        QTest::newRow("sin escapes") << QByteArray("a:\r\n\x00\x08", 6) << QByteArray("a:\r\n\x00\x08", 6);
        QTest::newRow("seguidos") << QByteArray("\x07\x07\x06", 3) << QByteArray("\x06\x08\x06\x08\x06\x06", 6);
    }

    void Escapado() {
        QFETCH(QByteArray, datos);
        QFETCH(QByteArray, escapados);
        QByteArray mensaje("FILE_PKT:1:");
        EscaparDatos(datos, mensaje);
        QCOMPARE(mensaje, "FILE_PKT:1:" + escapados);
        QByteArray vuelta("basura previa");
        QVERIFY(DesescaparDatos(escapados, vuelta));
        QCOMPARE(vuelta, datos);
    }

    void TodosLosBytesVanYVuelven() {
        QByteArray todos;
        for (int i = 0; i < 256; ++i)
            todos += char(i);
        todos += todos;
        QByteArray escapados;
        EscaparDatos(todos, escapados);
        QVERIFY(!escapados.contains('\x07'));
        QCOMPARE(escapados.size(), todos.size() + 4);
        QByteArray vuelta;
        QVERIFY(DesescaparDatos(escapados, vuelta));
        QCOMPARE(vuelta, todos);
    }

    void EscapesExtranos() {
        QByteArray salida;
        QVERIFY(!DesescaparDatos(QByteArray("ab\x06\x41", 4), salida));
        QVERIFY(!DesescaparDatos(QByteArray("ab\x06", 3), salida));
        QVERIFY(!DesescaparDatos(QByteArray("\x06\x07", 2), salida));
    }
};

QTEST_GUILESS_MAIN(TstProgreso)
#include "tst_progreso.moc"
