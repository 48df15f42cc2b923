#include "app/programa.h"

#include "avisos/serviciodbus.h"
#include "chat/frmchat.h"
#include "chat/salaschat.h"
#include "core/version.h"
#include "flash/ventanasflash.h"
#include "principal/frmabout.h"
#include "principal/frmnuevocontacto.h"
#include "red/comprobacion.h"
#include "red/descubrimiento.h"
#include "red/frmbuscarenred.h"
#include "settings/frmconfig.h"
#include "transfer/transferencias.h"
#include "transfer/ventanastransferencia.h"
#include "widgets/cabeceraventana.h"
#include "widgets/colocacion.h"

#include <QCoreApplication>
#include <chrono>

// The core reaches the user through the window, and the window shows the core: the window
// comes first, bare, and is linked to the core once both exist.
TPrograma::TPrograma(TMensajero::TOpciones opciones, QObject* padre)
    : QObject(padre), principal_(std::make_unique<TfrmPrincipal>()),
      mensajero_(std::make_unique<TMensajero>(std::move(opciones), *principal_)),
      avisos_(std::make_unique<TAvisosEscritorio>(
          mensajero_->Config(),
          std::make_unique<TServicioDBus>(QDBusConnection::sessionBus(),
                                          [mensajero = mensajero_.get()](const TError& error) {
                                              mensajero->ManejarExcepcion(error);
                                          }))) {
    principal_->Enlazar(*mensajero_, Acciones());
    principal_->FijarAvisos(*avisos_);
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &TPrograma::Finalizar);
}

TPrograma::~TPrograma() { Finalizar(); }

bool TPrograma::Iniciar(QString* error) {
    if (!mensajero_->Escuchar(error))
        return false;
    iniciado_ = true;
    mensajero_->CargarConfig();
    mensajero_->CargarAgenda();
    mensajero_->ConectarTodos();
    mensajero_->VigilarRed();
    TfrmPrincipal* principal = principal_.get();
    flash_ = std::make_unique<TVentanasFlash>(
        *mensajero_, principal, [principal] { return principal->Oculto(); }, avisos_.get());
    ventanasTransferencia_ = std::make_unique<TVentanasTransferencia>(principal, mensajero_->Config());
    transferencias_ = std::make_unique<TTransferencias>(*mensajero_, *ventanasTransferencia_);
    descubrimiento_ = std::make_unique<TDescubrimiento>(*mensajero_);
    descubrimiento_->Escuchar();
    descubrimiento_->Anunciar();
    buscarEnRed_ = new TfrmBuscarEnRed(
        *descubrimiento_,
        [principal](const QString& nick, const QString& ip) { principal->AnadirContactoNuevo(nick, ip); },
        principal);
    CrearDialogos();
    frmChat_ = std::make_unique<TfrmChat>(*mensajero_);
    salasChat_ = std::make_unique<TSalasChat>(*mensajero_, *frmChat_);
    frmChat_->Enlazar(*salasChat_);
    frmChat_->FijarAvisos(avisos_.get());
    frmConfig_->Efectos().AplicarChat = [this] { frmChat_->AplicarConfigChat(); };
    return true;
}

void TPrograma::CrearDialogos() {
    TfrmPrincipal* principal = principal_.get();
    frmNuevoContacto_ = new TfrmNuevoContacto(principal);
    frmAbout_ = new TfrmAbout(principal, unsigned(std::chrono::system_clock::now().time_since_epoch().count()));
    frmAbout_->PanelCabecera()->lblCaption()->setText(u"About " + kTituloPrograma);
    frmConfig_ = new TfrmConfig(*mensajero_,
                                {.RestaurarPrincipal = [principal] { principal->Restaurar(); },
                                 .AnadirIconoTray = [principal] { principal->AnadirIconoTray(); },
                                 .QuitarIconoTray = [principal] { principal->QuitarIconoTray(); }},
                                principal);
}

void TPrograma::AnadirContacto() {
    if (frmNuevoContacto_->exec() != QDialog::Accepted)
        return;
    const QString nick = frmNuevoContacto_->Nick();
    const QString ip = frmNuevoContacto_->IP();
    if (nick.isEmpty() && ip.isEmpty())
        return;
    principal_->AnadirContactoNuevo(nick, ip);
}

// The menus are there before the dialogs.
void TPrograma::AbrirConfig(int pagina) {
    if (frmConfig_)
        frmConfig_->Abrir(TfrmConfig::TPagina(pagina));
}

void TPrograma::AcercaDe() {
    ColocarSobrePrincipal(frmAbout_, principal_.get());
    frmAbout_->exec();
}

TAccionesPrincipal TPrograma::Acciones() {
    return {
        .MensajeFlash = [this](const QString& ip) { flash_->AbrirFlashEnvio(ip); },
        .EnviarArchivo = [this](const QString& ip) { transferencias_->OfrecerFichero(ip); },
        .EnviarArchivos = [this](const QString& ip, const QStringList& rutas) {
            transferencias_->OfrecerFicheros(ip, rutas);
        },
        .EmpezarChat = [this](const QString& ip) { salasChat_->EmpezarChat(ip); },
        .VentanaChat =
            [this] {
                frmChat_->MostrarVentanaChat();
                frmChat_->activateWindow();
            },
        .ComprobarConexion = [this](const QString& ip) { (new TComprobacion(*mensajero_, ip))->Empezar(); },
        .BuscarEnRed =
            [this] {
                buscarEnRed_->show();
                buscarEnRed_->raise();
                buscarEnRed_->activateWindow();
            },
        .AnadirContacto = [this] { AnadirContacto(); },
        .CambiarNick = [this] { AbrirConfig(TfrmConfig::Perfil); },
        .Configurar = [this] { AbrirConfig(TfrmConfig::General); },
        .AcercaDe = [this] { AcercaDe(); },
        .Salir = &TPrograma::Salir,
    };
}

// Not quit(): that first asks every window to close, and an unfinished transfer's window
// would put a question to nobody, the tray setting would hide the main window instead.
void TPrograma::Salir() { QCoreApplication::exit(0); }

void TPrograma::Finalizar() {
    if (finalizado_ || !iniciado_)
        return;
    finalizado_ = true;
    TMensajero& mensajero = *mensajero_;
    mensajero.Terminar();
    mensajero.Proteger([this] { transferencias_->AbortarTodas(); });
    mensajero.Proteger([this] { DejarSalasChat(); });
    mensajero.VaciarEnvios(kPlazoVaciado);
    mensajero.Proteger([&] { mensajero.GuardarConfig(); });
    mensajero.Proteger([&] { mensajero.GuardarAgenda(); });
    mensajero.AvisarPendientes();
}

void TPrograma::DejarSalasChat() {
    if (salasChat_)
        salasChat_->AbandonarTodas();
}
