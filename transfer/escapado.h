#pragma once

#include <QByteArray>

// File data travels inside ordinary messages, so it must never hold a BEL:
//
//   0x06 -> 06 06      0x07 -> 06 08      any other byte -> itself
//
// 41 07 06 00 travels as 41 06 08 06 06 00.
constexpr char kEscapeDatos = '\x06';

// Appends the escaped form of `datos` to `destino`.
void EscaparDatos(QByteArrayView datos, QByteArray& destino);

// Replaces `destino` with the bytes `datos` stands for; false when an escape byte is followed
// by anything but 06 or 08, or ends the data.
bool DesescaparDatos(QByteArrayView datos, QByteArray& destino);
