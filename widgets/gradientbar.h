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

    const TAspectoBarra& Aspecto() const { return FAspecto; }

    TColor BackgroundColor() const { return FAspecto.BackgroundColor; }
    const QImage& BarBitmap() const { return FAspecto.BarBitmap; }
    TColor BarColor1() const { return FAspecto.BarColor1; }
    TColor BarColor2() const { return FAspecto.BarColor2; }
    TColor BarColor3() const { return FAspecto.BarColor3; }
    TBarColorStyle BarColorStyle() const { return FAspecto.BarColorStyle; }
    TColor BorderColor1() const { return FAspecto.BorderColor1; }
    TColor BorderColor2() const { return FAspecto.BorderColor2; }
    TProgressDirection Direction() const { return FAspecto.Direction; }
    qint32 Max() const { return FAspecto.Max; }
    qint32 Min() const { return FAspecto.Min; }
    bool Percentage() const { return FAspecto.Percentage; }
    qint32 Position() const { return FAspecto.Position; }
    const QString& PosTextPrefix() const { return FAspecto.PosTextPrefix; }
    const QString& PosTextSuffix() const { return FAspecto.PosTextSuffix; }
    bool ShowBorder() const { return FAspecto.ShowBorder; }
    bool ShowPosText() const { return FAspecto.ShowPosText; }

    void SetBackgroundColor(TColor valor) { Cambiar(FAspecto.BackgroundColor, valor); }
    void SetBarBitmap(const QImage& valor) { Cambiar(FAspecto.BarBitmap, valor); }
    void SetBarColor1(TColor valor) { Cambiar(FAspecto.BarColor1, valor); }
    void SetBarColor2(TColor valor) { Cambiar(FAspecto.BarColor2, valor); }
    void SetBarColor3(TColor valor) { Cambiar(FAspecto.BarColor3, valor); }
    void SetBarColorStyle(TBarColorStyle valor) { Cambiar(FAspecto.BarColorStyle, valor); }
    void SetBorderColor1(TColor valor) { Cambiar(FAspecto.BorderColor1, valor); }
    void SetBorderColor2(TColor valor) { Cambiar(FAspecto.BorderColor2, valor); }
    void SetDirection(TProgressDirection valor) { Cambiar(FAspecto.Direction, valor); }
    // Stored as they come: Position is not brought into the new range.
    void SetMax(qint32 valor) { Cambiar(FAspecto.Max, valor); }
    void SetMin(qint32 valor) { Cambiar(FAspecto.Min, valor); }
    void SetPercentage(bool valor) { Cambiar(FAspecto.Percentage, valor); }
    // Ignored outside Min..Max; otherwise repaints reusing the cached bar.
    void SetPosition(qint32 valor);
    void SetPosTextPrefix(const QString& valor) { Cambiar(FAspecto.PosTextPrefix, valor); }
    void SetPosTextSuffix(const QString& valor) { Cambiar(FAspecto.PosTextSuffix, valor); }
    void SetShowBorder(bool valor) { Cambiar(FAspecto.ShowBorder, valor); }
    void SetShowPosText(bool valor) { Cambiar(FAspecto.ShowPosText, valor); }

    QSize sizeHint() const override { return {200, 20}; }

protected:
    void paintEvent(QPaintEvent* evento) override;
    void changeEvent(QEvent* evento) override;

private:
    template <typename T> void Cambiar(T& campo, const T& valor) {
        campo = valor;
        repaint();
    }

    TAspectoBarra FAspecto;
    QImage FFrameImage;
    QImage FBarImage;
    bool FRebuildBar = true;
};
