#include "chat/panelemoticonos.h"

#include "chat/emoticonos.h"
#include "widgets/barrapanel.h"

#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QToolButton>

namespace {

constexpr const char* kNombresBotones[kNumeroEmoticonos] = {
    "btnChat_00_Smile", "btnChat_01_Laugh", "btnChat_02_Sad",   "btnChat_03_Cry",
    "btnChat_04_Blink", "btnChat_05_Hmm",   "btnChat_06_P",     "btnChat_07_Sigh",
    "btnChat_08_Shock", "btnChat_09_Sun",   "btnChat_10_Wow",   "btnChat_11_S",
    "btnChat_12_Blush", "btnChat_13_Jiji",  "btnChat_14_Evil",  "btnChat_15_Evil2",
};
constexpr int kLadoBoton = 23;
constexpr int kIzquierdas[4] = {4, 28, 52, 76};
constexpr int kArribas[4] = {25, 49, 73, 97};

} // namespace

TPanelEmoticonos::TPanelEmoticonos(const TListaImagenes& imagenes, QWidget* ventana)
    : QFrame(ventana), panel3_(new TBarraPanel("Panel3", "lblPanelEmoticonosCaption",
                                               QStringLiteral("Emoticonos"), this)) {
    setObjectName(QStringLiteral("PanelEmoticonos"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
    setGeometry(328, 241, kAncho, kAlto);
    panel3_->setGeometry(3, 3, 97, 20);
    panel3_->AnadirCerrar("imgEmoticonosCerrar", {81, 5});
    connect(panel3_, &TBarraPanel::CerrarPulsado, this, &QWidget::hide);
    for (int numero = 0; numero < kNumeroEmoticonos; ++numero) {
        auto* boton = new QToolButton(this);
        boton->setObjectName(QLatin1String(kNombresBotones[numero]));
        boton->setAutoRaise(true);
        // The caret stays in the input box.
        boton->setFocusPolicy(Qt::NoFocus);
        boton->setIcon(QPixmap::fromImage(imagenes.Imagen(numero)));
        boton->setIconSize({imagenes.Width(), imagenes.Height()});
        boton->setGeometry(kIzquierdas[numero % 4], kArribas[numero / 4], kLadoBoton, kLadoBoton);
        connect(boton, &QToolButton::clicked, this, [this, numero] { BotonPulsado(numero); });
    }
    hide();
}

void TPanelEmoticonos::VigilarEntrada(QPlainTextEdit* entrada) {
    // Not NoContextMenu: the page's room menu would open instead.
    entrada->setContextMenuPolicy(Qt::PreventContextMenu);
    entrada->viewport()->installEventFilter(this);
}

void TPanelEmoticonos::MemoMouseDown(QPlainTextEdit* entrada, Qt::MouseButton boton,
                                     QPoint raton) {
    if (boton != Qt::RightButton) {
        hide();
        return;
    }
    const QWidget* ventana = parentWidget();
    move(PosicionPanelEmoticonos(raton, {ventana->mapToGlobal(QPoint()), ventana->size()},
                                 size()));
    destino_ = entrada;
    show();
    raise();
}

bool TPanelEmoticonos::eventFilter(QObject* objeto, QEvent* evento) {
    if (evento->type() != QEvent::MouseButtonPress)
        return false;
    auto* entrada = qobject_cast<QPlainTextEdit*>(objeto->parent());
    if (entrada) {
        const auto* raton = static_cast<QMouseEvent*>(evento);
        MemoMouseDown(entrada, raton->button(), raton->globalPosition().toPoint());
    }
    return false;
}

void TPanelEmoticonos::BotonPulsado(int numero) {
    if (destino_)
        destino_->insertPlainText(CodigosBotonesEmoticonos()[numero]);
    hide();
}
