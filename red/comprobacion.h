#pragma once

#include <QAbstractSocket>
#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

class TMensajero;

// Rechazada: nothing listens there. NoAdmitida: a copy took the connection and closed it without
// a word. SinAceptar: a copy took it and said nothing before the time ran out.
enum class TResultadoComprobacion {
    Rechazada,
    SinRespuesta,
    SinRuta,
    Conectada,
    EsteEquipo,
    NoAdmitida,
    SinAceptar
};

// What a failed attempt says about the other end.
TResultadoComprobacion ResultadoDeError(QAbstractSocket::SocketError error);

// This computer's addresses to give to others: the one it listens on, or, listening on every
// address, its IPv4 addresses on its networks, the loopback ones left out.
QStringList DireccionesPropias(const QHostAddress& escucha);

struct TDatosComprobacion {
    QString IP;
    quint16 Puerto = 5777;
    int Segundos = 5;
    QStringList Propias;       // this computer's addresses
    bool NadieHaEntrado = false;  // no peer has connected here since the start
};

// The explanation shown once the check is over.
QString TextoComprobacion(TResultadoComprobacion resultado, const TDatosComprobacion& datos);

// "Comprobar conexión" for one contact: one attempt through the usual connection path, up
// to a time limit, without blocking; then a box explains the outcome. It frees itself.
class TComprobacion : public QObject {
    Q_OBJECT
public:
    using TIntentar = std::function<void(const QString& ip)>;

    // `intentar` starts the attempt; the core's own by default.
    TComprobacion(TMensajero& mensajero, QString ip, int msLimite = 5000, TIntentar intentar = {});

    void Empezar();

signals:
    void Terminada(TResultadoComprobacion resultado);

private:
    void Terminar(TResultadoComprobacion resultado);

    TMensajero& mensajero_;
    QString ip_;
    int msLimite_;
    TIntentar intentar_;
    QTimer limite_;
    bool arriba_ = false;
    bool terminada_ = false;
};
