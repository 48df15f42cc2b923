#pragma once

// The peer protocol on TCP port 5777. Every message is Windows-1252 text followed by one BEL:
//
//   mensaje  := prefijo carga BEL
//   prefijo  := upper-case command ending in ":" (or "?" for a query)
//   carga    := fields separated by ":", lists by ","; the last field runs to the end
//
// No length, no header; only file data is escaped (by the transfer layer), so a BEL always
// ends a message.

#include <QByteArray>
#include <QString>
#include <deque>
#include <optional>

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
    bool Agregar(const QByteArray& nuevos, const QString& ip, TColaRecibidos& cola);
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
};

struct TMensajeRecibido {
    TComando Comando;
    QByteArray Carga;  // everything after the prefix; empty for the queries
    int Numero = 0;    // the payload as a number, for the numeric commands
};

// The first prefix that matches, case-sensitively, in table order; none for an unmatched
// message or for a numeric command whose payload is not a decimal integer.
std::optional<TMensajeRecibido> InterpretarMensaje(const QByteArray& mensaje);

// The prefix a command is sent with.
QByteArray Prefijo(TComando comando);

// Decimal text of a number, as every numeric field travels.
inline QByteArray Numero(qint64 valor) { return QByteArray::number(valor); }
