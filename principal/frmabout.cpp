#include "principal/frmabout.h"

#include "widgets/cabeceraventana.h"
#include "widgets/estilo.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTimer>
#include <QUrl>

namespace {

const QString kTitulo = QStringLiteral("About Tromblechatix v0.2.1");

constexpr QSize kTamano(277, 213);
constexpr QRect kZonaOjos(9, 4, 22, 12);

const QColor kPiel(250, 214, 120);
const QColor kTinta(60, 40, 20);

void DibujarOjo(QPainter& pintor, QPointF centro, TCaraOjos cara) {
    if (cara == TCaraOjos::Cerrados) {
        pintor.setPen(QPen(kTinta, 1.5));
        pintor.drawArc(QRectF(centro.x() - 4, centro.y() - 3, 8, 6), 200 * 16, 140 * 16);
        return;
    }
    pintor.setPen(QPen(kTinta, 1));
    pintor.setBrush(Qt::white);
    pintor.drawEllipse(centro, 4.5, 4);
    const double desvio = cara == TCaraOjos::MiraUnLado     ? -2.2
                          : cara == TCaraOjos::MiraOtroLado ? 2.2
                                                            : 0;
    pintor.setPen(Qt::NoPen);
    pintor.setBrush(kTinta);
    pintor.drawEllipse(centro + QPointF(desvio, 0.5), 2, 2);
}

// The whole 40 x 40 face; the eye pictures are cut from it so they match the face exactly.
QPixmap DibujarCara(TCaraOjos cara) {
    QPixmap lienzo(40, 40);
    lienzo.fill(QColor(190, 190, 190));
    QPainter pintor(&lienzo);
    pintor.setRenderHint(QPainter::Antialiasing);
    pintor.setPen(QPen(kTinta, 1.2));
    pintor.setBrush(kPiel);
    pintor.drawEllipse(QRectF(1, 1, 38, 38));
    DibujarOjo(pintor, QPointF(14.5, 10.5), cara);
    DibujarOjo(pintor, QPointF(25.5, 10.5), cara);
    pintor.setPen(QPen(kTinta, 1.5));
    pintor.setBrush(Qt::NoBrush);
    pintor.drawArc(QRectF(11, 16, 18, 14), 200 * 16, 140 * 16);
    return lienzo;
}

QLabel* NuevaImagen(const char* nombre, QRect sitio, const QPixmap& dibujo, QWidget* padre) {
    auto* imagen = new QLabel(padre);
    imagen->setObjectName(QLatin1String(nombre));
    imagen->setGeometry(sitio);
    imagen->setPixmap(dibujo);
    return imagen;
}

QLabel* NuevaEtiqueta(const char* nombre, QRect sitio, const QString& texto, QWidget* padre) {
    auto* etiqueta = new QLabel(texto, padre);
    etiqueta->setObjectName(QLatin1String(nombre));
    etiqueta->setGeometry(sitio);
    return etiqueta;
}

QString TextoGracias() {
    return QStringLiteral(
        "Gracias a todos los que probaron las primeras versiones en sus redes, "
        "a quienes avisaron de cada fallo y a quienes lo usan cada día para "
        "hablar con los compañeros de al lado sin salir de la red local.");
}

} // namespace

