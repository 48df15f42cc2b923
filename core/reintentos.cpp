#include "core/reintentos.h"

#include <algorithm>
#include <limits>

TReintentos::TReintentos(TOpcionesReintento opciones, TIntentar intentar, QObject* padre)
    : QObject(padre), opciones_(opciones), intentar_(std::move(intentar)) {
    reloj_.start();
    temporizador_.setSingleShot(true);
    connect(&temporizador_, &QTimer::timeout, this, &TReintentos::Vencidos);
}

void TReintentos::Caida(const QString& ip) {
    TEstado& estado = estados_[ip];
    if (estado.Rechazado || estado.Propio)
        return;
    estado.Pausa = 0;
    Programar(ip, opciones_.MsPrimero);
}

void TReintentos::Fallo(const QString& ip) {
    TEstado& estado = estados_[ip];
    if (estado.Rechazado || estado.Propio)
        return;
    estado.Pausa = estado.Pausa == 0 ? opciones_.MsPrimero : std::min(estado.Pausa * 2, opciones_.MsMaximo);
    Programar(ip, estado.Pausa);
}

void TReintentos::Rechazo(const QString& ip) {
    estados_[ip] = TEstado{.Rechazado = true};
    ArmarTemporizador();
}

void TReintentos::EsPropio(const QString& ip) {
    estados_[ip] = TEstado{.Propio = true};
    ArmarTemporizador();
}

void TReintentos::Conectado(const QString& ip) { Olvidar(ip); }

void TReintentos::Olvidar(const QString& ip) {
    estados_.remove(ip);
    ArmarTemporizador();
}

qint64 TReintentos::MsHastaIntento(const QString& ip) const {
    const auto estado = estados_.constFind(ip);
    if (estado == estados_.cend() || estado->Cuando < 0)
        return -1;
    return std::max<qint64>(0, estado->Cuando - reloj_.elapsed());
}

void TReintentos::Programar(const QString& ip, qint64 pausa) {
    estados_[ip].Cuando = reloj_.elapsed() + pausa;
    ArmarTemporizador();
}

void TReintentos::ArmarTemporizador() {
    qint64 primero = std::numeric_limits<qint64>::max();
    for (const TEstado& estado : estados_) {
        if (estado.Cuando >= 0)
            primero = std::min(primero, estado.Cuando);
    }
    if (primero == std::numeric_limits<qint64>::max()) {
        temporizador_.stop();
        return;
    }
    temporizador_.start(int(std::max<qint64>(0, primero - reloj_.elapsed())));
}

void TReintentos::Vencidos() {
    const qint64 ahora = reloj_.elapsed();
    QStringList vencidos;
    for (auto it = estados_.begin(); it != estados_.end(); ++it) {
        if (it->Cuando >= 0 && it->Cuando <= ahora) {
            it->Cuando = -1;
            vencidos << it.key();
        }
    }
    // An attempt may fail at once and come back here: the list is taken first.
    for (const QString& ip : vencidos)
        intentar_(ip);
    ArmarTemporizador();
}
