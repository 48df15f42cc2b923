#pragma once

#include "transfer/txfichero.h"

class QWidget;
struct TConfig;

// The transfers' windows: file choosers over the main window and one TfrmFileTx per
// transfer, placed over the main window and stacked as the configuration says.
class TVentanasTransferencia : public TInterfazTransferencias {
public:
    TVentanasTransferencia(QWidget* principal, const TConfig& config);
    // The configuration is read on every new window: a temporary would be gone by then.
    TVentanasTransferencia(QWidget* principal, const TConfig&& config) = delete;

    QStringList ElegirFicheros(const QString& titulo) override;
    std::optional<QString> ElegirDestino(const QString& titulo, const QString& propuesto) override;
    std::unique_ptr<TVistaTransferencia> CrearVista(const TDatosVista& datos,
                                                    std::function<void()> abortar) override;

private:
    QWidget* principal_;
    const TConfig& config_;
};
