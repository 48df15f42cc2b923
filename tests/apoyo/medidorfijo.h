#pragma once

#include "logview/logformato.h"

// Fixed metrics: every character is Ancho pixels wide, the ascent is the style's size,
// the descent 3 and the external leading 1.
class TMedidorFijo : public TMedidorTexto {
public:
    static constexpr int Ancho = 5;

    void ElegirFuente(const TFontInfo& estilo) override { tamano = estilo.Size; }
    TMetricas Metricas() const override { return {tamano, 3, 1}; }
    int Encajan(QStringView texto, int ancho) const override {
        return int(std::clamp<qsizetype>(ancho / Ancho, 0, texto.size()));
    }
    QSize Medir(QStringView texto) const override {
        return {int(texto.size()) * Ancho, tamano + 3};
    }

private:
    int tamano = 10;
};
