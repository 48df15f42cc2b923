#include "apoyo/nodoprueba.h"
#include "red/descubrimiento.h"

#include <QNetworkDatagram>
#include <QSignalSpy>
#include <QTest>
#include <QUdpSocket>

namespace {

// A node that listens for datagrams too, with short pauses so that tests run fast.
struct TNodoRed : TNodoPrueba {
    explicit TNodoRed(int n, const QString& nick = {})
        : TNodoPrueba(n, nick), Red(*Mensajero, {.MsEntreRespuestas = 300, .MsEntreBusquedas = 200,
                                                 .MsAvisoLista = 10}) {
        Arrancar();
        Red.Escuchar();
    }
    QStringList Vistos() const {
        QStringList vistos;
        for (const TPeerEnRed& peer : Red.Encontrados().Entradas())
            vistos << peer.IP + u'=' + peer.Nick;
        return vistos;
    }
    TDescubrimiento Red;
};

// A raw UDP peer on 127.0.0.n that sends exact bytes to the test port.
struct TUdpCrudo {
    explicit TUdpCrudo(int n, quint16 puerto = 0) : TUdpCrudo(QStringLiteral("127.0.0.%1").arg(n), puerto) {}
    explicit TUdpCrudo(const QString& ip, quint16 puerto = 0) { Socket.bind(QHostAddress(ip), puerto); }
    void Enviar(const QByteArray& datos, const QString& a) {
        Socket.writeDatagram(datos, QHostAddress(a), PuertoDePrueba());
    }
    QList<QByteArray> Recibidos() {
        while (Socket.hasPendingDatagrams())
            recibidos_ << Socket.receiveDatagram().data();
        return recibidos_;
    }
    QUdpSocket Socket;

private:
    QList<QByteArray> recibidos_;
};

QHostAddress Dir(const TNodoPrueba& nodo) { return QHostAddress(nodo.IP()); }

} // namespace

class TstDescubrimiento : public QObject {
    Q_OBJECT
private slots:
    void Datagramas_data() {
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<int>("tipo");  // -1 ignored, 0 announcement, 1 question
        QTest::addColumn<QString>("nick");
        QTest::newRow("pregunta") << QByteArray("HOLA_RED?\x07") << 1 << QString();
        QTest::newRow("anuncio") << QByteArray("HOLA_RED:Jos\xE9\x07") << 0 << QStringLiteral("José");
        QTest::newRow("nick vacío") << QByteArray("HOLA_RED:\x07") << 0 << QString();
        QTest::newRow("nick con dos puntos") << QByteArray("HOLA_RED:a:b\x07") << 0 << QStringLiteral("a:b");
        // A nick must not bring lines of its own into the contact book.
        QTest::newRow("saltos de línea")
            << QByteArray("HOLA_RED:Malo\r\n10.9.9.9\r\n\r\nInyectado\x7F\x07") << 0
            << QStringLiteral("Malo  10.9.9.9    Inyectado ");
        QTest::newRow("pregunta con algo detrás")
            << QByteArray("HOLA_RED?\0\0\x07", 12) << -1 << QString();
        QTest::newRow("sin BEL") << QByteArray("HOLA_RED?") << -1 << QString();
        QTest::newRow("dos mensajes") << QByteArray("HOLA_RED:a\x07HOLA_RED?\x07") << -1 << QString();
        QTest::newRow("minúsculas") << QByteArray("hola_red?\x07") << -1 << QString();
        QTest::newRow("otra orden") << QByteArray("NICK:x\x07") << -1 << QString();
        QTest::newRow("vacío") << QByteArray() << -1 << QString();
        QTest::newRow("512 bytes") << QByteArray("HOLA_RED:" + QByteArray(502, 'n') + '\x07') << 0
                                   << QString(502, u'n');
        QTest::newRow("513 bytes") << QByteArray("HOLA_RED:" + QByteArray(503, 'n') + '\x07') << -1 << QString();
    }
    void Datagramas() {
        QFETCH(QByteArray, datos);
        QFETCH(int, tipo);
        QFETCH(QString, nick);
        const auto datagrama = InterpretarDatagrama(datos);
        QCOMPARE(datagrama.has_value(), tipo >= 0);
        if (!datagrama)
            return;
        QCOMPARE(datagrama->Pregunta, tipo == 1);
        QCOMPARE(datagrama->Nick, nick);
    }

    void AnuncioCompuesto() {
        QCOMPARE(DatagramaPregunta(), QByteArray("HOLA_RED?\x07"));
        QCOMPARE(DatagramaAnuncio(QStringLiteral("Ñoño")), QByteArray("HOLA_RED:\xD1o\xF1o\x07"));
        // A BEL in the nick must not end the message, a long nick must not make it unreadable.
        QCOMPARE(DatagramaAnuncio(QStringLiteral("a\abNICK?")), QByteArray("HOLA_RED:a?bNICK?\x07"));
        const QByteArray largo = DatagramaAnuncio(QString(2000, u'x'));
        QCOMPARE(largo.size(), kMaximoDatagrama);
        QVERIFY(InterpretarDatagrama(largo));
    }

