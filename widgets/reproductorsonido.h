#pragma once

#include <QObject>
#include <functional>

class QSoundEffect;

// Plays the sound files of the sound events, one at a time, without waiting.
class TReproductorSonido : public QObject {
    Q_OBJECT
public:
    // `pitido` is the sound of a file that cannot be played: the desktop's beep.
    explicit TReproductorSonido(QObject* padre = nullptr,
                                std::function<void()> pitido = &TReproductorSonido::Pitido);

    // Empty name: nothing. A new sound cuts off the one still playing.
    void Reproducir(const QString& fichero);

private:
    static void Pitido();
    void EstadoCambiado();

    QSoundEffect* efecto_;
    std::function<void()> pitido_;
};
