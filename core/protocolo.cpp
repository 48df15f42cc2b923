#include "core/protocolo.h"

#include "core/codificacion.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

enum class TForma { Texto, Numero, Ninguna };

struct TEntrada {
    const char* Prefijo;
    TComando Comando;
    TForma Forma;
};

// The order matters: "ENROUTE_CHAT:" and "ROUTE_CHAT:" must be tried before "CHAT:".
constexpr std::array<TEntrada, kNumeroComandos> kTabla = {{
    {"ENROUTE_CHAT:", TComando::EnrouteChat, TForma::Texto},
    {"ROUTE_CHAT:", TComando::RouteChat, TForma::Texto},
    {"CHAT:", TComando::Chat, TForma::Texto},
    {"FILE_PKT:", TComando::FilePkt, TForma::Texto},
    {"FILE_ACK:", TComando::FileAck, TForma::Numero},
    {"PIDE_JOINCHAT:", TComando::PideJoinChat, TForma::Numero},
    {"PART_CHAT:", TComando::PartChat, TForma::Numero},
    {"ACEPTA_JOINCHAT:", TComando::AceptaJoinChat, TForma::Numero},
    {"ERROR_JOINCHAT:", TComando::ErrorJoinChat, TForma::Numero},
    {"OFRECE_JOINCHAT:", TComando::OfreceJoinChat, TForma::Texto},
    {"CHATSRVMSG:", TComando::ChatSrvMsg, TForma::Texto},
    {"OFRECE_FILE:", TComando::OfreceFile, TForma::Texto},
    {"RECHAZA_FILE:", TComando::RechazaFile, TForma::Numero},
    {"ACEPTA_FILE:", TComando::AceptaFile, TForma::Texto},
    {"FIN_FILE:", TComando::FinFile, TForma::Texto},
    {"ABORT_FILE:", TComando::AbortFile, TForma::Numero},
    {"NICK:", TComando::Nick, TForma::Texto},
    {"EMAIL:", TComando::EMail, TForma::Texto},
    {"NICK?", TComando::PreguntaNick, TForma::Ninguna},
    {"EMAIL?", TComando::PreguntaEMail, TForma::Ninguna},
    {"FLASH:", TComando::Flash, TForma::Texto},
    {"XFILE_PUEDE:", TComando::XFilePuede, TForma::Texto},
    {"XFILE_USA:", TComando::XFileUsa, TForma::Texto},
    {"XFILE_PKT:", TComando::XFilePkt, TForma::Texto},
    {"XFILE_ACK:", TComando::XFileAck, TForma::Texto},
    {"XFILE_FIN:", TComando::XFileFin, TForma::Texto},
    {"XFILE_OK:", TComando::XFileOk, TForma::Numero},
    {"XFILE_OFRECE:", TComando::XFileOfrece, TForma::Texto},
    {"XFILE?", TComando::PreguntaXFile, TForma::Ninguna},
    {"XFILE:", TComando::RespuestaXFile, TForma::Texto},
    {"HOLA_RED?", TComando::PreguntaRed, TForma::Ninguna},
    {"HOLA_RED:", TComando::AnuncioRed, TForma::Texto},
}};

QByteArrayView PrefijoDe(TComando comando) {
    for (const TEntrada& entrada : kTabla) {
        if (entrada.Comando == comando)
            return entrada.Prefijo;
    }
    return {};
}

} // namespace

QByteArray EncolarRecibido(QByteArrayView bytes, const QString& ip, TColaRecibidos& cola) {
    qsizetype inicio = 0;
    for (qsizetype bel = bytes.indexOf(kBel); bel >= 0; bel = bytes.indexOf(kBel, inicio)) {
        cola.push_back({ip, bytes.sliced(inicio, bel - inicio).toByteArray()});
        inicio = bel + 1;
    }
    return bytes.sliced(inicio).toByteArray();
}

