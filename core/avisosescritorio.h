#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct TConfig;

// One notification as the desktop's notification service takes it.
struct TNotificacion {
    quint32 Reemplaza = 0; // the id of the notification it updates; 0 for a new one
    QString Resumen;
    QString Cuerpo; // the service reads a subset of HTML here
};

// The desktop's notification service, as the notices use it; nothing here waits for it.
class TServicioAvisos {
public:
    virtual ~TServicioAvisos() = default;
    // `respuesta` gets the notification's id, or none when no service answered.
    virtual void Notificar(const TNotificacion& notificacion,
                           std::function<void(std::optional<quint32> id)> respuesta) = 0;

    // Set by the notices: the user invoked an action of a notification, or it was closed.
    std::function<void(quint32 id, const QString& accion)> AlInvocar;
    std::function<void(quint32 id)> AlCerrar;
};

// Something a peer sent, for the desktop to tell.
struct TAvisoEscritorio {
    // Notices of one group update one notification; an empty group stands alone.
    QString Grupo;
    QString Resumen; // the peer's nick
    QString Texto;   // plain text, as the peer sent it
    // Brings forward the window that shows it.
    std::function<void()> Mostrar;
};

// Desktop notifications for what arrives while the user is not looking: through the
// notification service, else as the tray icon's message, else not at all.
class TAvisosEscritorio {
public:
    // Peer text beyond this many characters is cut.
    static constexpr qsizetype kLargoTexto = 200;
    // Notifications whose activation is remembered; a service that never says a
    // notification closed cannot make the list grow for ever.
    static constexpr std::size_t kMaximoAbiertas = 64;
    // Shows a message on the tray icon; false when there is no tray icon.
    using TMensajeTray = std::function<bool(const QString& titulo, const QString& texto)>;

    TAvisosEscritorio(const TConfig& config, std::unique_ptr<TServicioAvisos> servicio);
    ~TAvisosEscritorio();

    void FijarTray(TMensajeTray mensajeTray) { mensajeTray_ = std::move(mensajeTray); }
    // Tells the desktop, unless the user is looking at it (`visto`) or turned notices off.
    // True when the user is being told.
    bool Avisar(const TAvisoEscritorio& aviso, bool visto);
    // The tray icon's message was clicked.
    void TrayPulsado();

private:
    struct TAbierta {
        quint32 ID;
        QString Grupo;
        std::function<void()> Mostrar;
    };
    // A group's notification whose id is not known yet, and the latest notice that came
    // meanwhile, sent once the id is known so that it updates instead of piling up.
    struct TEnCamino {
        QString Grupo;
        std::optional<TAvisoEscritorio> Siguiente;
    };

    std::vector<TEnCamino>::iterator EnCamino(const QString& grupo);
    void Enviar(const TAvisoEscritorio& aviso);
    void Respondido(const TAvisoEscritorio& aviso, std::optional<quint32> id);
    void Recordar(quint32 id, const TAvisoEscritorio& aviso);
    void Invocada(quint32 id, const QString& accion);
    void Cerrada(quint32 id);

    const TConfig& config_;
    TMensajeTray mensajeTray_;
    std::function<void()> mostrarTray_;
    std::vector<TAbierta> abiertas_;
    std::vector<TEnCamino> enCamino_;
    // Last: gone first, with the answers still on their way.
    std::unique_ptr<TServicioAvisos> servicio_;
};
