#pragma once

#include "core/protocolo.h"
#include "core/registromanejador.h"
#include "transfer/txfichero.h"

#include <QObject>
#include <memory>
#include <vector>

class TMensajero;

// File transfer over the peer connections:
//
//   OFRECE_FILE:id:size:name    sender -> receiver     FILE_PKT:id:data   3000 bytes, escaped
//   ACEPTA_FILE:id:size:name    receiver -> sender     FILE_ACK:id        receiver -> sender
//   RECHAZA_FILE:id             receiver -> sender     FIN_FILE:id:data   the last 0..2999 bytes
//   ABORT_FILE:id               either side
//
// Stop and wait: the next block leaves when the last one is acknowledged. Ids are the
// sender's; a transfer only listens to its own peer. An offer withdrawn, or whose peer
// leaves, while its user decides is gone: nothing is answered, created or emptied.
class TTransferencias {
public:
    using TLista = std::vector<std::shared_ptr<TTxFichero>>;

    // Registers the seven file commands with the core; create it after the core and
    // destroy it before.
    TTransferencias(TMensajero& mensajero, TInterfazTransferencias& interfaz);
    TTransferencias(const TTransferencias&) = delete;
    TTransferencias& operator=(const TTransferencias&) = delete;

    // "Enviar &Archivo" on a contact: asks for files and offers each.
    void OfrecerFichero(const QString& ip);
    // Files dropped on a contact: one offer each, or the user is told it is not connected.
    void OfrecerFicheros(const QString& ip, const QStringList& rutas);

    // At the end: every outgoing, then every incoming transfer, each from the last to the
    // first, aborted and its peer told; the windows keep their last state.
    void AbortarTodas();

    const TLista& Salientes() const { return salientes_; }
    const TLista& Entrantes() const { return entrantes_; }

private:
    // Each offer may open a box, which runs the event loop: the contact may go meanwhile.
    void OfrecerCada(const QString& ip, const QStringList& rutas);
    void Ofrecer(const QString& ip, const QString& ruta);
    void AlOfrecer(const QString& ip, const TMensajeRecibido& mensaje);
    void AlAceptar(const QString& ip, const TMensajeRecibido& mensaje);
    void AlRechazar(const QString& ip, const TMensajeRecibido& mensaje);
    void AlRecibirBloque(const QString& ip, const TMensajeRecibido& mensaje);
    void AlConfirmarBloque(const QString& ip, const TMensajeRecibido& mensaje);
    void AlRecibirFin(const QString& ip, const TMensajeRecibido& mensaje);
    void AlAbortar(const QString& ip, const TMensajeRecibido& mensaje);

    // An offer while its boxes are open, which run the event loop: meanwhile its peer may
    // abort it or leave.
    struct TOfertaPendiente {
        QString IP;
        qint32 ID = 0;
        bool Retirada = false;
    };
    bool Retirada(const TOfertaPendiente& oferta) const;

    // Where an accepted file goes. Only a file the user picked in the save dialog replaces
    // one that is there; an automatically accepted one takes the first free name.
    struct TDestino {
        QString Carpeta;
        QString Nombre;
        bool Reemplazar;
    };
    QString CarpetaAutomatica() const;
    // None when refused, or withdrawn before the user has finished deciding.
    std::optional<TDestino> DestinoAceptado(const TOfertaPendiente& oferta, const QString& nick,
                                            const QString& nombre, qint32 tam);
    static bool AbrirDestino(QFile& fichero, const TDestino& destino);
    void Recibir(const QString& ip, qint32 id, qint32 tam, QByteArrayView nombreOfrecido,
                 const QString& nombre, const TDestino& destino);
    void EnviarSiguienteBloque(const std::shared_ptr<TTxFichero>& tx);
    bool EscribirFin(TTxFichero& tx, QByteArrayView datos);
    void Refrescar(TTxFichero& tx);
    void Terminar(TLista& lista, const std::shared_ptr<TTxFichero>& tx, TFinTransferencia fin);
    // Tells the peer, shows the transfer aborted and then the error.
    void FallarTransferencia(TLista& lista, const std::shared_ptr<TTxFichero>& tx,
                             const QString& error);
    void Abortar(const std::shared_ptr<TTxFichero>& tx);
    std::function<void()> AbortarDesdeVentana(const std::shared_ptr<TTxFichero>& tx);
    std::unique_ptr<TVistaTransferencia> CrearVista(const std::shared_ptr<TTxFichero>& tx,
                                                    const QString& cabecera, const QString& nombre,
                                                    bool enviando);

    TMensajero& mensajero_;
    TInterfazTransferencias& interfaz_;
    TLista salientes_;
    TLista entrantes_;
    std::vector<std::shared_ptr<TOfertaPendiente>> pendientes_;
    // Reused for every block, so that a block costs no allocation.
    QByteArray bloque_;
    QByteArray escapado_;
    QByteArray mensaje_;
    // Last, so that no handler outlives what it uses.
    QObject contexto_; // of the connection to the core's disconnections
    std::vector<TRegistroManejador> registros_;
};
