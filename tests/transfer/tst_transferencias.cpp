#include "apoyo/nodoprueba.h"
#include "apoyo/transferenciasfalsas.h"
#include "transfer/escapado.h"
#include "transfer/progreso.h"
#include "transfer/transferencias.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTest>
#include <tuple>

namespace {

// A core with its transfers, fake choosers and fake windows.
// `extendido` false: a copy that behaves as every other peer of the protocol.
struct TLado {
    TLado(int n, const QString& nick, bool extendido = true, TOpcionesReintento reintento = {})
        : Nodo(n, nick, 5000, reintento), Tx(Nodo.M(), Falsas, extendido) {}

    QString IP() const { return Nodo.IP(); }
    QString Ruta(const QString& nombre) const { return Nodo.Carpeta.filePath(nombre); }
    TVentanaFalsa& Ventana(int i = 0) { return *Falsas.Ventanas.at(std::size_t(i)); }
    TConfig& Config() { return Nodo.M().Config(); }

    TNodoPrueba Nodo;
    TTransferenciasFalsas Falsas;
    TTransferencias Tx;
};

void Conectar(TLado& a, TLado& b) {
    a.Nodo.Conoce(b.Nodo, QStringLiteral("Bea"));
    b.Nodo.Conoce(a.Nodo, QStringLiteral("Ana"));
    a.Nodo.Arrancar();
    b.Nodo.Arrancar();
    QTRY_VERIFY(a.Nodo.Conectado(b.IP()) && b.Nodo.Conectado(a.IP()));
}

// A raw peer on 127.0.0.n that the core knows and has greeted.
void ConectarCrudo(TLado& lado, TPeerCrudo& peer) {
    lado.Nodo.M().AnadirContacto(QStringLiteral("Pepe"), peer.Ip, {}, false, true);
    lado.Nodo.Arrancar();
    QVERIFY(peer.ConectarA(lado.IP()));
    peer.EsperarMensajes(2);
    QTRY_VERIFY(lado.Nodo.Conectado(peer.Ip));
    peer.Recibido.clear();
}

QByteArray Aleatorio(qsizetype tam) {
    QByteArray datos(tam, Qt::Uninitialized);
    QRandomGenerator semilla(7);
    for (char& c : datos)
        c = char(semilla.generate());
    return datos;
}

QString Escribir(const QString& ruta, const QByteArray& datos) {
    QFile fichero(ruta);
    (void)fichero.open(QIODevice::WriteOnly);
    fichero.write(datos);
    return ruta;
}

QByteArray Leer(const QString& ruta) {
    QFile fichero(ruta);
    return fichero.open(QIODevice::ReadOnly) ? fichero.readAll() : QByteArray("(no existe)");
}

// Sends `datos` from a to b, b accepting into destino.bin.
void Enviar(TLado& a, TLado& b, const QByteArray& datos) {
    a.Falsas.Fichero = Escribir(a.Ruta(QStringLiteral("origen.bin")), datos);
    b.Falsas.Destino = b.Ruta(QStringLiteral("destino.bin"));
    const std::size_t antes = b.Falsas.Ventanas.size();
    a.Tx.OfrecerFichero(b.IP());
    QTRY_VERIFY(b.Falsas.Ventanas.size() > antes && b.Falsas.Ventanas.back()->Fin);
    QTRY_VERIFY(a.Falsas.Ventanas.back()->Fin);
}

QByteArray Id(const TLado& lado, int i = 0) {
    return Numero(lado.Falsas.Ventanas.at(std::size_t(i))->Datos.ID);
}

// Offers a new file of this name to a raw peer and waits until the offer is there.
void OfrecerAlPeer(TLado& lado, TPeerCrudo& peer, const QString& nombre, const QByteArray& datos) {
    lado.Falsas.Fichero = Escribir(lado.Ruta(nombre), datos);
    const int antes = int(peer.Mensajes().size());
    lado.Tx.OfrecerFichero(peer.Ip);
    peer.EsperarMensajes(antes + 1);
}

// Once a query sent now is answered, the core has handled what the peer sent before it and
// the peer has what the core sent before the answer.
void EsperarLoAnterior(TPeerCrudo& peer) {
    const int antes = int(peer.Mensajes().size());
    peer.Enviar("NICK?\x07");
    peer.EsperarMensajes(antes + 1);
}

// What an old peer reads of what it got: its dispatcher drops the extended mode's messages.
QList<QByteArray> DeHoy(QList<QByteArray> mensajes) {
    mensajes.removeIf([](const QByteArray& mensaje) { return mensaje.startsWith("XFILE"); });
    return mensajes;
}

// The one message an old sender gets and drops: what this copy takes, right before accepting.
QByteArray Puede(const QByteArray& id) {
    return "XFILE_PUEDE:" + id + ":" + Numero(kBytesEnVuelo) + ":" + Numero(kTamBloqueExtendido) +
           ":0:";
}

QByteArray Sha256(const QByteArray& datos) {
    return QCryptographicHash::hash(datos, QCryptographicHash::Sha256).toHex();
}

// Drops every connection of a node as a network failure would.
void CortarConexiones(TNodoPrueba& nodo) {
    for (QTcpSocket* socket : nodo.M().findChildren<QTcpSocket*>())
        socket->abort();
}

// No attempt of its own within a test: the test brings a cut contact back itself.
const TOpcionesReintento kSinReintentar{.MsPrimero = 60000, .MsMaximo = 60000};

// Sends `datos` from a to b, b accepting into destino.bin, and drops b's connections once its
// window has shown this many refreshes; returns when both windows say so.
void EnviarYCortar(TLado& a, TLado& b, const QByteArray& datos, std::size_t refrescos) {
    a.Falsas.Fichero = Escribir(a.Ruta(QStringLiteral("origen.bin")), datos);
    b.Falsas.Destino = b.Ruta(QStringLiteral("destino.bin"));
    // The look comes a turn after the refresh, when more may have come: cut once.
    b.Falsas.TrasRefrescar = [&b, refrescos, cortada = false](TVentanaFalsa& ventana) mutable {
        if (ventana.Refrescos.size() >= refrescos && !std::exchange(cortada, true))
            CortarConexiones(b.Nodo);
    };
    a.Tx.OfrecerFichero(b.IP());
    QTRY_VERIFY(!b.Falsas.Ventanas.empty() && b.Ventana().Interrumpida &&
                a.Ventana().Interrumpida);
}

// Automatic acceptance into a folder of the side's own, created here.
QDir AceptarSoloEn(TLado& lado, const QString& carpeta) {
    lado.Config().AutoAceptarFicheros = true;
    lado.Config().AutoAceptarFicherosPath = lado.Ruta(carpeta);
    (void)QDir().mkpath(lado.Config().AutoAceptarFicherosPath);
    return QDir(lado.Config().AutoAceptarFicherosPath);
}

} // namespace

class TstTransferencias : public QObject {
    Q_OBJECT
private slots:
    // Between two copies in the extended mode, and with a copy that behaves as any other peer
    // on either side.
    void LlegaIdentico_data() {
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<bool>("emisorExtendido");
        QTest::addColumn<bool>("receptorExtendido");
        const QByteArray escapes = QByteArray(3000, '\x07') + QByteArray(3000, '\x06') +
                                   QByteArray("\x00\r\n:\x07\x06", 6) + QByteArray(2999, ':');
        const qsizetype bloque = kTamBloqueExtendido;
        for (const auto& [modo, emisor, receptor] : {std::tuple{"extendido", true, true},
                                                     {"emisor de hoy", false, true},
                                                     {"receptor de hoy", true, false}}) {
            for (const qsizetype tam :
                 {qsizetype(0), qsizetype(1), qsizetype(3000), qsizetype(7000), bloque, bloque + 1})
                QTest::addRow("%s, %lld bytes", modo, qint64(tam))
                    << Aleatorio(tam) << emisor << receptor;
            QTest::addRow("%s, escapes", modo) << escapes << emisor << receptor;
            QTest::addRow("%s, 3 MiB", modo)
                << Aleatorio(3 * 1024 * 1024 + 17) << emisor << receptor;
        }
    }