TfrmAbout::TfrmAbout(QWidget* padre, std::mt19937::result_type semilla)
    : QDialog(padre, Qt::Dialog | Qt::FramelessWindowHint), animacion_(semilla),
      panelCabecera_(new TCabeceraVentana(QStringLiteral("PanelCabecera"), kTitulo,
                                          TCabeceraVentana::Cerrar, this)),
      Timer(new QTimer(this)) {
    setWindowTitle(kTitulo);
    setFixedSize(kTamano);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setAutoFillBackground(true);
    Colorear(this, QColor(190, 190, 190), QPalette::Window);
    panelCabecera_->setGeometry(0, 0, kTamano.width(), TCabeceraVentana::kAlto);
    connect(panelCabecera_, &TCabeceraVentana::CerrarPulsado, this, &QDialog::close);

    imagenes_[0] =
        NuevaImagen("img1", QRect(10, 30, 40, 40), DibujarCara(TCaraOjos::Abiertos), this);
    const char* nombres[] = {"img2", "img3", "img4"};
    const TCaraOjos caras[] = {TCaraOjos::Cerrados, TCaraOjos::MiraUnLado, TCaraOjos::MiraOtroLado};
    for (int i = 0; i < 3; ++i)
        imagenes_[i + 1] = NuevaImagen(nombres[i], kZonaOjos.translated(10, 30),
                                       DibujarCara(caras[i]).copy(kZonaOjos), this);

    QLabel* autor = NuevaEtiqueta("Label1", QRect(66, 40, 199, 17),
                                  QStringLiteral("Hecho por el equipo Qorlunde"), this);
    autor->setAlignment(Qt::AlignCenter);
    QFont fuente = autor->font();
    fuente.setPointSize(10);
    autor->setFont(fuente);
    Colorear(autor, QColor(0, 0, 128));

    auto* memo = new QPlainTextEdit(this);
    memo->setObjectName(QStringLiteral("Memo"));
    memo->setGeometry(8, 77, 262, 105);
    memo->setReadOnly(true);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Colorear(memo, QColor(193, 193, 193), QPalette::Base);
    memo->setPlainText(TextoGracias());
    memo->appendPlainText(QStringLiteral("Fecha de esta compilación: ") +
                          QStringLiteral("4-Agosto-2002"));

    QLabel* label2 = NuevaEtiqueta("Label2", QRect(8, 192, 161, 17),
                                   QStringLiteral("Este programa y muchos más, en:"), this);
    Label3 = NuevaEtiqueta("Label3", QRect(172, 192, 101, 17), Direccion().host(), this);
    QFont subrayada = Label3->font();
    subrayada.setUnderline(true);
    Label3->setFont(subrayada);
    AjustarLineaDireccion(label2);
    Colorear(Label3, QColor(0, 0, 255));
    Label3->setCursor(Qt::PointingHandCursor);
    Label3->installEventFilter(this);

    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(TAnimacionOjos::kIntervaloInicial);
    connect(Timer, &QTimer::timeout, this, &TfrmAbout::TimerTimer);
}

QUrl TfrmAbout::Direccion() { return QUrl(QStringLiteral("http://www.example.org/")); }

// The desktop's font is wider than the one the box was drawn for: the address follows its
// lead-in, and the box widens when the two do not fit.
void TfrmAbout::AjustarLineaDireccion(QLabel* label2) {
    label2->resize(label2->sizeHint().width(), label2->height());
    Label3->setGeometry(label2->geometry().right() + 4, Label3->y(), Label3->sizeHint().width(),
                        Label3->height());
    const int ancho = std::max(kTamano.width(), Label3->geometry().right() + 5);
    setFixedSize(ancho, kTamano.height());
    panelCabecera_->setGeometry(0, 0, ancho, TCabeceraVentana::kAlto);
}

void TfrmAbout::showEvent(QShowEvent* evento) {
    QDialog::showEvent(evento);
    animacion_.Reiniciar();
    Imagen(animacion_.Cara())->raise();
    Timer->start();
}

void TfrmAbout::hideEvent(QHideEvent* evento) {
    Timer->stop();
    QDialog::hideEvent(evento);
}

bool TfrmAbout::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto == Label3 && evento->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(evento)->button() == Qt::LeftButton) {
        QDesktopServices::openUrl(Direccion());
        return true;
    }
    return QDialog::eventFilter(objeto, evento);
}

void TfrmAbout::TimerTimer() {
    if (!animacion_.Paso())
        return;
    Imagen(animacion_.Cara())->raise();
    Timer->setInterval(animacion_.Intervalo());
}

QLabel* TfrmAbout::Imagen(TCaraOjos cara) const {
    return imagenes_[int(cara)];
}
