#include "red/frmbuscarenred.h"

#include "red/descubrimiento.h"
#include "widgets/cabeceraventana.h"
#include "widgets/colocacion.h"
#include "widgets/fabrica.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

namespace {

constexpr int kMargen = 8;
constexpr int kAltoBoton = 26;
constexpr int kAnchoBoton = 90;
constexpr int kColumnaIP = 1;
constexpr int kEnAgenda = Qt::UserRole;

} // namespace

TfrmBuscarEnRed::TfrmBuscarEnRed(TDescubrimiento& red, TAnadir anadir, QWidget* principal)
    : QWidget(principal, Qt::Window | Qt::FramelessWindowHint), red_(red),
      anadir_(std::move(anadir)),
      PanelCabecera(new TCabeceraVentana(QStringLiteral("PanelCabecera"),
                                         QStringLiteral("Buscar en la red"),
                                         TCabeceraVentana::Cerrar, this)),
      ListViewEncontrados(new QTreeWidget(this)),
      btnAnadir(Boton("btnAnadir", QStringLiteral(" &Añadir "), {}, this)),
      btnCerrar(Boton("btnCerrar", QStringLiteral(" &Cerrar "), {}, this)) {
    setObjectName(QStringLiteral("frmBuscarEnRed"));
    setWindowTitle(QStringLiteral("Buscar en la red"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setMinimumSize(260, 180);
    resize(320, 260);
    ListViewEncontrados->setObjectName(QStringLiteral("ListViewEncontrados"));
    ListViewEncontrados->setHeaderLabels(
        {QStringLiteral("Nick"), QStringLiteral("Dirección IP"), QStringLiteral("Estado")});
    ListViewEncontrados->setRootIsDecorated(false);
    ListViewEncontrados->setUniformRowHeights(true);
    ListViewEncontrados->header()->setStretchLastSection(false);
    ListViewEncontrados->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    connect(ListViewEncontrados, &QTreeWidget::itemDoubleClicked, this,
            &TfrmBuscarEnRed::btnAnadirClick);
    connect(ListViewEncontrados, &QTreeWidget::currentItemChanged, this,
            &TfrmBuscarEnRed::HabilitarAnadir);
    connect(btnAnadir, &QPushButton::clicked, this, &TfrmBuscarEnRed::btnAnadirClick);
    connect(btnCerrar, &QPushButton::clicked, this, &QWidget::hide);
    connect(PanelCabecera, &TCabeceraVentana::CerrarPulsado, this, &QWidget::hide);
    connect(&red_, &TDescubrimiento::ListaCambiada, this, &TfrmBuscarEnRed::Rellenar);
}

void TfrmBuscarEnRed::Rellenar() {
    const QTreeWidgetItem* actual = ListViewEncontrados->currentItem();
    const QString elegida = actual ? actual->text(kColumnaIP) : QString();
    ListViewEncontrados->clear();
    QList<QTreeWidgetItem*> filas;
    for (const TFilaEncontrado& fila : red_.Filas()) {
        auto* item = new QTreeWidgetItem(
            {fila.Nick, fila.IP, fila.EnAgenda ? QStringLiteral("En la Agenda") : QString()});
        item->setData(0, kEnAgenda, fila.EnAgenda);
        // Already a contact: shown, but there is nothing to add.
        if (fila.EnAgenda)
            item->setForeground(0, palette().color(QPalette::Disabled, QPalette::Text));
        filas << item;
    }
    ListViewEncontrados->addTopLevelItems(filas);
    for (QTreeWidgetItem* item : filas) {
        if (item->text(kColumnaIP) == elegida)
            ListViewEncontrados->setCurrentItem(item);
    }
    HabilitarAnadir();
}

void TfrmBuscarEnRed::HabilitarAnadir() {
    const QTreeWidgetItem* actual = ListViewEncontrados->currentItem();
    btnAnadir->setEnabled(actual && !actual->data(0, kEnAgenda).toBool());
}

void TfrmBuscarEnRed::btnAnadirClick() {
    const QTreeWidgetItem* actual = ListViewEncontrados->currentItem();
    if (!actual || !btnAnadir->isEnabled())
        return;
    const QString nick = actual->text(0);
    const QString ip = actual->text(kColumnaIP);
    anadir_(nick, ip);
    // The dialog's path may have opened a box: look the list up again rather than trust `actual`.
    Rellenar();
}

void TfrmBuscarEnRed::showEvent(QShowEvent* evento) {
    if (parentWidget())
        ColocarSobrePrincipal(this, parentWidget()->window());
    Rellenar();
    red_.EmpezarBusqueda();
    QWidget::showEvent(evento);
}

void TfrmBuscarEnRed::hideEvent(QHideEvent* evento) {
    red_.TerminarBusqueda();
    QWidget::hideEvent(evento);
}

void TfrmBuscarEnRed::resizeEvent(QResizeEvent* evento) {
    const int ancho = width();
    const int alto = height();
    PanelCabecera->setGeometry(0, 0, ancho, TCabeceraVentana::kAlto);
    const int botones = alto - kMargen - kAltoBoton;
    ListViewEncontrados->setGeometry(kMargen, TCabeceraVentana::kAlto + kMargen,
                                     ancho - 2 * kMargen,
                                     botones - TCabeceraVentana::kAlto - 2 * kMargen);
    btnCerrar->setGeometry(ancho - kMargen - kAnchoBoton, botones, kAnchoBoton, kAltoBoton);
    btnAnadir->setGeometry(ancho - 2 * (kMargen + kAnchoBoton), botones, kAnchoBoton, kAltoBoton);
    QWidget::resizeEvent(evento);
}
