#include "widgets/gradientbar.h"

#include <QEvent>
#include <QPainter>

TGradientBar::TGradientBar(QWidget* padre) : QWidget(padre) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(sizeHint());
}

void TGradientBar::SetPosition(qint32 valor) {
    if (valor == FAspecto.Position || valor > FAspecto.Max || valor < FAspecto.Min)
        return;
    FAspecto.Position = valor;
    FRebuildBar = false;
    repaint();
    FRebuildBar = true;
}

void TGradientBar::paintEvent(QPaintEvent*) {
    if (FFrameImage.size() != size())
        FFrameImage = QImage(size(), QImage::Format_RGB32);
    // A resize may arrive between a position change and its paint: never reuse a stale size.
    if (FRebuildBar || FBarImage.size() != size())
        FBarImage = ConstruirBarra(FAspecto, size());
    ComponerBarra(FFrameImage, FAspecto, FBarImage, font(), palette().color(foregroundRole()));
    QPainter(this).drawImage(0, 0, FFrameImage);
}

void TGradientBar::changeEvent(QEvent* evento) {
    QWidget::changeEvent(evento);
    if (evento->type() == QEvent::FontChange || evento->type() == QEvent::PaletteChange)
        repaint();
}
