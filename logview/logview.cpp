#include "logview/logview.h"

#include <QApplication>
#include <QClipboard>
#include <QHash>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>

namespace {

constexpr int kIntervaloAutoDesplazamiento = 100;
constexpr int kMargenSalto = 5;

// A child widget standing in the document; it is freed with its item.
class TControlWidget : public TControlLog {
public:
    TControlWidget(QWidget* control, QWidget* vista) : control(control) {
        control->setParent(vista);
        control->show();
    }
    ~TControlWidget() override { delete control; }
    QSize Tamano() const override { return control ? control->size() : QSize(); }
    void Colocar(int izquierda, int arriba) override {
        if (control)
            control->move(izquierda, arriba);
    }

private:
    QPointer<QWidget> control;
};

// Cursors known by number; the jump hand is drawn on first use.
QCursor CursorRegistrado(quint16 numero) {
    static QHash<quint16, QCursor> cursores;
    if (numero == kCursorSalto && !cursores.contains(numero))
        cursores.insert(numero, QCursor(QPixmap::fromImage(ImagenManoSalto()), 6, 0));
    return cursores.value(numero, QCursor(Qt::PointingHandCursor));
}

QImage ImagenSeleccionadaDe(const QImage& imagen, const QColor& color) {
    QImage mezcla = imagen.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter pintor(&mezcla);
    pintor.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    pintor.setOpacity(0.5);
    pintor.fillRect(mezcla.rect(), color);
    return mezcla;
}

int AutoDesplazamiento(int y, int alto) {
    if (y < -20)
        return -10;
    if (y < 0)
        return -1;
    if (y > alto + 20)
        return 10;
    if (y > alto)
        return 1;
    return 0;
}

} // namespace

TLogView::TLogView(QWidget* padre) : TLogScroller(padre), medidor(std::make_unique<TMedidorQt>()) {
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    resize(100, 40);
}

TLogView::~TLogView() {
    ClearDocument();
}

void TLogView::AppendText(const QString& texto, qint32 estiloTexto) {
    documento.AppendText(texto, estiloTexto);
}

void TLogView::AppendLine(const QString& texto, qint32 estiloTexto) {
    documento.AppendLine(texto, estiloTexto);
}

void TLogView::AppendMultiline(const QString& texto, qint32 estiloTexto) {
    documento.AppendMultiline(texto, estiloTexto);
}

void TLogView::AppendImage(qint32 imagen, const TListaImagenes* lista, bool nuevaLinea) {
    documento.AppendImage(imagen, lista, nuevaLinea);
}

void TLogView::AppendBreakLine(const QString& texto) {
    documento.AppendBreakLine(texto);
}

void TLogView::AppendMark(const QString& nombre) {
    documento.AppendMark(nombre);
}

void TLogView::AppendPicture(const QImage& imagen) {
    documento.AppendPicture(imagen);
}

void TLogView::AppendJumpImage(qint32 imagen, const TListaImagenes* lista, bool nuevaLinea) {
    documento.AppendJumpImage(imagen, lista, nuevaLinea);
}

void TLogView::AppendControl(QWidget* control, bool centrado) {
    auto envoltura = std::make_unique<TControlWidget>(control, viewport());
    controles.push_back(envoltura.get());
    documento.AppendControl(std::move(envoltura), centrado);
}

void TLogView::ClearDocument() {
    Deselect();
    PararAutoDesplazamiento();
    controles.clear();
    documento.ClearDocument();
    formato.Descartar();
}

TContextoLog TLogView::Contexto() const {
    return {documento, formato, estilo->TextStyles, *medidor};
}

QString TLogView::SelectedText() const {
    if (!estilo)
        return {};
    return TextoSeleccionado(Contexto(), ancla, movil);
}

void TLogView::CopySelection() const {
    if (!HasSelection())
        return;
    QGuiApplication::clipboard()->clear();
    QGuiApplication::clipboard()->setText(SelectedText());
}

void TLogView::Deselect() {
    ancla = {};
    movil = {};
    seleccionando = false;
    emit OnSelect();
}

