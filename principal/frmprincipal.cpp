#include "principal/frmprincipal.h"

#include "core/utilidades.h"
#include "core/version.h"
#include "principal/listacontactos.h"
#include "principal/modelocontactos.h"
#include "principal/principal.h"
#include "widgets/avisoventana.h"
#include "widgets/colocacion.h"
#include "widgets/estilo.h"
#include "widgets/gradientbar.h"
#include "widgets/iconos.h"
#include "widgets/label2.h"
#include "widgets/reproductorsonido.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDrag>
#include <QFontDatabase>
#include <QFrame>
#include <QInputDialog>
#include <QLineEdit>
#include <QLibraryInfo>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QSystemTrayIcon>
#include <QTranslator>
#include <QUrl>

namespace {

constexpr TColor kColorBotones = kColorSistema | 15;

} // namespace

TfrmPrincipal::TfrmPrincipal(QWidget* padre) : QMainWindow(padre) {
    setObjectName(QStringLiteral("frmPrincipal"));
    // The close box and the system menu; no minimise or maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowTitle(kTituloPrograma);
    setWindowIcon(QIcon(QPixmap::fromImage(IconoPrograma(32))));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    Colorear(this, QColor(190, 190, 190), QPalette::Window);
    setAutoFillBackground(true);
    sonido_ = new TReproductorSonido(this);
    CrearComponentes();
    CrearMenus();
    CrearTray();
}

void TfrmPrincipal::PrepararAplicacion(QApplication& aplicacion) {
    // No application display name: the window system would append it to every caption.
    aplicacion.setWindowIcon(QIcon(QPixmap::fromImage(IconoPrograma(64))));
    aplicacion.setQuitOnLastWindowClosed(false);
    auto* traductor = new QTranslator(&aplicacion);
    if (traductor->load(QLocale(QLocale::Spanish), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        aplicacion.installTranslator(traductor);
    const QString sistema = QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    const QString fija = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), sistema);
    QFont::insertSubstitution(QStringLiteral("Fixedsys"), fija);
}

void TfrmPrincipal::Enlazar(TMensajero& mensajero, TAccionesPrincipal acciones) {
    mensajero_ = &mensajero;
    acciones_ = std::move(acciones);
    modelo_ = new TModeloContactos(mensajero_->Agenda(), this);
    ListViewContactos->setModel(modelo_);
    ListViewContactos->setItemDelegate(
        new TDelegadoContactos(mensajero_->Agenda(), *ListViewContactos, this));
}

void TfrmPrincipal::FijarAvisos(TAvisosEscritorio& avisos) {
    avisos_ = &avisos;
    avisos.FijarTray([this](const QString& titulo, const QString& texto) {
        if (!tray_->isVisible() || !QSystemTrayIcon::isSystemTrayAvailable())
            return false;
        tray_->showMessage(titulo, texto, tray_->icon());
        return true;
    });
    connect(tray_, &QSystemTrayIcon::messageClicked, this, [&avisos] { avisos.TrayPulsado(); });
}

void TfrmPrincipal::CrearComponentes() {
    auto* centro = new QWidget(this);
    centro->setMinimumSize(kTamanoMinimoPrincipal);
    setCentralWidget(centro);
    ProgressBarNick = new TGradientBar(centro);
    ProgressBarNick->setObjectName(QStringLiteral("ProgressBarNick"));
    ProgressBarNick->SetBarColorStyle(TBarColorStyle::cs2Colors);
    ProgressBarNick->SetBarColor1(ColorRGB(19, 0, 128));
    ProgressBarNick->SetBarColor2(ColorRGB(0, 0, 255));
    ProgressBarNick->SetShowPosText(false);
    ProgressBarNick->SetPosition(100);
    lblNick = new TLabel2(ProgressBarNick);
    lblNick->setObjectName(QStringLiteral("lblNick"));
    lblNick->setTextFormat(Qt::PlainText);
    lblNick->move(3, 3);
    lblNick->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    lblNick->setCursor(Qt::PointingHandCursor);
    lblNick->setToolTip(QStringLiteral("Cambiar nick..."));
    lblNick->installEventFilter(this);
    SubrayarAlPasar(lblNick);
    BevelFondo = new QFrame(centro);
    BevelFondo->setObjectName(QStringLiteral("BevelFondo"));
    BevelFondo->setFrameStyle(QFrame::Box | QFrame::Sunken);
    ListViewContactos = new TListaContactos(centro);
    Colorear(ListViewContactos, AQColor(kColorBotones), QPalette::Base);
    connect(ListViewContactos, &QListView::doubleClicked, this, &TfrmPrincipal::ListViewContactosDblClick);
    connect(ListViewContactos, &TListaContactos::FilaSoltada, this,
            [this](int origen, int destino) {
                mensajero_->MoverContacto(origen, destino);
                modelo_->Refrescar();
                const int nueva = destino >= modelo_->rowCount() ? modelo_->rowCount() - 1
                                  : destino > origen             ? destino - 1
                                                                 : destino;
                ListViewContactos->setCurrentIndex(modelo_->index(nueva));
            });
    connect(ListViewContactos, &TListaContactos::FicherosSoltados, this,
            &TfrmPrincipal::ListViewContactosFicherosSoltados);
    connect(ListViewContactos, &TListaContactos::MenuPedido, this, [this](QPoint global) {
        HabilitarPopup();
        PopupMenuListViewContactos->popup(global);
    });
}

