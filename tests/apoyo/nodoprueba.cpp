#include "nodoprueba.h"

#include "core/conexion.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTest>

namespace {

// Below the range the system hands out to outbound sockets, so no connection of another
// program takes the port between the test's start and its listening.
constexpr int kPrimerPuerto = 20000;
constexpr int kUltimoPuerto = 32767;
// Held for the whole program on an address no test listens on: another test program that
// looks for a free port sees this one taken.
const QHostAddress kReserva(QStringLiteral("127.0.0.250"));

// Nothing is bound to the port on any address.
bool Libre(quint16 puerto) {
    QTcpServer prueba;
    return prueba.listen(QHostAddress::AnyIPv4, puerto);
}

quint16 ReservarPuerto() {
    const int tramo = kUltimoPuerto - kPrimerPuerto + 1;
    const int inicio = int(QCoreApplication::applicationPid() % tramo);
    for (int i = 0; i < tramo; ++i) {
        const auto puerto = quint16(kPrimerPuerto + (inicio + i) % tramo);
        if (!Libre(puerto))
            continue;
        auto* reserva = new QTcpServer(QCoreApplication::instance());
        if (reserva->listen(kReserva, puerto))
            return puerto;
        delete reserva;
    }
    qFatal("no free port for the tests");
}

} // namespace

quint16 PuertoDePrueba() {
    static const quint16 puerto = ReservarPuerto();
    return puerto;
}

TNodoPrueba::TNodoPrueba(int n, const QString& nick, qint64 msCruce, TOpcionesReintento reintento)
    : Ip(QStringLiteral("127.0.0.%1").arg(n)) {
    TMensajero::TOpciones opciones{TRutas::EnCarpeta(Carpeta.path()), QHostAddress(Ip),
                                   PuertoDePrueba(), QHostAddress(Ip), msCruce};
    opciones.DestinosAnuncio = [this] { return Vecinos; };
    opciones.Reintento = reintento;
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

bool TNodoPrueba::ConectarPeer(TPeerCrudo& peer) {
    Arrancar();
    const bool conectado =
        peer.ConectarA(Ip) && QTest::qWaitFor([&] { return Conectado(peer.Ip); }, 5000);
    peer.EsperarMensajes(2);
    peer.Recibido.clear();
    return conectado;
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

void TNodoPrueba::Retrasar(const QString& ip) {
    for (TConexion* conexion : Mensajero->findChildren<TConexion*>()) {
        if (conexion->IPRemota() == ip)
            conexion->blockSignals(true);
    }
}

void TNodoPrueba::Soltar(const QString& ip) {
    for (TConexion* conexion : Mensajero->findChildren<TConexion*>()) {
        if (conexion->IPRemota() == ip && conexion->signalsBlocked()) {
            conexion->blockSignals(false);
            Mensajero->ServerSocketClientRead(conexion);
        }
    }
}

QList<QByteArray>& TNodoPrueba::Grabar(TComando comando) {
    Registros.push_back(Mensajero->RegistrarManejador(
        comando, [this, comando](const QString&, const TMensajeRecibido& m) {
            Grabados[comando] << m.Carga;
        }));
    return Grabados[comando];
}

QList<QByteArray> Lista(std::initializer_list<const char*> mensajes) {
    QList<QByteArray> lista;
    for (const char* m : mensajes)
        lista << QByteArray(m);
    return lista;
}
