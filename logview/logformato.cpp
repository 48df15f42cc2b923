#include "logview/logformato.h"

#include <algorithm>

namespace {

constexpr int kMaximoPieza = 1000;
constexpr int kMedioAltoRegla = 5;

QSize TamanoCarga(const TLineInfo& info) {
    if (const QImage* imagen = info.Picture())
        return imagen->size();
    if (const TControlLog* control = info.Control())
        return control->Tamano();
    return {};
}

} // namespace

QFont FuenteDe(const TFontInfo& estilo) {
    QFont fuente(estilo.FontName);
    fuente.setPointSize(std::max(1, estilo.Size));
    fuente.setBold(estilo.Style & kNegrita);
    fuente.setItalic(estilo.Style & kCursiva);
    fuente.setUnderline(estilo.Style & kSubrayado);
    fuente.setStrikeOut(estilo.Style & kTachado);
    return fuente;
}

void TMedidorQt::ElegirFuente(const TFontInfo& estilo) {
    if (estilo == elegido && metricas.height() > 0)
        return;
    elegido = estilo;
    metricas = QFontMetrics(FuenteDe(estilo));
}

TMedidorTexto::TMetricas TMedidorQt::Metricas() const {
    return {metricas.ascent(), metricas.descent(), metricas.leading()};
}

// Most runs fit whole, which one measurement settles.
int TMedidorQt::Encajan(QStringView texto, int ancho) const {
    if (metricas.horizontalAdvance(texto.toString()) <= ancho)
        return int(texto.size());
    int cabe = 0;
    int noCabe = int(texto.size()) + 1;
    while (noCabe - cabe > 1) {
        const int medio = (cabe + noCabe) / 2;
        if (metricas.horizontalAdvance(texto.left(medio).toString()) <= ancho)
            cabe = medio;
        else
            noCabe = medio;
    }
    return cabe;
}

QSize TMedidorQt::Medir(QStringView texto) const {
    return {metricas.horizontalAdvance(texto.toString()), metricas.height()};
}

int TFormatoLog::AnchoMayorCarga(const TLogDocumento& documento) {
    if (cargaGeneracion != documento.Generacion() || cargaVistos > documento.Count()) {
        cargaGeneracion = documento.Generacion();
        cargaVistos = 0;
        cargaMayor = 0;
    }
    for (; cargaVistos < documento.Count(); ++cargaVistos) {
        const TLineInfo& info = documento.Items()[cargaVistos].Info;
        if (info.StyleIndex == ikPicture || info.StyleIndex == ikControl)
            cargaMayor = std::max(cargaMayor, TamanoCarga(info).width());
    }
    return cargaMayor;
}

QStringView TFormatoLog::TextoDe(const TLogDocumento& documento,
                                 const TDrawLineInfo& pieza) const {
    return QStringView(documento.Items()[pieza.ItemNo].Texto)
        .mid(pieza.TextOffset - 1, pieza.Longitud);
}

void TFormatoLog::Descartar() {
    piezas.clear();
    saltos.clear();
    marcas.clear();
    pluma = {};
    hechos = 0;
    valido = false;
}

bool TFormatoLog::PuedeContinuar(const TLogDocumento& documento, const TFontInfos& estilosDoc,
                                 const TOpcionesFormato& opciones) const {
    if (!valido || generacion != documento.Generacion() || hechos > documento.Count())
        return false;
    if (!(opciones == usadas) || estilosDoc.Count() < estilosUsados.size())
        return false;
    return std::equal(estilosUsados.begin(), estilosUsados.end(), estilosDoc.Lista().begin());
}

void TFormatoLog::Formatear(TLogDocumento& documento, const TFontInfos& estilosDoc,
                            TMedidorTexto& medidorDoc, const TOpcionesFormato& opciones) {
    if (!PuedeContinuar(documento, estilosDoc, opciones))
        Descartar();
    estilos = &estilosDoc;
    medidor = &medidorDoc;
    usadas = opciones;
    generacion = documento.Generacion();
    const int primeraNueva = int(piezas.size());
    menorEmpujada = primeraNueva;
    for (; hechos < documento.Count(); ++hechos)
        Colocar(documento.Items()[hechos], hechos);
    RefrescarSaltos(std::min(primeraNueva, menorEmpujada));
    estilosUsados = estilosDoc.Lista();
    valido = true;
}

