#pragma once

#include "core/utilidades.h"

#include <QLabel>
#include <QWidget>
#include <optional>

class QPainter;

// The header colour with its double bevel, under every header and panel caption bar.
void PintarFondoCabecera(QPainter& pintor, const QRect& area, const QPalette& paleta);
// The white close cross of headers and caption bars, 12 x 12.
QPixmap GlifoCerrar();

// A small picture that acts on a left click; it takes its own presses, so that they do not
// start dragging what it sits on.
class TGlifo : public QLabel {
    Q_OBJECT
public:
    TGlifo(const char* nombre, const QString& pista, const QPixmap& dibujo, QWidget* padre);

signals:
    void Pulsado();

protected:
    void mousePressEvent(QMouseEvent* evento) override;
    void mouseReleaseEvent(QMouseEvent* evento) override;
};

// Title bar of our own for frameless secondary windows: coloured panel, bold caption that
// dims while its window is inactive, optional glyphs, and dragging the window by it.
// Presses on the caption and on any picture the window adds to the header drag too.
class TCabeceraVentana : public QWidget {
    Q_OBJECT
public:
    enum TBoton { Cerrar = 0x1, Minimizar = 0x2, Maximizar = 0x4 };
    Q_DECLARE_FLAGS(TBotones, TBoton)

    static constexpr TColor kColorFondo = 12281446;
    static constexpr TColor kColorTituloActivo = ColorRGB(255, 255, 255);
    static constexpr TColor kColorTituloInactivo = 14531515;
    static constexpr int kAlto = 20;

    // `nombre` is the panel's object name (PanelCabecera, Panel1...). Maximizar brings the
    // restore glyph with it; the two swap as the window is maximised and restored.
    TCabeceraVentana(const QString& nombre, const QString& titulo, TBotones botones,
                     QWidget* padre);

    QLabel* lblCaption() const { return lblCaption_; }
    // Null when the header was built without that glyph.
    QLabel* imgCerrar() const { return imgCerrar_; }
    QLabel* imgMinimizar() const { return imgMinimizar_; }
    QLabel* imgMaximizar() const { return imgMaximizar_; }
    QLabel* imgRestaurar() const { return imgRestaurar_; }

signals:
    // What closing means is up to each window.
    void CerrarPulsado();

protected:
    void paintEvent(QPaintEvent* evento) override;
    void resizeEvent(QResizeEvent* evento) override;
    void mousePressEvent(QMouseEvent* evento) override;
    void mouseMoveEvent(QMouseEvent* evento) override;
    void mouseReleaseEvent(QMouseEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    QLabel* NuevoGlifo(const char* nombre, const QString& pista, const QPixmap& dibujo);
    void GlifoPulsado(const QLabel* glifo);
    void ColorearTitulo();
    void MostrarMaximizarORestaurar();

    QLabel* lblCaption_;
    QLabel* imgCerrar_ = nullptr;
    QLabel* imgMinimizar_ = nullptr;
    QLabel* imgMaximizar_ = nullptr;
    QLabel* imgRestaurar_ = nullptr;
    // Offset of the press from the window's corner while moving by hand.
    std::optional<QPoint> agarre_;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TCabeceraVentana::TBotones)
