#pragma once

#include "core/mensajero.h"
#include "principal/frmprincipal.h"

#include <QObject>
#include <chrono>
#include <memory>

class TAvisosEscritorio;
class TDescubrimiento;
class TfrmAbout;
class TfrmBuscarEnRed;
class TfrmChat;
class TfrmConfig;
class TfrmNuevoContacto;
class TSalasChat;
class TTransferencias;
class TVentanasFlash;
class TVentanasTransferencia;

// The whole program: the main window, the core it shows, the features and their windows.
// It is the one place that creates and wires them; it builds them in an order that works
// and ends them in one visible order.
class TPrograma : public QObject {
    Q_OBJECT
public:
    // How long the end waits, in all, for the last messages to reach the peers.
    static constexpr std::chrono::milliseconds kPlazoVaciado{2000};

    explicit TPrograma(TMensajero::TOpciones opciones, QObject* padre = nullptr);
    ~TPrograma() override;

    // Listens, loads the settings and the contacts, connects to every contact and starts
    // the features. False when the port cannot be listened on; the reason is in `error`.
    bool Iniciar(QString* error);
    // Every way out: "&Salir", the close box, the end of the session, SIGTERM and SIGINT.
    // It leaves the event loop, and the end runs on the way out.
    static void Salir();
    // The end, once: transfers aborted, chat rooms left, the last messages flushed to the
    // peers, then settings and contacts saved.
    void Finalizar();

    TfrmPrincipal& Principal() { return *principal_; }
    TMensajero& Mensajero() { return *mensajero_; }
    // Null until Iniciar.
    TfrmConfig* frmConfig() const { return frmConfig_; }

private:
    TAccionesPrincipal Acciones();
    void CrearDialogos();
    void AnadirContacto();
    void AbrirConfig(int pagina);
    void AcercaDe();
    // Hosted chat rooms handed over, from the last to the first, then joined rooms left,
    // from the last to the first, while the chat window still exists.
    void DejarSalasChat();

    // Declared in the order of building; they go in reverse.
    std::unique_ptr<TfrmPrincipal> principal_;
    std::unique_ptr<TMensajero> mensajero_;
    std::unique_ptr<TAvisosEscritorio> avisos_;
    std::unique_ptr<TVentanasFlash> flash_;
    std::unique_ptr<TVentanasTransferencia> ventanasTransferencia_;
    std::unique_ptr<TTransferencias> transferencias_;
    std::unique_ptr<TDescubrimiento> descubrimiento_;
    // The main window's dialogs and the search window are its children: it owns them.
    TfrmBuscarEnRed* buscarEnRed_ = nullptr;
    TfrmNuevoContacto* frmNuevoContacto_ = nullptr;
    TfrmAbout* frmAbout_ = nullptr;
    TfrmConfig* frmConfig_ = nullptr;
    // The window before its rooms: the rooms write into it until they are gone.
    std::unique_ptr<TfrmChat> frmChat_;
    std::unique_ptr<TSalasChat> salasChat_;
    bool iniciado_ = false;  // only what was loaded is saved at the end
    bool finalizado_ = false;
};
