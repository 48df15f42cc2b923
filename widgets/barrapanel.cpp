#include "widgets/barrapanel.h"

#include "widgets/cabeceraventana.h"
#include "widgets/estilo.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

TBarraPanel::TBarraPanel(const char* nombre, const char* nombreTitulo, const QString& titulo,
                         QWidget* panel)
    : QWidget(panel), titulo_(new QLabel(titulo, this)) {
    setObjectName(QLatin1String(nombre));
    titulo_->setObjectName(QLatin1String(nombreTitulo));
    Negrita(titulo_);
    Colorear(titulo_, AQColor(TCabeceraVentana::kColorTituloActivo));
    titulo_->move(4, 3);
}

QLabel* TBarraPanel::AnadirCerrar(const char* nombre, QPoint en) {
    auto* glifo = new TGlifo(nombre, QStringLiteral("Cerrar"), GlifoCerrar(), this);
    glifo->move(en);
    titulo_->setMaximumWidth(std::max(0, en.x() - titulo_->x() - 2));
    AjustarTitulo();
    connect(glifo, &TGlifo::Pulsado, this, &TBarraPanel::CerrarPulsado);
    return glifo;
}

// The caption gives way to the glyph rather than run under it: where the window's font is
// too wide for its room, it takes a smaller size.
void TBarraPanel::AjustarTitulo() {
    QFont fuente = font();
    fuente.setBold(true);
    const int sitio = titulo_->maximumWidth();
    while (fuente.pointSizeF() > kMenorPunto &&
           QFontMetrics(fuente).horizontalAdvance(titulo_->text()) > sitio)
        fuente.setPointSizeF(fuente.pointSizeF() - 0.5);
    titulo_->setFont(fuente);
    titulo_->adjustSize();
}

void TBarraPanel::changeEvent(QEvent* evento) {
    QWidget::changeEvent(evento);
    if (evento->type() == QEvent::FontChange)
        AjustarTitulo();
}

void TBarraPanel::paintEvent(QPaintEvent*) {
    QPainter pintor(this);
    PintarFondoCabecera(pintor, rect(), palette());
}

void TBarraPanel::mousePressEvent(QMouseEvent* evento) {
    if (evento->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(evento);
    agarre_ = mapTo(parentWidget(), evento->position().toPoint());
    parentWidget()->raise();
}

void TBarraPanel::mouseMoveEvent(QMouseEvent* evento) {
    QWidget* panel = parentWidget();
    QWidget* ventana = panel->parentWidget();
    if (!agarre_ || !ventana || !(evento->buttons() & Qt::LeftButton))
        return;
    const QPoint deseada = ventana->mapFromGlobal(evento->globalPosition().toPoint()) - *agarre_;
    panel->move(DentroDeVentana(deseada, panel->size(), ventana->size()));
}

void TBarraPanel::mouseReleaseEvent(QMouseEvent*) { agarre_.reset(); }

QPoint DentroDeVentana(QPoint deseada, QSize panel, QSize ventana) {
    return {std::max(0, std::min(deseada.x(), ventana.width() - panel.width())),
            std::max(0, std::min(deseada.y(), ventana.height() - panel.height()))};
}
