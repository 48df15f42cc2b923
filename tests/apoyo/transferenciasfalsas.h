#pragma once

#include "transfer/txfichero.h"

#include <QStringList>
#include <vector>

// What a fake transfer window was told. It outlives its transfer, as a real window does.
struct TVentanaFalsa {
    TDatosVista Datos;
    std::function<void()> Abortar;
    std::vector<TCifrasProgreso> Refrescos;
    std::optional<TFinTransferencia> Fin;
    bool Interrumpida = false;
    int Interrupciones = 0;
    // Runs after each refresh, outside the handler, as a user's click would.
    std::function<void(TVentanaFalsa&)> TrasRefrescar;
};

// Scripted file choosers and fake windows.
class TTransferenciasFalsas : public TInterfazTransferencias {
public:
    QStringList ElegirFicheros(const QString& titulo) override;
    std::optional<QString> ElegirDestino(const QString& titulo, const QString& propuesto) override;
    std::unique_ptr<TVistaTransferencia> CrearVista(const TDatosVista& datos,
                                                    std::function<void()> abortar) override;

    // What the file chooser returns: `Ficheros`, or else `Fichero` alone.
    std::optional<QString> Fichero;
    QStringList Ficheros;
    std::optional<QString> Destino;
    QStringList Titulos;
    QStringList Propuestos;
    // Runs inside either chooser, where a real dialog would run the event loop.
    std::function<void()> AlElegir;
    // Given to every new window.
    std::function<void(TVentanaFalsa&)> TrasRefrescar;
    std::vector<std::shared_ptr<TVentanaFalsa>> Ventanas;
};
