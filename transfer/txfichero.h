#pragma once

#include "transfer/resumidor.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <optional>

constexpr qint32 kTamBloque = 3000;
// The extended mode: larger blocks, many in flight within a byte budget.
constexpr qint32 kTamBloqueExtendido = 64 * 1024;
constexpr qint64 kBytesEnVuelo = 4 * 1024 * 1024;

// What a transfer window shows after a block; the optional figures keep their old text.
struct TCifrasProgreso {
    QString Tx;
    QString Transcurrido;
    std::optional<QString> Restante;
    std::optional<QString> VMedia;
    std::optional<QString> VActual;
    std::optional<qint64> Posicion;
};

// Fallido: every byte arrived, but not the file that was sent.
enum class TFinTransferencia { Finalizado, Rechazado, Abortado, Fallido };

// A transfer's window as the protocol sees it. Once its user has closed it, the view
// ignores every call.
class TVistaTransferencia {
public:
    virtual ~TVistaTransferencia() = default;
    virtual void RefrescarProgreso(const TCifrasProgreso& cifras) = 0;
    virtual void MostrarFin(TFinTransferencia fin) = 0;
    // The connection dropped; the transfer goes on when the contact is back.
    virtual void MostrarInterrupcion(bool interrumpida) = 0;
};

// The first values of a transfer window.
struct TDatosVista {
    qint32 ID = 0;
    QString Ruta;
    QString Cabecera;
    QString NombreFichero;
    qint64 Tam = 0;
    bool Enviando = true;
};

// What the transfers need from windows: the file choosers and the progress windows.
class TInterfazTransferencias {
public:
    virtual ~TInterfazTransferencias() = default;
    // The files to send; none when cancelled.
    virtual QStringList ElegirFicheros(const QString& titulo) = 0;
    // Where to save an offered file; none when cancelled. Asks before replacing a file.
    virtual std::optional<QString> ElegirDestino(const QString& titulo, const QString& propuesto) = 0;
    // A shown window for a new transfer. `abortar` is what closing it calls once its user
    // confirms; it aborts exactly this transfer, or does nothing once it has ended.
    virtual std::unique_ptr<TVistaTransferencia> CrearVista(const TDatosVista& datos,
                                                            std::function<void()> abortar) = 0;
};

// One progress sample: Tx at a moment of the steady clock; Hora 0 is "not taken yet".
struct TMuestra {
    qint64 Bytes = 0;
    qint64 Hora = 0;
};

// One transfer as one side sees it; the list it is in gives the direction.
struct TTxFichero {
    qint32 ID = 0;
    QString Ruta;
    qint64 Tam = 0;
    qint64 Tx = 0;
    qint64 Inicio = 0;  // ms on the steady clock when the data phase began; 0 until then
    // One handle serves whole blocks and the short tail alike.
    QFile Fichero;
    QString IP;
    std::unique_ptr<TVistaTransferencia> Ventana;
    std::array<TMuestra, 5> Muestras{};
    // Sender in stop and wait: the next block's message, composed ahead.
    QByteArray Siguiente;

    // --- The extended mode ---
    // The name as it travelled in the offer, to know the offer again after a drop.
    QByteArray NombreOfrecido;
    // The limits both ends keep to, once agreed; none in stop and wait.
    struct TLimites {
        qint64 EnVuelo = 0;
        qint32 Bloque = 0;
    };
    std::optional<TLimites> Extendido;
    // Sender: what the receiver stated right before accepting, with the part it holds.
    struct TCapacidad {
        TLimites Limites;
        qint64 Tengo = 0;
        QByteArray Resumen;
    };
    std::optional<TCapacidad> Capacidad;
    // Sender: bytes read and sent; Tx counts those the receiver has written.
    qint64 Enviado = 0;
    bool FinEnviado = false;
    // Sender: the connection dropped after the end went out, before the receiver's answer.
    bool FinSinRespuesta = false;
    // Receiver: accepted saying what it takes; the sender has not answered yet.
    bool EsperaUso = false;
    bool Interrumpida = false;
    // Both: the held part is being checked before the data phase goes on.
    bool Comprobando = false;
    TResumidor Resumen;

    void TomarMuestra(qint64 hora) {
        std::move(Muestras.begin() + 1, Muestras.end(), Muestras.begin());
        Muestras.back() = {Tx, hora};
    }
};
