#pragma once

#include "widgets/degradado.h"

#include <QWidget>

// A value between Min and Max shown as a partly uncovered gradient, tiled picture or solid
// bar, with an optional bevel border and centred caption. The caption colour is the
// widget's foreground colour.
class TGradientBar : public QWidget {
    Q_OBJECT
public:
    explicit TGradientBar(QWidget* padre = nullptr);

    const TAspectoBarra& Aspecto() const { return aspecto_; }

    TColor BackgroundColor() const { return aspecto_.BackgroundColor; }
    const QImage& BarBitmap() const { return aspecto_.BarBitmap; }
    TColor BarColor1() const { return aspecto_.BarColor1; }
    TColor BarColor2() const { return aspecto_.BarColor2; }
    TColor BarColor3() const { return aspecto_.BarColor3; }
    TBarColorStyle BarColorStyle() const { return aspecto_.BarColorStyle; }
    TColor BorderColor1() const { return aspecto_.BorderColor1; }
    TColor BorderColor2() const { return aspecto_.BorderColor2; }
    TProgressDirection Direction() const { return aspecto_.Direction; }
    qint32 Max() const { return aspecto_.Max; }
    qint32 Min() const { return aspecto_.Min; }
    bool Percentage() const { return aspecto_.Percentage; }
    qint32 Position() const { return aspecto_.Position; }
    const QString& PosTextPrefix() const { return aspecto_.PosTextPrefix; }
    const QString& PosTextSuffix() const { return aspecto_.PosTextSuffix; }
    bool ShowBorder() const { return aspecto_.ShowBorder; }
    bool ShowPosText() const { return aspecto_.ShowPosText; }

    void SetBackgroundColor(TColor valor) { Cambiar(aspecto_.BackgroundColor, valor); }
    void SetBarBitmap(const QImage& valor) { Cambiar(aspecto_.BarBitmap, valor); }
    void SetBarColor1(TColor valor) { Cambiar(aspecto_.BarColor1, valor); }
    void SetBarColor2(TColor valor) { Cambiar(aspecto_.BarColor2, valor); }
    void SetBarColor3(TColor valor) { Cambiar(aspecto_.BarColor3, valor); }
    void SetBarColorStyle(TBarColorStyle valor) { Cambiar(aspecto_.BarColorStyle, valor); }
    void SetBorderColor1(TColor valor) { Cambiar(aspecto_.BorderColor1, valor); }
    void SetBorderColor2(TColor valor) { Cambiar(aspecto_.BorderColor2, valor); }
    void SetDirection(TProgressDirection valor) { Cambiar(aspecto_.Direction, valor); }
    // Stored as they come: Position is not brought into the new range.
    void SetMax(qint32 valor) { Cambiar(aspecto_.Max, valor); }
    void SetMin(qint32 valor) { Cambiar(aspecto_.Min, valor); }
    void SetPercentage(bool valor) { Cambiar(aspecto_.Percentage, valor); }
    // Ignored outside Min..Max; otherwise repaints reusing the cached bar.
    void SetPosition(qint32 valor);
    void SetPosTextPrefix(const QString& valor) { Cambiar(aspecto_.PosTextPrefix, valor); }
    void SetPosTextSuffix(const QString& valor) { Cambiar(aspecto_.PosTextSuffix, valor); }
    void SetShowBorder(bool valor) { Cambiar(aspecto_.ShowBorder, valor); }
    void SetShowPosText(bool valor) { Cambiar(aspecto_.ShowPosText, valor); }

    QSize sizeHint() const override { return {200, 20}; }

protected:
    void paintEvent(QPaintEvent* evento) override;
    void changeEvent(QEvent* evento) override;

private:
    template <typename T> void Cambiar(T& campo, const T& valor) {
        campo = valor;
        repaint();
    }

    TAspectoBarra aspecto_;
    QImage frameImage_;
    QImage barImage_;
    bool rebuildBar_ = true;
};
