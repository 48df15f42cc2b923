#pragma once

#include <QString>

// The program's version, as "0.4.3": written by the build from the project() line of the
// top CMakeLists.txt, the one place where it is set.
extern const char kVersionPrograma[];

inline const QString kTituloPrograma = QStringLiteral("Tromblechatix v") + QLatin1String(kVersionPrograma);