    void LlegaIdentico() {
        QFETCH(QByteArray, datos);
        QFETCH(bool, emisorExtendido);
        QFETCH(bool, receptorExtendido);
        TLado a(11, QStringLiteral("Ana"), emisorExtendido),
            b(12, QStringLiteral("Bea"), receptorExtendido);
        a.Config().Sonidos.File_FinTx = QStringLiteral("fin-a.wav");
        b.Config().Sonidos.File_FinTx = QStringLiteral("fin-b.wav");
        Conectar(a, b);
        Enviar(a, b, datos);
        QCOMPARE(Leer(b.Ruta(QStringLiteral("destino.bin"))), datos);
        QCOMPARE(*a.Ventana().Fin, TFinTransferencia::Finalizado);
        QCOMPARE(*b.Ventana().Fin, TFinTransferencia::Finalizado);
        QCOMPARE(b.Ventana().Refrescos.back().Tx, TextoBytes(qint32(datos.size())));
        QVERIFY(a.Tx.Salientes().empty() && b.Tx.Entrantes().empty());
        QVERIFY(a.Nodo.Interfaz.Sonidos.contains(QStringLiteral("fin-a.wav")));
        QVERIFY(b.Nodo.Interfaz.Sonidos.contains(QStringLiteral("fin-b.wav")));
        QVERIFY(a.Nodo.Interfaz.Errores.empty() && b.Nodo.Interfaz.Errores.empty());
    }

    void VentanasYPregunta() {
        TLado a(11, QStringLiteral("Ana")), b(12, QStringLiteral("Bea"));
        Conectar(a, b);
        Enviar(a, b, Aleatorio(4500));
        QCOMPARE(a.Falsas.Titulos, QStringList{QStringLiteral("Escoja un Archivo para enviarle a Bea")});
        const TDatosVista& enviando = a.Ventana().Datos;
        QCOMPARE(enviando.Cabecera, QStringLiteral("Enviando Archivo a Bea"));
        QCOMPARE(enviando.NombreFichero, QStringLiteral("origen.bin"));
        QCOMPARE(enviando.Ruta, a.Ruta(QStringLiteral("origen.bin")));
        QCOMPARE(enviando.Tam, 4500);
        QVERIFY(enviando.Enviando);
        const TDatosVista& recibiendo = b.Ventana().Datos;
        QCOMPARE(recibiendo.ID, enviando.ID);
        QCOMPARE(recibiendo.Cabecera, QStringLiteral("Recibiendo Archivo de Ana"));
        QCOMPARE(recibiendo.NombreFichero, QStringLiteral("origen.bin"));
        QCOMPARE(recibiendo.Ruta, b.Ruta(QStringLiteral("destino.bin")));
        QVERIFY(!recibiendo.Enviando);
        QCOMPARE(b.Nodo.Interfaz.Preguntas.size(), std::size_t(1));
        QCOMPARE(b.Nodo.Interfaz.Preguntas[0].Titulo, QStringLiteral("Envío de Archivo"));
        QCOMPARE(b.Nodo.Interfaz.Preguntas[0].Texto,
                 QStringLiteral("Ana quiere enviarle un Archivo:\n\nArchivo: origen.bin\n"
                                "Tamaño: 4.500\n\n¿Desea aceptar el Archivo?"));
        QCOMPARE(b.Nodo.Interfaz.Avisos.size(), std::size_t(1));
        QVERIFY(b.Nodo.Interfaz.Avisos[0].Titulo == u"Ana" &&
                b.Nodo.Interfaz.Avisos[0].Texto == b.Nodo.Interfaz.Preguntas[0].Texto);
        QCOMPARE(b.Falsas.Titulos, QStringList{QStringLiteral("Escoja el destino del Archivo de Ana")});
        QCOMPARE(b.Falsas.Propuestos, QStringList{QStringLiteral("origen.bin")});
    }

    // The sender samples every part it sends, the receiver every whole block only, and the
    // bar first moves with the fifth sample.
    void BarraConSeisYDoceMil() {
        TLado a(11, QStringLiteral("Ana"), false), b(12, QStringLiteral("Bea"));
        Conectar(a, b);
        Enviar(a, b, Aleatorio(6000));
        for (TLado* lado : {&a, &b}) {
            for (const TCifrasProgreso& cifras : lado->Ventana().Refrescos)
                QVERIFY(!cifras.Posicion && !cifras.Restante && !cifras.VMedia);
        }
        Enviar(a, b, Aleatorio(12000));
        QCOMPARE(a.Ventana(1).Refrescos.size(), std::size_t(5));
        QCOMPARE(a.Ventana(1).Refrescos.back().Posicion, std::optional<qint32>(12000));
        QCOMPARE(b.Ventana(1).Refrescos.size(), std::size_t(5));  // four blocks and the tail
        for (const TCifrasProgreso& cifras : b.Ventana(1).Refrescos)
            QVERIFY(!cifras.Posicion);
    }

    void Rechazo() {
        TLado a(11, QStringLiteral("Ana")), b(12, QStringLiteral("Bea"));
        Conectar(a, b);
        a.Config().Sonidos.File_AbortadaTx = QStringLiteral("abortada.wav");
        b.Nodo.Interfaz.Respuestas = {false, true};
        a.Falsas.Fichero = Escribir(a.Ruta(QStringLiteral("origen.bin")), "hola");
        a.Tx.OfrecerFichero(b.IP());
        QTRY_COMPARE(a.Ventana().Fin, std::optional(TFinTransferencia::Rechazado));
        // Yes, then the save dialog cancelled: refused as well.
        a.Tx.OfrecerFichero(b.IP());
        QTRY_COMPARE(a.Ventana(1).Fin, std::optional(TFinTransferencia::Rechazado));
        QVERIFY(a.Tx.Salientes().empty());
        QVERIFY(b.Falsas.Ventanas.empty() && b.Tx.Entrantes().empty());
        QVERIFY(a.Nodo.Interfaz.Sonidos.isEmpty());
    }

    void AbortaCualquieraDeLosDos_data() {
        QTest::addColumn<bool>("abortaElEmisor");
        QTest::addColumn<bool>("extendido");
        for (const bool extendido : {false, true}) {
            QTest::addRow("el receptor, %s", extendido ? "extendido" : "de hoy")
                << false << extendido;
            QTest::addRow("el emisor, %s", extendido ? "extendido" : "de hoy") << true << extendido;
        }
    }

    void AbortaCualquieraDeLosDos() {
        QFETCH(bool, abortaElEmisor);
        QFETCH(bool, extendido);
        TLado a(11, QStringLiteral("Ana"), extendido), b(12, QStringLiteral("Bea"), extendido);
        Conectar(a, b);
        a.Config().Sonidos.File_AbortadaTx = QStringLiteral("abortada-a.wav");
        b.Config().Sonidos.File_AbortadaTx = QStringLiteral("abortada-b.wav");
        const QByteArray datos = Aleatorio(extendido ? 32 * 1024 * 1024 : 1024 * 1024);
        a.Falsas.Fichero = Escribir(a.Ruta(QStringLiteral("origen.bin")), datos);
        b.Falsas.Destino = b.Ruta(QStringLiteral("destino.bin"));
        TLado& quien = abortaElEmisor ? a : b;
        TLado& otro = abortaElEmisor ? b : a;
        quien.Falsas.TrasRefrescar = [](TVentanaFalsa& v) {
            if (v.Refrescos.size() >= 3)
                v.Abortar();
        };
        a.Tx.OfrecerFichero(b.IP());
        QTRY_VERIFY(!otro.Falsas.Ventanas.empty() && otro.Ventana().Fin == TFinTransferencia::Abortado);
        QTest::qWait(50);
        QVERIFY(!quien.Ventana().Fin);  // closing the window is what aborted it
        QVERIFY(a.Tx.Salientes().empty() && b.Tx.Entrantes().empty());
        QCOMPARE(otro.Nodo.Interfaz.Sonidos, QStringList{otro.Config().Sonidos.File_AbortadaTx});
        QVERIFY(quien.Nodo.Interfaz.Sonidos.isEmpty());
        const QByteArray parcial = Leer(b.Ruta(QStringLiteral("destino.bin")));
        const qsizetype bloque = extendido ? kTamBloqueExtendido : kTamBloque;
        QVERIFY(parcial.size() >= 3 * bloque && parcial.size() < datos.size());
        QCOMPARE(parcial.size() % bloque, 0);
        QCOMPARE(parcial, datos.first(parcial.size()));
    }

