#pragma once

#include <QLabel>
#include <QPoint>
#include <QWidget>
#include <optional>

class TGlifo;

// Caption bar of a panel that floats inside a window (the on-line list, the emoticons): the
// header's colour and bevel, a white bold caption, an optional close glyph. Pressing on the
// bar or its caption drags the panel, which never leaves its window.
class TBarraPanel : public QWidget {
    Q_OBJECT
public:
    // `panel` is the floating panel the bar sits on; its parent is the window.
    TBarraPanel(const char* nombre, const char* nombreTitulo, const QString& titulo,
                QWidget* panel);

    QLabel* Titulo() const { return titulo_; }
    // The close glyph at `en`, hint "Cerrar"; clicking it emits CerrarPulsado.
    QLabel* AnadirCerrar(const char* nombre, QPoint en);

signals:
    void CerrarPulsado();

protected:
    void changeEvent(QEvent* evento) override;
    void paintEvent(QPaintEvent* evento) override;
    void mousePressEvent(QMouseEvent* evento) override;
    void mouseMoveEvent(QMouseEvent* evento) override;
    void mouseReleaseEvent(QMouseEvent* evento) override;

private:
    static constexpr qreal kMenorPunto = 6;
    void AjustarTitulo();

    QLabel* titulo_;
    // Where in the panel it was grabbed, while dragging.
    std::optional<QPoint> agarre_;
};

// The top-left that keeps a panel of `panel` size whole inside `ventana` size, as near to
// `deseada` as it can (the top-left corner wins when the panel is larger).
QPoint DentroDeVentana(QPoint deseada, QSize panel, QSize ventana);
