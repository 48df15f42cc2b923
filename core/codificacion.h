#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252, the code page of the wire and of our files. Decoding is total and
// encoding is its exact inverse, so a text field survives a round trip byte for byte.
// Characters outside the code page encode as "?".
QString DecodificarCp1252(QByteArrayView bytes);
QByteArray CodificarCp1252(QStringView texto);
