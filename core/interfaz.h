#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <optional>

class QValidator;
struct TConfig;

// Everything the core asks of the user or shows: the main window implements it, tests
// replace it with a scripted fake. Boxes are modal and keep the event loop running, so
// socket handlers may run inside any of these calls.
class TInterfazUsuario {
public:
    enum class TBotones { SiNo, AceptarCancelar };

    virtual ~TInterfazUsuario() = default;

    // Question box; true for Yes / OK.
    virtual bool Preguntar(const QString& titulo, const QString& texto, TBotones botones) = 0;
    virtual void MostrarError(const QString& titulo, const QString& texto) = 0;
    virtual void MostrarInformacion(const QString& titulo, const QString& texto) = 0;
    // One-line input box; none when cancelled. `filtro`, when given, checks what is typed.
    virtual std::optional<QString> PedirTexto(const QString& titulo, const QString& etiqueta,
                                              const QString& inicial, const QValidator* filtro) = 0;
    virtual void ReproducirSonido(const QString& fichero) = 0;
    // A peer wants an answer that a box is about to ask: a desktop notification, with the
    // peer's nick and the start of the text, unless the user is looking at the program.
    virtual void AvisarEscritorio(const QString& nick, const QString& texto) = 0;

    // The contact list changed (a row added, removed or its state, nick or e-mail).
    virtual void RepintarContactos() = 0;
    // Nick label and always-on-top follow the configuration.
    virtual void AplicarConfig(const TConfig& config) = 0;
    virtual void AnadirIconoTray() = 0;
    virtual QRect GeometriaPrincipal() const = 0;
    virtual void FijarGeometriaPrincipal(const QRect& geometria) = 0;
    virtual QSize TamanoPantalla() const = 0;
};