void TLogView::SetBackgroundBitmap(const QImage& imagen) {
    fondo = imagen;
    SetFondoFijo(!fondo.isNull() && (estiloFondo == bsStretched || estiloFondo == bsTiled));
}

void TLogView::SetBackgroundStyle(TBackgroundStyle otro) {
    estiloFondo = otro;
    SetBackgroundBitmap(fondo);
}

// Lays the document out again; a selection survives in item terms.
void TLogView::Formatear(bool mantenerPosicion) {
    if (!estilo || formateando)
        return;
    formateando = true;
    const TExtremo anclaItem = ATerminosDeItem(Contexto(), ancla);
    const TExtremo movilItem = ATerminosDeItem(Contexto(), movil);
    const int pixel = PixelPos();
    const int anchoPrevio = anchoTexto;
    int base = std::max(viewport()->width() - LeftMargin - RightMargin,
                        formato.AnchoMayorCarga(documento));
    if (MinTextWidth > base)
        base = MinTextWidth;
    anchoTexto = MaxTextWidth > 0 && MaxTextWidth < base ? MaxTextWidth : base;
    if (mantenerPosicion && anchoTexto == anchoPrevio) {
        for (const TDrawLineInfo& pieza : formato.DrawItems()) {
            if (TControlLog* control = documento.Items()[pieza.ItemNo].Info.Control())
                control->ColocarEnDocumento(pieza.Left, pieza.Top);
        }
    } else {
        PararAutoDesplazamiento();
        const TOpcionesFormato opciones{anchoTexto, LeftMargin, MostrarPicture, MostrarControl,
                                        MostrarImagenes};
        formato.Formatear(documento, estilo->TextStyles, *medidor, opciones);
        AjustarUnidad(formato.DocumentHeight());
    }
    SetRanges(base + LeftMargin + RightMargin, formato.DocumentHeight() / ScrollUnit());
    if (mantenerPosicion)
        ScrollToPixel(pixel);
    ancla = DeTerminosDeItem(Contexto(), anclaItem);
    movil = DeTerminosDeItem(Contexto(), movilItem);
    formateando = false;
}

void TLogView::resizeEvent(QResizeEvent* evento) {
    TLogScroller::resizeEvent(evento);
    Formatear(true);
    emit OnResized();
}

void TLogView::MoverControles(int dx, int dy) {
    for (TControlLog* control : controles) {
        if (dx)
            control->MoverHorizontal(dx);
        if (dy)
            control->MoverVertical(dy);
    }
}

bool TLogView::viewportEvent(QEvent* evento) {
    if (evento->type() == QEvent::Leave)
        RatonFuera();
    return TLogScroller::viewportEvent(evento);
}

const TJumpInfo* TLogView::SaltoEn(QPoint punto) const {
    const int x = punto.x() + HorizontalPos();
    const int y = punto.y() + PixelPos();
    for (const TJumpInfo& salto : formato.JumpAreas()) {
        if (x >= salto.Left && x <= salto.Left + salto.Width && y >= salto.Top &&
            y <= salto.Top + salto.Height)
            return &salto;
    }
    return nullptr;
}

void TLogView::RepintarSalto(int salto) {
    if (estilo && estilo->FullRedraw) {
        viewport()->repaint();
        return;
    }
    QRegion region;
    for (const TJumpInfo& area : formato.JumpAreas()) {
        if (area.JumpId == salto)
            region += QRect(area.Left - HorizontalPos(), area.Top - PixelPos(), area.Width,
                            area.Height)
                          .adjusted(-kMargenSalto, -kMargenSalto, kMargenSalto, kMargenSalto);
    }
    viewport()->repaint(region);
}

void TLogView::Seleccionar(TExtremo& extremo, QPoint punto) {
    if (!estilo)
        return;
    extremo = PuntoDeSeleccion(Contexto(), punto.x() + HorizontalPos(),
                               std::min(punto.y(), viewport()->height()) + PixelPos());
}

std::optional<TPalabra> TLogView::PalabraPulsada() const {
    if (!estilo)
        return std::nullopt;
    return PalabraEn(Contexto(), ultimoPunto.x() + HorizontalPos(), ultimoPunto.y() + PixelPos(),
                     Delimiters);
}

