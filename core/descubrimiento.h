#pragma once

// Finding peers on the local network: UDP datagrams on the messenger's port, each one
// message in the usual form, Windows-1252 text followed by a BEL:
//
//   HOLA_RED?        who is there
//   HOLA_RED:nick    a copy announcing itself
//
// Anything else, anything longer than 512 bytes, and our own datagrams are ignored.

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>
#include <map>
#include <optional>
#include <vector>

class TMensajero;

constexpr qsizetype kMaximoDatagrama = 512;
constexpr int kMaximoEncontrados = 1000;

// Broadcast addresses of the IPv4 interfaces that are up and are not loopback; with an
// address, only of the network that address belongs to.
QList<QHostAddress> DireccionesDifusion(const QHostAddress& solo = {});

struct TDatagramaRed {
    bool Pregunta = false;
    QString Nick;  // of an announcement
};
// None for anything that is not one of the two messages.
std::optional<TDatagramaRed> InterpretarDatagrama(QByteArrayView datos);
QByteArray DatagramaPregunta();
QByteArray DatagramaAnuncio(const QString& nick);

struct TPeerEnRed {
    QString IP;
    QString Nick;
};

// The copies heard from, one entry per address, newest first, at most kMaximoEncontrados:
// a copy heard again moves to the front, the oldest goes when the list is full.
class TListaEncontrados {
public:
    void Anotar(const QString& ip, const QString& nick);
    std::vector<TPeerEnRed> Entradas() const;
    int Numero() const { return int(porOrden_.size()); }

private:
    std::map<quint64, TPeerEnRed> porOrden_;
    QHash<QString, quint64> ordenDe_;
    quint64 siguiente_ = 0;
};

// One row of the search window.
struct TFilaEncontrado {
    QString Nick;
    QString IP;
    bool EnAgenda = false;
};

struct TOpcionesDescubrimiento {
    qint64 MsEntreRespuestas = 1000;  // per asking address
    int MsEntreBusquedas = 10000;
    int MsAvisoLista = 100;  // a flood changes the list often; the window hears of it seldom
};

// Announces this copy, answers who asks, searches and keeps the list of copies found.
// Nothing here connects or adds a contact.
class TDescubrimiento : public QObject {
    Q_OBJECT
public:
    using TOpciones = TOpcionesDescubrimiento;

    explicit TDescubrimiento(TMensajero& mensajero, TOpciones opciones = {}, QObject* padre = nullptr);

    // Listens on the messenger's address and port; false when they are taken, and then
    // this copy can still search but hears nothing.
    bool Escuchar();
    // "HOLA_RED:" + nick to every announcement address, unless this copy stays hidden.
    void Anunciar();
    // "HOLA_RED?" to every announcement address.
    void Buscar();
    // Searches now and then every MsEntreBusquedas until TerminarBusqueda.
    void EmpezarBusqueda();
    void TerminarBusqueda();

    const TListaEncontrados& Encontrados() const { return encontrados_; }
    std::vector<TFilaEncontrado> Filas() const;

signals:
    void ListaCambiada();

private:
    void LeerDatagramas();
    void Atender(const QByteArray& datos, const QHostAddress& remitente, quint16 puerto);
    void Responder(const QHostAddress& remitente, quint16 puerto);
    bool Propio(const QHostAddress& remitente, quint16 puerto);
    void Difundir(const QByteArray& datagrama);
    void ConfigGuardada();

    TMensajero& mensajero_;
    TOpciones opciones_;
    QUdpSocket socket_;
    QTimer busqueda_;
    QTimer aviso_;
    TListaEncontrados encontrados_;
    QHash<quint32, qint64> respondidos_;
    QList<QHostAddress> propias_;
    qint64 propiasLeidas_ = -1;
    QString nickAnunciado_;
    bool anunciaba_ = false;
};