void TfrmPrincipal::CrearMenus() {
    QMenu* messenger = menuBar()->addMenu(QStringLiteral("&Messenger"));
    messenger->addAction(QStringLiteral("&Añadir contacto"), this, &TfrmPrincipal::mnuAnadirContactoClick);
    messenger->addAction(QStringLiteral("Buscar en la red..."), this, &TfrmPrincipal::mnuBuscarEnRedClick)
        ->setObjectName(QStringLiteral("mnuBuscarEnRed"));
    messenger->addSeparator();
    QAction* ventanaChat = messenger->addAction(QStringLiteral("Ventana de &Chat"));
    ventanaChat->setObjectName(QStringLiteral("mnuVentanaChat"));
    connect(ventanaChat, &QAction::triggered, this, &TfrmPrincipal::mnuVentanaChatClick);
    messenger->addSeparator();
    messenger->addAction(QStringLiteral("&Salir"), this, &TfrmPrincipal::mnuSalirClick);

    QMenu* opciones = menuBar()->addMenu(QStringLiteral("&Opciones"));
    QAction* cambiarNick = opciones->addAction(QStringLiteral("Cambiar &Nick"), this,
                                               [this] { acciones_.CambiarNick(); });
    cambiarNick->setObjectName(QStringLiteral("mnuCambiarNick"));
    opciones->addSeparator();
    QAction* configurar = opciones->addAction(QStringLiteral("&Configurar"), this,
                                              [this] { acciones_.Configurar(); });
    configurar->setObjectName(QStringLiteral("mnuConfigurar"));
    opciones->addSeparator();
    QAction* debug = opciones->addAction(QStringLiteral("Modo &Debug"));
    debug->setObjectName(QStringLiteral("mnuModoDebug"));
    debug->setCheckable(true);
    connect(debug, &QAction::triggered, this, &TfrmPrincipal::mnuModoDebugClick);
    opciones->addAction(QStringLiteral("&About"), this, &TfrmPrincipal::mnuAboutClick);

    PopupMenuListViewContactos = new QMenu(this);
    PopupMenuListViewContactos->setObjectName(QStringLiteral("PopupMenuListViewContactos"));
    const auto entrada = [this](const char* nombre, const QString& texto) {
        QAction* accion = PopupMenuListViewContactos->addAction(texto);
        accion->setObjectName(QString::fromLatin1(nombre));
        return accion;
    };
    mnuPopUpContactosIP = entrada("mnuPopUpContactosIP", QStringLiteral("IP"));
    PopupMenuListViewContactos->addSeparator();
    mnuPopUpContactosEliminar = entrada("mnuPopUpContactosEliminar", QStringLiteral("&Eliminar contacto"));
    PopupMenuListViewContactos->addSeparator();
    mnuPopUpContactosMensajeFlash = entrada("mnuPopUpContactosMensajeFlash", QStringLiteral("Mensaje &Flash"));
    mnuPopUpContactosEmpezarChat = entrada("mnuPopUpContactosEmpezarChat", QStringLiteral("Empezar &Chat"));
    mnuPopUpContactosEnviarArchivo = entrada("mnuPopUpContactosEnviarArchivo", QStringLiteral("Enviar &Archivo"));
    mnuPopUpContactosEnviarEMail = entrada("mnuPopUpContactosEnviarEMail", QStringLiteral("Enviar E-&Mail"));
    PopupMenuListViewContactos->addSeparator();
    mnuPopUpContactosComprobar = entrada("mnuPopUpContactosComprobar", QStringLiteral("Comprobar conexión"));
    connect(mnuPopUpContactosIP, &QAction::triggered, this, &TfrmPrincipal::mnuPopUpContactosIPClick);
    connect(mnuPopUpContactosEliminar, &QAction::triggered, this, &TfrmPrincipal::mnuPopUpContactosEliminarClick);
    connect(mnuPopUpContactosMensajeFlash, &QAction::triggered, this,
            &TfrmPrincipal::mnuPopUpContactosMensajeFlashClick);
    connect(mnuPopUpContactosEnviarArchivo, &QAction::triggered, this,
            &TfrmPrincipal::mnuPopUpContactosEnviarArchivoClick);
    connect(mnuPopUpContactosEmpezarChat, &QAction::triggered, this,
            &TfrmPrincipal::mnuPopUpContactosChatClick);
    connect(mnuPopUpContactosEnviarEMail, &QAction::triggered, this,
            &TfrmPrincipal::mnuPopUpContactosEnviarEMailClick);
    connect(mnuPopUpContactosComprobar, &QAction::triggered, this, &TfrmPrincipal::mnuPopUpContactosComprobarClick);

    PopupMenuTray = new QMenu(this);
    PopupMenuTray->setObjectName(QStringLiteral("PopupMenuTray"));
    mnuTrayRestaurar = PopupMenuTray->addAction(QStringLiteral("&Restaurar"), this, &TfrmPrincipal::Restaurar);
    mnuTrayOcultar = PopupMenuTray->addAction(QStringLiteral("&Ocultar"), this, &TfrmPrincipal::mnuTrayOcultarClick);
    PopupMenuTray->addSeparator();
    PopupMenuTray->addAction(cambiarNick);
    PopupMenuTray->addAction(configurar);
    PopupMenuTray->addAction(ventanaChat);
    PopupMenuTray->addSeparator();
    PopupMenuTray->addAction(QStringLiteral("&Salir"), this, &TfrmPrincipal::mnuSalirClick);
    connect(PopupMenuTray, &QMenu::aboutToShow, this, [this] {
        mnuTrayRestaurar->setEnabled(oculto_);
        mnuTrayOcultar->setEnabled(!oculto_);
    });
}

