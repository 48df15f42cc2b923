#include "widgets/cabeceraventana.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWindow>

namespace {

constexpr int kMargenDerecho = 5;

QPixmap Lienzo(int ancho, int alto) {
    QPixmap lienzo(ancho, alto);
    lienzo.fill(Qt::transparent);
    return lienzo;
}

QPen Trazo() { return QPen(Qt::white, 1.5, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin); }

} // namespace

QPixmap GlifoCerrar() {
    QPixmap lienzo = Lienzo(12, 12);
    QPainter pintor(&lienzo);
    pintor.setRenderHint(QPainter::Antialiasing);
    pintor.setPen(Trazo());
    pintor.drawRect(QRectF(0.75, 0.75, 10.5, 10.5));
    pintor.drawLine(QPointF(3.5, 3.5), QPointF(8.5, 8.5));
    pintor.drawLine(QPointF(8.5, 3.5), QPointF(3.5, 8.5));
    return lienzo;
}

namespace {

QPixmap DibujoMinimizar() {
    QPixmap lienzo = Lienzo(10, 14);
    QPainter pintor(&lienzo);
    pintor.fillRect(QRect(1, 10, 8, 2), Qt::white);
    return lienzo;
}

QPixmap DibujoMaximizar() {
    QPixmap lienzo = Lienzo(13, 14);
    QPainter pintor(&lienzo);
    pintor.setPen(Qt::white);
    pintor.drawRect(1, 2, 10, 9);
    pintor.fillRect(QRect(1, 2, 11, 3), Qt::white);
    return lienzo;
}

QPixmap DibujoRestaurar() {
    QPixmap lienzo = Lienzo(12, 14);
    QPainter pintor(&lienzo);
    pintor.setPen(Qt::white);
    pintor.drawRect(3, 1, 8, 7);
    pintor.fillRect(QRect(3, 1, 9, 2), Qt::white);
    pintor.fillRect(QRect(0, 5, 9, 8), AQColor(TCabeceraVentana::kColorFondo));
    pintor.drawRect(0, 5, 8, 7);
    pintor.fillRect(QRect(0, 5, 9, 2), Qt::white);
    return lienzo;
}

void DibujarBisel(QPainter& pintor, QRect marco, QColor claro, QColor oscuro) {
    pintor.setPen(oscuro);
    pintor.drawLine(marco.bottomLeft(), marco.bottomRight());
    pintor.drawLine(marco.topRight(), marco.bottomRight());
    pintor.setPen(claro);
    pintor.drawLine(marco.topLeft(), marco.topRight());
    pintor.drawLine(marco.topLeft(), marco.bottomLeft());
}

} // namespace

void PintarFondoCabecera(QPainter& pintor, const QRect& area, const QPalette& paleta) {
    pintor.fillRect(area, AQColor(TCabeceraVentana::kColorFondo));
    const QColor claro = paleta.color(QPalette::Light);
    const QColor oscuro = paleta.color(QPalette::Dark);
    DibujarBisel(pintor, area, oscuro, claro);
    DibujarBisel(pintor, area.adjusted(1, 1, -1, -1), claro, oscuro);
}

TGlifo::TGlifo(const char* nombre, const QString& pista, const QPixmap& dibujo, QWidget* padre)
    : QLabel(padre) {
    setObjectName(QLatin1String(nombre));
    setToolTip(pista);
    setPixmap(dibujo);
    setFixedSize(dibujo.size());
}

void TGlifo::mousePressEvent(QMouseEvent*) {}

void TGlifo::mouseReleaseEvent(QMouseEvent* evento) {
    if (evento->button() == Qt::LeftButton && rect().contains(evento->position().toPoint()))
        emit Pulsado();
}

