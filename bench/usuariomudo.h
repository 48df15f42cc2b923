#pragma once

#include "core/interfaz.h"

#include <cstdio>

// A user who says yes to everything and only prints errors.
class TUsuarioMudo : public TInterfazUsuario {
public:
    bool Preguntar(const QString&, const QString&, TBotones) override { return true; }
    void MostrarError(const QString& titulo, const QString& texto) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(titulo), qPrintable(texto));
    }
    void MostrarInformacion(const QString&, const QString&) override {}
    std::optional<QString> PedirTexto(const QString&, const QString&, const QString&, const QValidator*) override {
        return {};
    }
    void ReproducirSonido(const QString&) override {}
    void AvisarEscritorio(const QString&, const QString&) override {}
    void RepintarContactos() override {}
    void AplicarConfig(const TConfig&) override {}
    void AnadirIconoTray() override {}
    QRect GeometriaPrincipal() const override { return {}; }
    void FijarGeometriaPrincipal(const QRect&) override {}
    QSize TamanoPantalla() const override { return {1024, 768}; }
};
