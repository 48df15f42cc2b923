#include "chat/emoticonos.h"

#include <QPainter>
#include <QPainterPath>

const QList<ParTxtIdxEmoticono>& DiccionarioEmoticonos() {
    static const QList<ParTxtIdxEmoticono> diccionario{
        {QStringLiteral(":)"), 0},       {QStringLiteral(":-)"), 0},
        {QStringLiteral(":smile:"), 0},  {QStringLiteral(":D"), 1},
        {QStringLiteral(":-D"), 1},      {QStringLiteral(":laugh:"), 1},
        {QStringLiteral(":("), 2},       {QStringLiteral(":-("), 2},
        {QStringLiteral(":sad:"), 2},    {QStringLiteral(":'("), 3},
        {QStringLiteral(":'-("), 3},     {QStringLiteral(":~("), 3},
        {QStringLiteral(":~-("), 3},     {QStringLiteral(":\"("), 3},
        {QStringLiteral(":\"-("), 3},    {QStringLiteral(":cry:"), 3},
        {QStringLiteral(";)"), 4},       {QStringLiteral(";-)"), 4},
        {QStringLiteral(":blink:"), 4},  {QStringLiteral(":|"), 5},
        {QStringLiteral(":-|"), 5},      {QStringLiteral(":hmm:"), 5},
        {QStringLiteral(":P"), 6},       {QStringLiteral(":-P"), 6},
        {QStringLiteral("::P:"), 6},     {QStringLiteral("8|"), 8},
        {QStringLiteral("8-|"), 8},      {QStringLiteral(":shock:"), 8},
        {QStringLiteral("B)"), 9},       {QStringLiteral("B-)"), 9},
        {QStringLiteral(":sun:"), 9},    {QStringLiteral(":O"), 10},
        {QStringLiteral(":-O"), 10},     {QStringLiteral(":wow:"), 10},
        {QStringLiteral(":S"), 11},      {QStringLiteral(":-S"), 11},
        {QStringLiteral("::S:"), 11},    {QStringLiteral("XD"), 13},
        {QStringLiteral("X-D"), 13},     {QStringLiteral(":jiji:"), 13},
        {QStringLiteral(":sigh:"), 7},   {QStringLiteral(":blush:"), 12},
        {QStringLiteral(":evil1:"), 14}, {QStringLiteral(":evil2:"), 15},
    };
    return diccionario;
}

qint32 BuscarEmoticono(const QString& linea, qsizetype& posicion) {
    // Every code starts with one of these; most characters of a line are not one.
    static const QString iniciales = QStringLiteral(":;8BX");
    if (posicion >= linea.size() || !iniciales.contains(linea[posicion]))
        return -1;
    const QStringView resto = QStringView(linea).mid(posicion);
    for (const ParTxtIdxEmoticono& par : DiccionarioEmoticonos()) {
        if (resto.startsWith(par.Txt, Qt::CaseSensitive)) {
            posicion += par.Txt.size() - 1;
            return par.Idx;
        }
    }
    return -1;
}

