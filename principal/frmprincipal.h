#pragma once

#include "core/interfaz.h"
#include "core/mensajero.h"

#include <QMainWindow>
#include <QMessageBox>
#include <functional>

class QAction;
class QApplication;
class QFrame;
class QMenu;
class QSystemTrayIcon;
class TAvisosEscritorio;
class TGradientBar;
class TLabel2;
class TListaContactos;
class TModeloContactos;
class TReproductorSonido;

// What the menus call in the features, for the contact the popup opened on, and the way out.
struct TAccionesPrincipal {
    std::function<void(const QString& ip)> MensajeFlash;
    std::function<void(const QString& ip)> EnviarArchivo;
    // Files dropped on a contact: one offer each.
    std::function<void(const QString& ip, const QStringList& rutas)> EnviarArchivos;
    std::function<void(const QString& ip)> EmpezarChat;
    // "Ventana de &Chat": shows the chat window and brings it forward.
    std::function<void()> VentanaChat;
    std::function<void(const QString& ip)> ComprobarConexion;
    std::function<void()> BuscarEnRed;
    // The dialogs: add a contact, the settings on their profile page or their first page,
    // the about box.
    std::function<void()> AnadirContacto;
    std::function<void()> CambiarNick;
    std::function<void()> Configurar;
    std::function<void()> AcercaDe;
    std::function<void()> Salir;
};

// The program's one long-lived window: the own nick, the contact list, the menus and the
// tray icon. It is the core's way to the user; the program object owns both.
class TfrmPrincipal : public QMainWindow, public TInterfazUsuario {
    Q_OBJECT
public:
    explicit TfrmPrincipal(QWidget* padre = nullptr);

    // Spanish standard buttons, font substitutions, title and icon; before any window.
    static void PrepararAplicacion(QApplication& aplicacion);

    // The core this window shows and the features its menus call; once, before anything
    // is shown or loaded.
    void Enlazar(TMensajero& mensajero, TAccionesPrincipal acciones);
    // Desktop notifications for the questions its boxes ask, with the tray icon's message
    // where no notification service answers.
    void FijarAvisos(TAvisosEscritorio& avisos);
    // A second start of the program asked for this window.
    void Activar();
    void Restaurar();

    bool Oculto() const { return oculto_; }
    // What the add-contact dialog and the search window add: the contact is saved and
    // connected.
    void AnadirContactoNuevo(const QString& nick, const QString& ip);

    // TInterfazUsuario
    bool Preguntar(const QString& titulo, const QString& texto, TBotones botones) override;
    void MostrarError(const QString& titulo, const QString& texto) override;
    void MostrarInformacion(const QString& titulo, const QString& texto) override;
    std::optional<QString> PedirTexto(const QString& titulo, const QString& etiqueta,
                                      const QString& inicial, const QValidator* filtro) override;
    void ReproducirSonido(const QString& fichero) override;
    void AvisarEscritorio(const QString& nick, const QString& texto) override;
    void RepintarContactos() override;
    void AplicarConfig(const TConfig& config) override;
    void AnadirIconoTray() override;
    void QuitarIconoTray();
    QRect GeometriaPrincipal() const override;
    void FijarGeometriaPrincipal(const QRect& geometria) override;
    QSize TamanoPantalla() const override;

protected:
    void closeEvent(QCloseEvent* evento) override;
    void resizeEvent(QResizeEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void CrearComponentes();
    void CrearMenus();
    void CrearTray();
    void Disponer();
    void HabilitarPopup();
    void OcultarEnTray();
    int Caja(QMessageBox::Icon icono, const QString& titulo, const QString& texto,
             QMessageBox::StandardButtons botones);
    TFilaContacto* FilaSeleccionada() const;

    void mnuAnadirContactoClick() { acciones_.AnadirContacto(); }
    void mnuBuscarEnRedClick() { acciones_.BuscarEnRed(); }
    void mnuSalirClick() { acciones_.Salir(); }
    void mnuModoDebugClick(bool activo);
    void mnuAboutClick() { acciones_.AcercaDe(); }
    void mnuPopUpContactosIPClick();
    void mnuPopUpContactosEliminarClick();
    void mnuPopUpContactosMensajeFlashClick();
    void mnuPopUpContactosEnviarArchivoClick();
    void mnuPopUpContactosChatClick();
    void mnuVentanaChatClick();
    void mnuPopUpContactosEnviarEMailClick();
    void mnuPopUpContactosComprobarClick();
    void mnuTrayOcultarClick();
    void ListViewContactosDblClick();
    void ListViewContactosFicherosSoltados(int fila, const QStringList& rutas);

    TMensajero* mensajero_ = nullptr;
    TAccionesPrincipal acciones_;
    TModeloContactos* modelo_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    TReproductorSonido* sonido_ = nullptr;
    TAvisosEscritorio* avisos_ = nullptr;
    bool oculto_ = false;
    bool nickPulsado_ = false; // a left press on the nick label waits for its release

    // Components
    TGradientBar* ProgressBarNick = nullptr;
    TLabel2* lblNick = nullptr;
    QFrame* BevelFondo = nullptr;
    TListaContactos* ListViewContactos = nullptr;
    QMenu* PopupMenuListViewContactos = nullptr;
    QMenu* PopupMenuTray = nullptr;
    QAction* mnuPopUpContactosIP = nullptr;
    QAction* mnuPopUpContactosEliminar = nullptr;
    QAction* mnuPopUpContactosMensajeFlash = nullptr;
    QAction* mnuPopUpContactosEmpezarChat = nullptr;
    QAction* mnuPopUpContactosEnviarArchivo = nullptr;
    QAction* mnuPopUpContactosEnviarEMail = nullptr;
    QAction* mnuPopUpContactosComprobar = nullptr;
    QAction* mnuTrayRestaurar = nullptr;
    QAction* mnuTrayOcultar = nullptr;
};
