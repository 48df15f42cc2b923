#pragma once

#include "transfer/txfichero.h"

#include <QWidget>

class QLabel;
class TCabeceraVentana;
class TGradientBar;
class TLabel2;
struct TConfig;

// The progress window of one transfer, on either side. It lives until its user closes it,
// also after the transfer has ended; closing a transfer still under way asks first and
// aborts it. After "FINALIZADO" the file name opens the file.
class TfrmFileTx : public QWidget {
    Q_OBJECT
public:
    // Filled with the transfer's first values; `abortar` is called when its user confirms
    // closing it during the transfer.
    TfrmFileTx(const TDatosVista& datos, const TConfig& config, std::function<void()> abortar,
               QWidget* padre = nullptr);

    qint32 ID() const { return id_; }
    const QString& Ruta() const { return ruta_; }
    // Once closed, the window takes no more updates.
    bool Cerrada() const { return cerrada_; }
    TCabeceraVentana* PanelCabecera() const { return panelCabecera_; }

    void RefrescarProgreso(const TCifrasProgreso& cifras);
    void MostrarFin(TFinTransferencia fin);
    void MostrarInterrupcion(bool interrumpida);

protected:
    void closeEvent(QCloseEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    bool Terminada() const;
    bool Finalizada() const;
    bool ConfirmarCierre();
    void lblFileNameClick();
    void MarcarFin(const QString& texto, QColor color);
    void AjustarNombre();

    qint32 id_;
    QString ruta_;
    std::function<void()> abortar_;
    bool cerrada_ = false;
    TCabeceraVentana* panelCabecera_;
    QString nombreFichero_;
    int escala_ = 0; // bits the bar drops from byte counts
    // How the transfer ended; an interruption or new figures replace the end's word in the
    // window and take it back.
    std::optional<TFinTransferencia> fin_;

    // Components
    TLabel2* lblFileName;
    QLabel* lblTx;
    QLabel* lblTranscurrido;
    QLabel* lblRestante;
    QLabel* lblVMedia;
    QLabel* lblVActual;
    TGradientBar* ProgressBar;
};
