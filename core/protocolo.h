#pragma once

// The peer protocol on TCP port 5777. Every message is Windows-1252 text followed by one BEL:
//
//   mensaje  := prefijo carga BEL
//   prefijo  := upper-case command ending in ":" (or "?" for a query)
//   carga    := fields separated by ":", lists by ","; the last field runs to the end
//
// No length, no header; only file data is escaped (by the transfer layer), so a BEL always
// ends a message.
//
// Between two copies of this program a transfer can use the extended mode. Its messages have
// prefixes no other peer knows, so another peer drops them unread; the receiver states what
// it takes before its acceptance, the sender what it uses before its first block, both on the
// connection of the offer. Numbers are decimal, sizes and counts 64-bit:
//
//   XFILE_PUEDE:id:vuelo:bloque:tengo:resumen   receiver -> sender, right before ACEPTA_FILE:
//       at most `vuelo` bytes unacknowledged, blocks of at most `bloque` bytes; `tengo` bytes of
//       an interrupted transfer held, `resumen` their SHA-256 in hex (empty when tengo is 0)
//   XFILE_USA:id:vuelo:bloque:desde             sender -> receiver, before the first block:
//       the limits it keeps to, and the offset it sends from (`tengo` when the held part
//       matches its file, 0 otherwise)
//   XFILE_PKT:id:data                           sender -> receiver, 1..bloque bytes, escaped
//   XFILE_ACK:id:bytes                          receiver -> sender, bytes written in all
//   XFILE_FIN:id:resumen                        sender -> receiver, SHA-256 of the whole file
//   XFILE_OK:id                                 receiver -> sender, the file checked
//   XFILE_OFRECE:id:size:name                   an offer of 2 GiB or more, answered as OFRECE_FILE:
//   XFILE?                                      does the peer take the extended mode?
//   XFILE:vuelo:bloque                          yes, within these limits
//
// Without XFILE_PUEDE: before the acceptance, or XFILE_USA: before the first block, the
// transfer is stop and wait as with every other peer. A mismatching XFILE_FIN: is answered
// with ABORT_FILE:. A transfer cut by a lost connection is offered again, under its id, when
// the contact is back; one that ended meanwhile at the receiver (checked, or aborted there) is
// answered with XFILE_OK: or ABORT_FILE: instead of an acceptance. One aborted at the sender
// while the contact was away is not offered again: its ABORT_FILE: goes out when it is back.

#include <QByteArray>
#include <QString>
#include <array>
#include <concepts>
#include <deque>
#include <initializer_list>
#include <optional>
#include <variant>

constexpr char kBel = '\x07';
constexpr quint16 kPuertoMensajero = 5777;
// A peer that sends this much without a BEL is cut off.
constexpr qsizetype kMaximoPendiente = 16 * 1024 * 1024;

struct TItemMsgRcv {
    QString IP;          // the connection's remote end, dotted decimal
    QByteArray Mensaje;  // without its BEL
};

using TColaRecibidos = std::deque<TItemMsgRcv>;

// Appends one item per BEL-terminated message of `bytes` to the queue and returns the bytes
// after the last BEL, which belong in front of the connection's next read.
QByteArray EncolarRecibido(QByteArrayView bytes, const QString& ip, TColaRecibidos& cola);

// Cuts one connection's byte stream into messages, keeping the bytes after the last BEL
// until the read that completes them.
class TTramador {
public:
    // Queues every message completed by `nuevos`; false once the peer has sent more than
    // kMaximoPendiente bytes without a BEL.
    bool Agregar(QByteArrayView nuevos, const QString& ip, TColaRecibidos& cola);
    qsizetype Pendientes() const { return pendiente_.size(); }

private:
    QByteArray pendiente_;
};

// The commands, in the order the dispatcher tries their prefixes.
enum class TComando {
    EnrouteChat,
    RouteChat,
    Chat,
    FilePkt,
    FileAck,
    PideJoinChat,
    PartChat,
    AceptaJoinChat,
    ErrorJoinChat,
    OfreceJoinChat,
    ChatSrvMsg,
    OfreceFile,
    RechazaFile,
    AceptaFile,
    FinFile,
    AbortFile,
    Nick,
    EMail,
    PreguntaNick,
    PreguntaEMail,
    Flash,
    // The extended transfer mode, between copies of this program.
    XFilePuede,
    XFileUsa,
    XFilePkt,
    XFileAck,
    XFileFin,
    XFileOk,
    XFileOfrece,
    PreguntaXFile,
    RespuestaXFile,
    // Datagrams of the local network search, never sent on a connection.
    PreguntaRed,
    AnuncioRed,
};
constexpr std::size_t kNumeroComandos = std::size_t(TComando::AnuncioRed) + 1;

