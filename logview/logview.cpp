#include "logview/logview.h"

#include "core/error.h"

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
// Lines laid out beyond the visible band, so that a small scroll finds them ready.
constexpr int kMargenVisible = 200;
constexpr int kVueltasAncla = 4;

// Nothing thrown in the view may leave a Qt entry point; the view reaches no messenger, so
// what it throws goes to the warning log.
void Protegido(const std::function<void()>& accion) {
    ProtegerEntrada(accion, [](const TError& error) {
        qWarning("Log view: %s: %s", qUtf8Printable(error.Clase), qUtf8Printable(error.Mensaje));
    });
}

// A child widget standing in the document; it is freed with its item.
class TControlWidget : public TControlLog {
public:
    TControlWidget(QWidget* control, QWidget* vista) : control_(control) {
        control->setParent(vista);
        control->show();
    }
    ~TControlWidget() override { delete control_; }
    QSize Tamano() const override { return control_ ? control_->size() : QSize(); }
    void Colocar(int izquierda, int arriba) override {
        if (control_)
            control_->move(izquierda, arriba);
    }

private:
    QPointer<QWidget> control_;
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

TLogView::TLogView(QWidget* padre)
    : TLogScroller(padre), medidor_(std::make_unique<TMedidorQt>()), reparto_(new QTimer(this)) {
    connect(reparto_, &QTimer::timeout, this, [this] { Protegido([this] { PasoDeReparto(); }); });
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    resize(100, 40);
}

TLogView::~TLogView() {
    ClearDocument();
}

void TLogView::AppendText(const QString& texto, qint32 estiloTexto) {
    documento_.AppendText(texto, estiloTexto);
}

void TLogView::AppendLine(const QString& texto, qint32 estiloTexto) {
    documento_.AppendLine(texto, estiloTexto);
}

void TLogView::AppendMultiline(const QString& texto, qint32 estiloTexto) {
    documento_.AppendMultiline(texto, estiloTexto);
}

void TLogView::AppendImage(qint32 imagen, const TListaImagenes* lista, bool nuevaLinea) {
    documento_.AppendImage(imagen, lista, nuevaLinea);
}

void TLogView::AppendBreakLine(const QString& texto) {
    documento_.AppendBreakLine(texto);
}

void TLogView::AppendMark(const QString& nombre) {
    documento_.AppendMark(nombre);
}

void TLogView::AppendPicture(const QImage& imagen) {
    documento_.AppendPicture(imagen);
}

void TLogView::AppendJumpImage(qint32 imagen, const TListaImagenes* lista, bool nuevaLinea) {
    documento_.AppendJumpImage(imagen, lista, nuevaLinea);
}

void TLogView::AppendControl(QWidget* control, bool centrado) {
    auto envoltura = std::make_unique<TControlWidget>(control, viewport());
    controles_.emplace_back(documento_.Count(), envoltura.get());
    documento_.AppendControl(std::move(envoltura), centrado);
}

void TLogView::ClearDocument() {
    Deselect();
    PararAutoDesplazamiento();
    controles_.clear();
    documento_.ClearDocument();
    formato_.Descartar();
    reparto_->stop();
}

TContextoLog TLogView::Contexto() const {
    return {documento_, formato_, estilo_->TextStyles, *medidor_};
}

QString TLogView::SelectedText() const {
    if (!estilo_)
        return {};
    const auto [inicio, fin] = Ordenada(ancla_, movil_);
    return TextoEntreItems(documento_, inicio, fin);
}

void TLogView::CopySelection() const {
    if (!HasSelection() || !estilo_)
        return;
    QGuiApplication::clipboard()->clear();
    QGuiApplication::clipboard()->setText(SelectedText());
}

void TLogView::Deselect() {
    ancla_ = {};
    movil_ = {};
    seleccionando_ = false;
    emit OnSelect();
}

TOpcionesFormato TLogView::Opciones() const {
    return {anchoTexto_, LeftMargin, MostrarPicture, MostrarControl, MostrarImagenes};
}

// Lays the document out for the current width. A new width lays out the reader's part
// first and leaves the rest to slices.
void TLogView::Formatear(bool mantenerPosicion) {
    if (!estilo_ || formateando_)
        return;
    formateando_ = true;
    const int anchoPrevio = anchoTexto_;
    anchoTexto_ = std::max(viewport()->width() - LeftMargin - RightMargin,
                           formato_.AnchoMayorCarga(documento_));
    anchoContenido_ = anchoTexto_ + LeftMargin + RightMargin;
    if (mantenerPosicion && anchoTexto_ != anchoPrevio)
        CapturarAncla();
    if (!mantenerPosicion || anchoTexto_ != anchoPrevio) {
        PararAutoDesplazamiento();
        formato_.Preparar(documento_, estilo_->TextStyles, *medidor_, Opciones(),
                          CaracteresSinPausa);
    }
    AjustarUnidad(formato_.DocumentHeight());
    if (mantenerPosicion) {
        ActualizarRangos(anchoContenido_, formato_.DocumentHeight() / ScrollUnit());
    } else {
        SetRanges(anchoContenido_, formato_.DocumentHeight() / ScrollUnit());
        CapturarAncla();
    }
    if (formato_.Pendiente()) {
        SeguirAncla();
        ArrancarReparto();
    }
    ColocarControles();
    formateando_ = false;
}

void TLogView::CapturarAncla() {
    anclaLectura_ = {};
    anclaLectura_.AlFinal = VerticalPos() >= VerticalPosMax();
    anclaLectura_.HuecoFinal = formato_.DocumentHeight() - PixelPos();
    const auto& piezas = formato_.DrawItems();
    const int arriba = PixelPos();
    auto pieza = std::partition_point(piezas.begin(), piezas.end(),
                                      [arriba](const TDrawLineInfo& p) { return p.Top < arriba; });
    if (pieza != piezas.begin() && std::prev(pieza)->Bottom() > arriba)
        --pieza;
    if (pieza == piezas.end())
        return;
    const int indice = int(pieza - piezas.begin());
    anclaLectura_.Posicion = ATerminosDeItem(Contexto(), {indice, 1});
    anclaLectura_.Desfase = pieza->Top - arriba;
}

int TLogView::PixelDeAncla() const {
    if (anclaLectura_.AlFinal)
        return formato_.DocumentHeight() - anclaLectura_.HuecoFinal;
    const TExtremo pieza = DeTerminosDeItem(Contexto(), anclaLectura_.Posicion);
    if (pieza.Item < 0)
        return PixelPos();
    return formato_.DrawItems()[pieza.Item].Top - anclaLectura_.Desfase;
}

// Lays out the pending part the reader sees and brings the reader's line back to the
// top. Returns whether what the view shows has changed.
bool TLogView::SeguirAncla() {
    bool cambio = false;
    for (int vuelta = 0; vuelta < kVueltasAncla; ++vuelta) {
        const int arriba = std::max(0, PixelDeAncla());
        const int pendientes = formato_.ParrafosPendientes();
        formato_.FormatearZona(arriba - kMargenVisible,
                               arriba + viewport()->height() + kMargenVisible);
        if (formato_.ParrafosPendientes() == pendientes)
            break;
        cambio = true;
    }
    AjustarUnidad(formato_.DocumentHeight());
    ActualizarRangos(anchoContenido_, formato_.DocumentHeight() / ScrollUnit());
    const int pixel = std::max(0, PixelDeAncla());
    FijarPixel(pixel, anclaLectura_.AlFinal ? VerticalPosMax() : pixel / ScrollUnit());
    return cambio || PixelPos() != pixel;
}

void TLogView::ArrancarReparto() {
    if (!reparto_->isActive())
        reparto_->start(0);
}

void TLogView::PasoDeReparto() {
    if (formato_.Pendiente() && estilo_) {
        const int antes = PixelPos() - PixelDeAncla();
        formato_.Avanzar(INT_MAX, NanosPorPaso);
        const bool cambio = SeguirAncla();
        ColocarControles();
        if (cambio || PixelPos() - PixelDeAncla() != antes)
            viewport()->update();
    }
    if (!formato_.Pendiente())
        reparto_->stop();
}

void TLogView::PosicionCambiada() {
    if (!formato_.Pendiente() || formateando_)
        return;
    CapturarAncla();
    if (SeguirAncla())
        viewport()->update();
    ColocarControles();
}

// Controls follow their pieces, wherever the view is scrolled.
void TLogView::ColocarControles() {
    const auto& piezas = formato_.DrawItems();
    for (const auto& [numero, control] : controles_) {
        const int indice = formato_.PrimeraPiezaDeItem(numero);
        if (indice < int(piezas.size()) && piezas[indice].ItemNo == numero)
            control->ColocarEnDocumento(piezas[indice].Left - HorizontalPos(),
                                        piezas[indice].Top - PixelPos());
    }
}

void TLogView::resizeEvent(QResizeEvent* evento) {
    TLogScroller::resizeEvent(evento);
    Protegido([this] { Formatear(true); });
}

void TLogView::MoverControles(int dx, int dy) {
    for (const auto& [numero, control] : controles_) {
        if (dx)
            control->MoverHorizontal(dx);
        if (dy)
            control->MoverVertical(dy);
    }
}

bool TLogView::viewportEvent(QEvent* evento) {
    if (evento->type() == QEvent::Leave)
        Protegido([this] { RatonFuera(); });
    return TLogScroller::viewportEvent(evento);
}

std::optional<TJumpInfo> TLogView::SaltoEn(QPoint punto) const {
    const int x = punto.x() + HorizontalPos();
    const int y = punto.y() + PixelPos();
    for (const TJumpInfo& salto : formato_.JumpAreas()) {
        if (x >= salto.Left && x <= salto.Left + salto.Width && y >= salto.Top &&
            y <= salto.Top + salto.Height)
            return salto;
    }
    return std::nullopt;
}

void TLogView::RepintarSalto(int salto) {
    if (estilo_ && estilo_->FullRedraw) {
        viewport()->repaint();
        return;
    }
    QRegion region;
    for (const TJumpInfo& area : formato_.JumpAreas()) {
        if (area.JumpId == salto)
            region += QRect(area.Left - HorizontalPos(), area.Top - PixelPos(), area.Width,
                            area.Height)
                          .adjusted(-kMargenSalto, -kMargenSalto, kMargenSalto, kMargenSalto);
    }
    viewport()->repaint(region);
}

void TLogView::Seleccionar(TExtremo& extremo, QPoint punto) {
    if (!estilo_)
        return;
    const TExtremo pieza = PuntoDeSeleccion(Contexto(), punto.x() + HorizontalPos(),
                                            std::min(punto.y(), viewport()->height()) + PixelPos());
    extremo = ATerminosDeItem(Contexto(), pieza);
}

std::optional<TPalabra> TLogView::PalabraPulsada() const {
    if (!estilo_)
        return std::nullopt;
    return PalabraEn(Contexto(), ultimoPunto_.x() + HorizontalPos(), ultimoPunto_.y() + PixelPos(),
                     Delimiters);
}

void TLogView::mouseMoveEvent(QMouseEvent* evento) {
    Protegido([&] { RatonMovido(evento->position().toPoint()); });
}

void TLogView::RatonMovido(QPoint punto) {
    pasoAutomatico_ = AutoDesplazamiento(punto.y(), viewport()->height());
    if (seleccionando_) {
        ultimoPunto_ = punto;
        Seleccionar(movil_, punto);
        viewport()->update();
    }
    const std::optional<TJumpInfo> salto = SaltoEn(punto);
    if (!salto) {
        viewport()->unsetCursor();
        RatonFuera();
        if (seleccionando_)
            viewport()->update();
        return;
    }
    viewport()->setCursor(CursorRegistrado(estilo_ ? estilo_->JumpCursor : kCursorSalto));
    const int id = salto->JumpId;
    if (hoverActivo_ && saltoBajoRaton_ != -1 && saltoBajoRaton_ != id) {
        hoverActivo_ = false;
        RepintarSalto(saltoBajoRaton_);
    }
    saltoBajoRaton_ = id;
    if (estilo_ && estilo_->HoverColor != kSinColor && !hoverActivo_) {
        hoverActivo_ = true;
        RepintarSalto(id);
    }
}

void TLogView::RatonFuera() {
    if (hoverActivo_ && saltoBajoRaton_ != -1) {
        hoverActivo_ = false;
        RepintarSalto(saltoBajoRaton_);
    }
}

void TLogView::mousePressEvent(QMouseEvent* evento) {
    Protegido([&] {
        if (evento->button() != Qt::LeftButton)
            return;
        ultimoPunto_ = evento->position().toPoint();
        const std::optional<TJumpInfo> salto = SaltoEn(ultimoPunto_);
        saltoPulsado_ = salto ? salto->JumpId : -1;
        if (AllowSelection) {
            Seleccionar(ancla_, ultimoPunto_);
            movil_ = ancla_;
            seleccionando_ = ancla_.Item != -1;
            viewport()->update();
            if (!temporizador_) {
                temporizador_ = new QTimer(this);
                connect(temporizador_, &QTimer::timeout, this,
                        [this] { Protegido([this] { PasoAutomatico(); }); });
                temporizador_->start(kIntervaloAutoDesplazamiento);
            }
        }
    });
}

void TLogView::PasoAutomatico() {
    if (pasoAutomatico_ == 0)
        return;
    SetVerticalPos(VerticalPos() + pasoAutomatico_);
    RatonMovido(ultimoPunto_);
}

void TLogView::PararAutoDesplazamiento() {
    delete temporizador_;
    temporizador_ = nullptr;
}

void TLogView::mouseReleaseEvent(QMouseEvent* evento) {
    Protegido([&] {
        PararAutoDesplazamiento();
        ultimoPunto_ = evento->position().toPoint();
        if (seleccionando_ && evento->button() == Qt::LeftButton) {
            Seleccionar(movil_, ultimoPunto_);
            seleccionando_ = false;
            viewport()->update();
            emit OnSelect();
        }
        if (evento->button() == Qt::RightButton) {
            if (!Conectado(QMetaMethod::fromSignal(&TLogView::OnLogRightClick)))
                return;
            if (const auto palabra = PalabraPulsada()) {
                const QPoint pantalla = viewport()->mapToGlobal(ultimoPunto_);
                emit OnLogRightClick(palabra->Palabra, palabra->Estilo, pantalla.x(), pantalla.y());
            }
            return;
        }
        if (evento->button() != Qt::LeftButton)
            return;
        if (saltoPulsado_ != -1 && Conectado(QMetaMethod::fromSignal(&TLogView::OnJump))) {
            const std::optional<TJumpInfo> salto = SaltoEn(ultimoPunto_);
            if (salto && salto->JumpId == saltoPulsado_)
                emit OnJump(saltoPulsado_ + FirstJumpNo);
            saltoPulsado_ = -1;
        }
        if (viewport()->rect().contains(ultimoPunto_)) {
            setFocus(Qt::MouseFocusReason);
            emit OnClick();
        }
    });
}

void TLogView::mouseDoubleClickEvent(QMouseEvent* evento) {
    Protegido([&] { mousePressEvent(evento); });
}

void TLogView::keyPressEvent(QKeyEvent* evento) {
    Protegido([&] {
        DesplazarConTecla(evento->key());
        const bool copiar = evento->key() == Qt::Key_C || evento->key() == Qt::Key_Insert;
        if (HasSelection() && (evento->modifiers() & Qt::ControlModifier) && copiar) {
            CopySelection();
            return;
        }
        emit OnKeyDown(evento->key(), evento->modifiers());
    });
}

void TLogView::paintEvent(QPaintEvent* evento) {
    Protegido([&] {
        if (!estilo_) {
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
    });
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
    pintor.fillRect(QRect(QPoint(0, 0), r.size()), AQColor(estilo_->Color));
}

// From about two lines above the band, so that pieces pushed up onto it are drawn too.
int TLogView::PrimeraPiezaAPintar(int arriba) const {
    const auto& piezas = formato_.DrawItems();
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
    const auto& piezas = formato_.DrawItems();
    if (piezas.empty())
        return;
    const auto [inicioItem, finItem] = Ordenada(ancla_, movil_);
    const TExtremo inicio = DeTerminosDeItem(Contexto(), inicioItem);
    const TExtremo fin = DeTerminosDeItem(Contexto(), finItem);
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
        const TLineInfo& info = documento_.Items()[pieza.ItemNo].Info;
        switch (info.StyleIndex) {
        case ikListImage:
        case ikJumpImage: {
            const QImage imagen = info.ImageList() ? info.ImageList()->Imagen(info.ImageIndex) : QImage();
            const bool marcada = conSeleccion && ImagenSeleccionada(i, inicio, fin);
            pintor.drawImage(en, marcada ? ImagenSeleccionadaDe(imagen, AQColor(estilo_->SelColor))
                                         : imagen);
            break;
        }
        case ikPicture:
            pintor.drawImage(en, *info.Picture());
            break;
        case ikBreakLine:
            pintor.setPen(AQColor(estilo_->TextStyles.EstiloOPorDefecto(0).Color));
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
    const TDrawLineInfo& pieza = formato_.DrawItems()[indice];
    const TLineInfo& info = documento_.Items()[pieza.ItemNo].Info;
    const TFontInfo& fuenteInfo = estilo_->TextStyles.EstiloOPorDefecto(info.StyleIndex);
    const bool resaltado = EsEstiloDeSalto(info.StyleIndex) && hoverActivo_ &&
                           saltoBajoRaton_ != -1 && saltoBajoRaton_ == info.ImageIndex;
    const QColor normal = AQColor(resaltado ? estilo_->HoverColor : fuenteInfo.Color);
    const QColor seleccionado = resaltado ? normal : AQColor(estilo_->SelTextColor);
    const QFont fuente = FuenteDe(fuenteInfo);
    pintor.setFont(fuente);
    const QFontMetrics metricas(fuente, pintor.device());
    const QString texto = formato_.TextoDe(documento_, pieza).toString();
    const auto [desde, hasta] = CaracteresSeleccionados(indice, int(texto.size()), inicio, fin);
    const int base = en.y() + metricas.ascent();
    int x = en.x();
    const auto parte = [&](int a, int b, bool marcada) {
        if (b <= a)
            return;
        const QString trozo = texto.mid(a, b - a);
        const int ancho = metricas.horizontalAdvance(trozo);
        if (marcada)
            pintor.fillRect(QRect(x, en.y(), ancho, pieza.Height), AQColor(estilo_->SelColor));
        pintor.setPen(marcada ? seleccionado : normal);
        pintor.drawText(QPoint(x, base), trozo);
        x += ancho;
    };
    parte(0, desde, false);
    parte(desde, hasta, true);
    parte(hasta, int(texto.size()), false);
}
