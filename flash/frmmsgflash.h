#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TCabeceraVentana;
class TMensajesFlash;
struct TFlashRecibido;

// One flash message, to write (compose mode) or to read and answer (receive mode). Frameless
// with a sizing border of its own; released when closed.
class TfrmMsgFlash : public QWidget {
    Q_OBJECT
public:
    // Width of the sizing border around the client area.
    static constexpr int kBorde = 4;

    TfrmMsgFlash(TMensajesFlash& flash, QWidget* principal);

    void SetModo(bool recepcion);
    bool EsRespuesta() const { return esRespuesta_; }
    bool EsEnvio() const { return !esRespuesta_; }
    const QString& IPDestino() const { return ipDestino_; }

    // Compose mode to `ip`, both boxes empty.
    void PrepararEnvio(const QString& ip, const QString& titulo);
    // Receive mode: the text read-only, the answer box empty.
    void PrepararRespuesta(const TFlashRecibido& flash);
    // Shows the window in the layer the settings ask for, ready to type in.
    void Mostrar();

protected:
    void resizeEvent(QResizeEvent* evento) override;
    void mousePressEvent(QMouseEvent* evento) override;
    void mouseMoveEvent(QMouseEvent* evento) override;

private:
    void Preparar(bool recepcion, const QString& ip, const QString& titulo);
    void FormResize();
    void btnResponderClick();
    void imgCerrarClick();
    static QString TextoDe(const QPlainTextEdit* memo);

    TMensajesFlash& flash_;
    bool esRespuesta_ = false;
    QString ipDestino_;

    // Components
    QWidget* Cliente;
    TCabeceraVentana* PanelCabecera;
    QLabel* Image1;
    QPlainTextEdit* Memo1;
    QPlainTextEdit* Memo2;
    QPushButton* btnResponder;
};
