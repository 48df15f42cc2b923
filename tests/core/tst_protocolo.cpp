#include "apoyo/nodoprueba.h"
#include "core/protocolo.h"

#include <QTest>
#include <limits>

Q_DECLARE_METATYPE(TComando)
Q_DECLARE_METATYPE(std::optional<qint64>)

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
        fila("número con NUL y basura", QByteArray("FILE_ACK:42\0junk", 17), false, TComando::FileAck, "", 0);
        fila("número con cola", "ABORT_FILE:7x", false, TComando::AbortFile, "", 0);
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

    void LeerNumeroEstricto_data() {
        QTest::addColumn<QByteArray>("texto");
        QTest::addColumn<qint64>("minimo");
        QTest::addColumn<qint64>("maximo");
        QTest::addColumn<std::optional<qint64>>("esperado");
        constexpr qint64 kMinInt = std::numeric_limits<qint32>::min();
        constexpr qint64 kMaxInt = std::numeric_limits<qint32>::max();
        constexpr qint64 kMaxUInt = std::numeric_limits<quint32>::max();
        const auto fila = [](const char* nombre, QByteArray t, qint64 min, qint64 max, std::optional<qint64> e) {
            QTest::newRow(nombre) << t << min << max << e;
        };
        fila("id", "424242", 0, kMaxInt, 424242);
        fila("cero", "0", 0, kMaxInt, 0);
        fila("ceros delante", "007", 0, kMaxInt, 7);
        fila("negativo", "-7", kMinInt, kMaxInt, -7);
        fila("con más", "+7", 0, kMaxInt, 7);
        fila("máximo de 32 bits", "2147483647", kMinInt, kMaxInt, kMaxInt);
        fila("mínimo de 32 bits", "-2147483648", kMinInt, kMaxInt, kMinInt);
        fila("uno más del máximo", "2147483648", kMinInt, kMaxInt, std::nullopt);
        fila("color sin signo", "2147483656", kMinInt, kMaxUInt, 0x80000008);
        fila("color sin signo máximo", "4294967295", kMinInt, kMaxUInt, kMaxUInt);
        fila("color con signo", "-2147483640", kMinInt, kMaxUInt, -2147483640);
        fila("más de 32 bits sin signo", "4294967296", kMinInt, kMaxUInt, std::nullopt);
        fila("bajo el mínimo", "0", 1, 999999, std::nullopt);
        fila("negativo donde no cabe", "-1", 0, kMaxInt, std::nullopt);
        fila("vacío", "", 0, kMaxInt, std::nullopt);
        fila("sólo signo", "-", kMinInt, kMaxInt, std::nullopt);
        fila("dos signos", "--7", kMinInt, kMaxInt, std::nullopt);
        fila("NUL y basura", QByteArray("42\0junk", 7), 0, kMaxInt, std::nullopt);
        fila("NUL al final", QByteArray("42\0", 3), 0, kMaxInt, std::nullopt);
        fila("espacio delante", " 42", 0, kMaxInt, std::nullopt);
        fila("espacio detrás", "42 ", 0, kMaxInt, std::nullopt);
        fila("hexadecimal", "0x1F", 0, kMaxInt, std::nullopt);
        fila("dígitos árabes de otra página", "4\xB2", 0, kMaxInt, std::nullopt);
        fila("desborda 64 bits", "99999999999999999999999", 0, kMaxInt, std::nullopt);
        fila("muchos ceros", QByteArray(40, '0') + "5", 0, kMaxInt, 5);
    }
    void LeerNumeroEstricto() {
        QFETCH(QByteArray, texto);
        QFETCH(qint64, minimo);
        QFETCH(qint64, maximo);
        QFETCH(std::optional<qint64>, esperado);
        QCOMPARE(LeerNumero(texto, minimo, maximo), esperado);
    }

    void ComponerCampos_data() {
        QTest::addColumn<QByteArray>("compuesto");
        QTest::addColumn<QByteArray>("esperado");
        QTest::newRow("consulta") << Componer(TComando::PreguntaNick) << QByteArray("NICK?");
        QTest::newRow("texto en Windows-1252")
            << Componer(TComando::Nick, {QStringLiteral("Ñoño € ☺")}) << QByteArray("NICK:\xD1o\xF1o \x80 ?");
        QTest::newRow("BEL en un texto")
            << Componer(TComando::EMail, {QStringLiteral("a\aNICK:malo")}) << QByteArray("EMAIL:a?NICK:malo");
        QTest::newRow("chat con color sin signo")
            << Componer(TComando::Chat, {7, quint32(0x80000008), QStringLiteral("Ana"), QStringLiteral("a:b")})
            << QByteArray("CHAT:7:2147483656:Ana:a:b");
        QTest::newRow("bytes tal cual")
            << Componer(TComando::FilePkt, {3, QByteArray("\x06\x08\x00:", 4)}) << QByteArray("FILE_PKT:3:\x06\x08\x00:", 15);
        QTest::newRow("BEL en bytes")
            << Componer(TComando::AceptaFile, {1, 2, QByteArray("x\ay")}) << QByteArray("ACEPTA_FILE:1:2:x?y");
        QTest::newRow("campo vacío al final") << Componer(TComando::FinFile, {9, QByteArray()}) << QByteArray("FIN_FILE:9:");
    }
    void ComponerCampos() {
        QFETCH(QByteArray, compuesto);
        QFETCH(QByteArray, esperado);
        QCOMPARE(compuesto, esperado);
        QVERIFY(!compuesto.contains(kBel));
    }

    void ComponerReutilizaElMismoBuffer() {
        QByteArray mensaje;
        Componer(mensaje, TComando::FilePkt, {1, QByteArray(3000, 'x')});
        Componer(mensaje, TComando::FileAck, {2});
        QCOMPARE(mensaje, QByteArray("FILE_ACK:2"));
    }

    void PartirEnCampos() {
        const auto tres = PartirCampos<3>("12:3000:c:\\dir:x");
        QVERIFY(tres);
        QCOMPARE((*tres)[0], QByteArrayView("12"));
        QCOMPARE((*tres)[1], QByteArrayView("3000"));
        QCOMPARE((*tres)[2], QByteArrayView("c:\\dir:x"));
        const auto vacios = PartirCampos<3>("::");
        QVERIFY(vacios && (*vacios)[0].isEmpty() && (*vacios)[2].isEmpty());
        QVERIFY(!PartirCampos<3>("12:3000"));
        QVERIFY(!PartirCampos<2>(""));
    }

    // Greeting, answers and announcements: a BEL in the nick or the e-mail address never
    // splits the message.
    void TextosConBelNoRompenLaTrama() {
        TNodoPrueba a(11, QStringLiteral("Ana\aFLASH:hola"));
        a.M().Config().EMail = QStringLiteral("a\a@b");
        a.M().AnadirContacto(QStringLiteral("p"), QStringLiteral("127.0.0.13"), {}, false, true);
        a.Arrancar();
        TPeerCrudo peer(13);
        QVERIFY(peer.ConectarA(a.IP()));
        QTRY_VERIFY(a.Conectado(peer.Ip));
        peer.Enviar("NICK?\x07" "EMAIL?\x07");
        a.Interfaz.TextoPedido = QStringLiteral("B\aEMAIL:x");
        QTest::qWait(100);
        a.M().CambiarNick();
        const QList<QByteArray> esperados{"NICK:Ana?FLASH:hola", "EMAIL:a?@b", "NICK:Ana?FLASH:hola",
                                          "EMAIL:a?@b", "NICK:B?EMAIL:x"};
        QCOMPARE(peer.EsperarMensajes(5), esperados);
    }
};

QTEST_GUILESS_MAIN(TstProtocolo)
#include "tst_protocolo.moc"
