#include "apoyo/nodoprueba.h"
#include "red/comprobacion.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>

namespace {

constexpr TOpcionesReintento kLento{.MsPrimero = 60000, .MsMaximo = 60000};

// Runs the check on `ip` and returns the text of the box it showed.
QString Comprobar(TNodoPrueba& nodo, const QString& ip, TResultadoComprobacion esperado, int msLimite = 5000,
                  TComprobacion::TIntentar intentar = {}) {
    const std::size_t antes = nodo.Interfaz.Informaciones.size();
    auto* comprobacion = new TComprobacion(nodo.M(), ip, msLimite, std::move(intentar));
    QSignalSpy terminada(comprobacion, &TComprobacion::Terminada);
    comprobacion->Empezar();
    if (!QTest::qWaitFor([&] { return nodo.Interfaz.Informaciones.size() > antes; }, msLimite + 2000))
        return QStringLiteral("sin caja");
    if (terminada.size() != 1 || terminada[0][0].value<TResultadoComprobacion>() != esperado)
        return QStringLiteral("otro resultado");
    if (nodo.Interfaz.Informaciones.back().Titulo != QStringLiteral("Comprobar conexión"))
        return QStringLiteral("otro título");
    return nodo.Interfaz.Informaciones.back().Texto;
}

const QString kCortafuegos = QStringLiteral("puede que el cortafuegos de este equipo bloquee");

} // namespace

class TstComprobacion : public QObject {
    Q_OBJECT
private slots:
    void Textos_data() {
        QTest::addColumn<int>("resultado");
        QTest::addColumn<QStringList>("propias");
        QTest::addColumn<bool>("nadie");
        QTest::addColumn<QString>("texto");
        const QStringList una{QStringLiteral("192.168.1.20")};
        QTest::newRow("rechazada") << int(TResultadoComprobacion::Rechazada) << una << false
            << QStringLiteral("El equipo con la dirección IP 192.168.1.7 responde, pero nada escucha en el puerto "
                              "TCP 5777: probablemente Tromblechatix no se está ejecutando allí.\n\n"
                              "La dirección IP de este equipo es 192.168.1.20.");
        QTest::newRow("sin respuesta, nadie ha entrado")
            << int(TResultadoComprobacion::SinRespuesta)
            << QStringList{QStringLiteral("192.168.1.20"), QStringLiteral("10.0.0.3")} << true
            << QStringLiteral("El equipo con la dirección IP 192.168.1.7 no ha respondido en 5 segundos: puede que "
                              "esté apagado, que esté en otra red o que un cortafuegos allí bloquee el puerto TCP "
                              "5777.\n\nLas direcciones IP de este equipo son 192.168.1.20, 10.0.0.3.\n\n"
                              "Ningún equipo se ha conectado a este desde que se inició Tromblechatix: puede que "
                              "el cortafuegos de este equipo bloquee las conexiones TCP entrantes al puerto 5777.");
        QTest::newRow("sin ruta") << int(TResultadoComprobacion::SinRuta) << QStringList() << false
            << QStringLiteral("Este equipo no puede llegar a la dirección IP 192.168.1.7.\n\n"
                              "Este equipo no tiene ninguna dirección IP en la red local.");
        // Once connected the firewall here is plainly no obstacle.
        QTest::newRow("conectada") << int(TResultadoComprobacion::Conectada) << una << true
            << QStringLiteral("Tromblechatix responde en la dirección IP 192.168.1.7. El contacto se conecta "
                              "ahora.\n\nLa dirección IP de este equipo es 192.168.1.20.");
        QTest::newRow("este equipo") << int(TResultadoComprobacion::EsteEquipo) << una << true
            << QStringLiteral("La dirección IP 192.168.1.7 pertenece a este equipo: es este mismo Tromblechatix."
                              "\n\nLa dirección IP de este equipo es 192.168.1.20.");
    }
    void Textos() {
        QFETCH(int, resultado);
        QFETCH(QStringList, propias);
        QFETCH(bool, nadie);
        QFETCH(QString, texto);
        const TDatosComprobacion datos{QStringLiteral("192.168.1.7"), 5777, 5, propias, nadie};
        QCOMPARE(TextoComprobacion(TResultadoComprobacion(resultado), datos), texto);
    }