void TLogView::mouseMoveEvent(QMouseEvent* evento) {
    RatonMovido(evento->position().toPoint());
}

void TLogView::RatonMovido(QPoint punto) {
    pasoAutomatico = AutoDesplazamiento(punto.y(), viewport()->height());
    if (seleccionando) {
        ultimoPunto = punto;
        Seleccionar(movil, punto);
        viewport()->update();
    }
    const TJumpInfo* salto = SaltoEn(punto);
    if (!salto) {
        viewport()->unsetCursor();
        RatonFuera();
        if (seleccionando)
            viewport()->update();
        return;
    }
    viewport()->setCursor(CursorRegistrado(estilo ? estilo->JumpCursor : kCursorSalto));
    const int id = salto->JumpId;
    if (Conectado(QMetaMethod::fromSignal(&TLogView::OnLogMouseMove)) && id != saltoBajoRaton)
        emit OnLogMouseMove(id + FirstJumpNo);
    if (hoverActivo && saltoBajoRaton != -1 && saltoBajoRaton != id) {
        hoverActivo = false;
        RepintarSalto(saltoBajoRaton);
    }
    saltoBajoRaton = id;
    if (estilo && estilo->HoverColor != kSinColor && !hoverActivo) {
        hoverActivo = true;
        RepintarSalto(id);
    }
}

void TLogView::RatonFuera() {
    if (hoverActivo && saltoBajoRaton != -1) {
        hoverActivo = false;
        RepintarSalto(saltoBajoRaton);
    }
    if (Conectado(QMetaMethod::fromSignal(&TLogView::OnLogMouseMove)) && saltoBajoRaton != -1) {
        saltoBajoRaton = -1;
        emit OnLogMouseMove(-1);
    }
}

void TLogView::mousePressEvent(QMouseEvent* evento) {
    if (evento->button() != Qt::LeftButton)
        return;
    ultimoPunto = evento->position().toPoint();
    const TJumpInfo* salto = SaltoEn(ultimoPunto);
    saltoPulsado = salto ? salto->JumpId : -1;
    if (AllowSelection) {
        Seleccionar(ancla, ultimoPunto);
        movil = ancla;
        seleccionando = ancla.Item != -1;
        viewport()->update();
        if (!temporizador) {
            temporizador = new QTimer(this);
            connect(temporizador, &QTimer::timeout, this, &TLogView::PasoAutomatico);
            temporizador->start(kIntervaloAutoDesplazamiento);
        }
    }
    if (!SingleClick || !Conectado(QMetaMethod::fromSignal(&TLogView::OnLogDblClick)))
        return;
    if (const auto palabra = PalabraPulsada())
        emit OnLogDblClick(palabra->Palabra, palabra->Estilo);
}

void TLogView::PasoAutomatico() {
    if (pasoAutomatico == 0)
        return;
    SetVerticalPos(VerticalPos() + pasoAutomatico);
    RatonMovido(ultimoPunto);
}

void TLogView::PararAutoDesplazamiento() {
    delete temporizador;
    temporizador = nullptr;
}

void TLogView::mouseReleaseEvent(QMouseEvent* evento) {
    PararAutoDesplazamiento();
    ultimoPunto = evento->position().toPoint();
    if (seleccionando && evento->button() == Qt::LeftButton) {
        Seleccionar(movil, ultimoPunto);
        seleccionando = false;
        viewport()->update();
        emit OnSelect();
    }
    if (evento->button() == Qt::RightButton) {
        if (!Conectado(QMetaMethod::fromSignal(&TLogView::OnLogRightClick)))
            return;
        if (const auto palabra = PalabraPulsada()) {
            const QPoint pantalla = viewport()->mapToGlobal(ultimoPunto);
            emit OnLogRightClick(palabra->Palabra, palabra->Estilo, pantalla.x(), pantalla.y());
        }
        return;
    }
    if (evento->button() != Qt::LeftButton)
        return;
    if (saltoPulsado != -1 && Conectado(QMetaMethod::fromSignal(&TLogView::OnJump))) {
        const TJumpInfo* salto = SaltoEn(ultimoPunto);
        if (salto && salto->JumpId == saltoPulsado)
            emit OnJump(saltoPulsado + FirstJumpNo);
        saltoPulsado = -1;
    }
    if (viewport()->rect().contains(ultimoPunto)) {
        setFocus(Qt::MouseFocusReason);
        emit OnClick();
    }
}

