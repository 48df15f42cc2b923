#pragma once

#include <QLabel>

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
