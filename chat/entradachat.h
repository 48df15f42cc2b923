#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

// The lines of an input, cut at every run of CR and LF; empty lines are dropped.
QStringList CortarEnLineas(const QString& entrada);

// What a room's input box does with one key (EditKeyDown), without the box.
class TEntradaChat {
public:
    static constexpr int kCapacidad = 50;

    struct TRespuesta {
        // Lines to write and send, in order; non-empty only for Enter on a non-empty box.
        QStringList Enviar;
        // The box's new text; none leaves it as it is.
        std::optional<QString> Texto;
        // Enter always consumes the key, sending or not; Up and Down never do.
        bool Consumida = false;
    };

    // `tecla` is a Qt::Key; Return and Enter both send.
    TRespuesta TeclaPulsada(int tecla, const QString& texto);

    // 0 while not browsing, else the slot shown, 1 the newest.
    int HistoryPos() const { return posicion_; }
    // The filled slots, newest first.
    const QList<QString>& History() const { return historia_; }

private:
    QList<QString> historia_;
    int posicion_ = 0;
};
