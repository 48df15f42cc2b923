#include "principal/frmnuevocontacto.h"

#include "widgets/cabeceraventana.h"
#include "widgets/colocacion.h"
#include "widgets/fabrica.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

namespace {

bool EsIntro(const QKeyEvent* tecla) {
    return tecla->key() == Qt::Key_Return || tecla->key() == Qt::Key_Enter;
}

// Only printable characters are filtered: digits and dots pass. Keys that type nothing
// printable (Backspace, Escape, Tab, arrows, shortcuts) go on as usual.
bool CaracterAdmitidoEnIP(const QKeyEvent* tecla) {
    const QString texto = tecla->text();
    if (texto.isEmpty() || !texto.front().isPrint())
        return true;
    return std::all_of(texto.cbegin(), texto.cend(), [](QChar c) {
        return c == u'.' || (c >= u'0' && c <= u'9');
    });
}

} // namespace

TfrmNuevoContacto::TfrmNuevoContacto(QWidget* padre)
    : QDialog(padre, Qt::Dialog | Qt::FramelessWindowHint),
      Panel1(new TCabeceraVentana(QStringLiteral("Panel1"), QStringLiteral("Añadir nuevo contacto"),
                                  TCabeceraVentana::TBotones(), this)),
      edtIP(Campo("edtIP", QRect(64, 38, 140, 21), this)),
      edtNick(Campo("edtNick", QRect(64, 70, 140, 21), this)),
      btnAceptar(Boton("btnAceptar", QStringLiteral(" &Añadir "), QRect(16, 118, 90, 26), this)),
      btnCancelar(
          Boton("btnCancelar", QStringLiteral(" &Cancelar "), QRect(113, 118, 90, 26), this)) {
    setWindowTitle(QStringLiteral("Nuevo Contacto"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setFixedSize(219, 154);
    Panel1->setGeometry(2, 2, 215, TCabeceraVentana::kAlto);
    for (QLabel* etiqueta :
         {Control<QLabel>("Label1", QStringLiteral("Dir. IP:"), {8, 38, 50, 21}, this),
          Control<QLabel>("Label2", QStringLiteral("Nick:"), {8, 70, 50, 21}, this)})
        etiqueta->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    edtIP->setToolTip(
        QStringLiteral("Este nick es provisional, hasta que obtenga el Nick del equipo remoto."));
    auto* bevel = new QFrame(this);
    bevel->setObjectName(QStringLiteral("Bevel2"));
    bevel->setFrameShape(QFrame::HLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(8, 104, 203, 2);
    setTabOrder(edtIP, edtNick);
    edtIP->installEventFilter(this);
    edtNick->installEventFilter(this);
    connect(btnAceptar, &QPushButton::clicked, this, &TfrmNuevoContacto::btnAceptarClick);
    connect(btnCancelar, &QPushButton::clicked, this, &TfrmNuevoContacto::reject);
}

void TfrmNuevoContacto::reject() {
    nick_.clear();
    ip_.clear();
    QDialog::reject();
}

void TfrmNuevoContacto::showEvent(QShowEvent* evento) {
    if (parentWidget())
        ColocarSobrePrincipal(this, parentWidget()->window());
    edtIP->clear();
    edtNick->clear();
    nick_.clear();
    ip_.clear();
    QDialog::showEvent(evento);
    edtNick->setFocus();
}

bool TfrmNuevoContacto::eventFilter(QObject* objeto, QEvent* evento) {
    if (evento->type() != QEvent::KeyPress)
        return QDialog::eventFilter(objeto, evento);
    const auto* tecla = static_cast<QKeyEvent*>(evento);
    if (objeto == edtIP)
        return FiltrarTeclaIP(tecla);
    if (objeto == edtNick && EsIntro(tecla)) {
        btnAceptar->click();
        return true;
    }
    return false;
}

bool TfrmNuevoContacto::FiltrarTeclaIP(const QKeyEvent* tecla) {
    if (EsIntro(tecla)) {
        edtNick->setFocus();
        return true;
    }
    return !CaracterAdmitidoEnIP(tecla);
}

void TfrmNuevoContacto::btnAceptarClick() {
    if (edtIP->text().isEmpty()) {
        QMessageBox::critical(this, QStringLiteral("Error"),
                              QStringLiteral("Debe espeficicar una Dirección IP"));
        edtIP->setFocus();
        return;
    }
    nick_ = edtNick->text();
    ip_ = edtIP->text();
    accept();
}
