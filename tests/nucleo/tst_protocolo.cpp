#include "core/protocolo.h"

#include <QTest>

Q_DECLARE_METATYPE(TComando)

class TstProtocolo : public QObject {
    Q_OBJECT
private slots:
    void CortaEnCadaBel() {
        TColaRecibidos cola;
        const QByteArray resto = EncolarRecibido("NICK:a\x07" "EMAIL:b\x07\x07" "FLA", QStringLiteral("1.2.3.4"), cola);
        QCOMPARE(resto, QByteArray("FLA"));
        QCOMPARE(cola.size(), std::size_t(3));
        QCOMPARE(cola[0].Mensaje, QByteArray("NICK:a"));
        QCOMPARE(cola[1].Mensaje, QByteArray("EMAIL:b"));
        QCOMPARE(cola[2].Mensaje, QByteArray());
        QCOMPARE(cola[2].IP, QStringLiteral("1.2.3.4"));
    }

    void Despacho_data() {
        QTest::addColumn<QByteArray>("mensaje");
        QTest::addColumn<bool>("coincide");
        QTest::addColumn<TComando>("comando");
        QTest::addColumn<QByteArray>("carga");
        QTest::addColumn<int>("numero");
        const auto fila = [](const char* nombre, QByteArray m, bool c, TComando k, QByteArray carga, int n) {
            QTest::newRow(nombre) << m << c << k << carga << n;
        };
        fila("enroute antes que chat", "ENROUTE_CHAT:1:2", true, TComando::EnrouteChat, "1:2", 0);
        fila("route antes que chat", "ROUTE_CHAT:5:1.2.3.4", true, TComando::RouteChat, "5:1.2.3.4", 0);
        fila("chat", "CHAT:1:0:n:hola: y más", true, TComando::Chat, "1:0:n:hola: y más", 0);
        fila("nick vacío", "NICK:", true, TComando::Nick, "", 0);
        fila("pregunta con cola", "NICK?loquesea", true, TComando::PreguntaNick, "", 0);
        fila("pregunta email", "EMAIL?", true, TComando::PreguntaEMail, "", 0);
        fila("número", "FILE_ACK:42", true, TComando::FileAck, "42", 42);
        fila("número negativo", "ABORT_FILE:-7", true, TComando::AbortFile, "-7", -7);
        fila("paquete", "FILE_PKT:3:\x06\x08", true, TComando::FilePkt, "3:\x06\x08", 0);
        fila("fin de fichero", "FIN_FILE:3:", true, TComando::FinFile, "3:", 0);
        fila("servidor de chat", "CHATSRVMSG:9:x", true, TComando::ChatSrvMsg, "9:x", 0);
        fila("flash", "FLASH:¿qué?", true, TComando::Flash, "¿qué?", 0);
        fila("minúsculas", "nick:a", false, TComando::Nick, "", 0);
        fila("vacío", "", false, TComando::Nick, "", 0);
        fila("prefijo incompleto", "NICK", false, TComando::Nick, "", 0);
        fila("desconocido", "HOLA:1", false, TComando::Nick, "", 0);
        fila("número con letras", "FILE_ACK:abc", false, TComando::FileAck, "", 0);
        fila("número vacío", "FILE_ACK:", false, TComando::FileAck, "", 0);
        fila("número con espacio", "PART_CHAT: 5", false, TComando::PartChat, "", 0);
        fila("número desbordado", "PIDE_JOINCHAT:99999999999", false, TComando::PideJoinChat, "", 0);
    }
    void Despacho() {
        QFETCH(QByteArray, mensaje);
        QFETCH(bool, coincide);
        QFETCH(TComando, comando);
        QFETCH(QByteArray, carga);
        QFETCH(int, numero);
        const auto recibido = InterpretarMensaje(mensaje);
        QCOMPARE(recibido.has_value(), coincide);
        if (!coincide)
            return;
        QCOMPARE(recibido->Comando, comando);
        QCOMPARE(recibido->Carga, carga);
        QCOMPARE(recibido->Numero, numero);
    }

    void CorteEnCualquierPosicion() {
        // File data escapes 0x07 as 06 08: a read may end between the two.
        const QByteArray flujo = QByteArray("NICK:Ana\x07" "FILE_PKT:5:A\x06\x08\x06\x06\x00" "B\x07\x07" "EMAIL:a@b\x07", 39);
        TColaRecibidos entero;
        TTramador().Agregar(flujo, QStringLiteral("ip"), entero);
        QCOMPARE(entero.size(), std::size_t(4));
        for (qsizetype corte = 0; corte <= flujo.size(); ++corte) {
            for (qsizetype segundo = corte; segundo <= flujo.size(); ++segundo) {
                TTramador tramador;
                TColaRecibidos cola;
                QVERIFY(tramador.Agregar(flujo.left(corte), QStringLiteral("ip"), cola));
                QVERIFY(tramador.Agregar(flujo.mid(corte, segundo - corte), QStringLiteral("ip"), cola));
                QVERIFY(tramador.Agregar(flujo.mid(segundo), QStringLiteral("ip"), cola));
                QCOMPARE(cola.size(), entero.size());
                for (std::size_t i = 0; i < cola.size(); ++i)
                    QCOMPARE(cola[i].Mensaje, entero[i].Mensaje);
            }
        }
    }

    void SinBelHastaElLimite() {
        TTramador tramador;
        TColaRecibidos cola;
        const QByteArray trozo(1024 * 1024, 'x');
        for (int i = 0; i < 16; ++i)
            QVERIFY(tramador.Agregar(trozo, QStringLiteral("ip"), cola));
        QVERIFY(!tramador.Agregar("y", QStringLiteral("ip"), cola));
        QVERIFY(cola.empty());
    }

    void CadaComandoSeReconocePorSuPrefijo() {
        for (int i = 0; i <= int(TComando::Flash); ++i) {
            const auto comando = TComando(i);
            const QByteArray prefijo = Prefijo(comando);
            const auto recibido = InterpretarMensaje(prefijo + "1");
            QVERIFY2(recibido && recibido->Comando == comando, prefijo.constData());
        }
    }
};

QTEST_GUILESS_MAIN(TstProtocolo)
#include "tst_protocolo.moc"
