#pragma once

#include "core/configuracion.h"

#include <QString>
#include <array>

// The rows of the "Sonidos" page: nine events in three groups, with empty separator rows
// between the groups. The rows hold the dialog's copy of the paths; the configuration gets
// them back only through Tomar.
class TListaSonidos {
public:
    static constexpr int kFilas = 12;

    struct TFila {
        QString Descripcion;  // empty on a separator
        QString Ruta;
    };

    // What the page shows after a click on a row.
    struct TSeleccion {
        QString Ruta;        // for edtRutaSonido
        bool Eliminar = false;
        bool Escoger = false;
    };

    // What a double click on a row asks for.
    enum class TDobleClic { Nada, Reproducir, Escoger };

    void Llenar(const TConfigSonidos& sonidos);
    void Tomar(TConfigSonidos& sonidos) const;

    const TFila& Fila(int fila) const { return filas_.at(std::size_t(fila)); }
    bool EsSeparador(int fila) const { return Fila(fila).Descripcion.isEmpty(); }
    bool MuestraAltavoz(int fila) const { return !Fila(fila).Ruta.isEmpty(); }

    TSeleccion Pulsar(int fila) const;
    // A file that is gone is not tried from the list.
    TDobleClic DobleClic(int fila) const;
    // False for a separator, which never gets a sound.
    bool Escoger(int fila, const QString& ruta);
    void Eliminar(int fila);

private:
    std::array<TFila, kFilas> filas_;
};
