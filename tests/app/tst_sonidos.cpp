#include "apoyo/nodoprueba.h"
#include "apoyo/transferenciasfalsas.h"
#include "flash/mensajesflash.h"
#include "transfer/transferencias.h"

#include <QFile>
#include <QTest>

namespace {

// Every event gets a file of its own that does not exist: an event still hands it to the
// player, which decides what a missing file sounds like.
void SonidosQueNoExisten(TConfigSonidos& s) {
    s.File_SolicitudTx = QStringLiteral("/no/existe/solicitud.wav");
    s.File_FinTx = QStringLiteral("/no/existe/fin.wav");
    s.File_AbortadaTx = QStringLiteral("/no/existe/abortada.wav");
    s.PreguntaIntentoConxDesconocido = QStringLiteral("/no/existe/pregunta.wav");
    s.ContactoConecta = QStringLiteral("/no/existe/conecta.wav");
    s.ContactoDesconecta = QStringLiteral("/no/existe/desconecta.wav");
    s.MensajeFlash = QStringLiteral("/no/existe/flash.wav");
}

QStringList Sonidos(std::initializer_list<const char*> nombres) {
    QStringList lista;
    for (const char* nombre : nombres)
        lista << u"/no/existe/" + QLatin1String(nombre) + u".wav";
    return lista;
}

// Node 11 with sounds, flash messages and transfers; the raw peer 13 may be in its book.
struct TEscena : TInterfazFlash {
    explicit TEscena(bool peerEnAgenda = true) {
        SonidosQueNoExisten(Nodo.M().Config().Sonidos);
        if (peerEnAgenda)
            Nodo.M().AnadirContacto(QStringLiteral("Pepe"), Peer.Ip, {}, false, true);
    }
    bool ConectarPeer() {
        const bool conectado = Nodo.ConectarPeer(Peer);
        // The connection's own sound is another test's business.
        Nodo.Interfaz.Sonidos.clear();
        return conectado;
    }
    void MostrarFlashRecibido(const TFlashRecibido&) override {
        SonidosAlMostrarFlash = int(Nodo.Interfaz.Sonidos.size());
    }
    int FlashesAbiertos(const QString&) const override { return 0; }
    QStringList& Oidos() { return Nodo.Interfaz.Sonidos; }

    TNodoPrueba Nodo{11, QStringLiteral("Ana")};
    TPeerCrudo Peer{13};
    TMensajesFlash Flash{Nodo.M(), *this};
    TTransferenciasFalsas Falsas;
    TTransferencias Tx{Nodo.M(), Falsas};
    int SonidosAlMostrarFlash = -1;
};

} // namespace

class TstSonidos : public QObject {
    Q_OBJECT
private slots:
    void SinFicheroNadaSuena() {
        TEscena e;
        e.Nodo.M().Config().Sonidos = {};
        QVERIFY(e.ConectarPeer());
        e.Peer.Enviar("FLASH:hola\x07" "OFRECE_FILE:1:1:x\x07");
        e.Peer.EsperarMensajes(1);
        e.Peer.Socket.disconnectFromHost();
        QTRY_VERIFY(!e.Nodo.Conectado(e.Peer.Ip));
        QVERIFY(e.Oidos().isEmpty());
    }

    void AdmisionDeDesconocidos_data() {
        QTest::addColumn<bool>("aceptar");
        QTest::addColumn<bool>("preguntar");
        QTest::addColumn<bool>("respuesta");
        QTest::addColumn<QStringList>("oidos");
        QTest::newRow("preguntado y admitido") << false << true << true << Sonidos({"pregunta", "conecta"});
        QTest::newRow("preguntado y rechazado") << false << true << false << Sonidos({"pregunta"});
        QTest::newRow("rechazado sin preguntar") << false << false << false << QStringList();
        QTest::newRow("admitido sin preguntar") << true << false << false << Sonidos({"conecta"});
    }

    void AdmisionDeDesconocidos() {
        QFETCH(bool, aceptar);
        QFETCH(bool, preguntar);
        QFETCH(bool, respuesta);
        QFETCH(QStringList, oidos);
        TEscena e(false);
        TConfig& c = e.Nodo.M().Config();
        c.AceptarEntradasDesconocidas = aceptar;
        c.PreguntarEntradasDesconocidas = preguntar;
        e.Nodo.Interfaz.RespuestaPorDefecto = respuesta;
        QStringList oidosAlPreguntar;
        e.Nodo.Interfaz.AntesDeResponder = [&] { oidosAlPreguntar = e.Oidos(); };
        e.Nodo.Arrancar();
        QVERIFY(e.Peer.ConectarA(e.Nodo.IP()));
        QTest::qWait(200);
        QCOMPARE(e.Oidos(), oidos);
        // The question's sound plays before the box, not after the answer.
        if (preguntar)
            QCOMPARE(oidosAlPreguntar, Sonidos({"pregunta"}));
    }

    void ConexionYDesconexion_data() {
        QTest::addColumn<QString>("modo");
        QTest::newRow("la que abre el contacto") << QStringLiteral("entrante");
        QTest::newRow("la que abrimos nosotros") << QStringLiteral("saliente");
        QTest::newRow("las dos a la vez, se cruzan") << QStringLiteral("cruce");
    }

