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
    : QWidget(padre, Qt::Window | Qt::FramelessWindowHint), FID(datos.ID), FRuta(datos.Ruta),
      FAbortar(std::move(abortar)),
      FPanelCabecera(new TCabeceraVentana(QStringLiteral("PanelCabecera"), datos.Cabecera,
                                          TCabeceraVentana::Cerrar, this)),
      FNombreFichero(datos.NombreFichero), FlblFileName(new TLabel2(this)),
      FProgressBar(new TGradientBar(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    FlblTx = Valor("lblTx", TextoBytes(0), kBytesMasLargo, this);
    FlblTranscurrido = Valor("lblTranscurrido", kHoraInicial, kTiempoMasLargo, this);
    FlblRestante = Valor("lblRestante", kHoraInicial, kTiempoMasLargo, this);
    FlblVMedia = Valor("lblVMedia", kVelocidadInicial, kVelocidadMasLarga, this);
    FlblVActual = Valor("lblVActual", kVelocidadInicial, kVelocidadMasLarga, this);
    setWindowTitle(AcortadoParaMostrar(datos.Cabecera));
    // Shown right after it is made, so its layer is chosen now.
    setWindowFlag(Qt::WindowStaysOnTopHint, config.AlwaysOnTop);

    auto* icono = new QLabel(FPanelCabecera);
    icono->setObjectName(QStringLiteral("Image1"));
    icono->setGeometry(3, 2, 16, 16);
    icono->setPixmap(style()->standardIcon(QStyle::SP_FileIcon).pixmap(16, 16));
    FPanelCabecera->lblCaption()->move(21, 0);

    FlblFileName->setObjectName(QStringLiteral("lblFileName"));
    // The peer chooses the name: shown as it is, cut at the window's edge, whole in the tooltip.
    FlblFileName->setTextFormat(Qt::PlainText);
    FlblFileName->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FlblFileName->setToolTip(AyudaLiteral(FNombreFichero));
    Colorear(FlblFileName, kVerdeValor);
    auto* rejilla = new QGridLayout;
    rejilla->setHorizontalSpacing(3);
    rejilla->setVerticalSpacing(7);
    rejilla->addWidget(Titulo("Label1", QStringLiteral("Archivo:"), this), 0, 0);
    rejilla->addWidget(FlblFileName, 0, 1, 1, 3);
    rejilla->addWidget(Titulo("Label4", QStringLiteral("Tamaño:"), this), 1, 0);
    rejilla->addWidget(Valor("lblTam", TextoBytes(datos.Tam), kBytesMasLargo, this), 1, 1);
    rejilla->addWidget(Titulo("lblRcvEnv", datos.Enviando ? QStringLiteral("Enviado:")
                                                          : QStringLiteral("Recibido:"), this), 1, 2);
    rejilla->addWidget(FlblTx, 1, 3);
    rejilla->addWidget(Titulo("Label5", QStringLiteral("Transcurrido:"), this), 2, 0);
    rejilla->addWidget(FlblTranscurrido, 2, 1);
    rejilla->addWidget(Titulo("Label8", QStringLiteral("Tiempo restante:"), this), 2, 2);
    rejilla->addWidget(FlblRestante, 2, 3);
    rejilla->addWidget(Titulo("Label7", QStringLiteral("Veloc. Media:"), this), 3, 0);
    rejilla->addWidget(FlblVMedia, 3, 1);
    rejilla->addWidget(Titulo("Label3", QStringLiteral("Veloc. Actual:"), this), 3, 2);
    rejilla->addWidget(FlblVActual, 3, 3);
    auto* disposicion = new QVBoxLayout(this);
    disposicion->setContentsMargins(2, TCabeceraVentana::kAlto + 15, 2, 1);
    disposicion->setSpacing(11);
    disposicion->addLayout(rejilla);
    disposicion->addWidget(FProgressBar);
    FlblFileName->installEventFilter(this);
    connect(FlblFileName, &TLabel2::OnMouseEnter, this, &TfrmFileTx::lblFileNameMouseEnter);
    connect(FlblFileName, &TLabel2::OnMouseLeave, this, &TfrmFileTx::lblFileNameMouseLeave);

    FProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    FProgressBar->setFixedHeight(19);
    FProgressBar->SetBackgroundColor(ColorRGB(190, 190, 202));
    FProgressBar->SetBarColorStyle(TBarColorStyle::cs2Colors);
    FProgressBar->SetBarColor1(ColorRGB(0, 0, 128));
    FProgressBar->SetBarColor2(ColorRGB(102, 102, 255));
    FProgressBar->SetPercentage(true);
    FProgressBar->SetPosTextSuffix(QStringLiteral("%"));
    Colorear(FProgressBar, Qt::white);
    Negrita(FProgressBar);
    // The bar counts in 32 bits: a file of 2 GiB or more moves it in larger steps.
    while ((datos.Tam >> FEscala) > std::numeric_limits<qint32>::max())
        ++FEscala;
    FProgressBar->SetMax(qint32(datos.Tam >> FEscala));
    FProgressBar->SetPosition(0);

    connect(FPanelCabecera, &TCabeceraVentana::CerrarPulsado, this, &QWidget::close);
    setFixedSize(disposicion->sizeHint().expandedTo(kTamanoDisenado));
    disposicion->activate();
    FPanelCabecera->setGeometry(0, 0, width(), TCabeceraVentana::kAlto);
    AjustarNombre();
}

void TfrmFileTx::AjustarNombre() {
    FlblFileName->setText(
        FlblFileName->fontMetrics().elidedText(AcortadoParaMostrar(FNombreFichero), Qt::ElideRight, FlblFileName->width()));
}

void TfrmFileTx::RefrescarProgreso(const TCifrasProgreso& cifras) {
    FlblTx->setText(cifras.Tx);
    FlblTranscurrido->setText(cifras.Transcurrido);
    if (cifras.Restante)
        FlblRestante->setText(*cifras.Restante);
    if (cifras.VMedia)
        FlblVMedia->setText(*cifras.VMedia);
    if (cifras.VActual)
        FlblVActual->setText(*cifras.VActual);
    if (cifras.Posicion)
        FProgressBar->SetPosition(qint32(*cifras.Posicion >> FEscala));
}

void TfrmFileTx::MostrarInterrupcion(bool interrumpida) {
    if (!interrumpida) {
        FlblRestante->setText(kHoraInicial);
        FlblRestante->setFont(font());
        Colorear(FlblRestante, kVerdeValor);
        return;
    }
    MarcarFin(kInterrumpido, kRojoFin);
}

void TfrmFileTx::MostrarFin(TFinTransferencia fin) {
    switch (fin) {
    case TFinTransferencia::Finalizado:
        MarcarFin(kFinalizado, QColor(51, 85, 255));
        FlblVActual->setText(kVelocidadInicial);
        FlblFileName->setCursor(Qt::PointingHandCursor);
        Colorear(FlblFileName, QColor(0, 0, 255));
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
    FlblRestante->setText(texto);
    Negrita(FlblRestante);
    Colorear(FlblRestante, color);
}

bool TfrmFileTx::Terminada() const {
    const QString estado = FlblRestante->text();
    return estado == kFinalizado || estado == kRechazado || estado == kAbortado ||
           estado == kFallido;
}

bool TfrmFileTx::Finalizada() const { return FlblRestante->text() == kFinalizado; }

bool TfrmFileTx::ConfirmarCierre() {
    if (Terminada() || FProgressBar->Position() >= FProgressBar->Max())
        return true;
    const auto respuesta = QMessageBox::question(
        this, QStringLiteral("Abortar transmisión"),
        QStringLiteral("No se ha terminado de transferir el Archivo.\n¿Desea abortar la transmisión?"),
        QMessageBox::Yes | QMessageBox::No);
    if (respuesta != QMessageBox::Yes)
        return false;
    if (FAbortar)
        FAbortar();
    return true;
}

void TfrmFileTx::closeEvent(QCloseEvent* evento) {
    if (!ConfirmarCierre()) {
        evento->ignore();
        return;
    }
    FCerrada = true;
    QWidget::closeEvent(evento);
}

bool TfrmFileTx::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == FlblFileName && evento->type() == QEvent::Resize)
        AjustarNombre();
    if (objeto == FlblFileName && evento->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(evento)->button() == Qt::LeftButton) {
        lblFileNameClick();
        return true;
    }
    return QWidget::eventFilter(objeto, evento);
}

void TfrmFileTx::lblFileNameClick() {
    if (Finalizada())
        QDesktopServices::openUrl(QUrl::fromLocalFile(FRuta));
}

void TfrmFileTx::lblFileNameMouseEnter() {
    if (!Finalizada())
        return;
    QFont fuente = FlblFileName->font();
    fuente.setUnderline(true);
    FlblFileName->setFont(fuente);
}

void TfrmFileTx::lblFileNameMouseLeave() {
    if (!Finalizada())
        return;
    QFont fuente = FlblFileName->font();
    fuente.setBold(false);
    fuente.setItalic(false);
    fuente.setUnderline(false);
    fuente.setStrikeOut(false);
    FlblFileName->setFont(fuente);
}
