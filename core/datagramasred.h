#pragma once

// Finding peers on the local network: UDP datagrams on the messenger's port, each one
// message in the usual form, Windows-1252 text followed by a BEL:
//
//   HOLA_RED?        who is there
//   HOLA_RED:nick    a copy announcing itself
//
// Anything else, anything longer than 512 bytes, and our own datagrams are ignored.

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <map>
#include <optional>
#include <vector>

constexpr qsizetype kMaximoDatagrama = 512;
constexpr int kMaximoEncontrados = 1000;

struct TDatagramaRed {
    bool Pregunta = false;
    QString Nick; // of an announcement
};
// None for anything that is not one of the two messages.
std::optional<TDatagramaRed> InterpretarDatagrama(QByteArrayView datos);
QByteArray DatagramaPregunta();
QByteArray DatagramaAnuncio(const QString& nick);

struct TPeerEnRed {
    QString IP;
    QString Nick;
};

// The copies heard from, one entry per address, newest first, at most `maximo`: a copy heard
// again moves to the front, the oldest goes when the list is full.
class TListaEncontrados {
public:
    explicit TListaEncontrados(int maximo = kMaximoEncontrados) : maximo_(maximo) {}

    void Anotar(const QString& ip, const QString& nick);
    std::vector<TPeerEnRed> Entradas() const;
    int Numero() const { return int(porOrden_.size()); }

private:
    int maximo_;
    std::map<quint64, TPeerEnRed> porOrden_;
    QHash<QString, quint64> ordenDe_;
    quint64 siguiente_ = 0;
};

// Broadcast addresses of the IPv4 interfaces that are up and are not loopback; with an
// address, only of the network that address belongs to.
QList<QHostAddress> DireccionesDifusion(const QHostAddress& solo = {});