    void VariasALaVezEnLosDosSentidos() {
        TLado a(11, QStringLiteral("Ana")), b(12, QStringLiteral("Bea"));
        Conectar(a, b);
        for (TLado* lado : {&a, &b}) {
            lado->Config().AutoAceptarFicheros = true;
            lado->Config().AutoAceptarFicherosPath = lado->Ruta(QStringLiteral("recibidos"));
            QVERIFY(QDir().mkpath(lado->Config().AutoAceptarFicherosPath));
        }
        const QByteArray uno = Aleatorio(200 * 1000), dos = Aleatorio(7000), tres = Aleatorio(300 * 1000 + 1);
        a.Falsas.Fichero = Escribir(a.Ruta(QStringLiteral("uno")), uno);
        a.Tx.OfrecerFichero(b.IP());
        a.Falsas.Fichero = Escribir(a.Ruta(QStringLiteral("dos")), dos);
        a.Tx.OfrecerFichero(b.IP());
        b.Falsas.Fichero = Escribir(b.Ruta(QStringLiteral("tres")), tres);
        b.Tx.OfrecerFichero(a.IP());
        a.Falsas.Fichero = a.Ruta(QStringLiteral("uno"));
        a.Tx.OfrecerFichero(b.IP());  // the same file twice: under another id
        QTRY_VERIFY(a.Falsas.Ventanas.size() == 4 && b.Falsas.Ventanas.size() == 4);
        for (TLado* lado : {&a, &b}) {
            for (const auto& ventana : lado->Falsas.Ventanas)
                QTRY_COMPARE(ventana->Fin, std::optional(TFinTransferencia::Finalizado));
        }
        QCOMPARE(Leer(b.Ruta(QStringLiteral("recibidos/uno"))), uno);
        QCOMPARE(Leer(b.Ruta(QStringLiteral("recibidos/dos"))), dos);
        QCOMPARE(Leer(a.Ruta(QStringLiteral("recibidos/tres"))), tres);
        QVERIFY(a.Nodo.Interfaz.Preguntas.empty() && b.Nodo.Interfaz.Preguntas.empty());
        QVERIFY(a.Ventana(0).Datos.ID != a.Ventana(3).Datos.ID);
    }

    void SeEnviaUnFicheroDeSoloLectura() {
        TLado a(11, QStringLiteral("Ana")), b(12, QStringLiteral("Bea"));
        Conectar(a, b);
        const QString ruta = Escribir(a.Ruta(QStringLiteral("origen.bin")), "solo lectura");
        QFile::setPermissions(ruta, QFileDevice::ReadOwner);
        a.Falsas.Fichero = ruta;
        b.Falsas.Destino = b.Ruta(QStringLiteral("destino.bin"));
        a.Tx.OfrecerFichero(b.IP());
        QTRY_COMPARE(b.Falsas.Ventanas.size(), std::size_t(1));
        QTRY_COMPARE(b.Ventana().Fin, std::optional(TFinTransferencia::Finalizado));
        QCOMPARE(Leer(b.Ruta(QStringLiteral("destino.bin"))), QByteArray("solo lectura"));
    }

    // --- The extended mode ---

    // A peer that takes little, acknowledging in random steps: never more unacknowledged than
    // it announced, and always as much as fits.
    void VentanaRespetada_data() {
        QTest::addColumn<quint32>("semilla");
        for (const quint32 semilla : {1u, 2u, 3u, 4u, 5u, 6u})
            QTest::addRow("semilla %u", semilla) << semilla;
    }

    void VentanaRespetada() {
        QFETCH(quint32, semilla);
        QRandomGenerator azar(semilla);
        TLado a(11, QStringLiteral("Ana"));
        TPeerCrudo peer(13);
        ConectarCrudo(a, peer);
        const qint64 bloque = 500 + azar.bounded(1500), vuelo = bloque + azar.bounded(6000);
        const QByteArray datos = Aleatorio(azar.bounded(40000));
        OfrecerAlPeer(a, peer, QStringLiteral("f"), datos);
        const QByteArray id = Id(a), limites = Numero(vuelo) + ":" + Numero(bloque);
        peer.Enviar("XFILE_PUEDE:" + id + ":" + limites +
                    ":0:\x07"
                    "ACEPTA_FILE:" +
                    id + ":" + Numero(datos.size()) + ":f\x07");
        QCOMPARE(peer.EsperarMensajes(2).at(1), "XFILE_USA:" + id + ":" + limites + ":0");
        QByteArray recibido, resumen;
        qint64 confirmado = 0;
        for (qsizetype leidos = 2, respuestas = 1; resumen.isEmpty(); ++respuestas) {
            // The answer comes after whatever the acknowledgement let out.
            peer.Enviar("NICK?\x07");
            QTRY_COMPARE(peer.Mensajes().count("NICK:Ana"), respuestas);
            const QList<QByteArray> mensajes = peer.Mensajes();
            for (const QByteArray& mensaje : mensajes.mid(leidos)) {
                if (mensaje.startsWith("NICK:"))
                    continue;
                QByteArray datosBloque;
                if (mensaje.startsWith(QByteArray("XFILE_FIN:" + id + ":")))
                    resumen = mensaje.sliced(11 + id.size());
                else
                    QVERIFY(DesescaparDatos(mensaje.sliced(11 + id.size()), datosBloque) &&
                            datosBloque.size() <= bloque);
                recibido += datosBloque;
                QVERIFY(recibido.size() - confirmado <= vuelo);
            }
            leidos = mensajes.size();
            const qint64 sinConfirmar = recibido.size() - confirmado;
            QVERIFY(!resumen.isEmpty() || sinConfirmar > vuelo - bloque);
            confirmado += sinConfirmar == 0 ? 0 : 1 + azar.bounded(sinConfirmar);
            peer.Enviar("XFILE_ACK:" + id + ":" + Numero(confirmado) + "\x07");
        }
        QCOMPARE(recibido, datos);
        QCOMPARE(resumen, QCryptographicHash::hash(datos, QCryptographicHash::Sha256).toHex());
        QVERIFY(!a.Ventana().Fin); // until the receiver has checked the file
        const bool bien = semilla % 2 == 0;
        peer.Enviar("XFILE_ACK:" + id + ":" + Numero(datos.size()) + "\x07" +
                    (bien ? "XFILE_OK:" : "ABORT_FILE:") + id + "\x07");
        QTRY_COMPARE(a.Ventana().Fin,
                     bien ? TFinTransferencia::Finalizado : TFinTransferencia::Fallido);
        QVERIFY(a.Tx.Salientes().empty());
    }

