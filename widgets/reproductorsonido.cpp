#include "widgets/reproductorsonido.h"

#include <QApplication>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

TReproductorSonido::TReproductorSonido(QObject* padre, std::function<void()> pitido)
    : QObject(padre), efecto_(new QSoundEffect(this)), pitido_(std::move(pitido)) {
    connect(efecto_, &QSoundEffect::statusChanged, this, &TReproductorSonido::EstadoCambiado);
}

void TReproductorSonido::Reproducir(const QString& fichero) {
    if (fichero.isEmpty())
        return;
    efecto_->stop();
    if (!QFileInfo(fichero).isFile()) {
        pitido_();
        return;
    }
    const QUrl fuente = QUrl::fromLocalFile(QFileInfo(fichero).absoluteFilePath());
    // The same source is not loaded again, so its earlier failure gives no new signal.
    if (fuente == efecto_->source() && efecto_->status() == QSoundEffect::Error) {
        pitido_();
        return;
    }
    efecto_->setSource(fuente);
    efecto_->play();
}

void TReproductorSonido::Pitido() { QApplication::beep(); }

// A file that exists but is no sound we can play is treated like a missing one.
void TReproductorSonido::EstadoCambiado() {
    if (efecto_->status() == QSoundEffect::Error)
        pitido_();
}
