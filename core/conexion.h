#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>

#include "core/protocolo.h"

class QTcpSocket;

// One TCP connection with a peer, either accepted (Entrante) or opened by us (Saliente).
// It keeps the bytes after the last BEL of a read until the next read.
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

    // Starts an outbound connection; false when the address is not numeric IPv4.
    bool Conectar(const QString& ip, quint16 puerto, const QHostAddress& origen);
    // The message and its BEL in one write; nothing when neither up nor coming up.
    void Escribir(const QByteArray& mensaje);
    // Queues every message completed by what is available now and keeps the rest for the
    // next read; false when the peer has sent too much without a BEL.
    bool Leer(TColaRecibidos& cola);
    // Waits until the peer's side has taken everything written so far, or until `limite`;
    // false when time ran out first.
    bool EsperarEnvio(const QDeadlineTimer& limite);
    // Closes without a local disconnection event; the peer sees it close.
    void Liberar();

signals:
    void Arriba(TConexion* conexion);
    void Abajo(TConexion* conexion);
    void Datos(TConexion* conexion);

private:
    void MarcarArriba();

    QTcpSocket* socket_;
    TTipo tipo_;
    QString ipRemota_;
    TTramador tramador_;
    QElapsedTimer arriba_;
};
