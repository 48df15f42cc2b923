#pragma once

#include <QLabel>
#include <functional>

// A label that tells its owner when the mouse enters and leaves it.
class TLabel2 : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

signals:
    void OnMouseEnter(TLabel2* sender);
    void OnMouseLeave(TLabel2* sender);

protected:
    void enterEvent(QEnterEvent* evento) override;
    void leaveEvent(QEvent* evento) override;
};

// The label's text is underlined while the mouse is over it, whenever `cuando` allows (always
// without it); leaving also takes bold, italic and strike-out away.
void SubrayarAlPasar(TLabel2* etiqueta, std::function<bool()> cuando = {});
