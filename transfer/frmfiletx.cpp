#include "transfer/frmfiletx.h"

#include "core/configuracion.h"
#include "core/utilidades.h"
#include "transfer/progreso.h"
#include "widgets/cabeceraventana.h"
#include "widgets/estilo.h"
#include "widgets/gradientbar.h"
#include "widgets/label2.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QGridLayout>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStyle>
#include <QUrl>
#include <limits>

namespace {

const QString kFinalizado = QStringLiteral("FINALIZADO");
const QString kRechazado = QStringLiteral("RECHAZADO");
const QString kAbortado = QStringLiteral("ABORTADO");
const QString kFallido = QStringLiteral("FALLIDO");
// Not an end: the transfer goes on when the contact is back, or its user aborts it.
const QString kInterrumpido = QStringLiteral("INTERRUMPIDO");

const QSize kTamanoDisenado(337, 155);
const QColor kAzulMarino(0, 0, 128);
const QColor kVerdeValor(0, 85, 0);
const QColor kRojoFin(255, 51, 51);

// The desktop's fonts are wider than the ones the window was first drawn for: labels take
// what their longest text needs instead of fixed places.
QLabel* Titulo(const char* nombre, const QString& texto, QWidget* padre) {
    auto* etiqueta = new QLabel(texto, padre);
    etiqueta->setObjectName(QLatin1String(nombre));
    etiqueta->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Colorear(etiqueta, kAzulMarino);
    Negrita(etiqueta);
    return etiqueta;
}

// `masLargo` is the widest text the value will show.
QLabel* Valor(const char* nombre, const QString& texto, const QString& masLargo, QWidget* padre) {
    auto* etiqueta = new QLabel(texto, padre);
    etiqueta->setObjectName(QLatin1String(nombre));
    etiqueta->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Colorear(etiqueta, kVerdeValor);
    QFont negrita = padre->font();
    negrita.setBold(true);
    etiqueta->setMinimumWidth(QFontMetrics(negrita).horizontalAdvance(masLargo) + 4);
    return etiqueta;
}

const QString kBytesMasLargo = QStringLiteral("99.999.999.999 Bytes");
const QString kTiempoMasLargo = QStringLiteral("INTERRUMPIDO");
const QString kVelocidadMasLarga = QStringLiteral("999.999.999 B/s");

} // namespace