namespace {

const QColor kTinta(90, 60, 0);
const QColor kAmarillo(255, 214, 40);
const QColor kRojo(220, 30, 30);

enum class TOjos { Puntos, Guino, Cerrados, Redondos, Gafas, Apretados, Enfadados };
enum class TBoca { Sonrisa, Abierta, Triste, Recta, Lengua, Suspiro, Redonda, Zigzag, Risa };

struct TCara {
    TOjos Ojos;
    TBoca Boca;
    QColor Piel = kAmarillo;
    bool Lagrimas = false;
    bool Mejillas = false;
    bool Cuernos = false;
};

QPen Trazo(const QColor& color = kTinta, qreal grosor = 1.0) {
    return QPen(color, grosor, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Ojo(QPainter& p, qreal x, qreal y) {
    p.setPen(Qt::NoPen);
    p.setBrush(kTinta);
    p.drawEllipse(QPointF(x, y), 1.0, 1.3);
}

void PintarOjos(QPainter& p, TOjos ojos) {
    switch (ojos) {
    case TOjos::Puntos:
        Ojo(p, 6, 5.5);
        Ojo(p, 11, 5.5);
        return;
    case TOjos::Guino:
        Ojo(p, 6, 5.5);
        p.setPen(Trazo());
        p.drawLine(QPointF(9.5, 5.5), QPointF(12.5, 5.5));
        return;
    case TOjos::Cerrados:
        p.setPen(Trazo());
        p.drawLine(QPointF(4.5, 5.5), QPointF(7.5, 5.5));
        p.drawLine(QPointF(9.5, 5.5), QPointF(12.5, 5.5));
        return;
    case TOjos::Redondos:
        p.setPen(Trazo());
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(6, 5.5), 1.8, 2.0);
        p.drawEllipse(QPointF(11, 5.5), 1.8, 2.0);
        Ojo(p, 6, 5.5);
        Ojo(p, 11, 5.5);
        return;
    case TOjos::Gafas:
        p.setPen(Trazo(Qt::black));
        p.setBrush(Qt::black);
        p.drawLine(QPointF(2.5, 5), QPointF(14.5, 5));
        p.drawRoundedRect(QRectF(3.5, 4.5, 4.5, 2.8), 1, 1);
        p.drawRoundedRect(QRectF(9, 4.5, 4.5, 2.8), 1, 1);
        return;
    case TOjos::Apretados:
        p.setPen(Trazo());
        p.drawPolyline(QPolygonF{{4.5, 4}, {7, 5.5}, {4.5, 7}});
        p.drawPolyline(QPolygonF{{12.5, 4}, {10, 5.5}, {12.5, 7}});
        return;
    case TOjos::Enfadados:
        p.setPen(Trazo(kTinta, 1.2));
        p.drawLine(QPointF(4, 3.5), QPointF(7.5, 5));
        p.drawLine(QPointF(13, 3.5), QPointF(9.5, 5));
        Ojo(p, 6, 6.5);
        Ojo(p, 11, 6.5);
        return;
    }
}

// A mouth open wide: flat on top, round below, filled dark.
void BocaAbierta(QPainter& p, const QRectF& marco) {
    QPainterPath path;
    path.moveTo(marco.left(), marco.center().y());
    path.lineTo(marco.right(), marco.center().y());
    path.arcTo(marco, 0, -180);
    p.setBrush(kTinta);
    p.drawPath(path);
}

void PintarBoca(QPainter& p, TBoca boca) {
    p.setPen(Trazo());
    p.setBrush(Qt::NoBrush);
    switch (boca) {
    case TBoca::Sonrisa:
        p.drawArc(QRectF(4.5, 4.5, 8, 6), 200 * 16, 140 * 16);
        return;
    case TBoca::Abierta:
        BocaAbierta(p, QRectF(4.5, 5, 8, 7));
        return;
    case TBoca::Triste:
        p.drawArc(QRectF(5, 9.5, 7, 5), 30 * 16, 120 * 16);
        return;
    case TBoca::Recta:
        p.drawLine(QPointF(5.5, 10.5), QPointF(11.5, 10.5));
        return;
    case TBoca::Lengua:
        p.drawLine(QPointF(5, 9.5), QPointF(12, 9.5));
        p.setPen(Qt::NoPen);
        p.setBrush(kRojo);
        p.drawChord(QRectF(8, 7.5, 3.5, 5), 180 * 16, 180 * 16);
        return;
    case TBoca::Suspiro:
        p.drawArc(QRectF(6, 9.5, 5, 3), 0, 180 * 16);
        p.setPen(Trazo(QColor(120, 170, 230)));
        p.drawLine(QPointF(12.5, 10.5), QPointF(15.5, 11.5));
        return;
    case TBoca::Redonda:
        p.setBrush(kTinta);
        p.drawEllipse(QPointF(8.5, 10.5), 1.6, 2.0);
        return;
    case TBoca::Zigzag:
        p.drawPolyline(QPolygonF{{5, 10.5}, {7, 9.5}, {9, 11}, {10.5, 9.5}, {12, 10.5}});
        return;
    case TBoca::Risa:
        BocaAbierta(p, QRectF(4, 3.5, 9, 9));
        p.setPen(Qt::NoPen);
        p.setBrush(kRojo);
        p.drawEllipse(QPointF(8.5, 11.3), 2.0, 1.0);
        return;
    }
}

void PintarCara(QPainter& p, const TCara& cara) {
    p.setRenderHint(QPainter::Antialiasing);
    if (cara.Cuernos) {
        p.setPen(Qt::NoPen);
        p.setBrush(cara.Piel.darker(140));
        p.drawPolygon(QPolygonF{{2, 0}, {3, 4}, {5.5, 2}});
        p.drawPolygon(QPolygonF{{15, 0}, {14, 4}, {11.5, 2}});
    }
    p.setPen(Trazo());
    p.setBrush(cara.Piel);
    p.drawEllipse(QRectF(1.5, 0.5, 14, 14));
    if (cara.Mejillas) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 120, 140, 190));
        p.drawEllipse(QPointF(4.5, 8.5), 1.7, 1.2);
        p.drawEllipse(QPointF(12.5, 8.5), 1.7, 1.2);
    }
    PintarOjos(p, cara.Ojos);
    PintarBoca(p, cara.Boca);
    if (cara.Lagrimas) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 140, 255));
        p.drawEllipse(QPointF(5, 9), 1.0, 1.6);
        p.drawEllipse(QPointF(12, 9), 1.0, 1.6);
    }
}