    void ListaAcotadaYMasNuevoPrimero() {
        TListaEncontrados lista;
        lista.Anotar(QStringLiteral("10.0.0.1"), QStringLiteral("uno"));
        lista.Anotar(QStringLiteral("10.0.0.2"), QStringLiteral("dos"));
        lista.Anotar(QStringLiteral("10.0.0.1"), QStringLiteral("uno bis"));
        auto entradas = lista.Entradas();
        QCOMPARE(entradas.size(), std::size_t(2));
        QCOMPARE(entradas[0].Nick, QStringLiteral("uno bis"));
        QCOMPARE(entradas[1].IP, QStringLiteral("10.0.0.2"));
        for (int i = 0; i < 1500; ++i)
            lista.Anotar(QStringLiteral("10.1.%1.%2").arg(i / 256).arg(i % 256), QString::number(i));
        entradas = lista.Entradas();
        QCOMPARE(lista.Numero(), kMaximoEncontrados);
        QCOMPARE(entradas.front().Nick, QStringLiteral("1499"));
        QCOMPARE(entradas.back().Nick, QStringLiteral("500"));
        // The oldest went, and an address that went can come back.
        lista.Anotar(QStringLiteral("10.0.0.2"), QStringLiteral("dos"));
        QCOMPARE(lista.Numero(), kMaximoEncontrados);
        QCOMPARE(lista.Entradas().front().IP, QStringLiteral("10.0.0.2"));
    }

    // A copy bound to a loopback address, as tests and side-by-side trials run it, must not
    // announce itself on the real network.
    void DestinosSegunLasOpciones() {
        TMensajero::TOpciones opciones = TMensajero::TOpciones::DelSistema();
        QVERIFY(opciones.FijarEscucha(QStringLiteral("127.0.0.11:7000")));
        QVERIFY(opciones.DestinosAnuncio().isEmpty());
        QVERIFY(opciones.FijarAnuncios(QStringLiteral("127.0.0.12, 127.0.0.13")));
        QCOMPARE(opciones.DestinosAnuncio(), QList<QHostAddress>({QHostAddress(QStringLiteral("127.0.0.12")),
                                                                  QHostAddress(QStringLiteral("127.0.0.13"))}));
        QVERIFY(!opciones.FijarAnuncios(QStringLiteral("127.0.0.14,nadie")));
        QCOMPARE(opciones.DestinosAnuncio().size(), 2);
        for (const QHostAddress& difusion : DireccionesDifusion())
            QVERIFY(!difusion.isLoopback());
    }

    void AnuncioYRespuesta() {
        TNodoRed a(11, QStringLiteral("Ana")), b(12, QStringLiteral("Bea")), c(13, QStringLiteral("Oculta"));
        c.M().Config().AnunciarEnRed = false;
        // Own datagrams come back to us too when we are among the addresses.
        for (TNodoRed* nodo : {&a, &b, &c})
            nodo->Vecinos = {Dir(a), Dir(b), Dir(c)};
        b.Red.Anunciar();
        c.Red.Anunciar();
        QTRY_COMPARE(a.Vistos(), QStringList({QStringLiteral("127.0.0.12=Bea")}));
        QTRY_COMPARE(c.Vistos(), QStringList({QStringLiteral("127.0.0.12=Bea")}));
        QVERIFY(b.Vistos().isEmpty());

        // The hidden copy searches and is answered, but answers nobody.
        c.Red.Buscar();
        QTRY_COMPARE(c.Vistos().size(), 2);
        QVERIFY(c.Vistos().contains(QStringLiteral("127.0.0.11=Ana")));
        QTest::qWait(100);
        QVERIFY(!a.Vistos().join(u' ').contains(u"13="));

        // Nothing connects by itself, and contacts already in the book are marked.
        QCOMPARE(a.ConexionesVivas(), 0);
        QVERIFY(!a.M().BuscarContacto(b.IP()));
        a.Conoce(b);
        const auto filas = a.Red.Filas();
        QCOMPARE(filas.size(), std::size_t(1));
        QVERIFY(filas[0].EnAgenda);
    }

    void NickNuevoYSalirDelEscondite() {
        TNodoRed a(11), b(12, QStringLiteral("Bea"));
        b.Vecinos = {Dir(a)};
        b.Interfaz.TextoPedido = QStringLiteral("Beatriz");
        b.M().CambiarNick();
        QTRY_COMPARE(a.Vistos(), QStringList({QStringLiteral("127.0.0.12=Beatriz")}));
        // Saving without a change says nothing again.
        b.M().GuardarConfig();
        b.M().Config().AnunciarEnRed = false;
        b.Interfaz.TextoPedido = QStringLiteral("Escondida");
        b.M().CambiarNick();
        QTest::qWait(100);
        QCOMPARE(a.Vistos(), QStringList({QStringLiteral("127.0.0.12=Beatriz")}));
        b.M().Config().AnunciarEnRed = true;
        b.M().GuardarConfig();
        QTRY_COMPARE(a.Vistos(), QStringList({QStringLiteral("127.0.0.12=Escondida")}));
    }

