#include "widgets/label2.h"

void TLabel2::enterEvent(QEnterEvent* evento) {
    QLabel::enterEvent(evento);
    emit OnMouseEnter(this);
}

void TLabel2::leaveEvent(QEvent* evento) {
    QLabel::leaveEvent(evento);
    emit OnMouseLeave(this);
}

void SubrayarAlPasar(TLabel2* etiqueta, std::function<bool()> cuando) {
    const auto subrayar = [etiqueta, cuando](bool dentro) {
        if (cuando && !cuando())
            return;
        QFont fuente = etiqueta->font();
        if (!dentro) {
            fuente.setBold(false);
            fuente.setItalic(false);
            fuente.setStrikeOut(false);
        }
        fuente.setUnderline(dentro);
        etiqueta->setFont(fuente);
    };
    QObject::connect(etiqueta, &TLabel2::OnMouseEnter, etiqueta, [subrayar] { subrayar(true); });
    QObject::connect(etiqueta, &TLabel2::OnMouseLeave, etiqueta, [subrayar] { subrayar(false); });
}
