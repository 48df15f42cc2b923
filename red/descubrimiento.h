#pragma once

#include "core/datagramasred.h"

#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>

class TMensajero;

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
    bool Propio(const QHostAddress& remitente, quint16 puerto) const;
    void Difundir(const QByteArray& datagrama);
    void ConfigGuardada();

    TMensajero& mensajero_;
    TOpciones opciones_;
    QUdpSocket socket_;
    QTimer busqueda_;
    QTimer aviso_;
    TListaEncontrados encontrados_;
    QHash<quint32, qint64> respondidos_;
    QString nickAnunciado_;
    bool anunciaba_ = false;
};
