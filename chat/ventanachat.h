#pragma once

#include <QString>
#include <vector>

// What the rooms need of the chat window: the window implements it, tests record it.
class TVentanaChat {
public:
    virtual ~TVentanaChat() = default;

    virtual void AbrirPestanaChat(int idChat, const QString& titulo) = 0;
    // The nick "<<<SERVER>>>" marks a server line, shown without a nick. A room without a
    // tab shows nothing.
    virtual void EscribirLineaChat(int idChat, quint32 color, const QString& texto,
                                   const QString& nick) = 0;
    virtual void MostrarVentanaChat() = 0;
};

// A connected contact that the on-line list offers for inviting.
struct TInvitable {
    QString Nick;
    QString IP;
};

// What the chat window asks of the rooms: TSalasChat implements it, tests record it.
class TSalasParaVentana {
public:
    virtual ~TSalasParaVentana() = default;

    // A line the user entered; the window has already shown it.
    virtual void EnviarLineaChat(int idChat, const QString& texto) = 0;
    // Closing a room's tab: a host hands the room over, a guest leaves.
    virtual void AbandonarChat(int idChat) = 0;
    // The rows of the on-line list, in contact-book order.
    virtual std::vector<TInvitable> ContactosParaInvitar() const = 0;
    // A double click in the on-line list.
    virtual void InvitarAChat(int idChat, const QString& ip) = 0;
    // Who is in a room, as far as this peer knows, one line each for the host and the guests.
    virtual QString DescripcionSala(int idChat) const = 0;
};
