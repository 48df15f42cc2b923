#include "flash/frmmsgflash.h"

#include "core/utilidades.h"
#include "flash/mensajesflash.h"
#include "widgets/cabeceraventana.h"
#include "widgets/colocacion.h"

#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextDocument>
#include <QWindow>

namespace {

constexpr int kAnchoMinimo = 200;
constexpr int kAltoMinimoEnvio = 150;
constexpr int kAltoMinimoRespuesta = 200;
constexpr int kAnchoBoton = 105;
// Characters of one paragraph of a received text: laid out in a few milliseconds.
constexpr qsizetype kParrafoMaximo = 2000;

QPlainTextEdit* Memo(const char* nombre, QRect sitio, QWidget* padre) {
    auto* memo = new QPlainTextEdit(padre);
    memo->setObjectName(QLatin1String(nombre));
    memo->setGeometry(sitio);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control; Enter starts a new line.
    memo->setTabChangesFocus(true);
    return memo;
}

Qt::CursorShape CursorDeBordes(Qt::Edges bordes) {
    const bool horizontal = bordes & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = bordes & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool principal =
            bordes == (Qt::LeftEdge | Qt::TopEdge) || bordes == (Qt::RightEdge | Qt::BottomEdge);
        return principal ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    if (horizontal)
        return Qt::SizeHorCursor;
    return vertical ? Qt::SizeVerCursor : Qt::ArrowCursor;
}

} // namespace

TfrmMsgFlash::TfrmMsgFlash(TMensajesFlash& flash, QWidget* principal)
    : QWidget(principal, Qt::Window | Qt::FramelessWindowHint), FFlash(flash),
      FCliente(new QWidget(this)),
      FPanelCabecera(new TCabeceraVentana(QStringLiteral("PanelCabecera"), {},
                                          TCabeceraVentana::Cerrar, FCliente)),
      FImage1(new QLabel(FPanelCabecera)), FMemo1(Memo("Memo1", QRect(0, 27, 217, 110), FCliente)),
      FMemo2(Memo("Memo2", QRect(0, 139, 105, 54), FCliente)),
      FbtnResponder(new QPushButton(FCliente)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    FCliente->setObjectName(QStringLiteral("Cliente"));
    FPanelCabecera->setGeometry(0, 0, 213, TCabeceraVentana::kAlto);
    FPanelCabecera->lblCaption()->move(21, 3);
    FImage1->setObjectName(QStringLiteral("Image1"));
    FImage1->setGeometry(3, 2, 13, 16);
    FImage1->setPixmap(windowIcon().pixmap(13, 16));
    FbtnResponder->setObjectName(QStringLiteral("btnResponder"));
    FbtnResponder->setGeometry(112, 140, kAnchoBoton, 53);
    FbtnResponder->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    setTabOrder(FMemo1, FMemo2);
    setTabOrder(FMemo2, FbtnResponder);
    connect(FbtnResponder, &QPushButton::clicked, this, &TfrmMsgFlash::btnResponderClick);
    connect(FPanelCabecera, &TCabeceraVentana::CerrarPulsado, this, &TfrmMsgFlash::imgCerrarClick);
    SetModo(false);
}

void TfrmMsgFlash::SetModo(bool recepcion) {
    FEsRespuesta = recepcion;
    FMemo2->setVisible(recepcion);
    setMinimumSize(kAnchoMinimo, recepcion ? kAltoMinimoRespuesta : kAltoMinimoEnvio);
    FormResize();
}

void TfrmMsgFlash::PrepararEnvio(const QString& ip, const QString& titulo) {
    Preparar(false, ip, titulo);
    FbtnResponder->setText(QStringLiteral(" &Enviar "));
    FMemo1->setReadOnly(false);
}

