#include "logview/logscroller.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

namespace {

constexpr int kPasosPorPagina = 10;
constexpr int kUnidadesMaximas = 30000;

void ConfigurarBarra(QScrollBar* barra, int maximo, int pagina) {
    const int tope = std::max(0, maximo - pagina + 1);
    barra->setRange(0, tope);
    barra->setPageStep(std::max(1, pagina));
    barra->setEnabled(tope > 0);
}

} // namespace

TLogScroller::TLogScroller(QWidget* padre) : QAbstractScrollArea(padre) {
    setFocusPolicy(Qt::StrongFocus);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setSingleStep(1);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            &TLogScroller::AccionVertical);
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            &TLogScroller::AccionHorizontal);
    SetRanges(0, 0);
}

void TLogScroller::SetVerticalPos(int posicion) {
    verticalScrollBar()->setValue(posicion);
}

int TLogScroller::VerticalPosMax() const {
    return verticalScrollBar()->maximum();
}

void TLogScroller::SetHorizontalPos(int posicion) {
    horizontalScrollBar()->setValue(posicion);
}

void TLogScroller::SetTracking(bool activo) {
    seguimiento_ = activo;
    verticalScrollBar()->setTracking(activo);
    horizontalScrollBar()->setTracking(activo);
}

void TLogScroller::SetVScrollVisible(bool visible) {
    barraVisible_ = visible;
    setVerticalScrollBarPolicy(visible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TLogScroller::SetRanges(int ancho, int unidades) {
    anchoContenido_ = ancho;
    unidadesContenido_ = unidades;
    sinDesplazar_ = true;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    ConfigurarBarras();
    posVertical_ = 0;
    posHorizontal_ = 0;
    ajuste_ = 0;
    sinDesplazar_ = false;
}

void TLogScroller::ActualizarRangos(int ancho, int unidades) {
    anchoContenido_ = ancho;
    unidadesContenido_ = unidades;
    sinDesplazar_ = true;
    ConfigurarBarras();
    verticalScrollBar()->setValue(posVertical_);
    horizontalScrollBar()->setValue(posHorizontal_);
    posVertical_ = verticalScrollBar()->value();
    posHorizontal_ = horizontalScrollBar()->value();
    sinDesplazar_ = false;
}

void TLogScroller::ConfigurarBarras() {
    ConfigurarBarra(verticalScrollBar(), unidadesContenido_, viewport()->height() / unidad_);
    ConfigurarBarra(horizontalScrollBar(), anchoContenido_ - 1, viewport()->width());
    horizontalScrollBar()->setSingleStep(unidad_);
}

void TLogScroller::FijarPixel(int y, int posicion) {
    const int antes = posVertical_;
    sinDesplazar_ = true;
    verticalScrollBar()->setValue(posicion);
    posVertical_ = verticalScrollBar()->value();
    sinDesplazar_ = false;
    ajuste_ = std::clamp(y - posVertical_ * unidad_, 0, unidad_ - 1);
    if (posVertical_ != antes)
        emit OnVScrolled();
}

void TLogScroller::AjustarUnidad(int altoDocumento) {
    if (altoDocumento / unidad_ > kUnidadesMaximas)
        unidad_ = (altoDocumento + kUnidadesMaximas - 1) / kUnidadesMaximas;
}

// A page is ten units, whatever the size of the view.
void TLogScroller::AccionVertical(int accion) {
    QScrollBar* barra = verticalScrollBar();
    if (accion == QAbstractSlider::SliderPageStepAdd)
        barra->setSliderPosition(barra->value() + kPasosPorPagina);
    else if (accion == QAbstractSlider::SliderPageStepSub)
        barra->setSliderPosition(barra->value() - kPasosPorPagina);
}

void TLogScroller::AccionHorizontal(int accion) {
    QScrollBar* barra = horizontalScrollBar();
    if (accion == QAbstractSlider::SliderPageStepAdd)
        barra->setSliderPosition(barra->value() + kPasosPorPagina * unidad_);
    else if (accion == QAbstractSlider::SliderPageStepSub)
        barra->setSliderPosition(barra->value() - kPasosPorPagina * unidad_);
}

void TLogScroller::DesplazarConTecla(int tecla) {
    switch (tecla) {
    case Qt::Key_PageUp:
        SetVerticalPos(posVertical_ - kPasosPorPagina);
        break;
    case Qt::Key_PageDown:
        SetVerticalPos(posVertical_ + kPasosPorPagina);
        break;
    case Qt::Key_Home:
        SetVerticalPos(0);
        break;
    case Qt::Key_End:
        SetVerticalPos(unidadesContenido_);
        break;
    case Qt::Key_Up:
        SetVerticalPos(posVertical_ - 1);
        break;
    case Qt::Key_Down:
        SetVerticalPos(posVertical_ + 1);
        break;
    case Qt::Key_Left:
        SetHorizontalPos(posHorizontal_ - unidad_);
        break;
    case Qt::Key_Right:
        SetHorizontalPos(posHorizontal_ + unidad_);
        break;
    default:
        break;
    }
}

void TLogScroller::keyPressEvent(QKeyEvent* evento) {
    DesplazarConTecla(evento->key());
    QWidget::keyPressEvent(evento);
}

void TLogScroller::scrollContentsBy(int, int) {
    if (sinDesplazar_)
        return;
    const int antesV = posVertical_;
    const int antesPixel = PixelPos();
    const int antesH = posHorizontal_;
    posVertical_ = verticalScrollBar()->value();
    posHorizontal_ = horizontalScrollBar()->value();
    ajuste_ = 0;
    Desplazar(antesH - posHorizontal_, antesPixel - PixelPos());
    if (posVertical_ == antesV)
        return;
    PosicionCambiada();
    emit OnVScrolled();
}

void TLogScroller::Desplazar(int dx, int dy) {
    if (dx == 0 && dy == 0)
        return;
    viewport()->scroll(dx, dy);
    MoverControles(dx, dy);
}