    void ConexionYDesconexion() {
        QFETCH(QString, modo);
        TNodoPrueba a(11);
        auto b = std::make_unique<TNodoPrueba>(12);
        SonidosQueNoExisten(a.M().Config().Sonidos);
        a.Conoce(*b);
        if (modo != u"saliente")
            b->Conoce(a);
        if (modo == u"saliente") {
            b->Arrancar();
            a.Arrancar();
        } else {
            a.Arrancar();
            // Our attempt finds nobody listening yet and fails.
            if (modo == u"entrante")
                QTest::qWait(200);
            b->Arrancar();
        }
        QTRY_VERIFY(a.Conectado(b->IP()));
        QTest::qWait(200);
        // In a crossing both connections come up: the contact still connects once.
        QCOMPARE(a.Interfaz.Sonidos, Sonidos({"conecta"}));
        QCOMPARE(a.ConexionesVivas(), 1);
        bool desconectadoAlSonar = false;
        a.Interfaz.AlSonar = [&](const QString&) {
            desconectadoAlSonar = !a.Conectado(QStringLiteral("127.0.0.12"));
        };
        b.reset();
        QTRY_COMPARE(a.Interfaz.Sonidos, Sonidos({"conecta", "desconecta"}));
        QVERIFY(desconectadoAlSonar);
    }

    void FlashTrasMostrarse() {
        TEscena e;
        QVERIFY(e.ConectarPeer());
        e.Peer.Enviar("FLASH:hola\x07");
        QTRY_COMPARE(e.Oidos(), Sonidos({"flash"}));
        QCOMPARE(e.SonidosAlMostrarFlash, 0);
    }

    void OfertasDeFichero_data() {
        QTest::addColumn<QByteArray>("oferta");
        QTest::addColumn<bool>("automatica");
        QTest::addColumn<QByteArray>("respuesta");
        QTest::newRow("preguntada") << QByteArray("OFRECE_FILE:5:3:a.txt") << false << QByteArray("RECHAZA_FILE:5");
        QTest::newRow("automática") << QByteArray("OFRECE_FILE:5:3:a.txt") << true << QByteArray("ACEPTA_FILE:5:3:a.txt");
        QTest::newRow("nombre vacío") << QByteArray("OFRECE_FILE:5:3:") << false << QByteArray("RECHAZA_FILE:5");
        QTest::newRow("nombre ..") << QByteArray("OFRECE_FILE:5:3:..") << true << QByteArray("RECHAZA_FILE:5");
        QTest::newRow("nombre .") << QByteArray("OFRECE_FILE:5:3:dir/.") << false << QByteArray("RECHAZA_FILE:5");
    }

    void OfertasDeFichero() {
        QFETCH(QByteArray, oferta);
        QFETCH(bool, automatica);
        QFETCH(QByteArray, respuesta);
        TEscena e;
        e.Nodo.M().Config().AutoAceptarFicheros = automatica;
        e.Nodo.M().Config().AutoAceptarFicherosPath = e.Nodo.Carpeta.path() + u'/';
        e.Nodo.Interfaz.RespuestaPorDefecto = false;
        QStringList oidosAlPreguntar;
        e.Nodo.Interfaz.AntesDeResponder = [&] { oidosAlPreguntar = e.Oidos(); };
        QVERIFY(e.ConectarPeer());
        e.Peer.Enviar(oferta + '\x07');
        // An acceptance comes right after what this copy takes in the extended mode.
        const int llegan = respuesta.startsWith("ACEPTA_FILE:") ? 2 : 1;
        QCOMPARE(e.Peer.EsperarMensajes(llegan).mid(llegan - 1), QList<QByteArray>{respuesta});
        QCOMPARE(e.Oidos(), Sonidos({"solicitud"}));
        if (!e.Nodo.Interfaz.Preguntas.empty())
            QCOMPARE(oidosAlPreguntar, Sonidos({"solicitud"}));
    }

    void OfertaMalFormadaNoSuena() {
        TEscena e;
        QVERIFY(e.ConectarPeer());
        e.Peer.Enviar("OFRECE_FILE:x5:3:a.txt\x07" "OFRECE_FILE:5\x07");
        QTest::qWait(150);
        QVERIFY(e.Oidos().isEmpty());
    }