    // A raw sender in the extended mode: the receiver keeps to what it stated and checks the
    // whole file at the end.
    void ReceptorExtendido_data() {
        QTest::addColumn<QByteArray>("envio");
        QTest::addColumn<QByteArray>("respuesta");
        QTest::addColumn<int>("fin");
        const QByteArray bueno =
            QCryptographicHash::hash("hola!", QCryptographicHash::Sha256).toHex();
        const QByteArray malo =
            QCryptographicHash::hash("hola?", QCryptographicHash::Sha256).toHex();
        const auto fila = [](const char* nombre, const QByteArray& envio, const char* respuesta,
                             TFinTransferencia fin) {
            QTest::newRow(nombre) << envio << QByteArray(respuesta) << int(fin);
        };
        fila("bien",
             "XFILE_USA:7:4000:1000:0\x07"
             "XFILE_PKT:7:hola!\x07"
             "XFILE_FIN:7:" +
                 bueno + "\x07",
             "XFILE_ACK:7:5,XFILE_OK:7", TFinTransferencia::Finalizado);
        fila("resumen distinto",
             "XFILE_USA:7:4000:1000:0\x07"
             "XFILE_PKT:7:hola!\x07"
             "XFILE_FIN:7:" +
                 malo + "\x07",
             "XFILE_ACK:7:5,ABORT_FILE:7", TFinTransferencia::Fallido);
        fila("faltan bytes",
             "XFILE_USA:7:4000:1000:0\x07"
             "XFILE_PKT:7:hola\x07"
             "XFILE_FIN:7:" +
                 bueno + "\x07",
             "XFILE_ACK:7:4,ABORT_FILE:7", TFinTransferencia::Fallido);
        fila("bloque mayor que el dicho",
             "XFILE_USA:7:4000:2:0\x07"
             "XFILE_PKT:7:hola!\x07",
             "ABORT_FILE:7", TFinTransferencia::Abortado);
        fila("más de lo que toma", "XFILE_USA:7:8388608:1000:0\x07", "ABORT_FILE:7",
             TFinTransferencia::Abortado);
        fila("más allá del tamaño",
             "XFILE_USA:7:4000:1000:0\x07"
             "XFILE_PKT:7:hola!!\x07",
             "ABORT_FILE:7", TFinTransferencia::Abortado);
        fila("bloque de hoy",
             "XFILE_USA:7:4000:1000:0\x07"
             "FIN_FILE:7:hola!\x07",
             "ABORT_FILE:7", TFinTransferencia::Abortado);
    }

    void ReceptorExtendido() {
        QFETCH(QByteArray, envio);
        QFETCH(QByteArray, respuesta);
        QFETCH(int, fin);
        TLado b(12, QStringLiteral("Bea"));
        const QDir carpeta = AceptarSoloEn(b, QStringLiteral("auto"));
        TPeerCrudo peer(13);
        ConectarCrudo(b, peer);
        peer.Enviar("OFRECE_FILE:7:5:f\x07");
        QCOMPARE(peer.EsperarMensajes(2), (QList<QByteArray>{Puede("7"), "ACEPTA_FILE:7:5:f"}));
        peer.Enviar(envio);
        const QList<QByteArray> esperados = respuesta.split(',');
        QCOMPARE(peer.EsperarMensajes(2 + int(esperados.size())).mid(2), esperados);
        QTRY_COMPARE(b.Ventana().Fin, std::optional(TFinTransferencia(fin)));
        QVERIFY(b.Tx.Entrantes().empty());
        if (fin == int(TFinTransferencia::Finalizado))
            QCOMPARE(Leer(carpeta.filePath(QStringLiteral("f"))), QByteArray("hola!"));
    }

    // The connection drops mid-block: both windows say so, and when the contact is back the
    // transfer goes on from what the receiver holds, or from the start when that changed.
    void ReanudaTrasUnCorte_data() {
        QTest::addColumn<bool>("parteCambiada");
        QTest::newRow("sigue") << false;
        QTest::newRow("parte cambiada") << true;
    }

    void ReanudaTrasUnCorte() {
        QFETCH(bool, parteCambiada);
        TLado a(11, QStringLiteral("Ana"), true, kSinReintentar),
            b(12, QStringLiteral("Bea"), true, kSinReintentar);
        Conectar(a, b);
        const QByteArray datos = Aleatorio(16 * 1024 * 1024 + 5);
        EnviarYCortar(a, b, datos, 20);
        const std::size_t antes = b.Ventana().Refrescos.size();
        const qint64 parte = QFileInfo(*b.Falsas.Destino).size();
        QVERIFY(parte > 0 && parte < datos.size());
        QCOMPARE(parte % kTamBloqueExtendido, 0);
        if (parteCambiada) {
            QFile fichero(*b.Falsas.Destino);
            QVERIFY(fichero.open(QIODevice::ReadWrite) && fichero.seek(parte / 2));
            fichero.write("x");
        }
        a.Nodo.M().ConectarDeNuevo(b.IP());
        QTRY_COMPARE(b.Ventana().Fin, std::optional(TFinTransferencia::Finalizado));
        QTRY_COMPARE(a.Ventana().Fin, std::optional(TFinTransferencia::Finalizado));
        QCOMPARE(Leer(*b.Falsas.Destino), datos);
        QCOMPARE(b.Ventana().Refrescos.at(antes).Tx,
                 TextoBytes((parteCambiada ? 0 : parte) + kTamBloqueExtendido));
        QCOMPARE(a.Ventana().Interrupciones, 1);
        QCOMPARE(b.Falsas.Ventanas.size(), std::size_t(1));
        QVERIFY(b.Nodo.Interfaz.Preguntas.size() == 1 && !a.Ventana().Interrumpida);
    }

    // The held part is checked off the event loop: the receiver answers other messages
    // meanwhile, and a transfer aborted meanwhile is never accepted.
    void ParteComprobadaAparte_data() {
        QTest::addColumn<bool>("abortar");
        QTest::newRow("sigue") << false;
        QTest::newRow("abortada") << true;
    }

    void ParteComprobadaAparte() {
        QFETCH(bool, abortar);
        TLado b(12, QStringLiteral("Bea"));
        const QDir carpeta = AceptarSoloEn(b, QStringLiteral("auto"));
        TPeerCrudo peer(13);
        ConectarCrudo(b, peer);
        const QByteArray oferta = "OFRECE_FILE:7:67108864:f\x07";
        peer.Enviar(oferta + "XFILE_USA:7:4000:1000:0\x07XFILE_PKT:7:hola\x07");
        peer.EsperarMensajes(3);
        peer.Socket.abort();
        QTRY_VERIFY(b.Ventana().Interrumpida);
        QFile parte(carpeta.filePath(QStringLiteral("f")));
        QVERIFY(parte.open(QIODevice::ReadWrite) && parte.resize(16 * 1024 * 1024));
        const QByteArray resumen = Sha256(parte.readAll());
        peer.Recibido.clear();
        QVERIFY(peer.ConectarA(b.IP()));
        peer.EsperarMensajes(2);
        QTRY_VERIFY(b.Nodo.Conectado(peer.Ip));
        peer.Recibido.clear();
        peer.Enviar(oferta + (abortar ? "ABORT_FILE:7\x07" : "") + "NICK?\x07");
        QVERIFY(peer.EsperarMensajes(1).at(0).startsWith("NICK:"));
        const QByteArray puede = "XFILE_PUEDE:7:" + Numero(kBytesEnVuelo) + ":" +
                                 Numero(kTamBloqueExtendido) + ":16777216:" + resumen;
        const QList<QByteArray> despues =
            abortar ? QList<QByteArray>{} : QList<QByteArray>{puede, "ACEPTA_FILE:7:67108864:f"};
        QTest::qWait(500);
        QCOMPARE(peer.EsperarMensajes(1 + int(despues.size())).mid(1), despues);
        QCOMPARE(b.Ventana().Fin,
                 abortar ? std::optional(TFinTransferencia::Abortado) : std::nullopt);
    }

    // How a transfer ended while its sender was cut off (checked here, or aborted here) is
    // what the sender hears when it offers the file again: nothing travels or is asked twice.
    void DesenlaceTrasUnCorte_data() {
        QTest::addColumn<QByteArray>("datos");
        QTest::addColumn<QList<QByteArray>>("antes");
        QTest::addColumn<QByteArray>("respuesta");
        QTest::newRow("comprobado")
            << QByteArray("XFILE_PKT:7:hola!\x07XFILE_FIN:7:" + Sha256("hola!") + "\x07")
            << QList<QByteArray>{"XFILE_ACK:7:5", "XFILE_OK:7"} << QByteArray("XFILE_OK:7");
        QTest::newRow("abortado sin conexión")
            << QByteArray("XFILE_PKT:7:hola\x07") << QList<QByteArray>{"XFILE_ACK:7:4"}
            << QByteArray("ABORT_FILE:7");
    }

