#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class TCabeceraVentana;

// Asks for the address and nick of a new contact. Shown with exec(): on Accepted, Nick()
// and IP() hold what was typed; otherwise both are empty. Adding the contact is the
// caller's business.
class TfrmNuevoContacto : public QDialog {
    Q_OBJECT
public:
    explicit TfrmNuevoContacto(QWidget* padre = nullptr);

    const QString& Nick() const { return nick_; }
    const QString& IP() const { return ip_; }

public slots:
    void reject() override;

protected:
    // Placed over its parent window, both fields emptied, the focus in edtNick.
    void showEvent(QShowEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void btnAceptarClick();
    bool FiltrarTeclaIP(const QKeyEvent* tecla);

    // Components
    TCabeceraVentana* Panel1;
    QLineEdit* edtIP;
    QLineEdit* edtNick;
    QPushButton* btnAceptar;
    QPushButton* btnCancelar;

    QString nick_;
    QString ip_;
};
