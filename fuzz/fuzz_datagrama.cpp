// Discovery datagrams: exactly the two well-formed messages are taken, an announced nick holds
// no control character and composes back into the datagram it came from, and the list of
// copies heard keeps the newest distinct addresses, newest first.
#include "comprobar.h"
#include "core/datagramasred.h"
#include "core/protocolo.h"

#include <QHash>
#include <algorithm>

namespace {

constexpr int kMaximo = 8;

void ComprobarDatagrama(const QByteArray& datos, const std::optional<TDatagramaRed>& datagrama) {
    const QByteArray anuncio = Prefijo(TComando::AnuncioRed);
    const bool bienFormado =
        datos.size() <= kMaximoDatagrama && datos.endsWith(kBel) && datos.count(kBel) == 1;
    const bool pregunta = datos == DatagramaPregunta();
    COMPROBAR(datagrama.has_value() == (pregunta || (bienFormado && datos.startsWith(anuncio))));
    if (!datagrama)
        return;
    COMPROBAR(datagrama->Pregunta == pregunta);
    if (pregunta)
        return;
    for (const QChar caracter : datagrama->Nick)
        COMPROBAR(caracter.unicode() >= 32 && caracter.unicode() != 127);
    QByteArray limpio = datos;
    for (char& byte : limpio) {
        if ((byte >= 0 && byte < 32) || byte == 127)
            byte = ' ';
    }
    limpio.back() = kBel;
    COMPROBAR(DatagramaAnuncio(datagrama->Nick) == limpio);
}

} // namespace

// Each record: one byte naming one of 16 addresses, one byte of length, then that many bytes
// of datagram.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
    const QByteArray entrada = Bytes(datos, tam);
    TListaEncontrados lista(kMaximo);
    QHash<QString, std::pair<qsizetype, QString>> ultimo; // address -> when, nick
    for (qsizetype i = 0; i + 2 <= entrada.size();) {
        const QString ip = QStringLiteral("10.0.0.%1").arg(quint8(entrada[i]) % 16);
        const qsizetype largo = std::min<qsizetype>(quint8(entrada[i + 1]), entrada.size() - i - 2);
        const QByteArray datagrama = entrada.sliced(i + 2, largo);
        const std::optional<TDatagramaRed> leido = InterpretarDatagrama(datagrama);
        ComprobarDatagrama(datagrama, leido);
        if (leido && !leido->Pregunta) {
            lista.Anotar(ip, leido->Nick);
            ultimo[ip] = {i, leido->Nick};
        }
        i += 2 + largo;
    }
    std::vector<std::pair<qsizetype, TPeerEnRed>> esperadas;
    for (auto it = ultimo.cbegin(); it != ultimo.cend(); ++it)
        esperadas.push_back({it->first, TPeerEnRed{it.key(), it->second}});
    std::sort(esperadas.begin(), esperadas.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    const std::vector<TPeerEnRed> entradas = lista.Entradas();
    COMPROBAR(int(entradas.size()) == std::min<int>(int(esperadas.size()), kMaximo));
    COMPROBAR(lista.Numero() == int(entradas.size()));
    for (std::size_t n = 0; n < entradas.size(); ++n)
        COMPROBAR(entradas[n].IP == esperadas[n].second.IP &&
                  entradas[n].Nick == esperadas[n].second.Nick);
    return 0;
}
