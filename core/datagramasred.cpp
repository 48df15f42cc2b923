#include "core/datagramasred.h"

#include "core/codificacion.h"
#include "core/protocolo.h"

#include <QNetworkInterface>

std::optional<TDatagramaRed> InterpretarDatagrama(QByteArrayView datos) {
    if (datos.size() > kMaximoDatagrama || !datos.endsWith(kBel))
        return std::nullopt;
    const QByteArray mensaje = datos.chopped(1).toByteArray();
    // One message per datagram.
    if (mensaje.contains(kBel))
        return std::nullopt;
    const std::optional<TMensajeRecibido> recibido = InterpretarMensaje(mensaje);
    if (!recibido)
        return std::nullopt;
    // A question is its prefix alone: anything after it makes a malformed one.
    if (recibido->Comando == TComando::PreguntaRed && mensaje == Prefijo(TComando::PreguntaRed))
        return TDatagramaRed{true, {}};
    if (recibido->Comando == TComando::AnuncioRed)
        return TDatagramaRed{false, DecodificarTextoDePar(recibido->Carga)};
    return std::nullopt;
}

QByteArray DatagramaPregunta() {
    return Componer(TComando::PreguntaRed).append(kBel);
}

QByteArray DatagramaAnuncio(const QString& nick) {
    QByteArray datagrama = Componer(TComando::AnuncioRed, {nick});
    // Longer nicks are cut so that every copy takes the announcement.
    datagrama.truncate(kMaximoDatagrama - 1);
    return datagrama.append(kBel);
}

void TListaEncontrados::Anotar(const QString& ip, const QString& nick) {
    if (const auto previo = ordenDe_.constFind(ip); previo != ordenDe_.cend())
        porOrden_.erase(*previo);
    else if (int(porOrden_.size()) >= maximo_) {
        ordenDe_.remove(porOrden_.begin()->second.IP);
        porOrden_.erase(porOrden_.begin());
    }
    const quint64 orden = siguiente_++;
    porOrden_[orden] = TPeerEnRed{ip, nick};
    ordenDe_[ip] = orden;
}

std::vector<TPeerEnRed> TListaEncontrados::Entradas() const {
    std::vector<TPeerEnRed> entradas;
    entradas.reserve(porOrden_.size());
    for (auto it = porOrden_.crbegin(); it != porOrden_.crend(); ++it)
        entradas.push_back(it->second);
    return entradas;
}

QList<QHostAddress> DireccionesDifusion(const QHostAddress& solo) {
    QList<QHostAddress> direcciones;
    for (const QNetworkInterface& interfaz : QNetworkInterface::allInterfaces()) {
        const auto banderas = interfaz.flags();
        if (!(banderas & QNetworkInterface::IsUp) || (banderas & QNetworkInterface::IsLoopBack) ||
            !(banderas & QNetworkInterface::CanBroadcast))
            continue;
        for (const QNetworkAddressEntry& entrada : interfaz.addressEntries()) {
            const QHostAddress difusion = entrada.broadcast();
            if (entrada.ip().protocol() != QAbstractSocket::IPv4Protocol || difusion.isNull() ||
                (!solo.isNull() && entrada.ip() != solo))
                continue;
            if (!direcciones.contains(difusion))
                direcciones << difusion;
        }
    }
    return direcciones;
}
