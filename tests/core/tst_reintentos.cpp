#include "apoyo/nodoprueba.h"
#include "core/conexion.h"
#include "core/reintentos.h"

#include <QTest>

namespace {

constexpr TOpcionesReintento kRapido{.MsPrimero = 100, .MsMaximo = 400};

// Drops every connection of a node as a network failure would: its own side sees it go.
void CortarConexiones(TNodoPrueba& nodo) {
    for (QTcpSocket* socket : nodo.M().findChildren<QTcpSocket*>())
        socket->abort();
}

} // namespace

class TstReintentos : public QObject {
    Q_OBJECT
private slots:
    void PausasQueCrecen_data() {
        QTest::addColumn<QString>("sucesos");  // F failure, C drop, R refusal, S itself, O forget, U up
        QTest::addColumn<qint64>("pausa");     // -1: no attempt due
        QTest::newRow("primer fallo") << "F" << qint64(5000);
        QTest::newRow("se dobla") << "FFF" << qint64(20000);
        QTest::newRow("hasta cinco minutos") << "FFFFFFFFFF" << qint64(300000);
        QTest::newRow("una caída empieza de nuevo") << "FFFFC" << qint64(5000);
        QTest::newRow("tras una caída, el fallo también") << "FFFFCF" << qint64(5000);
        QTest::newRow("conectado olvida las pausas") << "FFFUF" << qint64(5000);
        QTest::newRow("conectado no programa nada") << "FU" << qint64(-1);
        QTest::newRow("rechazo") << "FR" << qint64(-1);
        QTest::newRow("rechazo sin más intentos") << "RFC" << qint64(-1);
        QTest::newRow("este mismo programa") << "SFC" << qint64(-1);
        QTest::newRow("olvidado tras un rechazo") << "ROF" << qint64(5000);
    }
    void PausasQueCrecen() {
        QFETCH(QString, sucesos);
        QFETCH(qint64, pausa);
        TReintentos reintentos({}, [](const QString&) {});
        const QString ip = QStringLiteral("10.0.0.1");
        for (QChar suceso : sucesos) {
            switch (suceso.unicode()) {
            case 'F': reintentos.Fallo(ip); break;
            case 'C': reintentos.Caida(ip); break;
            case 'R': reintentos.Rechazo(ip); break;
            case 'S': reintentos.EsPropio(ip); break;
            case 'O': reintentos.Olvidar(ip); break;
            case 'U': reintentos.Conectado(ip); break;
            }
        }
        const qint64 falta = reintentos.MsHastaIntento(ip);
        if (pausa < 0)
            QCOMPARE(falta, qint64(-1));
        else
            QVERIFY2(falta > pausa - 1000 && falta <= pausa, qPrintable(QString::number(falta)));
    }

