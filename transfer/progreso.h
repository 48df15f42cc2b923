#pragma once

#include "transfer/txfichero.h"

// The texts a transfer window starts with.
inline const QString kHoraInicial = QStringLiteral("0:00:00");
inline const QString kVelocidadInicial = QStringLiteral("0 B/s");

// A span as "hh:mm:ss", hours of the day only: 25 hours read 01:00:00.
QString FormatearHora(qint64 ms);

// "1.234.567 Bytes".
QString TextoBytes(qint64 bytes);

// The figures of a transfer at `ahora` (steady clock, ms). Remaining time, speeds and the
// bar first move once five samples have been taken and something has moved.
TCifrasProgreso CifrasProgreso(const TTxFichero& tx, qint64 ahora);