    void DesenlaceTrasUnCorte() {
        QFETCH(QByteArray, datos);
        QFETCH(QList<QByteArray>, antes);
        QFETCH(QByteArray, respuesta);
        TLado b(12, QStringLiteral("Bea"));
        AceptarSoloEn(b, QStringLiteral("auto"));
        TPeerCrudo emisor(13);
        ConectarCrudo(b, emisor);
        const QByteArray oferta = "OFRECE_FILE:7:5:f\x07";
        emisor.Enviar(oferta + "XFILE_USA:7:4000:1000:0\x07" + datos);
        QCOMPARE(emisor.EsperarMensajes(2 + int(antes.size())).mid(2), antes);
        emisor.Socket.abort();
        QTRY_VERIFY(!b.Nodo.Conectado(emisor.Ip));
        if (!b.Ventana().Fin)
            b.Ventana().Abortar();
        QVERIFY(emisor.ConectarA(b.IP()));
        QTRY_VERIFY(b.Nodo.Conectado(emisor.Ip));
        emisor.Recibido.clear();
        emisor.Enviar(oferta);
        QCOMPARE(emisor.EsperarMensajes(1), QList<QByteArray>{respuesta});
        QTest::qWait(100);
        QCOMPARE(emisor.Mensajes().size(), 1);
        QCOMPARE(b.Falsas.Ventanas.size(), std::size_t(1));
    }

    // The connection drops after the end went out, before the receiver's check came back:
    // the receiver's "XFILE_OK:" to the new offer ends the transfer.
    void ComprobadoAntesDelCorte() {
        TLado a(11, QStringLiteral("Ana"));
        TPeerCrudo receptor(14);
        ConectarCrudo(a, receptor);
        a.Falsas.Fichero = Escribir(a.Ruta(QStringLiteral("f")), "hola!");
        a.Tx.OfrecerFichero(receptor.Ip);
        const QByteArray id = Id(a);
        receptor.EsperarMensajes(1);
        receptor.Enviar(Puede(id) + kBel + "ACEPTA_FILE:" + id + ":5:f\x07");
        QCOMPARE(receptor.EsperarMensajes(4).at(3), "XFILE_FIN:" + id + ":" + Sha256("hola!"));
        receptor.Enviar("XFILE_ACK:" + id + ":5\x07");
        QTRY_VERIFY(!a.Ventana().Refrescos.empty() &&
                    a.Ventana().Refrescos.back().Tx == TextoBytes(5));
        receptor.Socket.abort();
        QTRY_VERIFY(a.Ventana().Interrumpida);
        receptor.Recibido.clear();
        QVERIFY(receptor.ConectarA(a.IP()));
        QTRY_VERIFY(receptor.Mensajes().contains("OFRECE_FILE:" + id + ":5:f"));
        receptor.Enviar("XFILE_OK:" + id + "\x07");
        QTRY_COMPARE(a.Ventana().Fin, std::optional(TFinTransferencia::Finalizado));
        QVERIFY(!a.Ventana().Interrumpida);
    }

    // The sender's user aborts while the contact is away: the receiver hears it when the
    // contact is back, and one whose user aborted meanwhile too is left as it was.
    void AbortadoSinConexion_data() {
        QTest::addColumn<bool>("abortaTambien");
        QTest::newRow("receptor interrumpido") << false;
        QTest::newRow("receptor abortado") << true;
    }

    void AbortadoSinConexion() {
        QFETCH(bool, abortaTambien);
        TLado a(11, QStringLiteral("Ana"), true, kSinReintentar),
            b(12, QStringLiteral("Bea"), true, kSinReintentar);
        Conectar(a, b);
        EnviarYCortar(a, b, Aleatorio(16 * 1024 * 1024), 1);
        a.Ventana().Abortar();
        if (abortaTambien)
            b.Ventana().Abortar();
        b.Nodo.M().FijarModoDebug(true);
        a.Nodo.M().ConectarDeNuevo(b.IP());
        const QByteArray llegada = "< [" + a.IP().toLatin1() + "] ABORT_FILE:" + Id(a);
        QTRY_VERIFY(Leer(b.Nodo.Carpeta.filePath(QStringLiteral("Debug.log"))).contains(llegada));
        QCOMPARE(b.Ventana().Fin,
                 abortaTambien ? std::nullopt : std::optional(TFinTransferencia::Abortado));
        QVERIFY(b.Falsas.Ventanas.size() == 1 && b.Nodo.Interfaz.Errores.empty() &&
                b.Nodo.Interfaz.Informaciones.empty());
    }

    // --- Exact bytes against a raw peer ---

    void BytesExactosDelEmisor() {
        TLado a(11, QStringLiteral("Ana"));
        TPeerCrudo peer(13);
        ConectarCrudo(a, peer);
        const QByteArray datos = QByteArray(3000, '\x07') + QByteArray("\x41\x07\x06\x00\r:", 6);
        a.Falsas.Fichero = Escribir(a.Ruta(QStringLiteral("f.bin")), datos);
        a.Tx.OfrecerFichero(peer.Ip);
        const QByteArray id = Id(a);
        QCOMPARE(peer.EsperarMensajes(1), QList<QByteArray>{"OFRECE_FILE:" + id + ":3006:f.bin"});
        // Another name or size, or an acknowledgement before acceptance, start nothing.
        peer.Enviar("ACEPTA_FILE:" + id + ":3006:g.bin\x07" "ACEPTA_FILE:" + id + ":3005:f.bin\x07" +
                    "FILE_ACK:" + id + "\x07" "FILE_ACK:" + Numero(a.Ventana().Datos.ID + 1) + "\x07");
        QTest::qWait(100);
        QCOMPARE(peer.Mensajes().size(), 1);
        peer.Enviar("ACEPTA_FILE:" + id + ":3006:f.bin\x07");
        QByteArray escapado;
        for (int i = 0; i < 3000; ++i)
            escapado += "\x06\x08";
        QCOMPARE(peer.EsperarMensajes(2).at(1), "FILE_PKT:" + id + ":" + escapado);
        peer.Enviar("FILE_ACK:" + id + "\x07");
        QCOMPARE(peer.EsperarMensajes(3).at(2),
                 "FIN_FILE:" + id + ":" + QByteArray("\x41\x06\x08\x06\x06\x00\r:", 8));
        QCOMPARE(a.Ventana().Fin, std::optional(TFinTransferencia::Finalizado));
        // A file whose size is a multiple of the block ends with an empty tail.
        a.Falsas.Fichero = Escribir(a.Ruta(QStringLiteral("vacio")), {});
        a.Tx.OfrecerFichero(peer.Ip);
        const QByteArray otro = Id(a, 1);
        QCOMPARE(peer.EsperarMensajes(4).at(3), "OFRECE_FILE:" + otro + ":0:vacio");
        peer.Enviar("ACEPTA_FILE:" + otro + ":0:vacio\x07");
        QCOMPARE(peer.EsperarMensajes(5).at(4), "FIN_FILE:" + otro + ":");
    }