void TLogView::mouseDoubleClickEvent(QMouseEvent* evento) {
    mousePressEvent(evento);
    if (evento->button() != Qt::LeftButton || SingleClick ||
        !Conectado(QMetaMethod::fromSignal(&TLogView::OnLogDblClick)))
        return;
    if (const auto palabra = PalabraPulsada())
        emit OnLogDblClick(palabra->Palabra, palabra->Estilo);
}

void TLogView::keyPressEvent(QKeyEvent* evento) {
    DesplazarConTecla(evento->key());
    const bool copiar = evento->key() == Qt::Key_C || evento->key() == Qt::Key_Insert;
    if (HasSelection() && (evento->modifiers() & Qt::ControlModifier) && copiar) {
        CopySelection();
        return;
    }
    emit OnKeyDown(evento->key(), evento->modifiers());
}

void TLogView::paintEvent(QPaintEvent* evento) {
    if (!estilo) {
        PintarSinEstilo();
        return;
    }
    const QRect area = evento->rect();
    const qreal escala = viewport()->devicePixelRatioF();
    QImage lienzo(area.size() * escala, QImage::Format_ARGB32_Premultiplied);
    lienzo.setDevicePixelRatio(escala);
    lienzo.setDotsPerMeterX(qRound(viewport()->logicalDpiX() / 0.0254));
    lienzo.setDotsPerMeterY(qRound(viewport()->logicalDpiY() / 0.0254));
    {
        QPainter pintor(&lienzo);
        PintarFondo(pintor, area);
        PintarPiezas(pintor, area);
    }
    QPainter(viewport()).drawImage(area.topLeft(), lienzo);
}

void TLogView::PintarSinEstilo() {
    QPainter pintor(viewport());
    const QColor texto = AQColor(kColorSistema | 8);
    pintor.fillRect(viewport()->rect(), AQColor(kColorSistema | 5));
    QFont fuente(QStringLiteral("MS Sans Serif"));
    fuente.setPointSize(8);
    pintor.setFont(fuente);
    pintor.setPen(texto);
    pintor.drawText(QPoint(1, 1 + QFontMetrics(fuente).ascent()),
                    QStringLiteral("Error: style is not assigned"));
    pintor.drawRect(viewport()->rect().adjusted(0, 0, -1, -1));
}

void TLogView::PintarFondo(QPainter& pintor, const QRect& r) const {
    if (fondo.isNull() || estiloFondo == bsNoBitmap) {
        pintor.fillRect(QRect(QPoint(0, 0), r.size()), AQColor(estilo->Color));
        return;
    }
    if (estiloFondo == bsStretched) {
        pintor.drawImage(QRect(-r.topLeft(), viewport()->size()), fondo);
        return;
    }
    const int w = fondo.width();
    const int h = fondo.height();
    const bool conDocumento = estiloFondo == bsTiledAndScrolled;
    const int dx = conDocumento ? HorizontalPos() : 0;
    const int dy = conDocumento ? PixelPos() : 0;
    for (int fila = (r.top() + dy) / h; fila <= (r.bottom() + dy) / h; ++fila) {
        for (int columna = (r.left() + dx) / w; columna <= (r.right() + dx) / w; ++columna)
            pintor.drawImage(QPoint(columna * w - dx - r.left(), fila * h - dy - r.top()), fondo);
    }
}

// From about two lines above the band, so that pieces pushed up onto it are drawn too.
int TLogView::PrimeraPiezaAPintar(int arriba) const {
    const auto& piezas = formato.DrawItems();
    const auto encima = std::partition_point(piezas.begin(), piezas.end(),
                                             [arriba](const TDrawLineInfo& p) { return p.Top < arriba; });
    int i = std::min(int(encima - piezas.begin()), int(piezas.size()) - 1);
    for (int vuelta = 0; vuelta < 2 && i > 0; ++vuelta) {
        while (i > 0 && !piezas[i].StartsLine)
            --i;
        i = std::max(0, i - 1);
    }
    return i;
}

