#include "core/instanciaunica.h"

#include <QCryptographicHash>
#include <QLocalSocket>
#include <unistd.h>

namespace {
constexpr char kMensajeActivacion[] = "ACTIVAR";
}

QString NombreInstancia(const QString& titulo) {
    const QByteArray clave = titulo.toUtf8() + '-' + QByteArray::number(getuid());
    return QStringLiteral("tromblechatix-") +
           QString::fromLatin1(QCryptographicHash::hash(clave, QCryptographicHash::Sha1).toHex().left(16));
}

TInstanciaUnica::TInstanciaUnica(const QString& nombre, QObject* padre)
    : QObject(padre), nombre_(nombre) {
    connect(&servidor_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = servidor_.nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().contains(kMensajeActivacion))
                    emit Activacion();
            });
        }
    });
}

bool TInstanciaUnica::AvisarOtra() {
    QLocalSocket socket;
    socket.connectToServer(nombre_);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(kMensajeActivacion);
    socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return true;
}

bool TInstanciaUnica::Escuchar() {
    // A copy that crashed leaves its socket file behind; nobody answered on it.
    QLocalServer::removeServer(nombre_);
    return servidor_.listen(nombre_);
}
