#include "red/frmbuscarenred.h"

#include "red/descubrimiento.h"
#include "widgets/cabeceraventana.h"
#include "widgets/colocacion.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>

namespace {

constexpr int kMargen = 8;
constexpr int kAltoBoton = 26;
constexpr int kAnchoBoton = 90;
constexpr int kColumnaIP = 1;
constexpr int kEnAgenda = Qt::UserRole;

QPushButton* Boton(const char* nombre, const QString& texto, QWidget* padre) {
    auto* boton = new QPushButton(texto, padre);
    boton->setObjectName(QLatin1String(nombre));
    boton->setAutoDefault(false);
    return boton;
}

} // namespace

TfrmBuscarEnRed::TfrmBuscarEnRed(TDescubrimiento& red, TAnadir anadir, QWidget* principal)
    : QWidget(principal, Qt::Window | Qt::FramelessWindowHint), FRed(red), FAnadir(std::move(anadir)),
      FPanelCabecera(new TCabeceraVentana(QStringLiteral("PanelCabecera"),
                                          QStringLiteral("Buscar en la red"),
                                          TCabeceraVentana::Cerrar, this)),
      FListViewEncontrados(new QTreeWidget(this)),
      FbtnAnadir(Boton("btnAnadir", QStringLiteral(" &Añadir "), this)),
      FbtnCerrar(Boton("btnCerrar", QStringLiteral(" &Cerrar "), this)) {
    setObjectName(QStringLiteral("frmBuscarEnRed"));
    setWindowTitle(QStringLiteral("Buscar en la red"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setMinimumSize(260, 180);
    resize(320, 260);
    FListViewEncontrados->setObjectName(QStringLiteral("ListViewEncontrados"));
    FListViewEncontrados->setHeaderLabels(
        {QStringLiteral("Nick"), QStringLiteral("Dirección IP"), QStringLiteral("Estado")});
    FListViewEncontrados->setRootIsDecorated(false);
    FListViewEncontrados->setUniformRowHeights(true);
    FListViewEncontrados->header()->setStretchLastSection(false);
    FListViewEncontrados->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    connect(FListViewEncontrados, &QTreeWidget::itemDoubleClicked, this, &TfrmBuscarEnRed::btnAnadirClick);
    connect(FListViewEncontrados, &QTreeWidget::currentItemChanged, this, &TfrmBuscarEnRed::HabilitarAnadir);
    connect(FbtnAnadir, &QPushButton::clicked, this, &TfrmBuscarEnRed::btnAnadirClick);
    connect(FbtnCerrar, &QPushButton::clicked, this, &QWidget::hide);
    connect(FPanelCabecera, &TCabeceraVentana::CerrarPulsado, this, &QWidget::hide);
    connect(&FRed, &TDescubrimiento::ListaCambiada, this, &TfrmBuscarEnRed::Rellenar);
}

void TfrmBuscarEnRed::Rellenar() {
    const QTreeWidgetItem* actual = FListViewEncontrados->currentItem();
    const QString elegida = actual ? actual->text(kColumnaIP) : QString();
    FListViewEncontrados->clear();
    QList<QTreeWidgetItem*> filas;
    for (const TFilaEncontrado& fila : FRed.Filas()) {
        auto* item = new QTreeWidgetItem(
            {fila.Nick, fila.IP, fila.EnAgenda ? QStringLiteral("En la Agenda") : QString()});
        item->setData(0, kEnAgenda, fila.EnAgenda);
        // Already a contact: shown, but there is nothing to add.
        if (fila.EnAgenda)
            item->setForeground(0, palette().color(QPalette::Disabled, QPalette::Text));
        filas << item;
    }
    FListViewEncontrados->addTopLevelItems(filas);
    for (QTreeWidgetItem* item : filas) {
        if (item->text(kColumnaIP) == elegida)
            FListViewEncontrados->setCurrentItem(item);
    }
    HabilitarAnadir();
}

void TfrmBuscarEnRed::HabilitarAnadir() {
    const QTreeWidgetItem* actual = FListViewEncontrados->currentItem();
    FbtnAnadir->setEnabled(actual && !actual->data(0, kEnAgenda).toBool());
}

void TfrmBuscarEnRed::btnAnadirClick() {
    const QTreeWidgetItem* actual = FListViewEncontrados->currentItem();
    if (!actual || !FbtnAnadir->isEnabled())
        return;
    const QString nick = actual->text(0);
    const QString ip = actual->text(kColumnaIP);
    FAnadir(nick, ip);
    // The dialog's path may have opened a box: look the list up again rather than trust `actual`.
    Rellenar();
}

void TfrmBuscarEnRed::showEvent(QShowEvent* evento) {
    if (parentWidget())
        ColocarSobrePrincipal(this, parentWidget()->window());
    Rellenar();
    FRed.EmpezarBusqueda();
    QWidget::showEvent(evento);
}

void TfrmBuscarEnRed::hideEvent(QHideEvent* evento) {
    FRed.TerminarBusqueda();
    QWidget::hideEvent(evento);
}

void TfrmBuscarEnRed::resizeEvent(QResizeEvent* evento) {
    const int ancho = width();
    const int alto = height();
    FPanelCabecera->setGeometry(0, 0, ancho, TCabeceraVentana::kAlto);
    const int botones = alto - kMargen - kAltoBoton;
    FListViewEncontrados->setGeometry(kMargen, TCabeceraVentana::kAlto + kMargen, ancho - 2 * kMargen,
                                      botones - TCabeceraVentana::kAlto - 2 * kMargen);
    FbtnCerrar->setGeometry(ancho - kMargen - kAnchoBoton, botones, kAnchoBoton, kAltoBoton);
    FbtnAnadir->setGeometry(ancho - 2 * (kMargen + kAnchoBoton), botones, kAnchoBoton, kAltoBoton);
    QWidget::resizeEvent(evento);
}
