#include "flash/frmmsgflash.h"

#include "core/utilidades.h"
#include "flash/mensajesflash.h"
#include "widgets/bordes.h"
#include "widgets/cabeceraventana.h"
#include "widgets/colocacion.h"

#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTextDocument>

namespace {

constexpr int kAnchoMinimo = 200;
constexpr int kAltoMinimoEnvio = 150;
constexpr int kAltoMinimoRespuesta = 200;
constexpr int kAnchoBoton = 105;
// Characters of one paragraph of a received text: laid out in a few milliseconds.
constexpr qsizetype kParrafoMaximo = 2000;
constexpr Qt::Edges kTodosLosBordes = Qt::LeftEdge | Qt::RightEdge | Qt::TopEdge | Qt::BottomEdge;

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
    : QWidget(principal, Qt::Window | Qt::FramelessWindowHint), flash_(flash),
      Cliente(new QWidget(this)),
      PanelCabecera(new TCabeceraVentana(QStringLiteral("PanelCabecera"), {},
                                         TCabeceraVentana::Cerrar, Cliente)),
      Image1(new QLabel(PanelCabecera)), Memo1(Memo("Memo1", QRect(0, 27, 217, 110), Cliente)),
      Memo2(Memo("Memo2", QRect(0, 139, 105, 54), Cliente)),
      btnResponder(new QPushButton(Cliente)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setMouseTracking(true);
    Cliente->setObjectName(QStringLiteral("Cliente"));
    PanelCabecera->setGeometry(0, 0, 213, TCabeceraVentana::kAlto);
    PanelCabecera->lblCaption()->move(21, 3);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(3, 2, 13, 16);
    Image1->setPixmap(windowIcon().pixmap(13, 16));
    btnResponder->setObjectName(QStringLiteral("btnResponder"));
    btnResponder->setGeometry(112, 140, kAnchoBoton, 53);
    btnResponder->setIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    setTabOrder(Memo1, Memo2);
    setTabOrder(Memo2, btnResponder);
    connect(btnResponder, &QPushButton::clicked, this, &TfrmMsgFlash::btnResponderClick);
    connect(PanelCabecera, &TCabeceraVentana::CerrarPulsado, this, &TfrmMsgFlash::imgCerrarClick);
    SetModo(false);
}

void TfrmMsgFlash::SetModo(bool recepcion) {
    esRespuesta_ = recepcion;
    Memo2->setVisible(recepcion);
    setMinimumSize(kAnchoMinimo, recepcion ? kAltoMinimoRespuesta : kAltoMinimoEnvio);
    FormResize();
}

void TfrmMsgFlash::PrepararEnvio(const QString& ip, const QString& titulo) {
    Preparar(false, ip, titulo);
    btnResponder->setText(QStringLiteral(" &Enviar "));
    Memo1->setReadOnly(false);
}

void TfrmMsgFlash::PrepararRespuesta(const TFlashRecibido& flash) {
    Preparar(true, flash.IP, flash.Titulo);
    btnResponder->setText(QStringLiteral(" &Responder "));
    Memo1->setPlainText(PartirParrafosLargos(flash.Texto, kParrafoMaximo));
    Memo1->setReadOnly(true);
}

void TfrmMsgFlash::Preparar(bool recepcion, const QString& ip, const QString& titulo) {
    SetModo(recepcion);
    resize(300, 200);
    const QString caption = AcortadoParaMostrar(titulo);
    PanelCabecera->lblCaption()->setText(caption);
    setWindowTitle(caption);
    ipDestino_ = ip;
    Memo1->clear();
    Memo2->clear();
}

void TfrmMsgFlash::Mostrar() {
    AplicarSiempreEncima(this, flash_.SiempreEncima());
    show();
    raise();
    activateWindow();
    (esRespuesta_ ? Memo2 : Memo1)->setFocus();
}

void TfrmMsgFlash::resizeEvent(QResizeEvent* evento) {
    QWidget::resizeEvent(evento);
    FormResize();
}

// The glyph and the caption follow the header's width on their own.
void TfrmMsgFlash::FormResize() {
    Cliente->setGeometry(rect().adjusted(kBorde, kBorde, -kBorde, -kBorde));
    const int ancho = Cliente->width();
    const int alto = Cliente->height();
    PanelCabecera->resize(ancho, PanelCabecera->height());
    const int arriba = Memo1->y();
    if (!esRespuesta_) {
        Memo1->setGeometry(0, arriba, ancho, alto - arriba - 34);
        btnResponder->setGeometry(0, arriba + Memo1->height() + 4, ancho, 30);
        return;
    }
    const int altoMemo2 = Memo2->height();
    Memo1->setGeometry(0, arriba, ancho, alto - arriba - altoMemo2 - 4);
    btnResponder->setGeometry(ancho - kAnchoBoton, arriba + Memo1->height() + 3, kAnchoBoton,
                              altoMemo2);
    Memo2->setGeometry(0, btnResponder->y(), ancho - kAnchoBoton - 4, altoMemo2);
}

// The box's content as typed: toPlainText would turn non-breaking spaces into plain ones.
QString TfrmMsgFlash::TextoDe(const QPlainTextEdit* memo) {
    QString texto = memo->document()->toRawText();
    texto.replace(QChar::ParagraphSeparator, u'\n');
    texto.replace(QChar::LineSeparator, u'\n');
    return texto;
}

void TfrmMsgFlash::btnResponderClick() {
    flash_.EnviarFlash(ipDestino_, TextoDe(esRespuesta_ ? Memo2 : Memo1));
    close();
}

void TfrmMsgFlash::imgCerrarClick() {
    close();
}

void TfrmMsgFlash::mousePressEvent(QMouseEvent* evento) {
    // Only the border itself reaches the window: the client area covers everything else.
    if (!RedimensionarDesdeBorde(this, evento, kBorde, kTodosLosBordes))
        QWidget::mousePressEvent(evento);
}

void TfrmMsgFlash::mouseMoveEvent(QMouseEvent* evento) {
    setCursor(CursorDeBordes(
        BordesDeRedimension(evento->position().toPoint(), size(), kBorde, kTodosLosBordes)));
    QWidget::mouseMoveEvent(evento);
}
