#pragma once

#include <QAbstractScrollArea>

// Scrolling base of the log view: vertical positions in scroll units, horizontal in pixels.
// Both bars are always there, disabled while there is nothing to scroll.
class TLogScroller : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TLogScroller(QWidget* padre = nullptr);

    int ScrollUnit() const { return unidad_; }
    int VerticalPos() const { return posVertical_; }
    void SetVerticalPos(int posicion);
    int VerticalPosMax() const;
    int HorizontalPos() const { return posHorizontal_; }
    void SetHorizontalPos(int posicion);
    void ScrollToPixel(int y) { SetVerticalPos(y / unidad_); }
    // Document pixel at the top of the view. While a new width is being laid out in
    // slices it may lie a few pixels past the unit, so that the reader's line stays put.
    int PixelPos() const { return posVertical_ * unidad_ + ajuste_; }
    int ContentWidth() const { return anchoContenido_; }
    int ContentUnits() const { return unidadesContenido_; }

    bool Tracking() const { return seguimiento_; }
    void SetTracking(bool activo);
    bool VScrollVisible() const { return barraVisible_; }
    void SetVScrollVisible(bool visible);

signals:
    void OnVScrolled();

protected:
    // Sets the ranges with both positions at 0, without moving any pixels.
    void SetRanges(int anchoContenido, int unidadesContenido);
    // Sets the ranges keeping the positions as far as they still fit, without moving pixels.
    void ActualizarRangos(int anchoContenido, int unidadesContenido);
    // Shows document pixel y at the top, at position posicion (clamped) plus a part of a
    // unit; moves no pixels and raises OnVScrolled when the position changed.
    void FijarPixel(int y, int posicion);
    // After the position changed by a scroll bar, a key or SetVerticalPos.
    virtual void PosicionCambiada() {}
    // The unit grows so that the vertical range stays within 30000 units, rounding up so
    // that it really does; it never shrinks.
    void AjustarUnidad(int altoDocumento);
    void DesplazarConTecla(int tecla);
    void keyPressEvent(QKeyEvent* evento) override;
    void scrollContentsBy(int dx, int dy) override;
    // Child controls follow the content by this many pixels.
    virtual void MoverControles(int dx, int dy) = 0;

private:
    void ConfigurarBarras();
    void AccionVertical(int accion);
    void AccionHorizontal(int accion);
    void Desplazar(int dx, int dy);

    int unidad_ = 10;
    int posVertical_ = 0;
    int ajuste_ = 0;
    int posHorizontal_ = 0;
    int anchoContenido_ = 0;
    int unidadesContenido_ = 0;
    bool seguimiento_ = true;
    bool barraVisible_ = true;
    bool sinDesplazar_ = false;
};