void TfrmPrincipal::CrearTray() {
    tray_ = new QSystemTrayIcon(QIcon(QPixmap::fromImage(IconoPrograma(22))), this);
    tray_->setToolTip(kTituloPrograma);
    connect(tray_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason razon) {
                if (razon == QSystemTrayIcon::DoubleClick)
                    Restaurar();
                else if (razon == QSystemTrayIcon::Context)
                    PopupMenuTray->popup(QCursor::pos() - QPoint(1, 1));
            });
}

void TfrmPrincipal::Disponer() {
    const TDisposicionPrincipal d =
        DisponerPrincipal(centralWidget()->size(), mensajero_->Agenda().NumeroFilas());
    ProgressBarNick->setGeometry(d.Barra);
    BevelFondo->setGeometry(d.Marco);
    ListViewContactos->setGeometry(d.Lista);
    ListViewContactos->AnchoColumnaNick = d.AnchoColumnaNick;
    ListViewContactos->viewport()->update();
}

void TfrmPrincipal::resizeEvent(QResizeEvent* evento) {
    QMainWindow::resizeEvent(evento);
    Disponer();
}

TFilaContacto* TfrmPrincipal::FilaSeleccionada() const {
    const QModelIndexList elegidas = ListViewContactos->selectionModel()->selectedIndexes();
    if (elegidas.isEmpty() || elegidas.first().row() >= mensajero_->Agenda().NumeroFilas())
        return nullptr;
    return mensajero_->Agenda().Fila(elegidas.first().row());
}

void TfrmPrincipal::HabilitarPopup() {
    const TFilaContacto* fila = FilaSeleccionada();
    const TContacto* contacto = fila ? mensajero_->BuscarContacto(fila->IP) : nullptr;
    const THabilitacionMenu menu = HabilitarMenuContactos(fila, contacto);
    mnuPopUpContactosIP->setText(menu.CaptionIP);
    mnuPopUpContactosIP->setEnabled(menu.IP);
    mnuPopUpContactosEliminar->setEnabled(menu.Eliminar);
    mnuPopUpContactosMensajeFlash->setEnabled(menu.Flash);
    mnuPopUpContactosEmpezarChat->setEnabled(menu.Chat);
    mnuPopUpContactosEnviarArchivo->setEnabled(menu.Archivo);
    mnuPopUpContactosEnviarEMail->setEnabled(menu.EMail);
    mnuPopUpContactosComprobar->setEnabled(menu.Comprobar);
}

