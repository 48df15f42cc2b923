#pragma once

#include "core/mensajero.h"
#include "interfazfalsa.h"

#include <QTcpSocket>
#include <QTemporaryDir>
#include <map>
#include <memory>

class TPeerCrudo;

// Messages to compare with what arrived.
QList<QByteArray> Lista(std::initializer_list<const char*> mensajes);

// A free port of its own for each test program, chosen once and held reserved, so that
// test programs run side by side and beside a running copy of the program.
quint16 PuertoDePrueba();

// One peer of a test: a core on 127.0.0.n with the test port, its own folder and fake user.
class TNodoPrueba {
public:
    explicit TNodoPrueba(int n, const QString& nick = {}, qint64 msCruce = 5000,
                         TOpcionesReintento reintento = {});

    QString IP() const { return Ip; }
    TMensajero& M() { return *Mensajero; }
    // Adds the other node as a contact without connecting.
    TContacto* Conoce(const TNodoPrueba& otro, const QString& nick = QStringLiteral("x"));
    // Starts as the program does: listen, configuration, contact book, connect to all.
    void Arrancar();
    bool Conectado(const QString& ip) const;
    // Starts, and lets the raw peer, already in the book, connect; its greeting is read and
    // dropped. False when it did not come up.
    bool ConectarPeer(TPeerCrudo& peer);
    // Connections of this core that are up.
    int ConexionesVivas() const;
    // Holds back what arrives from that peer until Soltar, as over a slow link.
    void Retrasar(const QString& ip);
    void Soltar(const QString& ip);
    // Records every message of one command, payload as received.
    QList<QByteArray>& Grabar(TComando comando);

    QString Ip;
    // Where this core's announcements and searches go.
    QList<QHostAddress> Vecinos;
    QTemporaryDir Carpeta;
    TInterfazFalsa Interfaz;
    std::unique_ptr<TMensajero> Mensajero;
    std::map<TComando, QList<QByteArray>> Grabados;
    std::vector<TRegistroManejador> Registros;
};

// A raw peer on 127.0.0.n that writes and reads exact bytes.
class TPeerCrudo {
public:
    explicit TPeerCrudo(int n);
    bool ConectarA(const QString& ip);
    void Enviar(const QByteArray& bytes);
    // Waits until `bytes` holds at least this many BEL-terminated messages.
    QList<QByteArray> EsperarMensajes(int cuantos, int ms = 5000);
    // Everything read so far, without waiting.
    QList<QByteArray> Mensajes();

    QString Ip;
    QTcpSocket Socket;
    QByteArray Recibido;
};
