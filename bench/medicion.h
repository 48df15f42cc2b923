#pragma once

#include <QElapsedTimer>
#include <algorithm>
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