    void ErroresDelSocket() {
        QCOMPARE(ResultadoDeError(QAbstractSocket::ConnectionRefusedError), TResultadoComprobacion::Rechazada);
        QCOMPARE(ResultadoDeError(QAbstractSocket::NetworkError), TResultadoComprobacion::SinRuta);
        QCOMPARE(ResultadoDeError(QAbstractSocket::SocketTimeoutError), TResultadoComprobacion::SinRespuesta);
        QVERIFY(!DireccionesPropias(QHostAddress::AnyIPv4).contains(QStringLiteral("127.0.0.1")));
    }

    void PuertoCerradoRechaza() {
        TNodoPrueba a(11, QStringLiteral("Ana"), 5000, kLento);
        a.M().AnadirContacto(QStringLiteral("nadie"), QStringLiteral("127.0.0.13"), {}, false, true);
        a.Arrancar();
        const QString texto = Comprobar(a, QStringLiteral("127.0.0.13"), TResultadoComprobacion::Rechazada);
        QVERIFY2(texto.startsWith(u"El equipo con la dirección IP 127.0.0.13 responde, pero nada escucha"),
                 qPrintable(texto));
        QVERIFY(texto.contains(kCortafuegos));
        QVERIFY(!a.Conectado(QStringLiteral("127.0.0.13")));
    }

    void SinRespuestaAlAgotarElTiempo() {
        TNodoPrueba a(11, QStringLiteral("Ana"), 5000, kLento);
        a.M().AnadirContacto(QStringLiteral("lejos"), QStringLiteral("127.0.0.13"), {}, false, true);
        a.Arrancar();
        QTRY_VERIFY(a.M().Reintentos().MsHastaIntento(QStringLiteral("127.0.0.13")) > 0);
        // An attempt that never hears back, as from a computer that is off.
        const QString texto =
            Comprobar(a, QStringLiteral("127.0.0.13"), TResultadoComprobacion::SinRespuesta, 100, [](const QString&) {});
        QVERIFY2(texto.contains(u"no ha respondido"), qPrintable(texto));
        QCOMPARE(Comprobar(a, QStringLiteral("300.1.2.3"), TResultadoComprobacion::SinRuta).left(46),
                 QStringLiteral("Este equipo no puede llegar a la dirección IP "));
    }

    void ConectadaTraeElContacto() {
        TNodoPrueba a(11, QStringLiteral("Ana"), 5000, kLento), b(12, QStringLiteral("Bea"));
        a.Conoce(b);
        a.Arrancar();
        QTRY_VERIFY(a.M().Reintentos().MsHastaIntento(b.IP()) > 0);
        b.M().Config().AceptarEntradasDesconocidas = true;
        b.Arrancar();
        const QString texto = Comprobar(a, b.IP(), TResultadoComprobacion::Conectada);
        QVERIFY2(texto.startsWith(u"Tromblechatix responde en la dirección IP 127.0.0.12."), qPrintable(texto));
        QVERIFY(!texto.contains(kCortafuegos));
        QTRY_VERIFY(a.Conectado(b.IP()) && b.Conectado(a.IP()));
        QTRY_COMPARE(a.M().BuscarContacto(b.IP())->Nick, QStringLiteral("Bea"));
        QCOMPARE(a.ConexionesVivas(), 1);
        QVERIFY(b.Interfaz.Preguntas.empty());
    }

    void ConexionConsigoMismo() {
        TNodoPrueba a(11, QStringLiteral("Ana")), b(12, QStringLiteral("Bea"));
        a.M().Config().Sonidos.ContactoConecta = QStringLiteral("entra.wav");
        a.M().AnadirContacto(QStringLiteral("yo"), a.IP(), {}, false, true);
        a.Conoce(b);
        b.Conoce(a);
        b.Arrancar();
        a.Arrancar();
        // Another copy on this machine is a peer like any other.
        QTRY_VERIFY(a.Conectado(b.IP()) && b.Conectado(a.IP()));
        QTRY_VERIFY(a.M().Reintentos().Propio(a.IP()));
        QTest::qWait(100);
        QVERIFY(!a.Conectado(a.IP()));
        QVERIFY(a.Interfaz.Preguntas.empty());
        QCOMPARE(a.Interfaz.Sonidos, QStringList({QStringLiteral("entra.wav")}));
        QCOMPARE(a.ConexionesVivas(), 1);

        const QString texto = Comprobar(a, a.IP(), TResultadoComprobacion::EsteEquipo);
        QVERIFY2(texto.startsWith(u"La dirección IP 127.0.0.11 pertenece a este equipo"), qPrintable(texto));
        // Listening on one address, that is the one to give to others.
        QVERIFY2(texto.endsWith(u"\n\nLa dirección IP de este equipo es 127.0.0.11."),
                 qPrintable(texto));
        QTest::qWait(100);
        QVERIFY(a.Interfaz.Preguntas.empty());
        QVERIFY(!a.Conectado(a.IP()));
        QCOMPARE(a.ConexionesVivas(), 1);
    }

