#include "nodoprueba.h"

#include "core/conexion.h"

#include <QCoreApplication>
#include <QTest>

quint16 PuertoDePrueba() {
    return quint16(20000 + qHash(QCoreApplication::applicationName()) % 20000);
}

TNodoPrueba::TNodoPrueba(int n, const QString& nick, qint64 msCruce)
    : Ip(QStringLiteral("127.0.0.%1").arg(n)) {
    TMensajero::TOpciones opciones{TRutas::EnCarpeta(Carpeta.path()), QHostAddress(Ip),
                                   PuertoDePrueba(), QHostAddress(Ip), msCruce};
    opciones.DestinosAnuncio = [this] { return Vecinos; };
    Mensajero = std::make_unique<TMensajero>(opciones, Interfaz);
    Mensajero->SembrarAzar(unsigned(n));
    Mensajero->Config().Nick = nick.isEmpty() ? QStringLiteral("nodo%1").arg(n) : nick;
}

TContacto* TNodoPrueba::Conoce(const TNodoPrueba& otro, const QString& nick) {
    return Mensajero->AnadirContacto(nick, otro.IP(), {}, false, true);
}

void TNodoPrueba::Arrancar() {
    // What the test set before starting wins over the stored settings.
    const TConfig antes = Mensajero->Config();
    QVERIFY(Mensajero->Escuchar(nullptr));
    Mensajero->CargarConfig();
    Mensajero->Config() = antes;
    Mensajero->CargarAgenda();
    Mensajero->ConectarTodos();
}

bool TNodoPrueba::Conectado(const QString& ip) const {
    const TContacto* contacto = Mensajero->BuscarContacto(ip);
    return contacto && contacto->Conectado;
}

TPeerCrudo::TPeerCrudo(int n) : Ip(QStringLiteral("127.0.0.%1").arg(n)) {
    QObject::connect(&Socket, &QTcpSocket::readyRead, [this] { Recibido += Socket.readAll(); });
}

bool TPeerCrudo::ConectarA(const QString& ip) {
    Socket.bind(QHostAddress(Ip), 0);
    Socket.connectToHost(QHostAddress(ip), PuertoDePrueba());
    return Socket.waitForConnected(5000);
}

void TPeerCrudo::Enviar(const QByteArray& bytes) {
    Socket.write(bytes);
    Socket.flush();
}

QList<QByteArray> TPeerCrudo::Mensajes() {
    QList<QByteArray> mensajes = Recibido.split(kBel);
    mensajes.removeLast();
    return mensajes;
}

QList<QByteArray> TPeerCrudo::EsperarMensajes(int cuantos, int ms) {
    (void)QTest::qWaitFor([&] { return Mensajes().size() >= cuantos; }, ms);
    return Mensajes();
}

int TNodoPrueba::ConexionesVivas() const {
    int vivas = 0;
    for (const TConexion* conexion : Mensajero->findChildren<TConexion*>()) {
        if (conexion->Conectada())
            ++vivas;
    }
    return vivas;
}

QList<QByteArray>& TNodoPrueba::Grabar(TComando comando) {
    Mensajero->RegistrarManejador(comando, [this, comando](const QString&, const TMensajeRecibido& m) {
        Grabados[comando] << m.Carga;
    });
    return Grabados[comando];
}
