#include "avisos/serviciodbus.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString kServicio = QStringLiteral("org.freedesktop.Notifications");
const QString kRuta = QStringLiteral("/org/freedesktop/Notifications");
// The program's name and the icon it installs, as its desktop entry names them.
const QString kNombrePrograma = QStringLiteral("Tromblechatix");
const QString kIcono = QStringLiteral("tromblechatix");

} // namespace

TServicioDBus::TServicioDBus(QDBusConnection conexion, TInformarError informar, QObject* padre)
    : QObject(padre), conexion_(std::move(conexion)), informar_(std::move(informar)) {
    conexion_.connect(kServicio, kRuta, kServicio, QStringLiteral("ActionInvoked"), this,
                      SLOT(ActionInvoked(uint, QString)));
    conexion_.connect(kServicio, kRuta, kServicio, QStringLiteral("NotificationClosed"), this,
                      SLOT(NotificationClosed(uint, uint)));
}

void TServicioDBus::Notificar(const TNotificacion& notificacion,
                              std::function<void(std::optional<quint32> id)> respuesta) {
    QDBusMessage llamada =
        QDBusMessage::createMethodCall(kServicio, kRuta, kServicio, QStringLiteral("Notify"));
    // "default" is what activating the notification itself invokes.
    llamada << kNombrePrograma << notificacion.Reemplaza << kIcono << notificacion.Resumen
            << notificacion.Cuerpo
            << QStringList{QStringLiteral("default"), QStringLiteral("Mostrar")}
            << QVariantMap{{QStringLiteral("desktop-entry"), kIcono}} << qint32(-1);
    auto* espera = new QDBusPendingCallWatcher(conexion_.asyncCall(llamada, kPlazoMs), this);
    connect(espera, &QDBusPendingCallWatcher::finished, this,
            [this, respuesta = std::move(respuesta)](QDBusPendingCallWatcher* terminada) {
                terminada->deleteLater();
                const QDBusPendingReply<uint> respondida = *terminada;
                ProtegerEntrada(
                    [&] {
                        respuesta(respondida.isError()
                                      ? std::nullopt
                                      : std::optional<quint32>(respondida.value()));
                    },
                    informar_);
            });
}

void TServicioDBus::ActionInvoked(uint id, const QString& accion) {
    if (AlInvocar)
        ProtegerEntrada([&] { AlInvocar(id, accion); }, informar_);
}

void TServicioDBus::NotificationClosed(uint id, uint) {
    if (AlCerrar)
        ProtegerEntrada([&] { AlCerrar(id); }, informar_);
}
