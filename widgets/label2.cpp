#include "widgets/label2.h"

void TLabel2::enterEvent(QEnterEvent* evento) {
    QLabel::enterEvent(evento);
    emit OnMouseEnter(this);
}

void TLabel2::leaveEvent(QEvent* evento) {
    QLabel::leaveEvent(evento);
    emit OnMouseLeave(this);
}
