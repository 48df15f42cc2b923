#include "transfer/frmfiletx.h"

#include "core/configuracion.h"
#include "transfer/progreso.h"
#include "widgets/cabeceraventana.h"
#include "widgets/gradientbar.h"
#include "widgets/label2.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QMessageBox>
#include <QMouseEvent>
#include <QStyle>
#include <QUrl>

namespace {

const QString kFinalizado = QStringLiteral("FINALIZADO");
const QString kRechazado = QStringLiteral("RECHAZADO");
const QString kAbortado = QStringLiteral("ABORTADO");

const QColor kAzulMarino(0, 0, 128);
const QColor kVerdeValor(0, 85, 0);
const QColor kRojoFin(255, 51, 51);

void Colorear(QWidget* control, QColor color) {
    QPalette paleta = control->palette();
    paleta.setColor(QPalette::WindowText, color);
    control->setPalette(paleta);
}

void Negrita(QWidget* control) {
    QFont fuente = control->font();
    fuente.setBold(true);
    control->setFont(fuente);
}

QLabel* Titulo(const char* nombre, const QString& texto, QRect sitio, QWidget* padre) {
    auto* etiqueta = new QLabel(texto, padre);
    etiqueta->setObjectName(QLatin1String(nombre));
    etiqueta->setGeometry(sitio);
    etiqueta->setAlignment(Qt::AlignRight | Qt::AlignTop);
    Colorear(etiqueta, kAzulMarino);
    Negrita(etiqueta);
    return etiqueta;
}

QLabel* Valor(const char* nombre, const QString& texto, QRect sitio, QWidget* padre) {
    auto* etiqueta = new QLabel(texto, padre);
    etiqueta->setObjectName(QLatin1String(nombre));
    etiqueta->setGeometry(sitio);
    etiqueta->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Colorear(etiqueta, kVerdeValor);
    return etiqueta;
}

} // namespace

TfrmFileTx::TfrmFileTx(const TDatosVista& datos, const TConfig& config,
                       std::function<void()> abortar, QWidget* padre)
    : QWidget(padre, Qt::Window | Qt::FramelessWindowHint), FID(datos.ID), FRuta(datos.Ruta),
      FAbortar(std::move(abortar)),
      FPanelCabecera(new TCabeceraVentana(QStringLiteral("PanelCabecera"), datos.Cabecera,
                                          TCabeceraVentana::Cerrar, this)),
      FlblFileName(new TLabel2(datos.NombreFichero, this)),
      FlblTx(Valor("lblTx", TextoBytes(0), QRect(248, 59, 88, 17), this)),
      FlblTranscurrido(Valor("lblTranscurrido", kHoraInicial, QRect(88, 83, 65, 17), this)),
      FlblRestante(Valor("lblRestante", kHoraInicial, QRect(248, 83, 86, 17), this)),
      FlblVMedia(Valor("lblVMedia", kVelocidadInicial, QRect(88, 107, 73, 17), this)),
      FlblVActual(Valor("lblVActual", kVelocidadInicial, QRect(248, 107, 86, 17), this)),
      FProgressBar(new TGradientBar(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(337, 155);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setWindowTitle(datos.Cabecera);
    // Shown right after it is made, so its layer is chosen now.
    setWindowFlag(Qt::WindowStaysOnTopHint, config.AlwaysOnTop);

    FPanelCabecera->setGeometry(0, 0, 337, TCabeceraVentana::kAlto);
    auto* icono = new QLabel(FPanelCabecera);
    icono->setObjectName(QStringLiteral("Image1"));
    icono->setGeometry(3, 2, 16, 16);
    icono->setPixmap(style()->standardIcon(QStyle::SP_FileIcon).pixmap(16, 16));
    FPanelCabecera->lblCaption()->move(21, 0);

    Titulo("Label1", QStringLiteral("Archivo:"), QRect(6, 35, 79, 17), this);
    Titulo("Label4", QStringLiteral("Tamaño:"), QRect(6, 59, 79, 17), this);
    Titulo("lblRcvEnv", datos.Enviando ? QStringLiteral("Enviado:") : QStringLiteral("Recibido:"),
           QRect(182, 59, 63, 17), this);
    Titulo("Label5", QStringLiteral("Transcurrido:"), QRect(6, 83, 79, 17), this);
    Titulo("Label8", QStringLiteral("Tiempo restante:"), QRect(150, 83, 95, 17), this);
    Titulo("Label7", QStringLiteral("Veloc. Media:"), QRect(5, 107, 80, 17), this);
    Titulo("Label3", QStringLiteral("Veloc. Actual:"), QRect(154, 107, 91, 17), this);
    Valor("lblTam", TextoBytes(datos.Tam), QRect(88, 59, 100, 17), this);

    FlblFileName->setObjectName(QStringLiteral("lblFileName"));
    FlblFileName->move(88, 35);
    Colorear(FlblFileName, kVerdeValor);
    FlblFileName->adjustSize();
    FlblFileName->installEventFilter(this);
    connect(FlblFileName, &TLabel2::OnMouseEnter, this, &TfrmFileTx::lblFileNameMouseEnter);
    connect(FlblFileName, &TLabel2::OnMouseLeave, this, &TfrmFileTx::lblFileNameMouseLeave);

    FProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    FProgressBar->setGeometry(2, 135, 333, 19);
    FProgressBar->SetBackgroundColor(ColorRGB(190, 190, 202));
    FProgressBar->SetBarColorStyle(TBarColorStyle::cs2Colors);
    FProgressBar->SetBarColor1(ColorRGB(0, 0, 128));
    FProgressBar->SetBarColor2(ColorRGB(102, 102, 255));
    FProgressBar->SetPercentage(true);
    FProgressBar->SetPosTextSuffix(QStringLiteral("%"));
    Colorear(FProgressBar, Qt::white);
    Negrita(FProgressBar);
    FProgressBar->SetMax(datos.Tam);
    FProgressBar->SetPosition(0);

    connect(FPanelCabecera, &TCabeceraVentana::CerrarPulsado, this, &QWidget::close);
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
        FProgressBar->SetPosition(*cifras.Posicion);
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
    }
}

void TfrmFileTx::MarcarFin(const QString& texto, QColor color) {
    FlblRestante->setText(texto);
    Negrita(FlblRestante);
    Colorear(FlblRestante, color);
}

bool TfrmFileTx::Terminada() const {
    const QString estado = FlblRestante->text();
    return estado == kFinalizado || estado == kRechazado || estado == kAbortado;
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
