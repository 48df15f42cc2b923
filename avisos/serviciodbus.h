#pragma once

#include "core/avisosescritorio.h"
#include "core/error.h"

#include <QDBusConnection>
#include <QObject>

// org.freedesktop.Notifications on a D-Bus connection, the session bus in the program.
// Every call is asynchronous: a slow or missing service never holds up the program.
class TServicioDBus : public QObject, public TServicioAvisos {
    Q_OBJECT
public:
    // How long a call may wait for the service before the notice goes to the tray.
    static constexpr int kPlazoMs = 5000;

    // What the service's calls back throw goes to `informar`.
    TServicioDBus(QDBusConnection conexion, TInformarError informar, QObject* padre = nullptr);

    void Notificar(const TNotificacion& notificacion,
                   std::function<void(std::optional<quint32> id)> respuesta) override;

private slots:
    void ActionInvoked(uint id, const QString& accion);
    void NotificationClosed(uint id, uint razon);

private:
    QDBusConnection conexion_;
    TInformarError informar_;
};