    void BytesExactosDelReceptor() {
        TLado b(12, QStringLiteral("Bea"));
        b.Config().AutoAceptarFicheros = true;
        b.Config().AutoAceptarFicherosPath = b.Ruta(QStringLiteral("auto"));
        QVERIFY(QDir().mkpath(b.Config().AutoAceptarFicherosPath));
        b.Nodo.M().AnadirContacto(QStringLiteral("Intruso"), QStringLiteral("127.0.0.14"), {}, false, true);
        TPeerCrudo peer(13), intruso(14);
        ConectarCrudo(b, peer);
        QVERIFY(intruso.ConectarA(b.IP()));
        QTRY_VERIFY(b.Nodo.Conectado(intruso.Ip));
        peer.Enviar("OFRECE_FILE:7:3004:dir/../sub\\x.bin\x07");
        // What this copy takes goes first; an old sender drops it unread.
        QCOMPARE(peer.EsperarMensajes(2),
                 (QList<QByteArray>{Puede("7"), "ACEPTA_FILE:7:3004:dir/../sub\\x.bin"}));
        const QString destino = b.Ruta(QStringLiteral("auto/x.bin"));
        QVERIFY(QFile::exists(destino));
        QCOMPARE(b.Ventana().Datos.NombreFichero, QStringLiteral("x.bin"));
        QByteArray bloque;
        for (int i = 0; i < 1500; ++i)
            bloque += "\x06\x08";
        for (int i = 0; i < 1500; ++i)
            bloque += "\x06\x06";
        // The same id from another peer is not this transfer.
        intruso.Socket.readAll();
        intruso.Recibido.clear();
        intruso.Enviar("FILE_PKT:7:" + bloque + "\x07" "FIN_FILE:7:x\x07" "ABORT_FILE:7\x07");
        QTest::qWait(100);
        QVERIFY(intruso.Mensajes().isEmpty());
        QVERIFY(!b.Ventana().Fin);
        peer.Enviar("FILE_PKT:7:" + bloque + "\x07");
        QCOMPARE(peer.EsperarMensajes(3).at(2), QByteArray("FILE_ACK:7"));
        peer.Enviar(QByteArray("FIN_FILE:7:\x41\x06\x08\x06\x06\x00\x07", 18));
        QTRY_COMPARE(b.Ventana().Fin, std::optional(TFinTransferencia::Finalizado));
        QCOMPARE(Leer(destino), QByteArray(1500, '\x07') + QByteArray(1500, '\x06') +
                                    QByteArray("\x41\x07\x06\x00", 4));
        QCOMPARE(peer.Mensajes().size(), 3);
    }

    void PreguntaDelReceptor() {
        TLado b(12, QStringLiteral("Bea"));
        b.Config().Sonidos.File_SolicitudTx = QStringLiteral("solicitud.wav");
        TPeerCrudo peer(13);
        ConectarCrudo(b, peer);
        b.Nodo.Interfaz.Respuestas = {false, true, true};
        peer.Enviar("OFRECE_FILE:12:9386250:informe.pdf\x07");
        QCOMPARE(peer.EsperarMensajes(1).at(0), QByteArray("RECHAZA_FILE:12"));
        QCOMPARE(b.Nodo.Interfaz.Preguntas.at(0).Texto,
                 QStringLiteral("Pepe quiere enviarle un Archivo:\n\nArchivo: informe.pdf\n"
                                "Tamaño: 9.386.250\n\n¿Desea aceptar el Archivo?"));
        QCOMPARE(b.Nodo.Interfaz.Sonidos, QStringList{QStringLiteral("solicitud.wav")});
        peer.Enviar("OFRECE_FILE:13:5:informe.pdf\x07");
        QCOMPARE(peer.EsperarMensajes(2).at(1), QByteArray("RECHAZA_FILE:13"));
        b.Falsas.Destino = b.Ruta(QStringLiteral("elegido.pdf"));
        Escribir(*b.Falsas.Destino, "contenido anterior");
        peer.Enviar("OFRECE_FILE:14:5:informe.pdf\x07");
        QCOMPARE(DeHoy(peer.EsperarMensajes(4)).at(2), QByteArray("ACEPTA_FILE:14:5:informe.pdf"));
        QCOMPARE(Leer(*b.Falsas.Destino), QByteArray());  // created empty before the data
        QCOMPARE(b.Falsas.Propuestos, QStringList(2, QStringLiteral("informe.pdf")));
        QCOMPARE(b.Falsas.Titulos.at(0), QStringLiteral("Escoja el destino del Archivo de Pepe"));
    }

    // The peer withdraws its offer, or leaves (perhaps back at once), while the question or
    // the save dialog is open: nothing is answered, created or emptied, and the user is told.
    void OfertaRetiradaMientrasSeDecide_data() {
        QTest::addColumn<QByteArray>("causa");
        QTest::addColumn<bool>("enDestino");
        for (const char* causa : {"aborta", "se va", "se va y vuelve"})
            for (const bool enDestino : {false, true})
                QTest::addRow("%s, %s", causa, enDestino ? "destino" : "pregunta")
                    << QByteArray(causa) << enDestino;
    }

    void OfertaRetiradaMientrasSeDecide() {
        QFETCH(QByteArray, causa);
        QFETCH(bool, enDestino);
        TLado b(12, QStringLiteral("Bea"));
        TPeerCrudo peer(13);
        ConectarCrudo(b, peer);
        b.Falsas.Destino = Escribir(b.Ruta(QStringLiteral("elegido.pdf")), "contenido anterior");
        const auto retirar = [&] {
            if (causa == "aborta") {
                peer.Enviar("ABORT_FILE:14\x07");
                return EsperarLoAnterior(peer);
            }
            peer.Socket.abort();
            QTRY_VERIFY(!b.Nodo.Conectado(peer.Ip));
            if (causa == "se va y vuelve") {
                QVERIFY(peer.ConectarA(b.IP()));
                QTRY_VERIFY(b.Nodo.Conectado(peer.Ip));
            }
        };
        (enDestino ? b.Falsas.AlElegir : b.Nodo.Interfaz.AntesDeResponder) = retirar;
        peer.Enviar("OFRECE_FILE:14:5:informe.pdf\x07");
        QTRY_COMPARE(b.Nodo.Interfaz.Informaciones.size(), std::size_t(1));
        QCOMPARE(b.Nodo.Interfaz.Informaciones[0].Texto,
                 QStringLiteral("Pepe ha retirado el envío de \"informe.pdf\"."));
        if (causa != "se va")
            EsperarLoAnterior(peer);
        QVERIFY(!peer.Recibido.contains("_FILE:"));
        QVERIFY(b.Tx.Entrantes().empty() && b.Falsas.Ventanas.empty());
        QCOMPARE(Leer(*b.Falsas.Destino), QByteArray("contenido anterior"));
        QCOMPARE(b.Falsas.Propuestos.size(), enDestino ? 1 : 0);
    }

    void ContactoQueSeVaMientrasEligeFichero() {
        TLado a(11, QStringLiteral("Ana"));
        TPeerCrudo peer(13);
        ConectarCrudo(a, peer);
        a.Falsas.Fichero = Escribir(a.Ruta(QStringLiteral("f")), "abc");
        a.Falsas.AlElegir = [&] {
            peer.Socket.abort();
            QTRY_VERIFY(!a.Nodo.Conectado(peer.Ip));
        };
        a.Tx.OfrecerFichero(peer.Ip);
        QVERIFY(a.Falsas.Ventanas.empty() && a.Tx.Salientes().empty());
        QCOMPARE(a.Nodo.Interfaz.Informaciones.size(), std::size_t(1));
        QCOMPARE(a.Nodo.Interfaz.Informaciones[0].Texto,
                 QStringLiteral("Pepe ya no está conectado."));
    }

    void NombresRechazadosSinPreguntar_data() {
        QTest::addColumn<QByteArray>("nombre");
        QTest::newRow("vacío") << QByteArray();
        QTest::newRow("punto") << QByteArray(".");
        QTest::newRow("dos puntos") << QByteArray("..");
        QTest::newRow("subir") << QByteArray("a/..");
        QTest::newRow("carpeta") << QByteArray("c:\\dir\\");
    }

    void NombresRechazadosSinPreguntar() {
        QFETCH(QByteArray, nombre);
        TLado b(12, QStringLiteral("Bea"));
        b.Config().AutoAceptarFicheros = true;
        b.Config().AutoAceptarFicherosPath = b.Ruta(QStringLiteral("auto"));
        TPeerCrudo peer(13);
        ConectarCrudo(b, peer);
        peer.Enviar("OFRECE_FILE:9:1:" + nombre + "\x07");
        QCOMPARE(peer.EsperarMensajes(1), QList<QByteArray>{"RECHAZA_FILE:9"});
        QVERIFY(b.Falsas.Ventanas.empty());
        QVERIFY(b.Nodo.Interfaz.Preguntas.empty());
    }