// A left click on the nick: pressed and released on the label.
bool TfrmPrincipal::eventFilter(QObject* objeto, QEvent* evento) {
    // Only a mouse event may be read as one; the label gets paint, polish and others too.
    const bool pulsado = evento->type() == QEvent::MouseButtonPress;
    if (objeto != lblNick || (!pulsado && evento->type() != QEvent::MouseButtonRelease))
        return QMainWindow::eventFilter(objeto, evento);
    const auto* raton = static_cast<QMouseEvent*>(evento);
    if (pulsado) {
        nickPulsado_ = raton->button() == Qt::LeftButton;
        return true;
    }
    if (raton->button() != Qt::LeftButton)
        return QMainWindow::eventFilter(objeto, evento);
    const bool clic = nickPulsado_ && lblNick->rect().contains(raton->position().toPoint());
    nickPulsado_ = false;
    if (clic)
        mensajero_->Proteger([this] { mensajero_->CambiarNick(); });
    return true;
}

void TfrmPrincipal::closeEvent(QCloseEvent* evento) {
    if (PreguntaCierre(oculto_, mensajero_->Config().IconoEnTray) == TRespuestaCierre::Cerrar) {
        evento->accept();
        acciones_.Salir();
        return;
    }
    evento->ignore();
    OcultarEnTray();
}

void TfrmPrincipal::OcultarEnTray() {
    oculto_ = true;
    hide();
}

void TfrmPrincipal::Restaurar() {
    if (oculto_)
        show();
    oculto_ = false;
}

void TfrmPrincipal::Activar() {
    Restaurar();
    show();
    raise();
    activateWindow();
}

void TfrmPrincipal::AnadirContactoNuevo(const QString& nick, const QString& ip) {
    mensajero_->Proteger([&] { mensajero_->AnadirContacto(nick, ip, {}, true, true); });
}

void TfrmPrincipal::mnuModoDebugClick(bool activo) { mensajero_->FijarModoDebug(activo); }

void TfrmPrincipal::mnuPopUpContactosIPClick() {
    if (const TFilaContacto* fila = FilaSeleccionada())
        QGuiApplication::clipboard()->setText(fila->IP);
}

void TfrmPrincipal::mnuPopUpContactosEliminarClick() {
    const QModelIndex indice = ListViewContactos->currentIndex();
    if (!FilaSeleccionada())
        return;
    mensajero_->Proteger([&] { mensajero_->EliminarContacto(indice.row()); });
}

void TfrmPrincipal::mnuPopUpContactosMensajeFlashClick() {
    const TFilaContacto* fila = FilaSeleccionada();
    if (fila && fila->Icono > 0 && acciones_.MensajeFlash)
        acciones_.MensajeFlash(fila->IP);
}

void TfrmPrincipal::mnuPopUpContactosChatClick() {
    const TFilaContacto* fila = FilaSeleccionada();
    if (!fila || fila->Icono <= 0 || !acciones_.EmpezarChat)
        return;
    const QString ip = fila->IP;
    mensajero_->Proteger([&] { acciones_.EmpezarChat(ip); });
}

void TfrmPrincipal::mnuVentanaChatClick() {
    if (acciones_.VentanaChat)
        mensajero_->Proteger(acciones_.VentanaChat);
}

void TfrmPrincipal::mnuPopUpContactosEnviarArchivoClick() {
    const TFilaContacto* fila = FilaSeleccionada();
    if (!fila || !acciones_.EnviarArchivo)
        return;
    // The file chooser runs the event loop, and the row may go meanwhile.
    const QString ip = fila->IP;
    mensajero_->Proteger([&] { acciones_.EnviarArchivo(ip); });
}

void TfrmPrincipal::mnuPopUpContactosEnviarEMailClick() {
    const TFilaContacto* fila = FilaSeleccionada();
    if (!fila)
        return;
    if (fila->EMail.isEmpty()) {
        MostrarInformacion(QStringLiteral("Imposible enviar E-Mail"),
                           u'"' + fila->Nick + u"\" no ha especificado dirección de E-Mail");
        return;
    }
    QDesktopServices::openUrl(QUrl(u"mailto:" + fila->EMail));
}

void TfrmPrincipal::mnuPopUpContactosComprobarClick() {
    if (const TFilaContacto* fila = FilaSeleccionada(); fila && acciones_.ComprobarConexion)
        mensajero_->Proteger([&] { acciones_.ComprobarConexion(fila->IP); });
}