bool TTramador::Agregar(QByteArrayView nuevos, const QString& ip, TColaRecibidos& cola) {
    // A long message arrives in many reads: only the read that ends it is cut, and what
    // waited is handed to the queue rather than copied.
    const qsizetype bel = nuevos.indexOf(kBel);
    if (bel < 0) {
        pendiente_.append(nuevos);
    } else if (pendiente_.isEmpty()) {
        pendiente_ = EncolarRecibido(nuevos, ip, cola);
    } else {
        pendiente_.append(nuevos.first(bel));
        cola.push_back({ip, std::exchange(pendiente_, {})});
        pendiente_ = EncolarRecibido(nuevos.sliced(bel + 1), ip, cola);
    }
    return pendiente_.size() <= kMaximoPendiente;
}

std::optional<TMensajeRecibido> InterpretarMensaje(QByteArray mensaje) {
    for (const TEntrada& entrada : kTabla) {
        const QByteArrayView prefijo(entrada.Prefijo);
        if (!mensaje.startsWith(prefijo))
            continue;
        TMensajeRecibido recibido{entrada.Comando, {}, 0};
        if (entrada.Forma == TForma::Ninguna)
            return recibido;
        recibido.Carga = std::move(mensaje);
        recibido.Carga.remove(0, prefijo.size());
        if (entrada.Forma == TForma::Texto)
            return recibido;
        const std::optional<qint64> numero = LeerNumero(recibido.Carga, INT32_MIN, INT32_MAX);
        if (!numero)
            return std::nullopt;
        recibido.Numero = int(*numero);
        return recibido;
    }
    return std::nullopt;
}

QByteArray Prefijo(TComando comando) { return PrefijoDe(comando).toByteArray(); }

void TCampo::AnadirA(QByteArray& destino) const {
    const qsizetype inicio = destino.size();
    if (const auto* numero = std::get_if<qint64>(&valor_))
        destino.append(Numero(*numero));
    else if (const auto* texto = std::get_if<QStringView>(&valor_))
        destino.append(CodificarCp1252(*texto));
    else if (const auto* escrito = std::get_if<TEscrito>(&valor_))
        escrito->Escribir(escrito->Datos, destino);
    else
        destino.append(std::get<QByteArrayView>(valor_));
    if (QByteArrayView(destino).sliced(inicio).contains(kBel))
        std::replace(destino.begin() + inicio, destino.end(), kBel, '?');
}

void Componer(QByteArray& destino, TComando comando, std::initializer_list<TCampo> campos) {
    destino.resize(0);
    destino.append(PrefijoDe(comando));
    bool primero = true;
    for (const TCampo& campo : campos) {
        if (!primero)
            destino += ':';
        primero = false;
        campo.AnadirA(destino);
    }
}

QString ComoLlega(const QString& texto) {
    QByteArray campo;
    TCampo(texto).AnadirA(campo);
    return DecodificarCp1252(campo);
}

QByteArray Componer(TComando comando, std::initializer_list<TCampo> campos) {
    QByteArray mensaje;
    Componer(mensaje, comando, campos);
    return mensaje;
}

std::optional<qint64> LeerNumero(QByteArrayView texto, qint64 minimo, qint64 maximo) {
    const bool negativo = texto.startsWith('-');
    if (negativo || texto.startsWith('+'))
        texto = texto.sliced(1);
    if (texto.isEmpty())
        return std::nullopt;
    // Past 18 digits a qint64 could overflow; no field of ours needs that many.
    constexpr qint64 kTope = 999'999'999'999'999'999;
    qint64 valor = 0;
    for (const char c : texto) {
        if (c < '0' || c > '9' || valor > kTope / 10)
            return std::nullopt;
        valor = valor * 10 + (c - '0');
    }
    if (negativo)
        valor = -valor;
    if (valor < minimo || valor > maximo)
        return std::nullopt;
    return valor;
}
