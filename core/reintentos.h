#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <functional>

struct TOpcionesReintento {
    qint64 MsPrimero = 5000;   // after a drop, and the first pause after a failed attempt
    qint64 MsMaximo = 300000;  // the longest pause between attempts
};

// When each contact is tried again, by address. A contact whose connection dropped is tried
// after the first pause; one that could not be reached, after a pause that doubles with
// every failure up to the longest; one that refused us, or that is this copy itself, not
// until it is forgotten. Attempts are asked of `intentar`, which decides whether one is
// still worth making.
class TReintentos : public QObject {
    Q_OBJECT
public:
    using TIntentar = std::function<void(const QString& ip)>;

    TReintentos(TOpcionesReintento opciones, TIntentar intentar, QObject* padre = nullptr);

    void Caida(const QString& ip);
    void Fallo(const QString& ip);
    void Rechazo(const QString& ip);
    void EsPropio(const QString& ip);
    // Up: the next failure starts from the first pause again.
    void Conectado(const QString& ip);
    // As if never heard of: a refusal and this-copy-itself too.
    void Olvidar(const QString& ip);

    bool Rechazado(const QString& ip) const { return estados_.value(ip).Rechazado; }
    bool Propio(const QString& ip) const { return estados_.value(ip).Propio; }
    // Milliseconds until the next attempt at this address; -1 when none is due.
    qint64 MsHastaIntento(const QString& ip) const;

private:
    struct TEstado {
        qint64 Pausa = 0;
        qint64 Cuando = -1;
        bool Rechazado = false;
        bool Propio = false;
    };

    void Programar(const QString& ip, qint64 pausa);
    void ArmarTemporizador();
    void Vencidos();

    TOpcionesReintento opciones_;
    TIntentar intentar_;
    QHash<QString, TEstado> estados_;
    QTimer temporizador_;
    QElapsedTimer reloj_;
};