void TfrmPrincipal::mnuTrayOcultarClick() {
    if (PreguntaCierre(oculto_, mensajero_->Config().IconoEnTray) == TRespuestaCierre::Ocultar)
        OcultarEnTray();
}

void TfrmPrincipal::ListViewContactosDblClick() {
    if (mnuPopUpContactosMensajeFlash->isEnabled())
        mnuPopUpContactosMensajeFlash->trigger();
}

// Offered once the drop has returned: the dragging program waits for the drop to end, and
// the offers may open boxes.
void TfrmPrincipal::ListViewContactosFicherosSoltados(int fila, const QStringList& rutas) {
    if (fila >= mensajero_->Agenda().NumeroFilas() || !acciones_.EnviarArchivos)
        return;
    const QString ip = mensajero_->Agenda().Fila(fila)->IP;
    QMetaObject::invokeMethod(
        this,
        [this, ip, rutas] { mensajero_->Proteger([&] { acciones_.EnviarArchivos(ip, rutas); }); },
        Qt::QueuedConnection);
}

// --- What the core asks of the user ---

// Boxes quote nicks, addresses and file names that peers chose: never read as markup.
int TfrmPrincipal::Caja(QMessageBox::Icon icono, const QString& titulo, const QString& texto,
                        QMessageBox::StandardButtons botones) {
    QMessageBox caja(icono, titulo, SaltosDeCaja(AcortadoParaMostrar(texto)), botones, this);
    caja.setTextFormat(Qt::PlainText);
    return caja.exec();
}

bool TfrmPrincipal::Preguntar(const QString& titulo, const QString& texto, TBotones botones) {
    const bool siNo = botones == TBotones::SiNo;
    const int respuesta =
        Caja(QMessageBox::Question, titulo, texto,
             siNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok | QMessageBox::Cancel);
    return respuesta == (siNo ? QMessageBox::Yes : QMessageBox::Ok);
}

void TfrmPrincipal::MostrarError(const QString& titulo, const QString& texto) {
    Caja(QMessageBox::Critical, titulo, texto, QMessageBox::Ok);
}

void TfrmPrincipal::MostrarInformacion(const QString& titulo, const QString& texto) {
    Caja(QMessageBox::Information, titulo, texto, QMessageBox::Ok);
}

std::optional<QString> TfrmPrincipal::PedirTexto(const QString& titulo, const QString& etiqueta,
                                                 const QString& inicial, const QValidator* filtro) {
    QInputDialog caja(this);
    caja.setWindowTitle(titulo);
    caja.setLabelText(etiqueta);
    caja.setTextValue(inicial);
    if (QLineEdit* campo = caja.findChild<QLineEdit*>())
        campo->setValidator(filtro);
    caja.adjustSize();
    ColocarSobrePrincipal(&caja, this);
    if (caja.exec() != QDialog::Accepted)
        return std::nullopt;
    return caja.textValue();
}

void TfrmPrincipal::ReproducirSonido(const QString& fichero) {
    sonido_->Reproducir(fichero);
}

// The question's box is owned by this window; activating the notification brings the box
// forward, or this window once the box is answered.
void TfrmPrincipal::AvisarEscritorio(const QString& nick, const QString& texto) {
    AvisarDesde(avisos_, this, ProgramaAlFrente(),
                {.Resumen = nick, .Texto = texto, .Mostrar = [this] {
                     QWidget* caja = QApplication::activeModalWidget();
                     if (!caja) {
                         Activar();
                         return;
                     }
                     caja->raise();
                     caja->activateWindow();
                 }});
}

void TfrmPrincipal::RepintarContactos() {
    modelo_->Refrescar();
    Disponer();
}

void TfrmPrincipal::AplicarConfig(const TConfig& config) {
    lblNick->setText(config.Nick);
    lblNick->adjustSize();
    AplicarSiempreEncima(this, config.AlwaysOnTop);
}

void TfrmPrincipal::AnadirIconoTray() {
    tray_->show();
}

void TfrmPrincipal::QuitarIconoTray() { tray_->hide(); }

QRect TfrmPrincipal::GeometriaPrincipal() const { return {pos(), size()}; }

void TfrmPrincipal::FijarGeometriaPrincipal(const QRect& geometria) {
    move(geometria.topLeft());
    resize(geometria.size());
}

QSize TfrmPrincipal::TamanoPantalla() const { return screen()->size(); }
