#include "transfer/progreso.h"

#include "core/utilidades.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

constexpr qint64 kMsDia = 24 * 3600 * 1000;

// Nearest integer, halves to even (the default rounding mode).
qint64 Redondear(double valor) { return qint64(std::nearbyint(valor)); }

QString Velocidad(double bytesPorSegundo) {
    return FormatearMiles(Redondear(bytesPorSegundo)) + u" B/s";
}

} // namespace

QString FormatearHora(qint64 ms) {
    const qint64 segundos = (std::max<qint64>(ms, 0) % kMsDia) / 1000;
    const qint64 partes[3] = {segundos / 3600, segundos / 60 % 60, segundos % 60};
    std::array<char16_t, 8> texto{u'0', u'0', u':', u'0', u'0', u':', u'0', u'0'};
    for (int i = 0; i < 3; ++i) {
        texto[3 * i] = char16_t(u'0' + partes[i] / 10);
        texto[3 * i + 1] = char16_t(u'0' + partes[i] % 10);
    }
    return QString(reinterpret_cast<const QChar*>(texto.data()), texto.size());
}

QString TextoBytes(qint64 bytes) {
    return FormatearMiles(bytes) + u" Bytes";
}

TCifrasProgreso CifrasProgreso(const TTxFichero& tx, qint64 ahora) {
    const qint64 transcurrido = std::max<qint64>(0, ahora - tx.Inicio);
    TCifrasProgreso cifras{TextoBytes(tx.Tx), FormatearHora(transcurrido), {}, {}, {}, {}};
    const TMuestra& primera = tx.Muestras.front();
    const TMuestra& ultima = tx.Muestras.back();
    if (primera.Hora == 0 || tx.Tx == 0)
        return cifras;
    const double restante =
        double(std::max<qint64>(0, tx.Tam - tx.Tx)) * double(transcurrido) / tx.Tx;
    cifras.Restante = FormatearHora(Redondear(restante));
    const qint64 ms = transcurrido % kMsDia;
    if (ms > 0)
        cifras.VMedia = Velocidad(double(tx.Tx) / double(ms) * 1000);
    const qint64 dms = (ultima.Hora - primera.Hora) % kMsDia;
    if (dms > 0)
        cifras.VActual = Velocidad(double(ultima.Bytes - primera.Bytes) / double(dms) * 1000);
    cifras.Posicion = tx.Tx;
    return cifras;
}
