#pragma once

#include "chat/ventanachat.h"
#include "core/protocolo.h"
#include "core/registromanejador.h"

#include <QSet>
#include <QStringList>
#include <deque>
#include <map>
#include <vector>

class TMensajero;

// A room this peer hosts; the first guest still connected takes it over when we leave.
struct TServerChat {
    int IdChat = 0;
    QStringList Clientes; // guests' addresses in joining order; never this peer
};

// A room this peer is a guest of.
struct TClientChat {
    int IdChat = 0;
    QString Host; // the current host's address
};

// Chat rooms, a star around their host:
//
//   CHAT:id:colour:nick:text   guest -> host, host -> every other guest
//   CHATSRVMSG:id:text         host -> guests (joins, departures, hand-overs)
//   PART_CHAT:id               leaving guest -> host; leaving host -> successor, last
//   ROUTE_CHAT:id:ip           leaving host -> every guest but the successor
//   ENROUTE_CHAT:id:ip,ip      leaving host -> successor, the other guests
//   OFRECE_JOINCHAT:id:host    inviter -> invitee; host empty when the inviter hosts
//   PIDE_JOINCHAT:id           invitee -> host      ACEPTA_JOINCHAT:id   host -> invitee
//   ERROR_JOINCHAT:id          host -> a peer asking for a room it does not host
//
// Ids are 1..999999, unique only among this peer's own lists. A guest hears a room only from
// its host; a host-to-be whose "ROUTE_CHAT:" is still on its way over another connection is
// held for a few seconds, in order, and heard once that message names it.
class TSalasChat : public TSalasParaVentana {
public:
    // Registers the nine chat commands with the core; create it after the core and destroy
    // it before.
    TSalasChat(TMensajero& mensajero, TVentanaChat& ventana);
    TSalasChat(const TSalasChat&) = delete;
    TSalasChat& operator=(const TSalasChat&) = delete;

    // "Empezar &Chat" on a contact: offers a new room; nothing when it is not connected.
    void EmpezarChat(const QString& ip);
    void InvitarAChat(int idChat, const QString& ip) override;
    std::vector<TInvitable> ContactosParaInvitar() const override;
    void EnviarLineaChat(int idChat, const QString& texto) override;
    void AbandonarChat(int idChat) override;
    QString DescripcionSala(int idChat) const override;
    // The end of the program: hosted rooms from last to first, then joined ones.
    void AbandonarTodas();

    int NuevoIdChat();
    bool EsInvitadoDeChat(int idChat) const;

    const std::vector<int>& Pendientes() const { return pendientes_; }
    const std::vector<TServerChat>& Servidas() const { return servidas_; }
    const std::vector<TClientChat>& Unidas() const { return unidas_; }

private:
    void AlRecibirLinea(const QString& ip, const TMensajeRecibido& mensaje);
    void AlRecibirLineaServidor(const QString& ip, const TMensajeRecibido& mensaje);
    void AlAbandonar(const QString& ip, const TMensajeRecibido& mensaje);
    void AlCambiarHost(const QString& ip, const TMensajeRecibido& mensaje);
    void AlHeredar(const QString& ip, const TMensajeRecibido& mensaje);
    void AlOfrecer(const QString& ip, const TMensajeRecibido& mensaje);
    void AlPedirUnion(const QString& ip, const TMensajeRecibido& mensaje);
    void AlAceptarUnion(const QString& ip, const TMensajeRecibido& mensaje);
    void AlRechazarUnion(const QString& ip, const TMensajeRecibido& mensaje);

    using TManejadorSala = void (TSalasChat::*)(const QString& ip, const TMensajeRecibido& mensaje);
    // A message for a joined room from a peer that is not its host, waiting.
    struct TRetenido {
        QString IP;
        TMensajeRecibido Mensaje;
        TManejadorSala Manejador;
        qint64 Ms; // when it arrived
    };
    bool DelHost(int idChat, const QString& ip, const TMensajeRecibido& mensaje,
                 TManejadorSala manejador);
    void Retener(int idChat, TRetenido retenido);
    bool Caducado(const TRetenido& retenido) const;
    // The room's host changed or the room became ours: what waited for that is heard now.
    void Liberar(int idChat);
    QString HostDe(int idChat);

    bool AceptaInvitacion(const QString& ip, const QString& host);
    void TraspasarSala(const TServerChat& sala);
    void EscribirLineaServidor(int idChat, const QString& texto);
    void EnviarLineaServidor(const QStringList& destinos, int idChat, const QString& texto);
    void Enviar(const QString& ip, TComando comando, std::initializer_list<TCampo> campos);
    bool Conectado(const QString& ip) const;

    TServerChat* Servida(int idChat);
    TClientChat* Unida(int idChat);

    struct TPeticion {
        int IdChat;
        QString Host;
        bool operator==(const TPeticion&) const = default;
    };

    TMensajero& mensajero_;
    TVentanaChat& ventana_;
    std::vector<int> pendientes_;
    std::vector<TServerChat> servidas_;
    std::vector<TClientChat> unidas_;
    // Join requests sent and not yet answered: only these may be accepted.
    std::vector<TPeticion> peticiones_;
    // Peers whose invitation question is open.
    QSet<QString> preguntando_;
    std::map<int, std::deque<TRetenido>> retenidos_;
    bool liberando_ = false;
    // Last, so that no handler outlives what it uses.
    std::vector<TRegistroManejador> registros_;
};
