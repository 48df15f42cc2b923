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
    seguimiento = activo;
    verticalScrollBar()->setTracking(activo);
    horizontalScrollBar()->setTracking(activo);
}

void TLogScroller::SetVScrollVisible(bool visible) {
    barraVisible = visible;
    setVerticalScrollBarPolicy(visible ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TLogScroller::SetRanges(int ancho, int unidades) {
    anchoContenido = ancho;
    unidadesContenido = unidades;
    sinDesplazar = true;
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    ConfigurarBarras();
    posVertical = 0;
    posHorizontal = 0;
    ajuste = 0;
    sinDesplazar = false;
}

void TLogScroller::ActualizarRangos(int ancho, int unidades) {
    anchoContenido = ancho;
    unidadesContenido = unidades;
    sinDesplazar = true;
    ConfigurarBarras();
    verticalScrollBar()->setValue(posVertical);
    horizontalScrollBar()->setValue(posHorizontal);
    posVertical = verticalScrollBar()->value();
    posHorizontal = horizontalScrollBar()->value();
    sinDesplazar = false;
}

void TLogScroller::ConfigurarBarras() {
    ConfigurarBarra(verticalScrollBar(), unidadesContenido, viewport()->height() / unidad);
    ConfigurarBarra(horizontalScrollBar(), anchoContenido - 1, viewport()->width());
    horizontalScrollBar()->setSingleStep(unidad);
}

void TLogScroller::FijarPixel(int y, int posicion) {
    const int antes = posVertical;
    sinDesplazar = true;
    verticalScrollBar()->setValue(posicion);
    posVertical = verticalScrollBar()->value();
    sinDesplazar = false;
    ajuste = std::clamp(y - posVertical * unidad, 0, unidad - 1);
    if (posVertical != antes)
        emit OnVScrolled();
}

void TLogScroller::AjustarUnidad(int altoDocumento) {
    if (altoDocumento / unidad > kUnidadesMaximas)
        unidad = (altoDocumento + kUnidadesMaximas - 1) / kUnidadesMaximas;
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
        barra->setSliderPosition(barra->value() + kPasosPorPagina * unidad);
    else if (accion == QAbstractSlider::SliderPageStepSub)
        barra->setSliderPosition(barra->value() - kPasosPorPagina * unidad);
}

void TLogScroller::DesplazarConTecla(int tecla) {
    switch (tecla) {
    case Qt::Key_PageUp:
        SetVerticalPos(posVertical - kPasosPorPagina);
        break;
    case Qt::Key_PageDown:
        SetVerticalPos(posVertical + kPasosPorPagina);
        break;
    case Qt::Key_Home:
        SetVerticalPos(0);
        break;
    case Qt::Key_End:
        SetVerticalPos(unidadesContenido);
        break;
    case Qt::Key_Up:
        SetVerticalPos(posVertical - 1);
        break;
    case Qt::Key_Down:
        SetVerticalPos(posVertical + 1);
        break;
    case Qt::Key_Left:
        SetHorizontalPos(posHorizontal - unidad);
        break;
    case Qt::Key_Right:
        SetHorizontalPos(posHorizontal + unidad);
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
    if (sinDesplazar)
        return;
    const int antesV = posVertical;
    const int antesPixel = PixelPos();
    const int antesH = posHorizontal;
    posVertical = verticalScrollBar()->value();
    posHorizontal = horizontalScrollBar()->value();
    ajuste = 0;
    Desplazar(antesH - posHorizontal, antesPixel - PixelPos());
    if (posVertical == antesV)
        return;
    PosicionCambiada();
    emit OnVScrolled();
}

void TLogScroller::Desplazar(int dx, int dy) {
    if (dx == 0 && dy == 0)
        return;
    if (fondoFijo)
        viewport()->update();
    else
        viewport()->scroll(dx, dy);
    MoverControles(dx, dy);
}
