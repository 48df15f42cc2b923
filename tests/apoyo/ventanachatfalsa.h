#pragma once

#include "chat/ventanachat.h"

#include <QStringList>
#include <vector>

// Records what the rooms asked of the chat window.
class TVentanaChatFalsa : public TVentanaChat {
public:
    struct TLinea {
        int IdChat;
        quint32 Color;
        QString Texto;
        QString Nick;
    };

    void AbrirPestanaChat(int idChat, const QString& titulo) override {
        Pestanas.push_back(idChat);
        Titulos << titulo;
    }
    void EscribirLineaChat(int idChat, quint32 color, const QString& texto,
                           const QString& nick) override {
        Lineas.push_back({idChat, color, texto, nick});
    }
    void MostrarVentanaChat() override { ++Mostrada; }

    // "nick|texto" of every line of one room, in order.
    QStringList Textos(int idChat) const {
        QStringList textos;
        for (const TLinea& linea : Lineas) {
            if (linea.IdChat == idChat)
                textos << linea.Nick + u'|' + linea.Texto;
        }
        return textos;
    }

    std::vector<int> Pestanas;
    QStringList Titulos;
    std::vector<TLinea> Lineas;
    int Mostrada = 0;
};
