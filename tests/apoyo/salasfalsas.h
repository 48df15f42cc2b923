#pragma once

#include "chat/ventanachat.h"

#include <QStringList>
#include <utility>
#include <vector>

// Records what the chat window asked of the rooms, and offers scripted contacts to invite.
class TSalasFalsas : public TSalasParaVentana {
public:
    void EnviarLineaChat(int idChat, const QString& texto) override {
        Enviadas.push_back({idChat, texto});
    }
    void AbandonarChat(int idChat) override { Abandonadas.push_back(idChat); }
    std::vector<TInvitable> ContactosParaInvitar() const override { return Invitables; }
    void InvitarAChat(int idChat, const QString& ip) override { Invitaciones.push_back({idChat, ip}); }
    QString DescripcionSala(int) const override { return Descripcion; }

    // The texts sent to one room, in order.
    QStringList Textos(int idChat) const {
        QStringList textos;
        for (const auto& [id, texto] : Enviadas) {
            if (id == idChat)
                textos << texto;
        }
        return textos;
    }

    std::vector<std::pair<int, QString>> Enviadas;
    std::vector<int> Abandonadas;
    std::vector<std::pair<int, QString>> Invitaciones;
    std::vector<TInvitable> Invitables;
    QString Descripcion;
};
