#include "widgets/gradientbar.h"

#include <QEvent>
#include <QPainter>

TGradientBar::TGradientBar(QWidget* padre) : QWidget(padre) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(sizeHint());
}

void TGradientBar::SetPosition(qint32 valor) {
    if (valor == aspecto_.Position || valor > aspecto_.Max || valor < aspecto_.Min)
        return;
    aspecto_.Position = valor;
    rebuildBar_ = false;
    repaint();
    rebuildBar_ = true;
}

void TGradientBar::paintEvent(QPaintEvent*) {
    if (frameImage_.size() != size())
        frameImage_ = QImage(size(), QImage::Format_RGB32);
    // A resize may arrive between a position change and its paint: never reuse a stale size.
    if (rebuildBar_ || barImage_.size() != size())
        barImage_ = ConstruirBarra(aspecto_, size());
    ComponerBarra(frameImage_, aspecto_, barImage_, font(), palette().color(foregroundRole()));
    QPainter(this).drawImage(0, 0, frameImage_);
}

void TGradientBar::changeEvent(QEvent* evento) {
    QWidget::changeEvent(evento);
    if (evento->type() == QEvent::FontChange || evento->type() == QEvent::PaletteChange)
        repaint();
}
