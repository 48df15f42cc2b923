#pragma once

#include <QByteArray>
#include <cstdio>
#include <cstdlib>

// A broken property is a finding: libFuzzer keeps the input that caused it.
#define COMPROBAR(condicion)                                                                  \
    do {                                                                                       \
        if (!(condicion)) {                                                                    \
            std::fprintf(stderr, "%s:%d: falla %s\n", __FILE__, __LINE__, #condicion);         \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)

inline QByteArray Bytes(const uint8_t* datos, size_t tam) {
    return QByteArray(reinterpret_cast<const char*>(datos), qsizetype(tam));
}