TCara Cara(int numero) {
    const QColor purpura(190, 110, 220);
    const QColor granate(230, 70, 50);
    switch (numero) {
    case 0: return {TOjos::Puntos, TBoca::Sonrisa};
    case 1: return {TOjos::Puntos, TBoca::Abierta};
    case 2: return {TOjos::Puntos, TBoca::Triste};
    case 3: return {TOjos::Cerrados, TBoca::Triste, kAmarillo, true};
    case 4: return {TOjos::Guino, TBoca::Sonrisa};
    case 5: return {TOjos::Puntos, TBoca::Recta};
    case 6: return {TOjos::Puntos, TBoca::Lengua};
    case 7: return {TOjos::Cerrados, TBoca::Suspiro};
    case 8: return {TOjos::Redondos, TBoca::Recta};
    case 9: return {TOjos::Gafas, TBoca::Sonrisa};
    case 10: return {TOjos::Redondos, TBoca::Redonda};
    case 11: return {TOjos::Puntos, TBoca::Zigzag};
    case 12: return {TOjos::Cerrados, TBoca::Sonrisa, kAmarillo, false, true};
    case 13: return {TOjos::Apretados, TBoca::Risa};
    case 14: return {TOjos::Enfadados, TBoca::Sonrisa, purpura, false, false, true};
    default: return {TOjos::Enfadados, TBoca::Triste, granate, false, false, true};
    }
}

} // namespace

QImage DibujoEmoticono(int numero) {
    QImage imagen(kAnchoEmoticono, kAltoEmoticono, QImage::Format_ARGB32_Premultiplied);
    imagen.fill(Qt::transparent);
    QPainter pintor(&imagen);
    PintarCara(pintor, Cara(numero));
    return imagen;
}

TListaImagenes ListaEmoticonos() {
    TListaImagenes lista(kAnchoEmoticono, kAltoEmoticono);
    for (int numero = 0; numero < kNumeroEmoticonos; ++numero)
        lista.Add(DibujoEmoticono(numero));
    return lista;
}

QPoint PosicionPanelEmoticonos(QPoint raton, QRect ventana, QSize panel) {
    constexpr int kMargen = 8;
    int izquierda = raton.x() - ventana.left() + 2;
    int arriba = raton.y() - ventana.top() - panel.height() / 2;
    if (izquierda + panel.width() + kMargen > ventana.width())
        izquierda = ventana.width() - panel.width() - kMargen;
    if (arriba + panel.height() + kMargen > ventana.height())
        arriba = ventana.height() - panel.height() - kMargen;
    return {izquierda, arriba};
}

const QStringList& CodigosBotonesEmoticonos() {
    static const QStringList codigos{
        QStringLiteral(":smile:"), QStringLiteral(":laugh:"), QStringLiteral(":sad:"),
        QStringLiteral(":cry:"),   QStringLiteral(":blink:"), QStringLiteral(":hmm:"),
        QStringLiteral("::P:"),    QStringLiteral(":sigh:"),  QStringLiteral(":shock:"),
        QStringLiteral(":sun:"),   QStringLiteral(":wow:"),   QStringLiteral("::S:"),
        QStringLiteral(":blush:"), QStringLiteral(":jiji:"),  QStringLiteral(":evil1:"),
        QStringLiteral(":evil2:"),
    };
    return codigos;
}