    // Listening on every address, as by default, any address of this computer is this copy:
    // none is ever tried, by the start, a retry or the network coming back.
    void EsteEquipoEscuchandoEnTodas() {
        TNodoPrueba a(11);
        QTcpServer libre;
        QVERIFY(libre.listen(QHostAddress::AnyIPv4));
        TMensajero::TOpciones opciones{TRutas::EnCarpeta(a.Carpeta.path())};
        opciones.Puerto = libre.serverPort();
        opciones.Reintento = {.MsPrimero = 50, .MsMaximo = 50};
        libre.close();
        a.Mensajero = std::make_unique<TMensajero>(opciones, a.Interfaz);
        const QStringList propias =
            QStringList{QStringLiteral("127.0.0.1"), QStringLiteral("127.0.0.77")} +
            DireccionesPropias(QHostAddress::AnyIPv4);
        for (const QString& ip : propias)
            a.M().AnadirContacto(QStringLiteral("yo"), ip, {}, false, true);
        a.Arrancar();
        a.M().RedRecuperada();
        QTest::qWait(300);
        for (const QString& ip : propias)
            QVERIFY2(!a.Conectado(ip) && a.M().Reintentos().Propio(ip), qPrintable(ip));
        QVERIFY(a.M().findChildren<QTcpSocket*>().isEmpty());
        const QString texto =
            Comprobar(a, QStringLiteral("127.0.0.1"), TResultadoComprobacion::EsteEquipo);
        QVERIFY2(texto.startsWith(u"La dirección IP 127.0.0.1 pertenece a este equipo"),
                 qPrintable(texto));
    }

    // A copy that takes the connection and closes it without a word refused us; one that takes
    // it and says nothing has not accepted us yet. Neither is a success.
    void TomadaSinSaludo_data() {
        QTest::addColumn<bool>("cierra");
        QTest::addColumn<TResultadoComprobacion>("resultado");
        QTest::addColumn<QString>("texto");
        QTest::newRow("cierra") << true << TResultadoComprobacion::NoAdmitida
                                << QStringLiteral("127.0.0.13, pero rechaza la conexión");
        QTest::newRow("calla") << false << TResultadoComprobacion::SinAceptar
                               << QStringLiteral("127.0.0.13, pero no ha aceptado la conexión en 1 s");
    }
    void TomadaSinSaludo() {
        QFETCH(bool, cierra);
        QFETCH(TResultadoComprobacion, resultado);
        QFETCH(QString, texto);
        QTcpServer otro;
        QVERIFY(otro.listen(QHostAddress(QStringLiteral("127.0.0.13")), PuertoDePrueba()));
        connect(&otro, &QTcpServer::newConnection, this, [&] {
            QTcpSocket* socket = otro.nextPendingConnection();
            if (cierra)
                socket->close();
        });
        TNodoPrueba a(11, QStringLiteral("Ana"), 5000, kLento);
        a.Arrancar();
        a.M().AnadirContacto(QStringLiteral("otro"), QStringLiteral("127.0.0.13"), {}, false, true);
        const QString caja = Comprobar(a, QStringLiteral("127.0.0.13"), resultado, 500);
        QVERIFY2(caja.contains(texto), qPrintable(caja));
        QCOMPARE(a.Conectado(QStringLiteral("127.0.0.13")), !cierra);
    }

    void AvisoDelCortafuegosSoloSiNadieEntro() {
        TNodoPrueba a(11, QStringLiteral("Ana"), 5000, kLento), b(12, QStringLiteral("Bea"));
        a.M().AnadirContacto(QStringLiteral("nadie"), QStringLiteral("127.0.0.13"), {}, false, true);
        a.Conoce(b);
        a.Arrancar();
        b.Conoce(a);
        b.Arrancar();  // b reaches a: connections do come in here
        QTRY_VERIFY(a.Conectado(b.IP()));
        QVERIFY(a.M().HaRecibidoConexiones());
        const QString texto = Comprobar(a, QStringLiteral("127.0.0.13"), TResultadoComprobacion::Rechazada);
        QVERIFY2(!texto.contains(kCortafuegos), qPrintable(texto));
    }
};

QTEST_MAIN(TstComprobacion)
#include "tst_comprobacion.moc"