TfrmFileTx::TfrmFileTx(const TDatosVista& datos, const TConfig& config,
                       std::function<void()> abortar, QWidget* padre)
    : QWidget(padre, Qt::Window | Qt::FramelessWindowHint), id_(datos.ID), ruta_(datos.Ruta),
      abortar_(std::move(abortar)),
      panelCabecera_(new TCabeceraVentana(QStringLiteral("PanelCabecera"), datos.Cabecera,
                                          TCabeceraVentana::Cerrar, this)),
      nombreFichero_(datos.NombreFichero), lblFileName(new TLabel2(this)),
      ProgressBar(new TGradientBar(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    lblTx = Valor("lblTx", TextoBytes(0), kBytesMasLargo, this);
    lblTranscurrido = Valor("lblTranscurrido", kHoraInicial, kTiempoMasLargo, this);
    lblRestante = Valor("lblRestante", kHoraInicial, kTiempoMasLargo, this);
    lblVMedia = Valor("lblVMedia", kVelocidadInicial, kVelocidadMasLarga, this);
    lblVActual = Valor("lblVActual", kVelocidadInicial, kVelocidadMasLarga, this);
    setWindowTitle(AcortadoParaMostrar(datos.Cabecera));
    // Shown right after it is made, so its layer is chosen now.
    setWindowFlag(Qt::WindowStaysOnTopHint, config.AlwaysOnTop);

    auto* icono = new QLabel(panelCabecera_);
    icono->setObjectName(QStringLiteral("Image1"));
    icono->setGeometry(3, 2, 16, 16);
    icono->setPixmap(style()->standardIcon(QStyle::SP_FileIcon).pixmap(16, 16));
    panelCabecera_->lblCaption()->move(21, 0);

    lblFileName->setObjectName(QStringLiteral("lblFileName"));
    // The peer chooses the name: shown as it is, cut at the window's edge, whole in the tooltip.
    lblFileName->setTextFormat(Qt::PlainText);
    lblFileName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lblFileName->setToolTip(AyudaLiteral(nombreFichero_));
    Colorear(lblFileName, kVerdeValor);
    auto* rejilla = new QGridLayout;
    rejilla->setHorizontalSpacing(3);
    rejilla->setVerticalSpacing(7);
    rejilla->addWidget(Titulo("Label1", QStringLiteral("Archivo:"), this), 0, 0);
    rejilla->addWidget(lblFileName, 0, 1, 1, 3);
    rejilla->addWidget(Titulo("Label4", QStringLiteral("Tamaño:"), this), 1, 0);
    rejilla->addWidget(Valor("lblTam", TextoBytes(datos.Tam), kBytesMasLargo, this), 1, 1);
    rejilla->addWidget(Titulo("lblRcvEnv", datos.Enviando ? QStringLiteral("Enviado:")
                                                          : QStringLiteral("Recibido:"), this), 1, 2);
    rejilla->addWidget(lblTx, 1, 3);
    rejilla->addWidget(Titulo("Label5", QStringLiteral("Transcurrido:"), this), 2, 0);
    rejilla->addWidget(lblTranscurrido, 2, 1);
    rejilla->addWidget(Titulo("Label8", QStringLiteral("Tiempo restante:"), this), 2, 2);
    rejilla->addWidget(lblRestante, 2, 3);
    rejilla->addWidget(Titulo("Label7", QStringLiteral("Veloc. Media:"), this), 3, 0);
    rejilla->addWidget(lblVMedia, 3, 1);
    rejilla->addWidget(Titulo("Label3", QStringLiteral("Veloc. Actual:"), this), 3, 2);
    rejilla->addWidget(lblVActual, 3, 3);
    auto* disposicion = new QVBoxLayout(this);
    disposicion->setContentsMargins(2, TCabeceraVentana::kAlto + 15, 2, 1);
    disposicion->setSpacing(11);
    disposicion->addLayout(rejilla);
    disposicion->addWidget(ProgressBar);
    lblFileName->installEventFilter(this);
    SubrayarAlPasar(lblFileName, [this] { return Finalizada(); });

    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setFixedHeight(19);
    ProgressBar->SetBackgroundColor(ColorRGB(190, 190, 202));
    ProgressBar->SetBarColorStyle(TBarColorStyle::cs2Colors);
    ProgressBar->SetBarColor1(ColorRGB(0, 0, 128));
    ProgressBar->SetBarColor2(ColorRGB(102, 102, 255));
    ProgressBar->SetPercentage(true);
    ProgressBar->SetPosTextSuffix(QStringLiteral("%"));
    Colorear(ProgressBar, Qt::white);
    Negrita(ProgressBar);
    // The bar counts in 32 bits: a file of 2 GiB or more moves it in larger steps.
    while ((datos.Tam >> escala_) > std::numeric_limits<qint32>::max())
        ++escala_;
    ProgressBar->SetMax(qint32(datos.Tam >> escala_));
    ProgressBar->SetPosition(0);

    connect(panelCabecera_, &TCabeceraVentana::CerrarPulsado, this, &QWidget::close);
    setFixedSize(disposicion->sizeHint().expandedTo(kTamanoDisenado));
    disposicion->activate();
    panelCabecera_->setGeometry(0, 0, width(), TCabeceraVentana::kAlto);
    AjustarNombre();
}

void TfrmFileTx::AjustarNombre() {
    lblFileName->setText(lblFileName->fontMetrics().elidedText(
        AcortadoParaMostrar(nombreFichero_), Qt::ElideRight, lblFileName->width()));
}

void TfrmFileTx::RefrescarProgreso(const TCifrasProgreso& cifras) {
    lblTx->setText(cifras.Tx);
    lblTranscurrido->setText(cifras.Transcurrido);
    if (cifras.Restante) {
        lblRestante->setText(*cifras.Restante);
        fin_.reset();
    }
    if (cifras.VMedia)
        lblVMedia->setText(*cifras.VMedia);
    if (cifras.VActual)
        lblVActual->setText(*cifras.VActual);
    if (cifras.Posicion)
        ProgressBar->SetPosition(qint32(*cifras.Posicion >> escala_));
}

void TfrmFileTx::MostrarInterrupcion(bool interrumpida) {
    fin_.reset();
    if (!interrumpida) {
        lblRestante->setText(kHoraInicial);
        lblRestante->setFont(font());
        Colorear(lblRestante, kVerdeValor);
        return;
    }
    MarcarFin(kInterrumpido, kRojoFin);
}

void TfrmFileTx::MostrarFin(TFinTransferencia fin) {
    fin_ = fin;
    switch (fin) {
    case TFinTransferencia::Finalizado:
        MarcarFin(kFinalizado, QColor(51, 85, 255));
        lblVActual->setText(kVelocidadInicial);
        lblFileName->setCursor(Qt::PointingHandCursor);
        Colorear(lblFileName, QColor(0, 0, 255));
        break;
    case TFinTransferencia::Rechazado:
        MarcarFin(kRechazado, kRojoFin);
        break;
    case TFinTransferencia::Abortado:
        MarcarFin(kAbortado, kRojoFin);
        break;
    case TFinTransferencia::Fallido:
        MarcarFin(kFallido, kRojoFin);
        break;
    }
}

void TfrmFileTx::MarcarFin(const QString& texto, QColor color) {
    lblRestante->setText(texto);
    Negrita(lblRestante);
    Colorear(lblRestante, color);
}

bool TfrmFileTx::Terminada() const {
    return fin_.has_value();
}

bool TfrmFileTx::Finalizada() const {
    return fin_ == TFinTransferencia::Finalizado;
}

bool TfrmFileTx::ConfirmarCierre() {
    if (Terminada() || ProgressBar->Position() >= ProgressBar->Max())
        return true;
    const auto respuesta = QMessageBox::question(
        this, QStringLiteral("Abortar transmisión"),
        QStringLiteral("No se ha terminado de transferir el Archivo.\n¿Desea abortar la transmisión?"),
        QMessageBox::Yes | QMessageBox::No);
    if (respuesta != QMessageBox::Yes)
        return false;
    if (abortar_)
        abortar_();
    return true;
}

void TfrmFileTx::closeEvent(QCloseEvent* evento) {
    if (!ConfirmarCierre()) {
        evento->ignore();
        return;
    }
    cerrada_ = true;
    QWidget::closeEvent(evento);
}

bool TfrmFileTx::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == lblFileName && evento->type() == QEvent::Resize)
        AjustarNombre();
    if (objeto == lblFileName && evento->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(evento)->button() == Qt::LeftButton) {
        lblFileNameClick();
        return true;
    }
    return QWidget::eventFilter(objeto, evento);
}

void TfrmFileTx::lblFileNameClick() {
    if (Finalizada())
        QDesktopServices::openUrl(QUrl::fromLocalFile(ruta_));
}
