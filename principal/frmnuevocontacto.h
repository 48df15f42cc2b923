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

    const QString& Nick() const { return FNick; }
    const QString& IP() const { return FIP; }

public slots:
    void reject() override;

protected:
    // Placed over its parent window, both fields emptied, the focus in edtNick.
    void showEvent(QShowEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void btnAceptarClick();
    bool FiltrarTeclaIP(const QKeyEvent* tecla);

    TCabeceraVentana* FPanel1;
    QLineEdit* FedtIP;
    QLineEdit* FedtNick;
    QPushButton* FbtnAceptar;
    QPushButton* FbtnCancelar;
    QString FNick;
    QString FIP;
};
