#include "transferenciasfalsas.h"

#include <QTimer>

namespace {

class TVistaFalsa : public TVistaTransferencia {
public:
    explicit TVistaFalsa(std::shared_ptr<TVentanaFalsa> ventana) : ventana_(std::move(ventana)) {}

    void RefrescarProgreso(const TCifrasProgreso& cifras) override {
        ventana_->Refrescos.push_back(cifras);
        if (ventana_->TrasRefrescar)
            QTimer::singleShot(0, [ventana = ventana_] { ventana->TrasRefrescar(*ventana); });
    }
    void MostrarFin(TFinTransferencia fin) override { ventana_->Fin = fin; }
    void MostrarInterrupcion(bool interrumpida) override {
        ventana_->Interrumpida = interrumpida;
        ventana_->Interrupciones += interrumpida ? 1 : 0;
    }

private:
    std::shared_ptr<TVentanaFalsa> ventana_;
};

} // namespace

QStringList TTransferenciasFalsas::ElegirFicheros(const QString& titulo) {
    Titulos << titulo;
    if (AlElegir)
        AlElegir();
    if (Ficheros.isEmpty() && Fichero)
        return {*Fichero};
    return Ficheros;
}

std::optional<QString> TTransferenciasFalsas::ElegirDestino(const QString& titulo,
                                                            const QString& propuesto) {
    Titulos << titulo;
    Propuestos << propuesto;
    if (AlElegir)
        AlElegir();
    return Destino;
}

std::unique_ptr<TVistaTransferencia> TTransferenciasFalsas::CrearVista(const TDatosVista& datos,
                                                                       std::function<void()> abortar) {
    auto ventana = std::make_shared<TVentanaFalsa>();
    ventana->Datos = datos;
    ventana->Abortar = std::move(abortar);
    ventana->TrasRefrescar = TrasRefrescar;
    Ventanas.push_back(ventana);
    return std::make_unique<TVistaFalsa>(ventana);
}
