#pragma once

#include <QString>

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
