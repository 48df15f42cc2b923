#pragma once

#include "principal/animacionojos.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QTimer;
class TCabeceraVentana;

// The about box: a face that blinks and glances now and then, the author, thanks and
// a web address. The main window sets the caption and shows it modally.
class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* padre = nullptr,
                       std::mt19937::result_type semilla = std::random_device{}());

    TCabeceraVentana* PanelCabecera() const { return panelCabecera_; }
    // The web address that Label3 opens.
    static QUrl Direccion();

protected:
    void showEvent(QShowEvent* evento) override;
    void hideEvent(QHideEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void TimerTimer();
    void AjustarLineaDireccion(QLabel* label2);
    QLabel* Imagen(TCaraOjos cara) const;

    TAnimacionOjos animacion_;
    TCabeceraVentana* panelCabecera_;
    QLabel* imagenes_[4];

    // Components
    QLabel* Label3;
    QTimer* Timer;
};
