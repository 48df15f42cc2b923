#pragma once

#include "core/interfaz.h"
#include "core/mensajero.h"

#include <QMainWindow>
#include <memory>

class QAction;
class QApplication;
class QFrame;
class QMenu;
class QSystemTrayIcon;
class TDescubrimiento;
class TfrmAbout;
class TfrmBuscarEnRed;
class TfrmNuevoContacto;
class TGradientBar;
class TLabel2;
class TListaContactos;
class TModeloContactos;
class TReproductorSonido;
class TTransferencias;
class TVentanasFlash;
class TVentanasTransferencia;

// The program's one long-lived window: the own nick, the contact list, the menus and the
// tray icon. It owns the core and is the core's way to the user.
class TfrmPrincipal : public QMainWindow, public TInterfazUsuario {
    Q_OBJECT
public:
    explicit TfrmPrincipal(TMensajero::TOpciones opciones, QWidget* padre = nullptr);
    ~TfrmPrincipal() override;

    // Spanish standard buttons, font substitutions, title and icon; before any window.
    static void PrepararAplicacion(QApplication& aplicacion);

    // False when the port cannot be listened on; the reason is in `error`.
    bool Iniciar(QString* error);
    // The orderly end, once: transfers aborted, rooms left, settings and contacts saved.
    void Finalizar();
    // A second start of the program asked for this window.
    void Activar();
    void Restaurar();

    TMensajero& Mensajero() { return *FMensajero; }
    TDescubrimiento& Descubrimiento() { return *FDescubrimiento; }
    // What the add-contact dialog and the search window add: the contact is saved and
    // connected.
    void AnadirContactoNuevo(const QString& nick, const QString& ip);
    bool Oculto() const { return FOculto; }

    // TInterfazUsuario
    bool Preguntar(const QString& titulo, const QString& texto, TBotones botones) override;
    void MostrarError(const QString& titulo, const QString& texto) override;
    void MostrarInformacion(const QString& titulo, const QString& texto) override;
    std::optional<QString> PedirTexto(const QString& titulo, const QString& etiqueta,
                                      const QString& inicial) override;
    void ReproducirSonido(const QString& fichero) override;
    void RepintarContactos() override;
    void AplicarConfig(const TConfig& config) override;
    void AnadirIconoTray() override;
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
    TFilaContacto* FilaSeleccionada() const;

    void mnuAnadirContactoClick();
    void mnuBuscarEnRedClick();
    void mnuSalirClick();
    void mnuModoDebugClick(bool activo);
    void mnuAboutClick();
    void mnuPopUpContactosIPClick();
    void mnuPopUpContactosEliminarClick();
    void mnuPopUpContactosMensajeFlashClick();
    void mnuPopUpContactosEnviarArchivoClick();
    void mnuPopUpContactosEnviarEMailClick();
    void mnuTrayOcultarClick();
    void ListViewContactosDblClick();

    std::unique_ptr<TMensajero> FMensajero;
    std::unique_ptr<TVentanasFlash> FFlash;
    std::unique_ptr<TVentanasTransferencia> FVentanasTx;
    std::unique_ptr<TTransferencias> FTransferencias;
    std::unique_ptr<TDescubrimiento> FDescubrimiento;
    TModeloContactos* FModelo = nullptr;
    TGradientBar* ProgressBarNick = nullptr;
    TLabel2* lblNick = nullptr;
    QFrame* BevelFondo = nullptr;
    TListaContactos* ListViewContactos = nullptr;
    QMenu* PopupMenuListViewContactos = nullptr;
    QMenu* PopupMenuTray = nullptr;
    QSystemTrayIcon* FTray = nullptr;
    TReproductorSonido* FSonido = nullptr;
    TfrmNuevoContacto* FfrmNuevoContacto = nullptr;
    TfrmAbout* FfrmAbout = nullptr;
    TfrmBuscarEnRed* FfrmBuscarEnRed = nullptr;

    QAction* mnuPopUpContactosIP = nullptr;
    QAction* mnuPopUpContactosEliminar = nullptr;
    QAction* mnuPopUpContactosMensajeFlash = nullptr;
    QAction* mnuPopUpContactosEmpezarChat = nullptr;
    QAction* mnuPopUpContactosEnviarArchivo = nullptr;
    QAction* mnuPopUpContactosEnviarEMail = nullptr;
    QAction* mnuTrayRestaurar = nullptr;
    QAction* mnuTrayOcultar = nullptr;

    bool FOculto = false;
    bool FIniciado = false;  // only what was loaded is saved at the end
    bool FFinalizado = false;
};
