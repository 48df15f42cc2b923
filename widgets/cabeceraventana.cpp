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

TCabeceraVentana::TCabeceraVentana(const QString& nombre, const QString& titulo,
                                   TBotones botones, QWidget* padre)
    : QWidget(padre), FCaption(new QLabel(titulo, this)) {
    setObjectName(nombre);
    setFixedHeight(kAlto);
    FCaption->setObjectName(QStringLiteral("lblCaption"));
    // Captions carry peers' nicks.
    FCaption->setTextFormat(Qt::PlainText);
    QFont negrita = FCaption->font();
    negrita.setBold(true);
    FCaption->setFont(negrita);
    FCaption->move(6, 0);
    if (botones & Minimizar)
        FMinimizar = NuevoGlifo("imgMinimizar", QStringLiteral("Minimizar"), DibujoMinimizar());
    if (botones & Maximizar) {
        FMaximizar = NuevoGlifo("imgMaximizar", QStringLiteral("Maximizar"), DibujoMaximizar());
        FRestaurar = NuevoGlifo("imgRestaurar", QStringLiteral("Restaurar"), DibujoRestaurar());
    }
    if (botones & Cerrar)
        FCerrar = NuevoGlifo("imgCerrar", QStringLiteral("Cerrar"), GlifoCerrar());
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
    if (FCerrar) {
        FCerrar->move(derecha - FCerrar->width(), 5);
        derecha = FCerrar->x();
    }
    if (FMaximizar) {
        const int x = FCerrar ? FCerrar->x() - 18 : derecha - FMaximizar->width();
        FMaximizar->move(x, 3);
        FRestaurar->move(x, 3);
        derecha = x;
    }
    if (FMinimizar) {
        FMinimizar->move(FMaximizar ? derecha - 14 : derecha - FMinimizar->width(), 3);
        derecha = FMinimizar->x();
    }
    FCaption->setGeometry(FCaption->x(), 0, std::max(0, derecha - 2 - FCaption->x()), height());
}

void TCabeceraVentana::mousePressEvent(QMouseEvent* evento) {
    if (evento->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(evento);
    QWindow* ventana = window()->windowHandle();
    if (ventana && ventana->startSystemMove())
        return;
    FAgarre = evento->globalPosition().toPoint() - window()->frameGeometry().topLeft();
}

void TCabeceraVentana::mouseMoveEvent(QMouseEvent* evento) {
    if (FAgarre && (evento->buttons() & Qt::LeftButton))
        window()->move(evento->globalPosition().toPoint() - *FAgarre);
}

void TCabeceraVentana::mouseReleaseEvent(QMouseEvent*) { FAgarre.reset(); }

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
    if (glifo == FCerrar)
        emit CerrarPulsado();
    else if (glifo == FMinimizar)
        window()->showMinimized();
    else if (glifo == FMaximizar)
        window()->showMaximized();
    else if (glifo == FRestaurar)
        window()->showNormal();
}

void TCabeceraVentana::ColorearTitulo() {
    const TColor color = window()->isActiveWindow() ? kColorTituloActivo : kColorTituloInactivo;
    QPalette paleta = FCaption->palette();
    paleta.setColor(QPalette::WindowText, AQColor(color));
    FCaption->setPalette(paleta);
}

void TCabeceraVentana::MostrarMaximizarORestaurar() {
    if (!FMaximizar)
        return;
    const bool maximizada = window()->isMaximized();
    FMaximizar->setVisible(!maximizada);
    FRestaurar->setVisible(maximizada);
}