void TLogView::PintarPiezas(QPainter& pintor, const QRect& area) const {
    const auto& piezas = formato.DrawItems();
    if (piezas.empty())
        return;
    const auto [inicio, fin] = Ordenada(ancla, movil);
    const bool conSeleccion = HasSelection();
    const TExtremo sinInicio{INT_MAX, 0};
    const TExtremo sinFin{-1, 0};
    const int desdeX = area.left() + HorizontalPos();
    const int desdeY = area.top() + PixelPos();
    const int abajo = area.bottom() + PixelPos();
    bool pasado = false;
    for (int i = PrimeraPiezaAPintar(area.top() + PixelPos()); i < int(piezas.size()); ++i) {
        const TDrawLineInfo& pieza = piezas[i];
        if (pasado && i > 0 && pieza.Left <= piezas[i - 1].Left)
            return;
        pasado = pasado || pieza.Top > abajo;
        const QPoint en(pieza.Left - desdeX, pieza.Top - desdeY);
        const TLineInfo& info = documento.Items()[pieza.ItemNo].Info;
        switch (info.StyleIndex) {
        case ikListImage:
        case ikJumpImage: {
            const QImage imagen = info.ImageList() ? info.ImageList()->Imagen(info.ImageIndex) : QImage();
            const bool marcada = conSeleccion && ImagenSeleccionada(i, inicio, fin);
            pintor.drawImage(en, marcada ? ImagenSeleccionadaDe(imagen, AQColor(estilo->SelColor)) : imagen);
            break;
        }
        case ikPicture:
            pintor.drawImage(en, *info.Picture());
            break;
        case ikBreakLine:
            pintor.setPen(AQColor(estilo->TextStyles[0].Color));
            pintor.drawLine(en.x() + 5, en.y() + 5,
                            ContentWidth() - HorizontalPos() - area.left() - RightMargin - 5,
                            en.y() + 5);
            break;
        case ikControl:
        case ikMark:
            break;
        default:
            PintarTexto(pintor, i, en, conSeleccion ? inicio : sinInicio, conSeleccion ? fin : sinFin);
        }
    }
}

void TLogView::PintarTexto(QPainter& pintor, int indice, QPoint en, TExtremo inicio,
                           TExtremo fin) const {
    const TDrawLineInfo& pieza = formato.DrawItems()[indice];
    const TLineInfo& info = documento.Items()[pieza.ItemNo].Info;
    const TFontInfo& fuenteInfo = estilo->TextStyles[info.StyleIndex];
    const bool resaltado = EsEstiloDeSalto(info.StyleIndex) && hoverActivo &&
                           saltoBajoRaton != -1 && saltoBajoRaton == info.ImageIndex;
    const QColor normal = AQColor(resaltado ? estilo->HoverColor : fuenteInfo.Color);
    const QColor seleccionado = resaltado ? normal : AQColor(estilo->SelTextColor);
    const QFont fuente = FuenteDe(fuenteInfo);
    pintor.setFont(fuente);
    const QFontMetrics metricas(fuente, pintor.device());
    const QString texto = formato.TextoDe(documento, pieza).toString();
    const auto [desde, hasta] = CaracteresSeleccionados(indice, int(texto.size()), inicio, fin);
    const int base = en.y() + metricas.ascent();
    int x = en.x();
    const auto parte = [&](int a, int b, bool marcada) {
        if (b <= a)
            return;
        const QString trozo = texto.mid(a, b - a);
        const int ancho = metricas.horizontalAdvance(trozo);
        if (marcada)
            pintor.fillRect(QRect(x, en.y(), ancho, pieza.Height), AQColor(estilo->SelColor));
        pintor.setPen(marcada ? seleccionado : normal);
        pintor.drawText(QPoint(x, base), trozo);
        x += ancho;
    };
    parte(0, desde, false);
    parte(desde, hasta, true);
    parte(hasta, int(texto.size()), false);
}