TCabeceraVentana::TCabeceraVentana(const QString& nombre, const QString& titulo, TBotones botones,
                                   QWidget* padre)
    : QWidget(padre), lblCaption_(new QLabel(titulo, this)) {
    setObjectName(nombre);
    setFixedHeight(kAlto);
    lblCaption_->setObjectName(QStringLiteral("lblCaption"));
    // Captions carry peers' nicks.
    lblCaption_->setTextFormat(Qt::PlainText);
    QFont negrita = lblCaption_->font();
    negrita.setBold(true);
    lblCaption_->setFont(negrita);
    lblCaption_->move(6, 0);
    if (botones & Minimizar)
        imgMinimizar_ = NuevoGlifo("imgMinimizar", QStringLiteral("Minimizar"), DibujoMinimizar());
    if (botones & Maximizar) {
        imgMaximizar_ = NuevoGlifo("imgMaximizar", QStringLiteral("Maximizar"), DibujoMaximizar());
        imgRestaurar_ = NuevoGlifo("imgRestaurar", QStringLiteral("Restaurar"), DibujoRestaurar());
    }
    if (botones & Cerrar)
        imgCerrar_ = NuevoGlifo("imgCerrar", QStringLiteral("Cerrar"), GlifoCerrar());
    window()->installEventFilter(this);
    ColorearTitulo();
    MostrarMaximizarORestaurar();
}

QLabel* TCabeceraVentana::NuevoGlifo(const char* nombre, const QString& pista,
                                      const QPixmap& dibujo) {
    auto* glifo = new TGlifo(nombre, pista, dibujo, this);
    connect(glifo, &TGlifo::Pulsado, this, [this, glifo] { GlifoPulsado(glifo); });
    return glifo;
}

void TCabeceraVentana::paintEvent(QPaintEvent*) {
    QPainter pintor(this);
    PintarFondoCabecera(pintor, rect(), palette());
}

void TCabeceraVentana::resizeEvent(QResizeEvent*) {
    // Each glyph sits a fixed step left of the one to its right.
    int derecha = width() - kMargenDerecho;
    if (imgCerrar_) {
        imgCerrar_->move(derecha - imgCerrar_->width(), 5);
        derecha = imgCerrar_->x();
    }
    if (imgMaximizar_) {
        const int x = imgCerrar_ ? imgCerrar_->x() - 18 : derecha - imgMaximizar_->width();
        imgMaximizar_->move(x, 3);
        imgRestaurar_->move(x, 3);
        derecha = x;
    }
    if (imgMinimizar_) {
        imgMinimizar_->move(imgMaximizar_ ? derecha - 14 : derecha - imgMinimizar_->width(), 3);
        derecha = imgMinimizar_->x();
    }
    lblCaption_->setGeometry(lblCaption_->x(), 0, std::max(0, derecha - 2 - lblCaption_->x()),
                             height());
}

void TCabeceraVentana::mousePressEvent(QMouseEvent* evento) {
    if (evento->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(evento);
    QWindow* ventana = window()->windowHandle();
    if (ventana && ventana->startSystemMove())
        return;
    agarre_ = evento->globalPosition().toPoint() - window()->frameGeometry().topLeft();
}

void TCabeceraVentana::mouseMoveEvent(QMouseEvent* evento) {
    if (agarre_ && (evento->buttons() & Qt::LeftButton))
        window()->move(evento->globalPosition().toPoint() - *agarre_);
}

void TCabeceraVentana::mouseReleaseEvent(QMouseEvent*) {
    agarre_.reset();
}

bool TCabeceraVentana::eventFilter(QObject* objeto, QEvent* evento) {
    if (objeto != window())
        return false;
    if (evento->type() == QEvent::ActivationChange)
        ColorearTitulo();
    if (evento->type() == QEvent::WindowStateChange)
        MostrarMaximizarORestaurar();
    return false;
}

void TCabeceraVentana::GlifoPulsado(const QLabel* glifo) {
    if (glifo == imgCerrar_)
        emit CerrarPulsado();
    else if (glifo == imgMinimizar_)
        window()->showMinimized();
    else if (glifo == imgMaximizar_)
        window()->showMaximized();
    else if (glifo == imgRestaurar_)
        window()->showNormal();
}

void TCabeceraVentana::ColorearTitulo() {
    const TColor color = window()->isActiveWindow() ? kColorTituloActivo : kColorTituloInactivo;
    QPalette paleta = lblCaption_->palette();
    paleta.setColor(QPalette::WindowText, AQColor(color));
    lblCaption_->setPalette(paleta);
}

void TCabeceraVentana::MostrarMaximizarORestaurar() {
    if (!imgMaximizar_)
        return;
    const bool maximizada = window()->isMaximized();
    imgMaximizar_->setVisible(!maximizada);
    imgRestaurar_->setVisible(maximizada);
}