    void BloqueDanado_data() {
        QTest::addColumn<QByteArray>("paquetes");
        QTest::addColumn<int>("escritos");
        QTest::newRow("corto") << "FILE_PKT:7:" + QByteArray(2999, 'a') << 0;
        QTest::newRow("largo") << "FILE_PKT:7:" + QByteArray(3001, 'a') << 0;
        QTest::newRow("escape extraño") << "FILE_PKT:7:" + QByteArray(2998, 'a') + "\x06\x41" << 0;
        QTest::newRow("escape al final") << "FILE_PKT:7:" + QByteArray(2999, 'a') + "\x06" << 0;
        QTest::newRow("más allá del tamaño")
            << "FILE_PKT:7:" + QByteArray(3000, 'a') + "\x07" "FILE_PKT:7:" + QByteArray(3000, 'b') << 3000;
        QTest::newRow("cola con escape extraño") << QByteArray("FIN_FILE:7:ab\x06\x09", 15) << 0;
    }

    void BloqueDanado() {
        QFETCH(QByteArray, paquetes);
        QFETCH(int, escritos);
        TLado b(12, QStringLiteral("Bea"));
        b.Config().AutoAceptarFicheros = true;
        b.Config().AutoAceptarFicherosPath = b.Ruta(QStringLiteral("."));
        TPeerCrudo peer(13);
        ConectarCrudo(b, peer);
        peer.Enviar("OFRECE_FILE:7:4000:x\x07" + paquetes + "\x07");
        const QList<QByteArray> respuesta = peer.EsperarMensajes(2 + (escritos ? 1 : 0));
        QCOMPARE(respuesta.last(), QByteArray("ABORT_FILE:7"));
        QCOMPARE(b.Ventana().Fin, std::optional(TFinTransferencia::Abortado));
        QVERIFY(b.Tx.Entrantes().empty());
        QCOMPARE(Leer(b.Ruta(QStringLiteral("x"))), QByteArray(escritos, 'a'));
    }

    void DestinoQueNoSePuedeCrear() {
        TLado b(12, QStringLiteral("Bea"));
        b.Config().AutoAceptarFicheros = true;
        b.Config().AutoAceptarFicherosPath = b.Ruta(QStringLiteral("no/existe"));
        TPeerCrudo peer(13);
        ConectarCrudo(b, peer);
        peer.Enviar("OFRECE_FILE:7:10:x\x07");
        QCOMPARE(peer.EsperarMensajes(1), QList<QByteArray>{"RECHAZA_FILE:7"});
        QCOMPARE(b.Nodo.Interfaz.Errores.size(), std::size_t(1));
        QVERIFY(b.Nodo.Interfaz.Errores[0].Texto.contains(b.Ruta(QStringLiteral("no/existe/x"))));
        QVERIFY(b.Falsas.Ventanas.empty() && b.Tx.Entrantes().empty());
    }

    void FicherosQueNoSeOfrecen() {
        TLado a(11, QStringLiteral("Ana"));
        TPeerCrudo peer(13);
        ConectarCrudo(a, peer);
        a.Falsas.Fichero = a.Ruta(QStringLiteral("no-existe"));
        a.Tx.OfrecerFichero(peer.Ip);
        QFile grande(a.Ruta(QStringLiteral("grande")));
        QVERIFY(grande.open(QIODevice::WriteOnly) && grande.resize(qint64(1) << 31));
        grande.close();
        a.Falsas.Fichero = grande.fileName();
        a.Tx.OfrecerFichero(peer.Ip);
        // Only a copy of this program takes it: a peer that does not answer so is refused it.
        QTRY_COMPARE(a.Nodo.Interfaz.Errores.size(), std::size_t(2));
        QVERIFY(a.Nodo.Interfaz.Errores[0].Texto.contains(QStringLiteral("no-existe")));
        QVERIFY(a.Nodo.Interfaz.Errores[1].Texto.contains(QStringLiteral("2 GB")));
        QVERIFY(a.Falsas.Ventanas.empty());
        // One byte less still fits.
        QVERIFY(grande.resize((qint64(1) << 31) - 1));
        a.Tx.OfrecerFichero(peer.Ip);
        QCOMPARE(peer.EsperarMensajes(2),
                 (QList<QByteArray>{"XFILE?", "OFRECE_FILE:" + Id(a) + ":2147483647:grande"}));
        // Nothing is offered to a contact that is not connected.
        a.Tx.OfrecerFichero(QStringLiteral("127.0.0.99"));
        QCOMPARE(a.Falsas.Ventanas.size(), std::size_t(1));
        // Several files at once: one offer each; one that cannot be read has its error.
        a.Falsas.Ficheros = {a.Ruta(QStringLiteral("no-existe")), Escribir(a.Ruta(QStringLiteral("uno")), "1"),
                             Escribir(a.Ruta(QStringLiteral("dos")), "22")};
        a.Tx.OfrecerFichero(peer.Ip);
        QCOMPARE(peer.EsperarMensajes(4).mid(2), (QList<QByteArray>{"OFRECE_FILE:" + Id(a, 1) + ":1:uno",
                                                                  "OFRECE_FILE:" + Id(a, 2) + ":2:dos"}));
        QCOMPARE(a.Nodo.Interfaz.Errores.size(), std::size_t(3));
        a.Tx.OfrecerFicheros(QStringLiteral("127.0.0.99"), a.Falsas.Ficheros);
        QCOMPARE(a.Nodo.Interfaz.Informaciones.back().Texto, QStringLiteral("127.0.0.99 no está conectado."));
        QCOMPARE(a.Falsas.Ventanas.size(), std::size_t(3));
    }

    void FicheroQueDesapareceTrasOfrecer() {
        TLado a(11, QStringLiteral("Ana"));
        TPeerCrudo peer(13);
        ConectarCrudo(a, peer);
        OfrecerAlPeer(a, peer, QStringLiteral("f"), "abc");
        QVERIFY(QFile::remove(*a.Falsas.Fichero));
        peer.Enviar("ACEPTA_FILE:" + Id(a) + ":3:f\x07");
        QCOMPARE(peer.EsperarMensajes(2).at(1), "ABORT_FILE:" + Id(a));
        QCOMPARE(a.Ventana().Fin, std::optional(TFinTransferencia::Abortado));
        QCOMPARE(a.Nodo.Interfaz.Errores.size(), std::size_t(1));
        QVERIFY(a.Tx.Salientes().empty());
    }

    void AlFinalizarSeAbortaTodo() {
        TLado a(11, QStringLiteral("Ana"));
        a.Config().AutoAceptarFicheros = true;
        a.Config().AutoAceptarFicherosPath = a.Ruta(QStringLiteral("."));
        TPeerCrudo peer(13);
        ConectarCrudo(a, peer);
        peer.Enviar("OFRECE_FILE:501:9000:x\x07" "OFRECE_FILE:502:9000:y\x07");
        peer.EsperarMensajes(4);
        a.Falsas.Fichero = Escribir(a.Ruta(QStringLiteral("f")), "abc");
        a.Tx.OfrecerFichero(peer.Ip);
        a.Tx.OfrecerFichero(peer.Ip);
        peer.EsperarMensajes(6);
        a.Tx.AbortarTodas();
        const QList<QByteArray> mensajes = DeHoy(peer.EsperarMensajes(10));
        QCOMPARE(mensajes.mid(4), (QList<QByteArray>{"ABORT_FILE:" + Id(a, 3), "ABORT_FILE:" + Id(a, 2),
                                                     "ABORT_FILE:502", "ABORT_FILE:501"}));
        QVERIFY(a.Tx.Salientes().empty() && a.Tx.Entrantes().empty());
        for (const auto& ventana : a.Falsas.Ventanas)
            QVERIFY(!ventana->Fin);
    }

