#include "red/comprobacion.h"

#include "core/mensajero.h"

#include <QNetworkInterface>

TResultadoComprobacion ResultadoDeError(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return TResultadoComprobacion::Rechazada;
    case QAbstractSocket::NetworkError:
    case QAbstractSocket::HostNotFoundError:
    case QAbstractSocket::SocketAccessError:
    case QAbstractSocket::UnsupportedSocketOperationError:
        return TResultadoComprobacion::SinRuta;
    default:
        return TResultadoComprobacion::SinRespuesta;
    }
}

QStringList DireccionesPropias(const QHostAddress& escucha) {
    if (escucha != QHostAddress::AnyIPv4)
        return {escucha.toString()};
    QStringList propias;
    for (const QHostAddress& direccion : QNetworkInterface::allAddresses()) {
        if (direccion.protocol() == QAbstractSocket::IPv4Protocol && !direccion.isLoopback())
            propias << direccion.toString();
    }
    return propias;
}

QString TextoComprobacion(TResultadoComprobacion resultado, const TDatosComprobacion& datos) {
    const QString ip = datos.IP;
    const QString puerto = QString::number(datos.Puerto);
    QString texto;
    switch (resultado) {
    case TResultadoComprobacion::Rechazada:
        texto = u"El equipo con la dirección IP " + ip + u" responde, pero nada escucha en el puerto TCP " +
                puerto + u": probablemente Tromblechatix no se está ejecutando allí.";
        break;
    case TResultadoComprobacion::SinRespuesta:
        texto = u"El equipo con la dirección IP " + ip + u" no ha respondido en " +
                QString::number(datos.Segundos) +
                u" segundos: puede que esté apagado, que esté en otra red o que un cortafuegos allí "
                u"bloquee el puerto TCP " + puerto + u'.';
        break;
    case TResultadoComprobacion::SinRuta:
        texto = u"Este equipo no puede llegar a la dirección IP " + ip + u'.';
        break;
    case TResultadoComprobacion::Conectada:
        texto = u"Tromblechatix responde en la dirección IP " + ip + u". El contacto se conecta ahora.";
        break;
    case TResultadoComprobacion::NoAdmitida:
        texto =
            u"Tromblechatix responde en la dirección IP " + ip +
            u", pero rechaza la conexión: puede que su usuario no la haya aceptado o que no admita "
            u"equipos que no están en su Agenda.";
        break;
    case TResultadoComprobacion::SinAceptar:
        texto = u"Tromblechatix responde en la dirección IP " + ip +
                u", pero no ha aceptado la conexión en " + QString::number(datos.Segundos) +
                u" segundos: puede que su usuario aún tenga que aceptarla.";
        break;
    case TResultadoComprobacion::EsteEquipo:
        texto = u"La dirección IP " + ip + u" pertenece a este equipo: es este mismo Tromblechatix.";
        break;
    }
    if (datos.Propias.isEmpty())
        texto += u"\n\nEste equipo no tiene ninguna dirección IP en la red local.";
    else if (datos.Propias.size() == 1)
        texto += u"\n\nLa dirección IP de este equipo es " + datos.Propias.front() + u'.';
    else
        texto += u"\n\nLas direcciones IP de este equipo son " + datos.Propias.join(u", ") + u'.';
    // Only when the other end was never reached can this computer's firewall be the cause.
    const bool sinAlcanzar = resultado == TResultadoComprobacion::Rechazada ||
                             resultado == TResultadoComprobacion::SinRespuesta ||
                             resultado == TResultadoComprobacion::SinRuta;
    if (sinAlcanzar && datos.NadieHaEntrado)
        texto += u"\n\nNingún equipo se ha conectado a este desde que se inició Tromblechatix: puede "
                 u"que el cortafuegos de este equipo bloquee las conexiones TCP entrantes al puerto " +
                 puerto + u'.';
    return texto;
}

TComprobacion::TComprobacion(TMensajero& mensajero, QString ip, int msLimite, TIntentar intentar)
    : QObject(&mensajero), mensajero_(mensajero), ip_(std::move(ip)), msLimite_(msLimite),
      intentar_(intentar ? std::move(intentar) : [&mensajero](const QString& ip) { mensajero.ConectarDeNuevo(ip); }) {
    limite_.setSingleShot(true);
    connect(&limite_, &QTimer::timeout, this, [this] {
        Terminar(arriba_ ? TResultadoComprobacion::SinAceptar
                         : TResultadoComprobacion::SinRespuesta);
    });
    // Coming up is not enough: a copy that refuses us takes the connection and closes it.
    connect(&mensajero_, &TMensajero::SalienteArriba, this, [this](const QString& ip) {
        if (ip == ip_)
            arriba_ = true;
    });
    connect(&mensajero_, &TMensajero::ParRespondio, this, [this](const QString& ip) {
        if (ip == ip_)
            Terminar(TResultadoComprobacion::Conectada);
    });
    connect(&mensajero_, &TMensajero::SalienteRechazada, this, [this](const QString& ip) {
        if (ip == ip_)
            Terminar(TResultadoComprobacion::NoAdmitida);
    });
    connect(&mensajero_, &TMensajero::SalienteFallida, this,
            [this](const QString& ip, QAbstractSocket::SocketError error) {
                if (ip == ip_)
                    Terminar(ResultadoDeError(error));
            });
    connect(&mensajero_, &TMensajero::EsEsteMismoPrograma, this, [this](const QString& ip) {
        if (ip == ip_)
            Terminar(TResultadoComprobacion::EsteEquipo);
    });
}

void TComprobacion::Empezar() {
    QHostAddress direccion;
    if (!direccion.setAddress(ip_) || direccion.protocol() != QAbstractSocket::IPv4Protocol) {
        Terminar(TResultadoComprobacion::SinRuta);
        return;
    }
    const TContacto* contacto = mensajero_.BuscarContacto(ip_);
    if (contacto && contacto->Conectado) {
        Terminar(TResultadoComprobacion::Conectada);
        return;
    }
    limite_.start(msLimite_);
    intentar_(ip_);
}

void TComprobacion::Terminar(TResultadoComprobacion resultado) {
    if (std::exchange(terminada_, true))
        return;
    limite_.stop();
    // Outcomes arrive inside socket signals: the box waits for the event loop.
    QMetaObject::invokeMethod(
        this,
        [this, resultado] {
            const TDatosComprobacion datos{ip_, mensajero_.Opciones().Puerto,
                                           (msLimite_ + 999) / 1000,
                                           DireccionesPropias(mensajero_.Opciones().Escucha),
                                           !mensajero_.HaRecibidoConexiones()};
            emit Terminada(resultado);
            mensajero_.Proteger([&] {
                mensajero_.Interfaz().MostrarInformacion(QStringLiteral("Comprobar conexión"),
                                                         TextoComprobacion(resultado, datos));
            });
            deleteLater();
        },
        Qt::QueuedConnection);
}