struct TMensajeRecibido {
    TComando Comando;
    QByteArray Carga;  // everything after the prefix; empty for the queries
    int Numero = 0;    // the payload as a number, for the numeric commands
};

// The first prefix that matches, case-sensitively, in table order; none for an unmatched
// message or for a numeric command whose payload is not a 32-bit decimal (LeerNumero).
// Taken by value: a message handed over whole keeps its bytes as the payload, uncopied.
std::optional<TMensajeRecibido> InterpretarMensaje(QByteArray mensaje);

// The prefix a command is sent with.
QByteArray Prefijo(TComando comando);

// --- Composing: every outgoing message is built here ---
//
//   Componer(TComando::Chat, {id, color, nick, texto})  ->  CHAT:id:color:nick:texto
//
// The command's prefix, then the fields joined by ":". A number travels in decimal; a QString
// through Windows-1252 (a character outside the code page becomes "?"); bytes are taken as
// they are (file data already escaped, a name exactly as a peer sent it). In every field a
// BEL becomes "?", so no field can end the message early or smuggle in a command. The BEL
// that ends the message is added by the connection. A field refers to its value, so it
// lives only within the call that composes it.
class TCampo {
public:
    // A char would pass for a number: write it as text or bytes.
    template <std::integral T>
        requires(!std::same_as<T, char>)
    TCampo(T numero) : valor_(qint64(numero)) {}
    TCampo(const QString& texto) : valor_(QStringView(texto)) {}
    TCampo(QStringView texto) : valor_(texto) {}
    TCampo(const QByteArray& bytes) : valor_(QByteArrayView(bytes)) {}
    TCampo(QByteArrayView bytes) : valor_(bytes) {}
    TCampo(const char* bytes) : valor_(QByteArrayView(bytes)) {}
    // Bytes that `escribir` appends in a form of its own (escaped file data), straight into
    // the message: a block is not built apart and copied in.
    using TEscritor = void (*)(QByteArrayView datos, QByteArray& destino);
    TCampo(QByteArrayView datos, TEscritor escribir) : valor_(TEscrito{datos, escribir}) {}

    void AnadirA(QByteArray& destino) const;

private:
    struct TEscrito {
        QByteArrayView Datos;
        TEscritor Escribir;
    };
    std::variant<qint64, QStringView, QByteArrayView, TEscrito> valor_;
};

QByteArray Componer(TComando comando, std::initializer_list<TCampo> campos = {});
// The same into `destino`, keeping its capacity: for messages sent over and over (file blocks).
void Componer(QByteArray& destino, TComando comando, std::initializer_list<TCampo> campos);

// A text field as a peer reads it: through Windows-1252, a BEL as "?". What this copy shows
// of its own words matches what the others see.
QString ComoLlega(const QString& texto);

// Decimal text of a number, as every numeric field travels.
inline QByteArray Numero(qint64 valor) { return QByteArray::number(valor); }

// --- Reading fields ---

// The one reader of numeric fields: an optional sign and decimal digits, nothing else (no
// space, no NUL, no trailing junk), within [minimo, maximo]. Ids: LeerNumero(campo, 0,
// INT32_MAX). Chat colours travel unsigned, LeerNumero(campo, 0, UINT32_MAX) without a sign;
// a line whose colour does not read so is shown in the reader's own text colour.
std::optional<qint64> LeerNumero(QByteArrayView texto, qint64 minimo, qint64 maximo);

// The first N - 1 fields of a payload, each up to its ":", and the rest as the last field,
// which may hold ":" itself. None when the payload has fewer than N - 1 ":".
//
//   if (const auto campos = PartirCampos<3>(carga)) { const auto& [id, tam, nombre] = *campos; }
template <std::size_t N>
std::optional<std::array<QByteArrayView, N>> PartirCampos(QByteArrayView carga) {
    static_assert(N > 0);
    std::array<QByteArrayView, N> campos;
    for (std::size_t i = 0; i + 1 < N; ++i) {
        const qsizetype dosPuntos = carga.indexOf(':');
        if (dosPuntos < 0)
            return std::nullopt;
        campos[i] = carga.first(dosPuntos);
        carga = carga.sliced(dosPuntos + 1);
    }
    campos[N - 1] = carga;
    return campos;
}
