#pragma once

#include <QElapsedTimer>
#include <QByteArray>
#include <QtGlobal>
#include <algorithm>
#include <ctime>
#include <vector>

// Median time of `paso` over `muestras` runs, in milliseconds.
template <class TPaso>
double MedianaMs(int muestras, TPaso&& paso) {
    std::vector<qint64> tiempos;
    QElapsedTimer medida;
    for (int i = 0; i < muestras; ++i) {
        medida.start();
        paso();
        tiempos.push_back(medida.nsecsElapsed());
    }
    std::nth_element(tiempos.begin(), tiempos.begin() + muestras / 2, tiempos.end());
    return tiempos[muestras / 2] / 1e6;
}

// Processor time of this thread, in ms: on a busy machine the wall clock also counts the
// time other processes ran.
inline double MsDeProcesador() {
    timespec ahora{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ahora);
    return ahora.tv_sec * 1e3 + ahora.tv_nsec / 1e6;
}

// Windows are drawn offscreen unless the platform is named: figures need no display.
inline void SinPantallaSiNoSeDice() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}
