#pragma once

#include "core/configuracion.h"
#include "core/interfaz.h"

#include <QStringList>
#include <deque>
#include <functional>

// A scripted user: answers questions from a queue (or with a default), records everything
// shown. `AntesDeResponder` runs inside a question, where a real box would run the event loop.
class TInterfazFalsa : public TInterfazUsuario {
public:
    struct TCaja {
        QString Titulo;
        QString Texto;
    };

    bool Preguntar(const QString& titulo, const QString& texto, TBotones) override;
    void MostrarError(const QString& titulo, const QString& texto) override;
    void MostrarInformacion(const QString& titulo, const QString& texto) override;
    std::optional<QString> PedirTexto(const QString& titulo, const QString& etiqueta,
                                      const QString& inicial, const QValidator* filtro) override;
    void ReproducirSonido(const QString& fichero) override {
        Sonidos << fichero;
        if (AlSonar)
            AlSonar(fichero);
    }
    void AvisarEscritorio(const QString& nick, const QString& texto) override {
        Avisos.push_back({nick, texto});
    }
    void RepintarContactos() override { ++Repintados; }
    void AplicarConfig(const TConfig& config) override { NickMostrado = config.Nick; }
    void AnadirIconoTray() override { IconoTray = true; }
    QRect GeometriaPrincipal() const override { return Geometria; }
    void FijarGeometriaPrincipal(const QRect& geometria) override { Geometria = geometria; }
    QSize TamanoPantalla() const override { return Pantalla; }

    std::deque<bool> Respuestas;
    bool RespuestaPorDefecto = true;
    std::function<void()> AntesDeResponder;
    // Runs inside an error box, likewise.
    std::function<void()> AlMostrarError;
    // Runs as each sound is handed to the player, to see what had happened by then.
    std::function<void(const QString&)> AlSonar;
    std::optional<QString> TextoPedido;

    std::vector<TCaja> Preguntas;
    std::vector<TCaja> Errores;
    std::vector<TCaja> Informaciones;
    std::vector<TCaja> Avisos;  // nick and text of each desktop notification
    QStringList Sonidos;
    int Repintados = 0;
    QString NickMostrado;
    bool IconoTray = false;
    QRect Geometria;
    QSize Pantalla{1024, 768};
};