    // Started from the desktop the working folder is the home folder: an empty setting must
    // mean the download folder, never the working folder.
    void CarpetaAutomaticaVaciaEsLaDeDescargas() {
        QTemporaryDir casa, trabajo;
        const QByteArray casaAntes = qgetenv("HOME"), configAntes = qgetenv("XDG_CONFIG_HOME");
        const QString trabajoAntes = QDir::currentPath();
        const auto restaurar = qScopeGuard([&] {
            qputenv("HOME", casaAntes);
            qputenv("XDG_CONFIG_HOME", configAntes);
            QDir::setCurrent(trabajoAntes);
        });
        qputenv("HOME", QFile::encodeName(casa.path()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(casa.filePath(QStringLiteral(".config"))));
        QVERIFY(QDir::setCurrent(trabajo.path()));
        const QString descargas = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
        QVERIFY(descargas.startsWith(casa.path()) && !QFileInfo::exists(descargas));
        TLado b(12, QStringLiteral("Bea"));
        b.Config().AutoAceptarFicheros = true;
        TPeerCrudo peer(13);
        ConectarCrudo(b, peer);
        peer.Enviar("OFRECE_FILE:7:2:.bashrc\x07" "FIN_FILE:7:hi\x07");
        QCOMPARE(DeHoy(peer.EsperarMensajes(2)), QList<QByteArray>{"ACEPTA_FILE:7:2:.bashrc"});
        QTRY_VERIFY(!b.Falsas.Ventanas.empty() && b.Ventana().Fin);
        QCOMPARE(Leer(QDir(descargas).filePath(QStringLiteral(".bashrc"))), QByteArray("hi"));
        QVERIFY(QDir(trabajo.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }

    void AceptacionAutomaticaNoReemplaza_data() {
        QTest::addColumn<QByteArray>("ofrecido");
        QTest::addColumn<QStringList>("existentes");
        QTest::addColumn<QString>("escrito");
        QTest::newRow("libre") << QByteArray("libre.txt") << QStringList{} << "libre.txt";
        QTest::newRow("primera copia") << QByteArray("informe.pdf") << QStringList{"informe.pdf"}
                                       << "informe (1).pdf";
        QTest::newRow("segunda copia") << QByteArray("informe.pdf")
                                       << QStringList{"informe.pdf", "informe (1).pdf"} << "informe (2).pdf";
        QTest::newRow("sólo la última extensión") << QByteArray("a.tar.gz") << QStringList{"a.tar.gz"}
                                                  << "a.tar (1).gz";
        QTest::newRow("oculto") << QByteArray(".bashrc") << QStringList{".bashrc"} << ".bashrc (1)";
        QTest::newRow("sin extensión") << QByteArray("sin extension") << QStringList{"sin extension"}
                                       << "sin extension (1)";
        QTest::newRow("con carpetas") << QByteArray("c:\\docs\\informe.pdf") << QStringList{"informe.pdf"}
                                      << "informe (1).pdf";
    }

    void AceptacionAutomaticaNoReemplaza() {
        QFETCH(QByteArray, ofrecido);
        QFETCH(QStringList, existentes);
        QFETCH(QString, escrito);
        TLado b(12, QStringLiteral("Bea"));
        const QDir carpeta = AceptarSoloEn(b, QStringLiteral("auto"));
        for (const QString& existente : existentes)
            Escribir(carpeta.filePath(existente), "viejo");
        TPeerCrudo peer(13);
        ConectarCrudo(b, peer);
        peer.Enviar("OFRECE_FILE:7:5:" + ofrecido + "\x07" "FIN_FILE:7:nuevo\x07");
        // The peer is answered with the name it offered, whatever the file is called here.
        QCOMPARE(DeHoy(peer.EsperarMensajes(2)), QList<QByteArray>{"ACEPTA_FILE:7:5:" + ofrecido});
        QTRY_VERIFY(!b.Falsas.Ventanas.empty() && b.Ventana().Fin);
        QCOMPARE(*b.Ventana().Fin, TFinTransferencia::Finalizado);
        QCOMPARE(b.Ventana().Datos.Ruta, carpeta.filePath(escrito));
        QCOMPARE(Leer(carpeta.filePath(escrito)), QByteArray("nuevo"));
        for (const QString& existente : existentes)
            QCOMPARE(Leer(carpeta.filePath(existente)), QByteArray("viejo"));
    }

    // A link in the folder, dangling or not, is taken as a file that is there: nothing is
    // written through it to wherever it points.
    void NuncaEscribeATravesDeUnEnlace() {
        TLado b(12, QStringLiteral("Bea"));
        const QDir carpeta = AceptarSoloEn(b, QStringLiteral("auto"));
        const QString fuera = b.Ruta(QStringLiteral("fuera"));
        const QString existente = Escribir(b.Ruta(QStringLiteral("existente")), "intacto");
        QVERIFY(QFile::link(fuera, carpeta.filePath(QStringLiteral("colgante"))));
        QVERIFY(QFile::link(existente, carpeta.filePath(QStringLiteral("enlace"))));
        TPeerCrudo peer(13);
        ConectarCrudo(b, peer);
        peer.Enviar("OFRECE_FILE:7:1:colgante\x07" "FIN_FILE:7:x\x07" "OFRECE_FILE:8:1:enlace\x07" "FIN_FILE:8:y\x07");
        QTRY_VERIFY(b.Falsas.Ventanas.size() == 2 && b.Ventana(1).Fin);
        QVERIFY(!QFileInfo::exists(fuera));
        QCOMPARE(Leer(existente), QByteArray("intacto"));
        QCOMPARE(Leer(carpeta.filePath(QStringLiteral("colgante (1)"))), QByteArray("x"));
        QCOMPARE(Leer(carpeta.filePath(QStringLiteral("enlace (1)"))), QByteArray("y"));
    }

    // A BEL is legal in a Linux file name: it travels as "?" and the transfer still works.
    void NombreConBel() {
        TLado a(11, QStringLiteral("Ana"));
        TPeerCrudo peer(13);
        ConectarCrudo(a, peer);
        OfrecerAlPeer(a, peer, QStringLiteral("a\ab"), "xyz");
        QCOMPARE(peer.Mensajes(), QList<QByteArray>{"OFRECE_FILE:" + Id(a) + ":3:a?b"});
        peer.Enviar("ACEPTA_FILE:" + Id(a) + ":3:a?b\x07");
        QCOMPARE(peer.EsperarMensajes(2).at(1), "FIN_FILE:" + Id(a) + ":xyz");
    }

    // The peer was promised the offered size: growth is not sent, and a file that lost
    // bytes is aborted rather than reported finished, even with blocks read ahead.
    void FicheroQueCambiaMientrasSeEnvia_data() {
        QTest::addColumn<qint64>("tam");
        QTest::addColumn<qint64>("tamNuevo");
        QTest::newRow("crece") << qint64(4000) << qint64(4000 + 100 * 1000);
        QTest::newRow("mengua") << qint64(256 * 1024) << qint64(3500);
    }

    void FicheroQueCambiaMientrasSeEnvia() {
        QFETCH(qint64, tam);
        QFETCH(qint64, tamNuevo);
        TLado a(11, QStringLiteral("Ana"));
        TPeerCrudo peer(13);
        ConectarCrudo(a, peer);
        const QByteArray datos = Aleatorio(tam);
        OfrecerAlPeer(a, peer, QStringLiteral("f"), datos);
        peer.Enviar("ACEPTA_FILE:" + Id(a) + ":" + QByteArray::number(tam) + ":f\x07");
        QCOMPARE(peer.EsperarMensajes(2).size(), 2);
        QVERIFY(QFile::resize(*a.Falsas.Fichero, tamNuevo));
        QList<QByteArray> recibidos;
        for (int n = 3; n < 100 && (recibidos.isEmpty() || recibidos.last().startsWith("FILE_PKT:")); ++n) {
            peer.Enviar("FILE_ACK:" + Id(a) + "\x07");
            recibidos = peer.EsperarMensajes(n);
        }
        if (tamNuevo < datos.size()) {
            QCOMPARE(recibidos.last(), "ABORT_FILE:" + Id(a));
            QCOMPARE(*a.Ventana().Fin, TFinTransferencia::Abortado);
            QCOMPARE(a.Nodo.Interfaz.Errores.size(), std::size_t(1));
            return;
        }
        QByteArray esperado = "FIN_FILE:" + Id(a) + ":";
        EscaparDatos(QByteArrayView(datos).sliced(3000), esperado);
        QCOMPARE(recibidos.last(), esperado);
        QCOMPARE(*a.Ventana().Fin, TFinTransferencia::Finalizado);
    }
};

QTEST_GUILESS_MAIN(TstTransferencias)
#include "tst_transferencias.moc"