    void UnIntentoPorVencimiento() {
        QStringList intentados;
        TReintentos reintentos(kRapido, [&](const QString& ip) { intentados << ip; });
        reintentos.Fallo(QStringLiteral("a"));
        reintentos.Caida(QStringLiteral("b"));
        reintentos.Fallo(QStringLiteral("b"));  // the later news counts: one attempt only
        reintentos.Rechazo(QStringLiteral("c"));
        QTRY_COMPARE(intentados.size(), 2);
        QTest::qWait(300);
        intentados.sort();
        QCOMPARE(intentados, QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    }

    void CaidaVuelveSolaConUnaConexion() {
        TNodoPrueba a(11, QStringLiteral("Ana"), 5000, kRapido), b(12, QStringLiteral("Bea"), 5000, kRapido);
        a.Conoce(b);
        b.Conoce(a);
        a.Arrancar();
        b.Arrancar();
        QTRY_VERIFY(a.Conectado(b.IP()) && b.Conectado(a.IP()));
        // The crossing settled: one connection object at each end, no attempt still pending
        // that the cut below would miss.
        const auto asentado = [](TNodoPrueba& n) {
            return n.ConexionesVivas() == 1 && n.M().findChildren<TConexion*>().size() == 1;
        };
        QTRY_VERIFY_WITH_TIMEOUT(asentado(a) && asentado(b), 10000);
        a.M().Config().Sonidos.ContactoDesconecta = QStringLiteral("sale.wav");
        // Both sides see the drop and both try again at the same moment; on a loaded machine
        // the contact may be back before anyone looks, so the drop is read from its sound.
        CortarConexiones(b);
        QTRY_VERIFY(a.Interfaz.Sonidos.contains(QStringLiteral("sale.wav")));
        QTRY_VERIFY(a.Conectado(b.IP()) && b.Conectado(a.IP()));
        QTest::qWait(300);
        QCOMPARE(a.ConexionesVivas(), 1);
        QCOMPARE(b.ConexionesVivas(), 1);
        auto& enB = b.Grabar(TComando::Flash);
        a.M().EnviarMensaje(b.IP(), "FLASH:de vuelta");
        QTRY_COMPARE(enB, Lista({"de vuelta"}));
        QVERIFY(a.Interfaz.Errores.empty() && a.Interfaz.Preguntas.empty());
    }

    void ParQueArrancaTardeSeAlcanza() {
        TNodoPrueba a(11, QStringLiteral("Ana"), 5000, kRapido);
        a.M().Config().Sonidos.ContactoConecta = QStringLiteral("entra.wav");
        a.M().Config().Sonidos.ContactoDesconecta = QStringLiteral("sale.wav");
        a.M().AnadirContacto(QStringLiteral("b"), QStringLiteral("127.0.0.12"), {}, false, true);
        a.Arrancar();
        // Several attempts fail, silently.
        QTest::qWait(500);
        QVERIFY(a.Interfaz.Sonidos.isEmpty());
        QVERIFY(a.Interfaz.Errores.empty());
        QVERIFY(a.M().Reintentos().MsHastaIntento(QStringLiteral("127.0.0.12")) >= 0);
        TNodoPrueba b(12, QStringLiteral("Bea"));
        b.M().Config().AceptarEntradasDesconocidas = true;
        b.Arrancar();
        QVERIFY(QTest::qWaitFor([&] { return a.Conectado(b.IP()); }, kRapido.MsMaximo + 300));
        QCOMPARE(a.Interfaz.Sonidos, QStringList({QStringLiteral("entra.wav")}));
        QTRY_COMPARE(a.M().BuscarContacto(b.IP())->Nick, QStringLiteral("Bea"));
    }

    void RechazoNoSeRepiteHastaComprobar() {
        TNodoPrueba a(11, QStringLiteral("Ana"), 5000, kRapido), b(12, QStringLiteral("Bea"), 5000, kRapido);
        a.Conoce(b);
        b.Interfaz.RespuestaPorDefecto = false;  // b's user says No to the unknown peer
        b.Arrancar();
        a.Arrancar();
        QTRY_COMPARE(b.Interfaz.Preguntas.size(), std::size_t(1));
        QTRY_VERIFY(a.M().Reintentos().Rechazado(b.IP()));
        QTest::qWait(600);
        QCOMPARE(b.Interfaz.Preguntas.size(), std::size_t(1));
        QVERIFY(!a.Conectado(b.IP()));
        // Neither does the network coming back ask again.
        a.M().RedRecuperada();
        QTest::qWait(200);
        QCOMPARE(b.Interfaz.Preguntas.size(), std::size_t(1));
        // The user's own check does, and this time the answer is Yes.
        b.Interfaz.RespuestaPorDefecto = true;
        a.M().ConectarDeNuevo(b.IP());
        QTRY_VERIFY(a.Conectado(b.IP()) && b.Conectado(a.IP()));
        QCOMPARE(b.Interfaz.Preguntas.size(), std::size_t(2));
        QVERIFY(!a.M().Reintentos().Rechazado(b.IP()));
    }

    void RedQueVuelveIntentaTodoYa() {
        TNodoPrueba a(11, QStringLiteral("Ana"), 5000, {.MsPrimero = 60000, .MsMaximo = 60000});
        a.M().AnadirContacto(QStringLiteral("b"), QStringLiteral("127.0.0.12"), {}, false, true);
        a.Arrancar();
        QTRY_VERIFY(a.M().Reintentos().MsHastaIntento(QStringLiteral("127.0.0.12")) > 50000);
        TNodoPrueba b(12);
        b.M().Config().AceptarEntradasDesconocidas = true;
        b.Arrancar();
        QTest::qWait(200);
        QVERIFY(!a.Conectado(b.IP()));
        a.M().RedRecuperada();
        QTRY_VERIFY(a.Conectado(b.IP()));
    }
};

QTEST_MAIN(TstReintentos)
#include "tst_reintentos.moc"
