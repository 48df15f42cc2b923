#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QList>

#include "core/protocolo.h"

class QTcpSocket;

// One TCP connection with a peer, either accepted (Entrante) or opened by us (Saliente).
// It keeps the bytes after the last BEL of a read until the next read, and holds the
// messages of a peer that is not admitted yet.
class TConexion : public QObject {
    Q_OBJECT
public:
    enum class TTipo { Entrante, Saliente };

    TConexion(QTcpSocket* socket, TTipo tipo, QObject* padre);

    TTipo Tipo() const { return tipo_; }
    QString IPRemota() const { return ipRemota_; }
    bool Conectada() const;
    // An outbound attempt still under way.
    bool Intentando() const;
    // Milliseconds since the connection came up.
    qint64 MsArriba() const { return arriba_.isValid() ? arriba_.elapsed() : 0; }
    // Whether the peer with the lower address opened it.
    bool AbiertaPorDireccionMenor() const;
    // Whether the peer has sent a whole message on it.
    bool Recibio() const { return recibio_; }
    const QTcpSocket& Socket() const { return *socket_; }

    // Starts an outbound connection; false when the address is not numeric IPv4.
    bool Conectar(const QString& ip, quint16 puerto, const QHostAddress& origen);
    // The message and its BEL in one write; an attempt under way keeps it until it is up;
    // nothing when neither up nor coming up.
    void Escribir(const QByteArray& mensaje);
    // Messages kept by an attempt that has not come up, handed over to go another way.
    QList<QByteArray> TomarEnEspera();
    // Queues every message completed by what is available now and keeps the rest for the
    // next read; false when the peer has sent too much without a BEL. While the peer waits
    // for admission its messages are held here instead, within the same bound.
    bool Leer(TColaRecibidos& cola);
    // Waits until the peer's side has taken everything written so far, or until `limite`;
    // false when time ran out first.
    bool EsperarEnvio(const QDeadlineTimer& limite);
    bool Admitida() const { return admitida_; }
    void Retener() { admitida_ = false; }
    // Admits the peer: what it sent meanwhile joins the queue, in order.
    void Admitir(TColaRecibidos& cola);
    // Closes without a local disconnection event; the peer sees it close.
    void Liberar();

signals:
    void Arriba(TConexion* conexion);
    void Abajo(TConexion* conexion);
    void Datos(TConexion* conexion);
    // An outbound attempt that failed before coming up.
    void Fallida(TConexion* conexion);

private:
    void MarcarArriba();
    void AvisarAbajo();
    bool Enmarcar(QByteArrayView leidos, TColaRecibidos& cola);
    void Transmitir(const QByteArray& mensaje);
    bool EnviarDirecto(const QByteArray& mensaje);
    void CerrarTrasFallo();

    QTcpSocket* socket_;
    TTipo tipo_;
    QString ipRemota_;
    TTramador tramador_;
    QElapsedTimer arriba_;
    QList<QByteArray> enEspera_;
    bool admitida_ = true;
    TColaRecibidos retenidos_;
    qsizetype bytesRetenidos_ = 0;
    bool recibio_ = false;
    // An unbuffered socket finds the peer gone on a read, and Qt does not say it then.
    bool finLeido_ = false;
    bool abajo_ = false;
};
