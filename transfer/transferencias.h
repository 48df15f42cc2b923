#pragma once

#include "core/protocolo.h"
#include "core/registromanejador.h"
#include "transfer/txfichero.h"

#include <QObject>
#include <QSet>
#include <deque>
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
// Stop and wait: the next block leaves when the last one is acknowledged. Between two copies
// of this program the extended mode (see core/protocolo.h) keeps many larger blocks in flight,
// takes any size, checks the file at the end and goes on after a dropped connection. Ids are
// the sender's; a transfer only listens to its own peer. An offer withdrawn, or whose peer
// leaves, while its user decides is gone: nothing is answered, created or emptied.
class TTransferencias {
public:
    using TLista = std::vector<std::shared_ptr<TTxFichero>>;

    // Registers the file commands with the core; create it after the core and destroy it
    // before. Without `extendido` it behaves as every other peer: it neither sends nor reads
    // the messages of the extended mode.
    TTransferencias(TMensajero& mensajero, TInterfazTransferencias& interfaz,
                    bool extendido = true);
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
    void AlPoder(const QString& ip, const TMensajeRecibido& mensaje);
    void AlUsar(const QString& ip, const TMensajeRecibido& mensaje);
    void AlRecibirBloqueExtendido(const QString& ip, const TMensajeRecibido& mensaje);
    void AlConfirmarExtendido(const QString& ip, const TMensajeRecibido& mensaje);
    void AlRecibirFinExtendido(const QString& ip, const TMensajeRecibido& mensaje);
    void AlComprobar(const QString& ip, const TMensajeRecibido& mensaje);
    void AlPreguntarExtendido(const QString& ip, const TMensajeRecibido& mensaje);
    void AlSaberExtendido(const QString& ip, const TMensajeRecibido& mensaje);
    void AlDesconectar(const QString& ip);

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
                                            const QString& nombre, qint64 tam);
    static bool AbrirDestino(QFile& fichero, const TDestino& destino);
    void Recibir(const QString& ip, qint32 id, qint64 tam, QByteArrayView nombreOfrecido,
                 const QString& nombre, const TDestino& destino);
    void Aceptar(TTxFichero& tx, const QByteArray& resumen);
    void Reanudar(const std::shared_ptr<TTxFichero>& tx);
    void Reanudado(const std::shared_ptr<TTxFichero>& tx, const QByteArray& resumen);
    // What follows the check of a held part, from the event loop; nothing once the transfer
    // is gone, and nothing after an interruption or an end (the hasher drops the answer).
    using TSeguir = std::function<void(const std::shared_ptr<TTxFichero>& tx,
                                       const std::optional<QByteArray>& hex)>;
    TResumidor::THecho TrasComprobar(const std::shared_ptr<TTxFichero>& tx, TSeguir seguir);
    void Ofrecer(const QString& ip, const QString& ruta, qint64 tam);
    void EnviarOferta(const TTxFichero& tx);
    void DesistirDeGrandes(const QString& ip);
    struct TOfertaGrande {
        QString IP;
        QString Ruta;
        qint64 Tam;
    };
    void EnviarSiguienteBloque(const std::shared_ptr<TTxFichero>& tx);
    bool ComponerSiguiente(const std::shared_ptr<TTxFichero>& tx);
    void EmpezarExtendido(const std::shared_ptr<TTxFichero>& tx,
                          const TTxFichero::TCapacidad& capacidad);
    // The data phase from `desde`, the part the receiver keeps.
    void Usar(const std::shared_ptr<TTxFichero>& tx, const TTxFichero::TLimites& limites,
              qint64 desde);
    void Rellenar(const std::shared_ptr<TTxFichero>& tx);
    // The next `cuantos` bytes of the file, escaped, as `comando` into `destino`; false, with
    // the transfer failed, when the file cannot give them.
    bool ComponerBloque(const std::shared_ptr<TTxFichero>& tx, qint64 cuantos, TComando comando,
                        QByteArray& destino);
    // bloque_ to the file; false, with the transfer failed, when it cannot be written.
    bool Escribir(TLista& lista, const std::shared_ptr<TTxFichero>& tx);
    bool Vaciar(const std::shared_ptr<TTxFichero>& tx);
    void Interrumpir(TTxFichero& tx);
    void Cerrar(TTxFichero& tx);
    void Reofrecer(const QString& ip);
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
    const bool extendido_;
    TLista salientes_;
    TLista entrantes_;
    std::vector<std::shared_ptr<TOfertaPendiente>> pendientes_;
    // Peers that spoke the extended mode on their current connection.
    QSet<QString> extendidos_;
    // Files of 2 GiB or more waiting to hear whether their peer takes the extended mode.
    std::vector<TOfertaGrande> grandes_;
    // Extended transfers received and checked, or aborted here while cut off: a sender that
    // did not hear how they ended offers them again, and hears it then.
    struct TDesenlace {
        QString IP;
        qint32 ID = 0;
        qint64 Tam = 0;
        QByteArray Nombre;
        TComando Respuesta;
    };
    std::deque<TDesenlace> desenlaces_;
    void RecordarDesenlace(const TTxFichero& tx, TComando respuesta);
    // Extended transfers sent from here and aborted here while cut off: the receiver is told
    // when the contact is back.
    struct TAbandono {
        QString IP;
        qint32 ID = 0;
    };
    std::deque<TAbandono> abandonos_;
    // Reused for every block, so that a block costs no allocation.
    QByteArray bloque_;
    QByteArray mensaje_;
    // Last, so that no handler outlives what it uses.
    QObject contexto_; // of the connection to the core's disconnections
    std::vector<TRegistroManejador> registros_;
};
