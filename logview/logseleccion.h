#pragma once

#include "logview/logformato.h"

#include <QString>
#include <optional>

// A selection end: a draw item (-1 none) and a 1-based offset in its text. For a
// picture-like piece, 0 lies before it and 1 on it.
struct TExtremo {
    int Item = -1;
    int Offset = 0;

    friend bool operator==(const TExtremo&, const TExtremo&) = default;
};

// What selection and word look-up need of a laid-out log.
struct TContextoLog {
    const TLogDocumento& Documento;
    const TFormatoLog& Formato;
    const TFontInfos& Estilos;
    TMedidorTexto& Medidor;
};

struct TPalabra {
    QString Palabra;
    qint32 Estilo = 0;
};

bool HaySeleccion(TExtremo ancla, TExtremo movil);
// The two ends in document order.
std::pair<TExtremo, TExtremo> Ordenada(TExtremo ancla, TExtremo movil);

// Draw item terms to item terms and back, so that a selection survives a layout.
TExtremo ATerminosDeItem(const TContextoLog& log, TExtremo extremo);
TExtremo DeTerminosDeItem(const TContextoLog& log, TExtremo extremo);

// The selected text, with a CR LF wherever a new line starts.
QString TextoSeleccionado(const TContextoLog& log, TExtremo ancla, TExtremo movil);
// The same between two ends in item terms, in document order; needs no layout.
QString TextoEntreItems(const TLogDocumento& documento, TExtremo inicio, TExtremo fin);

// Characters [first, second) of a text piece that lie in the ordered selection.
std::pair<int, int> CaracteresSeleccionados(int pieza, int largo, TExtremo inicio,
                                            TExtremo fin);
// Whether a picture piece is drawn selected.
bool ImagenSeleccionada(int pieza, TExtremo inicio, TExtremo fin);

// Selection end at a document point.
TExtremo PuntoDeSeleccion(const TContextoLog& log, int x, int y);

// The word under a document point, split at any of the delimiters.
std::optional<TPalabra> PalabraEn(const TContextoLog& log, int x, int y,
                                  const QString& delimitadores);