void TfrmMsgFlash::PrepararRespuesta(const TFlashRecibido& flash) {
    Preparar(true, flash.IP, flash.Titulo);
    FbtnResponder->setText(QStringLiteral(" &Responder "));
    FMemo1->setPlainText(PartirParrafosLargos(flash.Texto, kParrafoMaximo));
    FMemo1->setReadOnly(true);
}

void TfrmMsgFlash::Preparar(bool recepcion, const QString& ip, const QString& titulo) {
    SetModo(recepcion);
    resize(300, 200);
    const QString caption = AcortadoParaMostrar(titulo);
    FPanelCabecera->lblCaption()->setText(caption);
    setWindowTitle(caption);
    FIPDestino = ip;
    FMemo1->clear();
    FMemo2->clear();
}

void TfrmMsgFlash::Mostrar() {
    AplicarSiempreEncima(this, FFlash.SiempreEncima());
    show();
    raise();
    activateWindow();
    (FEsRespuesta ? FMemo2 : FMemo1)->setFocus();
}

void TfrmMsgFlash::resizeEvent(QResizeEvent* evento) {
    QWidget::resizeEvent(evento);
    FormResize();
}

// The glyph and the caption follow the header's width on their own.
void TfrmMsgFlash::FormResize() {
    FCliente->setGeometry(rect().adjusted(kBorde, kBorde, -kBorde, -kBorde));
    const int ancho = FCliente->width();
    const int alto = FCliente->height();
    FPanelCabecera->resize(ancho, FPanelCabecera->height());
    const int arriba = FMemo1->y();
    if (!FEsRespuesta) {
        FMemo1->setGeometry(0, arriba, ancho, alto - arriba - 34);
        FbtnResponder->setGeometry(0, arriba + FMemo1->height() + 4, ancho, 30);
        return;
    }
    const int altoMemo2 = FMemo2->height();
    FMemo1->setGeometry(0, arriba, ancho, alto - arriba - altoMemo2 - 4);
    FbtnResponder->setGeometry(ancho - kAnchoBoton, arriba + FMemo1->height() + 3, kAnchoBoton,
                               altoMemo2);
    FMemo2->setGeometry(0, FbtnResponder->y(), ancho - kAnchoBoton - 4, altoMemo2);
}

// The box's content as typed: toPlainText would turn non-breaking spaces into plain ones.
QString TfrmMsgFlash::TextoDe(const QPlainTextEdit* memo) {
    QString texto = memo->document()->toRawText();
    texto.replace(QChar::ParagraphSeparator, u'\n');
    texto.replace(QChar::LineSeparator, u'\n');
    return texto;
}

void TfrmMsgFlash::btnResponderClick() {
    FFlash.EnviarFlash(FIPDestino, TextoDe(FEsRespuesta ? FMemo2 : FMemo1));
    close();
}

void TfrmMsgFlash::imgCerrarClick() {
    close();
}

// Only the border itself reaches the window: the client area covers everything else.
Qt::Edges TfrmMsgFlash::BordesEn(QPoint punto) const {
    Qt::Edges bordes;
    if (punto.x() < kBorde)
        bordes |= Qt::LeftEdge;
    if (punto.x() >= width() - kBorde)
        bordes |= Qt::RightEdge;
    if (punto.y() < kBorde)
        bordes |= Qt::TopEdge;
    if (punto.y() >= height() - kBorde)
        bordes |= Qt::BottomEdge;
    return bordes;
}

void TfrmMsgFlash::mousePressEvent(QMouseEvent* evento) {
    const Qt::Edges bordes = BordesEn(evento->position().toPoint());
    if (evento->button() != Qt::LeftButton || !bordes || !windowHandle())
        return QWidget::mousePressEvent(evento);
    windowHandle()->startSystemResize(bordes);
}

void TfrmMsgFlash::mouseMoveEvent(QMouseEvent* evento) {
    setCursor(CursorDeBordes(BordesEn(evento->position().toPoint())));
    QWidget::mouseMoveEvent(evento);
}
