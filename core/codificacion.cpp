#include "core/codificacion.h"

#include <array>

namespace {

// Bytes 0x80..0x9F; the five bytes the code page leaves undefined map to the C1 control
// with the same number, as the platform's own converter does.
constexpr std::array<char16_t, 32> kAltos = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t CaracterDeByte(unsigned char byte) {
    if (byte >= 0x80 && byte < 0xA0)
        return kAltos[byte - 0x80];
    return byte;
}

char ByteDeCaracter(char16_t caracter) {
    if (caracter < 0x80 || (caracter >= 0xA0 && caracter <= 0xFF))
        return static_cast<char>(caracter);
    for (std::size_t i = 0; i < kAltos.size(); ++i) {
        if (kAltos[i] == caracter)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

QString DecodificarCp1252(QByteArrayView bytes) {
    QString texto(bytes.size(), Qt::Uninitialized);
    QChar* destino = texto.data();
    for (char byte : bytes)
        *destino++ = QChar(CaracterDeByte(static_cast<unsigned char>(byte)));
    return texto;
}

QByteArray CodificarCp1252(QStringView texto) {
    QByteArray bytes;
    bytes.reserve(texto.size());
    for (qsizetype i = 0; i < texto.size(); ++i) {
        // A character outside the basic plane is one "?", not one per surrogate.
        if (texto[i].isHighSurrogate() && i + 1 < texto.size() && texto[i + 1].isLowSurrogate())
            ++i;
        bytes.append(ByteDeCaracter(texto[i].unicode()));
    }
    return bytes;
}

QString DecodificarTextoDePar(QByteArrayView bytes) {
    QString texto = DecodificarCp1252(bytes);
    for (QChar& caracter : texto) {
        if (caracter.unicode() < 32 || caracter.unicode() == 127)
            caracter = u' ';
    }
    return texto;
}
