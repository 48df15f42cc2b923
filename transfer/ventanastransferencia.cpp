#include "transfer/ventanastransferencia.h"

#include "transfer/frmfiletx.h"
#include "widgets/colocacion.h"

#include <QFileDialog>
#include <QPointer>

namespace {

const QString kFiltroTodos = QStringLiteral("Todos (*)");

// A transfer's hold on its window, which the window's user may close at any moment.
class TVistaVentana : public TVistaTransferencia {
public:
    explicit TVistaVentana(TfrmFileTx* ventana) : ventana_(ventana) {}

    void RefrescarProgreso(const TCifrasProgreso& cifras) override {
        if (Abierta())
            ventana_->RefrescarProgreso(cifras);
    }
    void MostrarFin(TFinTransferencia fin) override {
        if (Abierta())
            ventana_->MostrarFin(fin);
    }
    void MostrarInterrupcion(bool interrumpida) override {
        if (Abierta())
            ventana_->MostrarInterrupcion(interrumpida);
    }

private:
    bool Abierta() const { return ventana_ && !ventana_->Cerrada(); }

    QPointer<TfrmFileTx> ventana_;
};

std::optional<QString> Elegido(const QString& ruta) {
    return ruta.isEmpty() ? std::nullopt : std::optional(ruta);
}

} // namespace

TVentanasTransferencia::TVentanasTransferencia(QWidget* principal, const TConfig& config)
    : principal_(principal), config_(config) {}

QStringList TVentanasTransferencia::ElegirFicheros(const QString& titulo) {
    return QFileDialog::getOpenFileNames(principal_, titulo, {}, kFiltroTodos);
}

std::optional<QString> TVentanasTransferencia::ElegirDestino(const QString& titulo,
                                                             const QString& propuesto) {
    // The dialog asks before replacing a file: the file is emptied as soon as it is accepted.
    return Elegido(QFileDialog::getSaveFileName(principal_, titulo, propuesto, kFiltroTodos));
}

std::unique_ptr<TVistaTransferencia> TVentanasTransferencia::CrearVista(
    const TDatosVista& datos, std::function<void()> abortar) {
    auto* ventana = new TfrmFileTx(datos, config_, std::move(abortar), principal_);
    if (principal_)
        ColocarSobrePrincipal(ventana, principal_);
    ventana->show();
    return std::make_unique<TVistaVentana>(ventana);
}
