#include "widgets/reproductorsonido.h"

#include <QApplication>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

TReproductorSonido::TReproductorSonido(QObject* padre, std::function<void()> pitido)
    : QObject(padre), FEfecto(new QSoundEffect(this)), FPitido(std::move(pitido)) {
    connect(FEfecto, &QSoundEffect::statusChanged, this, &TReproductorSonido::EstadoCambiado);
}

void TReproductorSonido::Reproducir(const QString& fichero) {
    if (fichero.isEmpty())
        return;
    FEfecto->stop();
    if (!QFileInfo(fichero).isFile()) {
        FPitido();
        return;
    }
    const QUrl fuente = QUrl::fromLocalFile(QFileInfo(fichero).absoluteFilePath());
    // The same source is not loaded again, so its earlier failure gives no new signal.
    if (fuente == FEfecto->source() && FEfecto->status() == QSoundEffect::Error) {
        FPitido();
        return;
    }
    FEfecto->setSource(fuente);
    FEfecto->play();
}

void TReproductorSonido::Pitido() { QApplication::beep(); }

// A file that exists but is no sound we can play is treated like a missing one.
void TReproductorSonido::EstadoCambiado() {
    if (FEfecto->status() == QSoundEffect::Error)
        FPitido();
}