    void FinEnLosDosLados() {
        TEscena e;
        e.Nodo.M().Config().AutoAceptarFicheros = true;
        e.Nodo.M().Config().AutoAceptarFicherosPath = e.Nodo.Carpeta.path() + u'/';
        bool ventanaTerminadaAlSonar = false;
        e.Nodo.Interfaz.AlSonar = [&](const QString& fichero) {
            if (fichero.endsWith(u"fin.wav"))
                ventanaTerminadaAlSonar = e.Falsas.Ventanas.back()->Fin.has_value();
        };
        QVERIFY(e.ConectarPeer());
        // Receiving: the sound when the tail has been written.
        e.Peer.Enviar("OFRECE_FILE:5:3:a.txt\x07" "FIN_FILE:5:abc\x07");
        QTRY_COMPARE(e.Oidos(), Sonidos({"solicitud", "fin"}));
        QVERIFY(ventanaTerminadaAlSonar);
        QFile recibido(e.Nodo.Carpeta.filePath(QStringLiteral("a.txt")));
        QVERIFY(recibido.open(QIODevice::ReadOnly));
        QCOMPARE(recibido.readAll(), QByteArray("abc"));
        // Sending: the sound as soon as the last part is sent, no answer awaited.
        e.Oidos().clear();
        ventanaTerminadaAlSonar = false;
        e.Falsas.Fichero = recibido.fileName();
        // The acceptance of the first file must not be taken for the second one's messages.
        QTRY_VERIFY(e.Peer.Mensajes().contains("ACEPTA_FILE:5:3:a.txt"));
        e.Peer.Recibido.clear();
        e.Tx.OfrecerFichero(e.Peer.Ip);
        const QByteArray ofrecida = e.Peer.EsperarMensajes(1).at(0);
        const QByteArray id = ofrecida.split(':').at(1);
        QVERIFY(e.Oidos().isEmpty());
        e.Peer.Enviar("ACEPTA_FILE:" + id + ":3:a.txt\x07");
        QCOMPARE(e.Peer.EsperarMensajes(2).at(1), "FIN_FILE:" + id + ":abc");
        QTRY_COMPARE(e.Oidos(), Sonidos({"fin"}));
        QVERIFY(ventanaTerminadaAlSonar);
    }

    void AbortosDelPar_data() {
        QTest::addColumn<bool>("enviando");
        QTest::newRow("recibiendo") << false;
        QTest::newRow("enviando") << true;
    }

    void AbortosDelPar() {
        QFETCH(bool, enviando);
        TEscena e;
        e.Nodo.M().Config().AutoAceptarFicheros = true;
        e.Nodo.M().Config().AutoAceptarFicherosPath = e.Nodo.Carpeta.path() + u'/';
        QVERIFY(e.ConectarPeer());
        QByteArray id = "5";
        if (enviando) {
            QFile origen(e.Nodo.Carpeta.filePath(QStringLiteral("origen.bin")));
            QVERIFY(origen.open(QIODevice::WriteOnly));
            origen.write(QByteArray(10000, 'x'));
            origen.close();
            e.Falsas.Fichero = origen.fileName();
            e.Tx.OfrecerFichero(e.Peer.Ip);
            id = e.Peer.EsperarMensajes(1).at(0).split(':').at(1);
            e.Peer.Enviar("ACEPTA_FILE:" + id + ":10000:origen.bin\x07");
            e.Peer.EsperarMensajes(2);
        } else {
            e.Peer.Enviar("OFRECE_FILE:5:10000:a.bin\x07");
            e.Peer.EsperarMensajes(1);
        }
        e.Oidos().clear();
        e.Peer.Enviar("ABORT_FILE:" + id + "\x07");
        QTRY_COMPARE(e.Oidos(), Sonidos({"abortada"}));
        QCOMPARE(e.Falsas.Ventanas.back()->Fin, std::optional(TFinTransferencia::Abortado));
    }

    void AbortosPropiosYRechazosCallan() {
        TEscena e;
        e.Nodo.M().Config().AutoAceptarFicheros = true;
        e.Nodo.M().Config().AutoAceptarFicherosPath = e.Nodo.Carpeta.path() + u'/';
        QVERIFY(e.ConectarPeer());
        // Our own abort from the window.
        e.Peer.Enviar("OFRECE_FILE:5:10000:a.bin\x07");
        QTRY_COMPARE(e.Falsas.Ventanas.size(), std::size_t(1));
        e.Falsas.Ventanas[0]->Abortar();
        // Each acceptance follows what this copy takes in the extended mode.
        QCOMPARE(e.Peer.EsperarMensajes(3).at(2), QByteArray("ABORT_FILE:5"));
        // A transfer we end on a damaged block.
        e.Peer.Enviar("OFRECE_FILE:6:10000:b.bin\x07" "FILE_PKT:6:corto\x07");
        QCOMPARE(e.Peer.EsperarMensajes(6).at(5), QByteArray("ABORT_FILE:6"));
        // The peer refusing our offer.
        e.Falsas.Fichero = e.Nodo.Carpeta.filePath(QStringLiteral("a.bin"));
        e.Tx.OfrecerFichero(e.Peer.Ip);
        const QByteArray id = e.Peer.EsperarMensajes(7).at(6).split(':').at(1);
        e.Peer.Enviar("RECHAZA_FILE:" + id + "\x07");
        QTRY_COMPARE(e.Falsas.Ventanas.back()->Fin, std::optional(TFinTransferencia::Rechazado));
        // The peer's abort of a transfer that has already ended.
        e.Peer.Enviar("ABORT_FILE:5\x07");
        QTest::qWait(100);
        QCOMPARE(e.Oidos(), Sonidos({"solicitud", "solicitud"}));
    }
};

QTEST_GUILESS_MAIN(TstSonidos)
#include "tst_sonidos.moc"
