#include "chat/frmchat.h"

#include "chat/cajaentrada.h"
#include "chat/disposicionchat.h"
#include "chat/panelemoticonos.h"
#include "core/mensajero.h"
#include "core/utilidades.h"
#include "logview/logview.h"
#include "widgets/avisoventana.h"
#include "widgets/barrapanel.h"
#include "widgets/cabeceraventana.h"
#include "widgets/colocacion.h"
#include "widgets/estilo.h"
#include "widgets/iconos.h"

#include <QFrame>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>

namespace {

// Nicks in the on-line panel sort as people read them, not by code point.
class TItemNick : public QTableWidgetItem {
public:
    using QTableWidgetItem::QTableWidgetItem;
    bool operator<(const QTableWidgetItem& otro) const override { return AntesAlLeer(text(), otro.text()); }
};

const QString kTitulo = QStringLiteral("Tromblechatix CHAT");
constexpr int kGrosorBorde = 4;
constexpr int kAltoFilaConectados = 16;
enum TColumnaConectados { kColumnaNick, kColumnaIP, kColumnaIdChat };

// Two speech bubbles, the picture at the left of the header.
QPixmap DibujoChat() {
    QPixmap lienzo(20, 15);
    lienzo.fill(Qt::transparent);
    QPainter pintor(&lienzo);
    pintor.setRenderHint(QPainter::Antialiasing);
    pintor.setPen(QPen(QColor(51, 51, 119), 1));
    pintor.setBrush(QColor(255, 255, 204));
    pintor.drawRoundedRect(QRectF(0.5, 0.5, 12, 8), 3, 3);
    pintor.setBrush(Qt::white);
    pintor.drawRoundedRect(QRectF(7.5, 5.5, 12, 8), 3, 3);
    return lienzo;
}

} // namespace

TChat::TChat(int idChat, QWidget* padre)
    : QWidget(padre), IdChat(idChat), LogView(new TLogView(this)), Input(new TCajaEntrada(this)) {
    // The room menu opens here, on the page and on the log, which has none of its own.
    setContextMenuPolicy(Qt::CustomContextMenu);
    LogView->setFocusPolicy(Qt::ClickFocus);
}

void TChat::resizeEvent(QResizeEvent*) {
    const TDisposicionSala disposicion = DisponerSala(size());
    LogView->setGeometry(disposicion.Log);
    Input->setGeometry(disposicion.Entrada);
}

TfrmChat::TfrmChat(TMensajero& mensajero, QWidget* padre)
    : QWidget(padre, Qt::Window | Qt::FramelessWindowHint), mensajero_(mensajero),
      escritor_(logStyle_, mensajero.Config(), mensajero.Reloj()),
      panelCabecera_(new TCabeceraVentana(QStringLiteral("PanelCabecera"), kTitulo,
                                          TCabeceraVentana::Cerrar | TCabeceraVentana::Minimizar |
                                              TCabeceraVentana::Maximizar,
                                          this)),
      pageControl_(new QTabWidget(this)) {
    setObjectName(QStringLiteral("frmChat"));
    setWindowTitle(kTitulo);
    setMinimumSize(kTamanoMinimoChat);
    move(kPosicionChat);
    resize(kTamanoInicialChat);

    auto* icono = new QLabel(panelCabecera_);
    icono->setObjectName(QStringLiteral("Image1"));
    icono->setGeometry(4, 3, 20, 15);
    icono->setPixmap(DibujoChat());
    panelCabecera_->lblCaption()->move(26, 0);
    connect(panelCabecera_, &TCabeceraVentana::CerrarPulsado, this, &QWidget::close);

    pageControl_->setObjectName(QStringLiteral("PageControl"));
    pageControl_->tabBar()->installEventFilter(this);
    pageControl_->tabBar()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(pageControl_->tabBar(), &QWidget::customContextMenuRequested, this, [this](QPoint en) {
        const int pestana = pageControl_->tabBar()->tabAt(en);
        if (pestana < 0)
            return;
        pageControl_->setCurrentIndex(pestana);
        MostrarMenuSala(pageControl_->tabBar()->mapToGlobal(en));
    });
    connect(pageControl_, &QTabWidget::currentChanged, this,
            [this] { EnfocarEntrada(SalaActiva()); });

    CrearMenuSala();
    CrearPanelConectados();
    panelEmoticonos_ = new TPanelEmoticonos(escritor_.Emoticonos(), this);
    logStyle_.Color = mensajero.Config().Chat.colorFondo;
}

