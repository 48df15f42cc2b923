#pragma once

#include "core/utilidades.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>

// Font style bits of a text style.
enum : quint8 { kNegrita = 1, kCursiva = 2, kSubrayado = 4, kTachado = 8 };

struct TFontInfo {
    quint8 CharSet = 1;
    QString FontName = QStringLiteral("Arial");
    qint32 Size = 10;
    TColor Color = kColorSistema | 8;
    quint8 Style = 0;

    friend bool operator==(const TFontInfo&, const TFontInfo&) = default;
};

// Whether two styles measure alike: the colour plays no part in layout.
bool MismaFuente(const TFontInfo& a, const TFontInfo& b);

// The numbered text styles; an index it does not hold raises the index error.
class TFontInfos {
public:
    int Count() const { return estilos_.size(); }
    TFontInfo& operator[](int indice);
    const TFontInfo& operator[](int indice) const;
    // Layout and painting must not fail on a style the table lacks: it gets a new style's look.
    const TFontInfo& EstiloOPorDefecto(int indice) const;
    int Add(const TFontInfo& estilo = {});
    const QList<TFontInfo>& Lista() const { return estilos_; }

private:
    QList<TFontInfo> estilos_;
};

// Text in styles 4 and 5 is clickable; no other style index is ever a jump.
constexpr bool EsEstiloDeSalto(qint32 estilo) { return estilo == 4 || estilo == 5; }

// Cursor number under which the pointing hand of jumps is known.
constexpr quint16 kCursorSalto = 101;

// The pointing hand, 32 x 32, hot spot (6, 0): black outline, white inside, transparent
// elsewhere (alpha 0).
QImage ImagenManoSalto();

// Numbered text styles and the colours of the views that share it.
class TLogStyle : public QObject {
    Q_OBJECT
public:
    explicit TLogStyle(QObject* padre = nullptr);

    int AppendTextStyle();
    void SetTextStyles(const TFontInfos& estilos) { TextStyles = estilos; }

    TFontInfos TextStyles;
    quint16 JumpCursor = kCursorSalto;
    TColor Color = kColorSistema | 5;
    TColor HoverColor = kSinColor;
    bool FullRedraw = false;
    TColor SelColor = kColorSistema | 0x0D;
    TColor SelTextColor = kColorSistema | 0x0E;
};