    void RespuestaLimitadaPorDireccion() {
        TNodoRed a(11, QStringLiteral("Ana"));
        TUdpCrudo uno(21), otro(22);
        for (int i = 0; i < 5; ++i)
            uno.Enviar("HOLA_RED?\x07", a.IP());
        otro.Enviar("HOLA_RED?\x07", a.IP());
        QTRY_COMPARE(otro.Recibidos(), QList<QByteArray>({"HOLA_RED:Ana\x07"}));
        QTest::qWait(100);
        QCOMPARE(uno.Recibidos(), QList<QByteArray>({"HOLA_RED:Ana\x07"}));
        QTest::qWait(300);
        uno.Enviar("HOLA_RED?\x07", a.IP());
        QTRY_COMPARE(uno.Recibidos().size(), 2);
    }

    void DatagramasHostiles() {
        TNodoRed a(11);
        TUdpCrudo peer(21);
        for (const QByteArray& malo : {QByteArray("HOLA_RED:" + QByteArray(600, 'x') + '\x07'),
                                      QByteArray("HOLA_RED:a\x07HOLA_RED?\x07"), QByteArray("HOLA_RED:sin fin"),
                                      QByteArray("NICK:x\x07"), QByteArray(60000, '\x07')})
            peer.Enviar(malo, a.IP());
        peer.Enviar("HOLA_RED:bueno\x07", a.IP());
        QTRY_COMPARE(a.Vistos(), QStringList({QStringLiteral("127.0.0.21=bueno")}));
        QVERIFY(peer.Recibidos().isEmpty());
        QVERIFY(a.Interfaz.Errores.empty());

        // Copies from more addresses than the list holds: the newest thousand stay.
        QSignalSpy avisos(&a.Red, &TDescubrimiento::ListaCambiada);
        for (int i = 0; i < 1100; ++i) {
            TUdpCrudo otro(QStringLiteral("127.0.%1.%2").arg(1 + i / 250).arg(1 + i % 250));
            otro.Enviar("HOLA_RED:" + QByteArray::number(i) + '\x07', a.IP());
            // Within what the receive buffer holds between two turns.
            if (i % 50 == 0)
                QTest::qWait(5);
        }
        QTRY_COMPARE(a.Vistos().first(), QStringLiteral("127.0.5.100=1099"));
        QCOMPARE(a.Red.Encontrados().Numero(), kMaximoEncontrados);
        QVERIFY(a.Vistos().last().endsWith(u"=100"));
        // The window hears of a flood a few times, not once per datagram.
        QTRY_VERIFY(!avisos.isEmpty());
        QVERIFY(avisos.size() < 100);
    }

    // A burst far beyond what the receive buffer holds, from many addresses, must not leave the
    // copy deaf: a question from a new address is answered within 2 s.
    void OyeTrasUnaAvalancha() {
        TNodoRed a(11, QStringLiteral("Ana"));
        for (int i = 0; i < 100; ++i) {
            TUdpCrudo otro(QStringLiteral("127.0.2.%1").arg(1 + i));
            for (int j = 0; j < 100; ++j)
                otro.Enviar(j % 2 ? "HOLA_RED?\x07" : "HOLA_RED?mal\x07", a.IP());
        }
        TUdpCrudo nuevo(22);
        // A question may still find the buffer full, and be dropped: it is asked again.
        const bool oida = QTest::qWaitFor(
            [&] {
                nuevo.Enviar("HOLA_RED?\x07", a.IP());
                return QTest::qWaitFor([&] { return !nuevo.Recibidos().isEmpty(); }, 200);
            },
            2000);
        QVERIFY(oida);
        QCOMPARE(nuevo.Recibidos().front(), QByteArray("HOLA_RED:Ana\x07"));
    }

    void BusquedaPeriodica() {
        TNodoRed a(11);
        TUdpCrudo vecino(21, PuertoDePrueba());
        a.Vecinos = {vecino.Socket.localAddress()};
        a.Red.EmpezarBusqueda();
        QVERIFY(QTest::qWaitFor([&] { return vecino.Recibidos().size() >= 3; }, 2000));
        a.Red.TerminarBusqueda();
        QTest::qWait(50);
        const int hastaAqui = int(vecino.Recibidos().size());
        QTest::qWait(500);
        QCOMPARE(vecino.Recibidos().size(), hastaAqui);
    }
};

QTEST_MAIN(TstDescubrimiento)
#include "tst_descubrimiento.moc"
