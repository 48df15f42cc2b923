#pragma once

#include <QByteArray>
#include <QString>

// Windows-1252, the code page of the wire and of our files. Decoding is total and
// encoding is its exact inverse, so a text field survives a round trip byte for byte.
// Characters outside the code page encode as "?".
QString DecodificarCp1252(QByteArrayView bytes);
QByteArray CodificarCp1252(QStringView texto);

// Text a peer sent (a nick, an e-mail, an announced nick): each control character (below 32,
// and 127) becomes a space, so that no line break from a peer reaches a record, a row or a file.
QString DecodificarTextoDePar(QByteArrayView bytes);
