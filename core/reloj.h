#pragma once

#include <QDateTime>
#include <QElapsedTimer>

// The time of day as the program sees it; tests set it.
class TReloj {
public:
    TReloj() { marcha_.start(); }

    QDateTime Ahora() const { return fijo_.isValid() ? fijo_ : QDateTime::currentDateTime(); }
    void Fijar(const QDateTime& momento) { fijo_ = momento; }

    // Milliseconds for measuring spans: never goes back when the wall clock is changed, and
    // follows the set time in tests.
    qint64 Ms() const { return fijo_.isValid() ? fijo_.toMSecsSinceEpoch() : base_ + marcha_.elapsed(); }

private:
    QDateTime fijo_;
    qint64 base_ = QDateTime::currentMSecsSinceEpoch();
    QElapsedTimer marcha_;
};