void TFormatoLog::FormatearTodo(TLogDocumento& documento, const TFontInfos& estilosDoc,
                                TMedidorTexto& medidorDoc, const TOpcionesFormato& opciones) {
    Descartar();
    Formatear(documento, estilosDoc, medidorDoc, opciones);
}

void TFormatoLog::Colocar(TItemLog& item, int numero) {
    switch (item.Info.StyleIndex) {
    case ikMark:
        marcas.push_back({item.Texto, pluma.B + pluma.D, numero});
        return;
    case ikListImage:
    case ikJumpImage:
        if (usadas.MostrarImagenes)
            ColocarImagenDeLista(item, numero);
        return;
    case ikPicture:
        if (usadas.MostrarPicture)
            ColocarBanda(item, numero);
        return;
    case ikControl:
        if (usadas.MostrarControl)
            ColocarBanda(item, numero);
        return;
    case ikBreakLine:
        ColocarBanda(item, numero);
        return;
    default:
        ColocarTexto(item, numero);
    }
}

void TFormatoLog::ColocarTexto(TItemLog& item, int numero) {
    const qint32 estilo = item.Info.StyleIndex;
    medidor->ElegirFuente((*estilos)[estilo]);
    const TMedidorTexto::TMetricas m = medidor->Metricas();
    const QStringView texto(item.Texto);
    bool empiezaLinea = !item.Info.ContinuesLine;
    qsizetype pos = 0;
    while (pos < texto.size()) {
        if (empiezaLinea)
            pluma.x = 0;
        const QStringView resto = texto.mid(pos);
        const qsizetype cabe =
            std::min<qsizetype>(std::max(1, medidor->Encajan(resto, usadas.TextWidth - pluma.x)),
                                kMaximoPieza);
        qsizetype largo = std::min(cabe, resto.size());
        qsizetype consumido = 0;
        if (cabe < resto.size()) {
            const qsizetype espacio = resto.left(cabe).lastIndexOf(QLatin1Char(' '));
            if (espacio < 0 && !empiezaLinea) {
                empiezaLinea = true;
                continue;
            }
            if (espacio >= 0) {
                largo = espacio;
                consumido = 1;
            }
        }
        const QSize medida = medidor->Medir(resto.left(largo));
        TDrawLineInfo pieza;
        pieza.ItemNo = numero;
        pieza.TextOffset = int(pos) + 1;
        pieza.Longitud = int(largo);
        pieza.StartsLine = empiezaLinea;
        int arriba = 0;
        if (empiezaLinea) {
            if (item.Info.Centered)
                pluma.x = (usadas.TextWidth - medida.width()) / 2;
            arriba = pluma.B + pluma.D + m.ExternalLeading;
            pluma.B = arriba + m.Ascent;
            pluma.A = m.ExternalLeading + m.Ascent;
        } else {
            if (pluma.A < m.ExternalLeading + m.Ascent) {
                Empujar(m.ExternalLeading + m.Ascent - pluma.A);
                pluma.A = m.ExternalLeading + m.Ascent;
            }
            arriba = pluma.B - m.Ascent;
        }
        pieza.Left = pluma.x + usadas.LeftMargin;
        pieza.Top = arriba;
        pieza.Width = medida.width();
        pieza.Height = medida.height();
        piezas.push_back(pieza);
        if (EsEstiloDeSalto(estilo)) {
            AgregarSalto(pieza, int(piezas.size()) - 1);
            item.Info.ImageIndex = pluma.NextJumpId;
        }
        pluma.D = empiezaLinea ? m.Descent : std::max(pluma.D, m.Descent);
        pluma.x += medida.width();
        empiezaLinea = true;
        pos += largo + consumido;
    }
    if (EsEstiloDeSalto(estilo))
        ++pluma.NextJumpId;
}