// The pages go before the style table and the pictures they draw with, and quietly: no
// page change or tab-bar event reaches a window half gone.
TfrmChat::~TfrmChat() {
    pageControl_->disconnect(this);
    pageControl_->tabBar()->removeEventFilter(this);
    delete pageControl_;
}

void TfrmChat::CrearMenuSala() {
    popupMenuTab_ = new QMenu(this);
    popupMenuTab_->setObjectName(QStringLiteral("PopupMenuTab"));
    QAction* invitar = popupMenuTab_->addAction(QStringLiteral("&Invitar a..."));
    invitar->setObjectName(QStringLiteral("mnuTabInvitar"));
    connect(invitar, &QAction::triggered, this, &TfrmChat::mnuTabInvitarClick);
    QAction* cerrar = popupMenuTab_->addAction(QStringLiteral("&Cerrar Chat"));
    cerrar->setObjectName(QStringLiteral("mnuTabCerrar"));
    connect(cerrar, &QAction::triggered, this, &TfrmChat::mnuTabCerrarClick);
}

void TfrmChat::CrearPanelConectados() {
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("PanelConectados"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setAutoFillBackground(true);
    panel->setGeometry(320, 56, 154, 146);
    panelConectados_ = panel;

    Panel1 =
        new TBarraPanel("Panel1", "lblPanelConectadosCaption", QStringLiteral("On-Line"), panel);
    Panel1->setGeometry(3, 3, 148, 20);
    auto* icono = new QLabel(Panel1);
    icono->setObjectName(QStringLiteral("Image2"));
    icono->setGeometry(4, 3, 15, 15);
    icono->setPixmap(QPixmap::fromImage(IconoEstado(1)));
    Panel1->Titulo()->move(20, 3);
    Panel1->AnadirCerrar("imgConectadosCerrar", {132, 5});
    connect(Panel1, &TBarraPanel::CerrarPulsado, panel, &QWidget::hide);

    auto* lista = new QTableWidget(0, 3, panel);
    lista->setObjectName(QStringLiteral("ListViewConectados"));
    lista->setGeometry(3, 25, 148, 118);
    lista->horizontalHeader()->hide();
    lista->verticalHeader()->hide();
    lista->verticalHeader()->setMinimumSectionSize(kAltoFilaConectados);
    lista->verticalHeader()->setDefaultSectionSize(kAltoFilaConectados);
    lista->setShowGrid(true);
    lista->setSelectionBehavior(QAbstractItemView::SelectRows);
    lista->setSelectionMode(QAbstractItemView::SingleSelection);
    lista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lista->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lista->setColumnHidden(kColumnaIP, true);
    lista->setColumnHidden(kColumnaIdChat, true);
    Colorear(lista, Qt::white, QPalette::Base);
    connect(lista, &QTableWidget::cellDoubleClicked, this, &TfrmChat::ListViewConectadosDblClick);
    listViewConectados_ = lista;
    panel->hide();
}

void TfrmChat::AbrirPestanaChat(int idChat, const QString& titulo) {
    const bool activar = PaginaNuevaActiva(isVisible() && !isMinimized(), pageControl_->count());
    auto* sala = new TChat(idChat, pageControl_);
    sala->LogView->SetStyle(&logStyle_);
    if (fabricaMedidor_)
        sala->LogView->SetMedidor(fabricaMedidor_());
    AplicarConfigEntrada(sala->Input);
    panelEmoticonos_->VigilarEntrada(sala->Input);
    connect(sala, &QWidget::customContextMenuRequested, this,
            [this, sala](QPoint en) { MostrarMenuSala(sala->mapToGlobal(en)); });
    connect(sala->LogView, &TLogView::OnClick, this, [this, sala] {
        // A drag that selected text keeps the keys in the log, for copying.
        if (!sala->LogView->HasSelection())
            EnfocarEntrada(sala);
    });
    connect(sala->Input, &TCajaEntrada::LineasEscritas, this,
            [this, sala](const QStringList& lineas) { LineasEscritas(sala, lineas); });
    pageControl_->addTab(sala, titulo);
    if (activar)
        pageControl_->setCurrentWidget(sala);
}

void TfrmChat::EscribirLineaChat(int idChat, quint32 color, const QString& texto,
                                 const QString& nick) {
    TChat* sala = Sala(idChat);
    if (!sala)
        return;
    // Painting waits for the event loop, so the log repaints once, with the line in place.
    TLogView& log = *sala->LogView;
    escritor_.Escribir(log, color, texto, nick);
    log.viewport()->update();
    const bool visto = !SuenaChatHabla(isVisible(), isActiveWindow(), SalaActiva() == sala);
    if (!visto)
        mensajero_.Sonar(mensajero_.Config().Sonidos.Chat_Habla);
    const bool deServidor = nick == kNickServidor;
    AvisarDesde(avisos_, this, visto,
                {.Grupo = u"chat:" + QString::number(idChat),
                 .Resumen = deServidor ? pageControl_->tabText(pageControl_->indexOf(sala)) : nick,
                 .Texto = texto,
                 .Mostrar = [ventana = QPointer<TfrmChat>(this), idChat] {
                     if (ventana)
                         ventana->MostrarSala(idChat);
                 }});
}

void TfrmChat::MostrarSala(int idChat) {
    if (TChat* sala = Sala(idChat))
        pageControl_->setCurrentWidget(sala);
    MostrarVentanaChat();
    activateWindow();
}

void TfrmChat::MostrarVentanaChat() {
    AplicarSiempreEncima(this, mensajero_.Config().AlwaysOnTop);
    if (isMinimized())
        showNormal();
    show();
    raise();
}

void TfrmChat::AplicarConfigChat() {
    logStyle_.Color = mensajero_.Config().Chat.colorFondo;
    for (int i = 0; i < pageControl_->count(); ++i) {
        auto* sala = static_cast<TChat*>(pageControl_->widget(i));
        AplicarConfigEntrada(sala->Input);
        TLogView& log = *sala->LogView;
        const int posicion = log.VerticalPos();
        log.Reformat();
        log.SetVerticalPos(posicion);
        log.viewport()->update();
    }
}

void TfrmChat::AplicarConfigEntrada(TCajaEntrada* entrada) const {
    const TConfig& config = mensajero_.Config();
    entrada->setFont(QFont(config.Chat.Fuente.Name, config.Chat.Fuente.Size));
    Colorear(entrada, AQColor(config.Chat.colorFondo), QPalette::Base);
    Colorear(entrada, AQColor(config.Chat.colorTexto), QPalette::Text);
}

TChat* TfrmChat::Sala(int idChat) const {
    for (int i = 0; i < pageControl_->count(); ++i) {
        auto* sala = static_cast<TChat*>(pageControl_->widget(i));
        if (sala->IdChat == idChat)
            return sala;
    }
    return nullptr;
}

TChat* TfrmChat::SalaActiva() const {
    return static_cast<TChat*>(pageControl_->currentWidget());
}

void TfrmChat::LineasEscritas(TChat* sala, const QStringList& lineas) {
    const QPointer<TChat> vigilada = sala;
    mensajero_.Proteger([&] {
        for (const QString& linea : lineas) {
            if (!vigilada)
                return;
            const TConfig& config = mensajero_.Config();
            EscribirLineaChat(vigilada->IdChat, config.Chat.colorTexto, ComoLlega(linea), config.Nick);
            if (salas_)
                salas_->EnviarLineaChat(vigilada->IdChat, linea);
        }
    });
}

void TfrmChat::EnfocarEntrada(TChat* sala) const {
    if (sala)
        sala->Input->setFocus(Qt::OtherFocusReason);
}

void TfrmChat::MostrarMenuSala(QPoint pantalla) {
    popupMenuTab_->popup(pantalla);
}

void TfrmChat::mnuTabInvitarClick() {
    const TChat* sala = SalaActiva();
    if (!sala || !salas_)
        return;
    QTableWidget& lista = *listViewConectados_;
    lista.setSortingEnabled(false);
    lista.setRowCount(0);
    const QString id = QString::number(sala->IdChat);
    for (const TInvitable& invitable : salas_->ContactosParaInvitar()) {
        const int fila = lista.rowCount();
        lista.insertRow(fila);
        lista.setItem(fila, kColumnaNick, new TItemNick(AcortadoParaMostrar(invitable.Nick)));
        lista.setItem(fila, kColumnaIP, new QTableWidgetItem(invitable.IP));
        lista.setItem(fila, kColumnaIdChat, new QTableWidgetItem(id));
    }
    lista.setSortingEnabled(true);
    lista.sortItems(kColumnaNick);
    lista.setColumnWidth(kColumnaNick, AnchoColumnaNick(lista.rowCount(), lista.size()));
    panelConectados_->raise();
    panelConectados_->show();
}

void TfrmChat::ListViewConectadosDblClick() {
    const QList<QTableWidgetItem*> elegidas = listViewConectados_->selectedItems();
    if (elegidas.isEmpty() || !salas_)
        return;
    const int fila = elegidas.first()->row();
    const QString ip = listViewConectados_->item(fila, kColumnaIP)->text();
    const int id = listViewConectados_->item(fila, kColumnaIdChat)->text().toInt();
    salas_->InvitarAChat(id, ip);
    panelConectados_->hide();
}

void TfrmChat::mnuTabCerrarClick() {
    QPointer<TChat> sala = SalaActiva();
    if (!sala)
        return;
    if (salas_)
        salas_->AbandonarChat(sala->IdChat);
    delete sala.data();
}

void TfrmChat::showEvent(QShowEvent* evento) {
    QWidget::showEvent(evento);
    EnfocarEntrada(SalaActiva());
}

void TfrmChat::resizeEvent(QResizeEvent*) {
    panelCabecera_->setGeometry(0, 0, width(), TCabeceraVentana::kAlto);
    pageControl_->setGeometry(AreaPaginas(size()));
    // A floating panel never ends up outside a window that shrank.
    for (QWidget* panel : {panelConectados_, static_cast<QWidget*>(panelEmoticonos_)})
        panel->move(DentroDeVentana(panel->pos(), panel->size(), size()));
}

void TfrmChat::mousePressEvent(QMouseEvent* evento) {
    // The header moves the window, so the top is no border.
    RedimensionarDesdeBorde(this, evento, kGrosorBorde,
                            Qt::LeftEdge | Qt::RightEdge | Qt::BottomEdge);
}

bool TfrmChat::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == pageControl_->tabBar() && evento->type() == QEvent::ToolTip)
        PonerPistaPestana(pageControl_->tabBar()->tabAt(static_cast<QHelpEvent*>(evento)->pos()));
    return QWidget::eventFilter(objeto, evento);
}

// Who is in a room changes as guests come and go, so the hint is made when it is asked for.
// Nicks come from peers: escaped, never read as markup.
void TfrmChat::PonerPistaPestana(int pestana) {
    if (pestana < 0 || !salas_)
        return;
    const auto* sala = static_cast<TChat*>(pageControl_->widget(pestana));
    const QString descripcion = salas_->DescripcionSala(sala->IdChat);
    pageControl_->setTabToolTip(pestana,
                                descripcion.isEmpty() ? QString() : AyudaLiteral(descripcion));
}
