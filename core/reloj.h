#pragma once

#include <QDateTime>

// The time of day as the program sees it; tests set it.
class TReloj {
public:
    QDateTime Ahora() const { return fijo_.isValid() ? fijo_ : QDateTime::currentDateTime(); }
    void Fijar(const QDateTime& momento) { fijo_ = momento; }
    void AvanzarMs(qint64 ms) { fijo_ = Ahora().addMSecs(ms); }

private:
    QDateTime fijo_;
};