// An inline picture sits in a cell two pixels wider than itself, its bottom one pixel
// below the baseline.
void TFormatoLog::ColocarImagenDeLista(TItemLog& item, int numero) {
    const TListaImagenes* lista = item.Info.ImageList();
    const int w = lista ? lista->Width() : 0;
    const int h = lista ? lista->Height() : 0;
    const bool sigue = item.Info.ContinuesLine && pluma.x + w + 2 <= usadas.TextWidth;
    int arriba = 0;
    if (sigue) {
        if (pluma.A < h + 1) {
            Empujar(h + 1 - pluma.A);
            pluma.A = h + 1;
        }
        arriba = pluma.B - h - 1;
    } else {
        pluma.x = 0;
        arriba = pluma.B + pluma.D;
        pluma.B = arriba + h + 1;
        pluma.D = 1;
        pluma.A = h + 1;
    }
    TDrawLineInfo pieza;
    pieza.Left = pluma.x + usadas.LeftMargin + 1;
    pieza.Top = arriba + 1;
    pieza.Width = w + 1;
    pieza.Height = h + 1;
    pieza.ItemNo = numero;
    pieza.StartsLine = !sigue;
    if (item.Info.StyleIndex == ikJumpImage) {
        saltos.push_back({pieza.Left, pieza.Top, w, h, pluma.NextJumpId, int(piezas.size())});
        ++pluma.NextJumpId;
    }
    piezas.push_back(pieza);
    pluma.x += w + 2;
}

// Pictures, controls and rules take a band of their own; the pen x stays.
void TFormatoLog::ColocarBanda(TItemLog& item, int numero) {
    TDrawLineInfo pieza;
    pieza.ItemNo = numero;
    if (item.Info.StyleIndex == ikBreakLine) {
        pieza.Left = usadas.LeftMargin;
        pieza.Top = pluma.B + pluma.D;
        pieza.Width = usadas.TextWidth;
        pieza.Height = 2 * kMedioAltoRegla + 1;
        pieza.Longitud = int(item.Texto.size());
        pieza.StartsLine = true;
        pluma.B = pieza.Top + pieza.Height;
        pluma.D = kMedioAltoRegla;
        pluma.A = kMedioAltoRegla;
        piezas.push_back(pieza);
        return;
    }
    const QSize medida = TamanoCarga(item.Info);
    const bool centrado = item.Info.StyleIndex == ikPicture || item.Info.Centered;
    pieza.Left = (centrado ? std::max(0, (usadas.TextWidth - medida.width()) / 2) : 0) +
                 usadas.LeftMargin;
    pieza.Top = pluma.B + pluma.D + 1;
    pieza.Width = medida.width();
    pieza.Height = medida.height() + 1;
    if (TControlLog* control = item.Info.Control())
        control->ColocarEnDocumento(pieza.Left, pieza.Top);
    pluma.B = pluma.B + pluma.D + medida.height() + 1;
    pluma.D = 1;
    pluma.A = medida.height() + 1;
    piezas.push_back(pieza);
}

// A taller piece continuing the line moves the line so far down onto the new baseline.
void TFormatoLog::Empujar(int diferencia) {
    for (int i = int(piezas.size()) - 1; i >= 0; --i) {
        piezas[i].Top += diferencia;
        menorEmpujada = std::min(menorEmpujada, i);
        if (piezas[i].StartsLine)
            break;
    }
    pluma.B += diferencia;
}

void TFormatoLog::AgregarSalto(const TDrawLineInfo& pieza, int indicePieza) {
    saltos.push_back(
        {pieza.Left, pieza.Top, pieza.Width, pieza.Height, pluma.NextJumpId, indicePieza});
}

void TFormatoLog::RefrescarSaltos(int desdePieza) {
    for (auto salto = saltos.rbegin(); salto != saltos.rend(); ++salto) {
        if (salto->DrawItemNo < desdePieza)
            return;
        const TDrawLineInfo& pieza = piezas[salto->DrawItemNo];
        salto->Left = pieza.Left;
        salto->Top = pieza.Top;
    }
}
