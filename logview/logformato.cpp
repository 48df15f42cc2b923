#include "logview/logformato.h"

#include <QElapsedTimer>
#include <algorithm>
#include <climits>

namespace {

constexpr int kMaximoPieza = 1000;
constexpr int kMedioAltoRegla = 5;
// Characters of appended text laid out between two looks at the clock.
constexpr int kCaracteresPorTrozo = 4000;

QSize TamanoCarga(const TLineInfo& info) {
    if (const QImage* imagen = info.Picture())
        return imagen->size();
    if (const TControlLog* control = info.Control())
        return control->Tamano();
    return {};
}

// Puts nuevos in place of todos[desde, hasta); returns how many elements were added.
template <typename T>
int Reemplazar(TSecuenciaDiferida<T>& todos, int desde, int hasta,
               const TSecuenciaDiferida<T>& nuevos) {
    todos.Reemplazar(desde, hasta, nuevos);
    return int(nuevos.size()) - (hasta - desde);
}

} // namespace

int TFormatoLog::AnchoMayorCarga(const TLogDocumento& documento) {
    if (cargaGeneracion_ != documento.Generacion() || cargaVistos_ > documento.Count()) {
        cargaGeneracion_ = documento.Generacion();
        cargaVistos_ = 0;
        cargaMayor_ = 0;
    }
    for (; cargaVistos_ < documento.Count(); ++cargaVistos_) {
        const TLineInfo& info = documento.Items()[cargaVistos_].Info;
        if (info.StyleIndex == ikPicture || info.StyleIndex == ikControl)
            cargaMayor_ = std::max(cargaMayor_, TamanoCarga(info).width());
    }
    return cargaMayor_;
}

QStringView TFormatoLog::TextoDe(const TLogDocumento& documento,
                                 const TDrawLineInfo& pieza) const {
    return QStringView(documento.Items()[pieza.ItemNo].Texto)
        .mid(pieza.TextOffset - 1, pieza.Longitud);
}

int TFormatoLog::PrimeraPiezaDeItem(int numero) const {
    const auto pieza =
        std::lower_bound(piezas_.begin(), piezas_.end(), numero,
                         [](const TDrawLineInfo& p, int item) { return p.ItemNo < item; });
    return int(pieza - piezas_.begin());
}

void TFormatoLog::Descartar() {
    piezas_.Vaciar();
    saltos_.Vaciar();
    marcas_.Vaciar();
    parrafos_.Vaciar();
    pluma_ = {};
    hechos_ = 0;
    enCurso_ = 0;
    faltanAgregados_ = false;
    pendientes_ = 0;
    siguientePendiente_ = 0;
    valido_ = false;
}

bool TFormatoLog::PuedeContinuar(const TLogDocumento& doc, const TFontInfos& estilosDoc,
                                 const TOpcionesFormato& opciones) const {
    if (!valido_ || generacion_ != doc.Generacion() || hechos_ > doc.Count())
        return false;
    TOpcionesFormato mismas = opciones;
    mismas.TextWidth = usadas_.TextWidth;
    return mismas == usadas_ && estilosDoc.Count() >= estilosUsados_.Count();
}

// Only an item that surely starts a line, whatever the width, begins a paragraph.
bool TFormatoLog::EmpiezaParrafo(const TLineInfo& info, bool vacio) const {
    if (info.ContinuesLine)
        return false;
    if (info.StyleIndex >= 0)
        return !vacio;
    return (info.StyleIndex == ikListImage || info.StyleIndex == ikJumpImage) &&
           usadas_.MostrarImagenes;
}

void TFormatoLog::AbrirParrafo(TParrafo& parrafo, int primerItem) {
    parrafo.PrimerItem = primerItem;
    parrafo.PrimeraPieza = basePieza_ + int(piezas_.size());
    parrafo.PrimerSalto = int(saltos_.size());
    parrafo.PrimeraMarca = int(marcas_.size());
    parrafo.Arriba = pluma_.B + pluma_.D;
    parrafo.SaltoId = pluma_.NextJumpId;
    parrafo.Version = version_;
}

void TFormatoLog::Formatear(TLogDocumento& doc, const TFontInfos& estilosDoc,
                            TMedidorTexto& medidorDoc, const TOpcionesFormato& opciones) {
    Preparar(doc, estilosDoc, medidorDoc, opciones);
    while (Pendiente())
        Avanzar(INT_MAX);
}

void TFormatoLog::FormatearTodo(TLogDocumento& doc, const TFontInfos& estilosDoc,
                                TMedidorTexto& medidorDoc, const TOpcionesFormato& opciones) {
    Descartar();
    Formatear(doc, estilosDoc, medidorDoc, opciones);
}

void TFormatoLog::Preparar(TLogDocumento& doc, const TFontInfos& estilosDoc,
                           TMedidorTexto& medidorDoc, const TOpcionesFormato& opciones,
                           int caracteresPorItem) {
    if (!PuedeContinuar(doc, estilosDoc, opciones))
        Descartar();
    const bool otraForma =
        valido_ && (opciones.TextWidth != usadas_.TextWidth ||
                    !std::equal(estilosUsados_.Lista().begin(), estilosUsados_.Lista().end(),
                                estilosDoc.Lista().begin(), MismaFuente));
    documento_ = &doc;
    medidor_ = &medidorDoc;
    usadas_ = opciones;
    estilosUsados_ = estilosDoc;
    generacion_ = doc.Generacion();
    valido_ = true;
    if (otraForma) {
        ++version_;
        pendientes_ = int(parrafos_.size());
        siguientePendiente_ = 0;
    }
    if (hechos_ == doc.Count())
        return;
    // Appended items carry on the last paragraph, which must be laid out at this width.
    if (!parrafos_.empty() && parrafos_.back().Version != version_)
        FormatearTramo(int(parrafos_.size()) - 1, [](int) { return true; });
    ColocarAgregados(caracteresPorItem, [] { return true; });
}

// Places the items after the last one placed: the first always, the others while seguir
// allows. A text item stops after caracteresPorItem characters, to go on from there.
void TFormatoLog::ColocarAgregados(int caracteresPorItem, const std::function<bool()>& seguir) {
    const int primeraNueva = int(piezas_.size());
    menorEmpujada_ = primeraNueva;
    for (const int primero = hechos_; hechos_ < documento_->Count(); ++hechos_) {
        TItemLog& item = documento_->Items()[hechos_];
        if (enCurso_ == 0) {
            if (hechos_ > primero && !seguir())
                break;
            // A paragraph opened by an item whose pieces were dropped stays open.
            const bool abierto = !parrafos_.empty() && parrafos_.back().PrimerItem == hechos_;
            if (parrafos_.empty() ||
                (!abierto && EmpiezaParrafo(item.Info, item.Texto.isEmpty()))) {
                TParrafo parrafo;
                AbrirParrafo(parrafo, hechos_);
                parrafos_.Agregar(parrafo);
            }
        }
        if (item.Info.StyleIndex < 0) {
            Colocar(item, hechos_);
            continue;
        }
        enCurso_ = ColocarTexto(item, hechos_, enCurso_, caracteresPorItem);
        if (enCurso_ < item.Texto.size())
            break;
        enCurso_ = 0;
    }
    faltanAgregados_ = hechos_ < documento_->Count();
    RefrescarSaltos(std::min(primeraNueva, menorEmpujada_));
}

void TFormatoLog::Avanzar(int parrafosMaximos, qint64 nanosegundos) {
    QElapsedTimer reloj;
    reloj.start();
    const auto hayTiempo = [&] { return nanosegundos < 0 || reloj.nsecsElapsed() < nanosegundos; };
    int quedan = parrafosMaximos;
    const auto seguir = [&](int) { return --quedan > 0 && hayTiempo(); };
    while (pendientes_ > 0 && quedan > 0) {
        while (parrafos_[siguientePendiente_].Version == version_)
            ++siguientePendiente_;
        siguientePendiente_ = FormatearTramo(siguientePendiente_, seguir);
        if (!hayTiempo())
            return;
    }
    while (faltanAgregados_ && quedan > 0) {
        ColocarAgregados(kCaracteresPorTrozo, hayTiempo);
        if (!hayTiempo())
            return;
    }
}

// The paragraph whose band holds y: the last one that begins at or above it.
int TFormatoLog::ParrafoEn(int y) const {
    const auto tras =
        std::upper_bound(parrafos_.begin(), parrafos_.end(), y,
                         [](int valor, const TParrafo& p) { return valor < p.Arriba; });
    return std::max(0, int(tras - parrafos_.begin()) - 1);
}

void TFormatoLog::FormatearZona(int arriba, int abajo) {
    if (!Pendiente())
        return;
    for (int p = ParrafoEn(arriba); p < int(parrafos_.size()) && parrafos_[p].Arriba < abajo;) {
        if (parrafos_[p].Version == version_) {
            ++p;
            continue;
        }
        p = FormatearTramo(p, [abajo](int y) { return y < abajo; });
    }
}

// Lays out again the pending paragraphs from desde on while seguir allows it, given the
// height reached, and puts them in place of their estimate. Returns the paragraph after.
int TFormatoLog::FormatearTramo(int desde, const std::function<bool(int)>& seguir) {
    const TPluma documentoPluma = pluma_;
    TTramo tramo;
    std::swap(piezas_, tramo.piezas);
    std::swap(saltos_, tramo.saltos);
    std::swap(marcas_, tramo.marcas);
    const int primerSalto = parrafos_[desde].PrimerSalto;
    const int primeraMarca = parrafos_[desde].PrimeraMarca;
    basePieza_ = parrafos_[desde].PrimeraPieza;
    pluma_ = {0, parrafos_[desde].Arriba, 0, 0, parrafos_[desde].SaltoId};
    int p = desde;
    do {
        TParrafo parrafo = parrafos_[p];
        AbrirParrafo(parrafo, parrafo.PrimerItem);
        parrafo.PrimerSalto += primerSalto;
        parrafo.PrimeraMarca += primeraMarca;
        parrafos_.Poner(p, parrafo);
        const int hasta = p + 1 < int(parrafos_.size()) ? parrafos_[p + 1].PrimerItem : hechos_;
        for (int numero = parrafo.PrimerItem; numero < hasta; ++numero)
            Colocar(documento_->Items()[numero], numero);
        --pendientes_;
        ++p;
    } while (p < int(parrafos_.size()) && parrafos_[p].Version != version_ &&
             seguir(pluma_.B + pluma_.D));
    RefrescarSaltos(basePieza_);
    basePieza_ = 0;
    // The pieces of an item stopped halfway went with the last paragraph's estimate.
    if (p == int(parrafos_.size()))
        enCurso_ = 0;
    std::swap(piezas_, tramo.piezas);
    std::swap(saltos_, tramo.saltos);
    std::swap(marcas_, tramo.marcas);
    const TPluma final = pluma_;
    pluma_ = documentoPluma;
    Empalmar(desde, p, tramo, final);
    return p;
}

// Where a paragraph after the last one would begin.
TFormatoLog::TParrafo TFormatoLog::FinDelDocumento() const {
    TParrafo fin;
    fin.PrimerItem = hechos_;
    fin.PrimeraPieza = int(piezas_.size());
    fin.PrimerSalto = int(saltos_.size());
    fin.PrimeraMarca = int(marcas_.size());
    fin.Arriba = pluma_.B + pluma_.D;
    return fin;
}

// Paragraphs [desde, hasta) were laid out again into nuevo; what follows moves with them.
void TFormatoLog::Empalmar(int desde, int hasta, TTramo& nuevo, const TPluma& final) {
    const bool hastaElFinal = hasta == int(parrafos_.size());
    const TParrafo fin = hastaElFinal ? FinDelDocumento() : parrafos_[hasta];
    const int desdePieza = parrafos_[desde].PrimeraPieza;
    const int dy = final.B + final.D - fin.Arriba;
    const int dPiezas = Reemplazar(piezas_, desdePieza, fin.PrimeraPieza, nuevo.piezas);
    const int dSaltos =
        Reemplazar(saltos_, parrafos_[desde].PrimerSalto, fin.PrimerSalto, nuevo.saltos);
    const int dMarcas =
        Reemplazar(marcas_, parrafos_[desde].PrimeraMarca, fin.PrimeraMarca, nuevo.marcas);
    if (hastaElFinal) {
        pluma_ = final;
        return;
    }
    pluma_.B += dy;
    const TDesplazamiento desplazamiento{dy, dPiezas, dSaltos, dMarcas};
    piezas_.DesplazarDesde(fin.PrimeraPieza + dPiezas, desplazamiento);
    saltos_.DesplazarDesde(fin.PrimerSalto + dSaltos, desplazamiento);
    marcas_.DesplazarDesde(fin.PrimeraMarca + dMarcas, desplazamiento);
    parrafos_.DesplazarDesde(hasta, desplazamiento);
}

void TFormatoLog::Colocar(TItemLog& item, int numero) {
    switch (item.Info.StyleIndex) {
    case ikMark:
        marcas_.Agregar({item.Texto, pluma_.B + pluma_.D, numero});
        return;
    case ikListImage:
    case ikJumpImage:
        if (usadas_.MostrarImagenes)
            ColocarImagenDeLista(item, numero);
        return;
    case ikPicture:
        if (usadas_.MostrarPicture)
            ColocarBanda(item, numero);
        return;
    case ikControl:
        if (usadas_.MostrarControl)
            ColocarBanda(item, numero);
        return;
    case ikBreakLine:
        ColocarBanda(item, numero);
        return;
    default:
        ColocarTexto(item, numero);
    }
}

// Places the text from character desde on, at most caracteres of them; returns where it
// stopped. Past the first piece every piece starts a line, so the rest can follow later.
int TFormatoLog::ColocarTexto(TItemLog& item, int numero, int desde, int caracteres) {
    const qint32 estilo = item.Info.StyleIndex;
    medidor_->ElegirFuente(estilosUsados_.EstiloOPorDefecto(estilo));
    const TMedidorTexto::TMetricas m = medidor_->Metricas();
    const QStringView texto(item.Texto);
    bool empiezaLinea = desde > 0 || !item.Info.ContinuesLine;
    qsizetype pos = desde;
    while (pos < texto.size() && pos - desde < caracteres) {
        if (empiezaLinea)
            pluma_.x = 0;
        const QStringView resto = texto.mid(pos);
        // A piece holds at most kMaximoPieza characters, so no more are ever measured.
        const qsizetype cabe =
            std::max(1, medidor_->Encajan(resto.left(kMaximoPieza), usadas_.TextWidth - pluma_.x));
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
        const QSize medida = medidor_->Medir(resto.left(largo));
        TDrawLineInfo pieza;
        pieza.ItemNo = numero;
        pieza.TextOffset = int(pos) + 1;
        pieza.Longitud = int(largo);
        pieza.StartsLine = empiezaLinea;
        int arriba = 0;
        if (empiezaLinea) {
            if (item.Info.Centered)
                pluma_.x = (usadas_.TextWidth - medida.width()) / 2;
            arriba = pluma_.B + pluma_.D + m.ExternalLeading;
            pluma_.B = arriba + m.Ascent;
            pluma_.A = m.ExternalLeading + m.Ascent;
        } else {
            if (pluma_.A < m.ExternalLeading + m.Ascent) {
                Empujar(m.ExternalLeading + m.Ascent - pluma_.A);
                pluma_.A = m.ExternalLeading + m.Ascent;
            }
            arriba = pluma_.B - m.Ascent;
        }
        pieza.Left = pluma_.x + usadas_.LeftMargin;
        pieza.Top = arriba;
        pieza.Width = medida.width();
        pieza.Height = medida.height();
        piezas_.Agregar(pieza);
        if (EsEstiloDeSalto(estilo)) {
            AgregarSalto(pieza, basePieza_ + int(piezas_.size()) - 1);
            item.Info.ImageIndex = pluma_.NextJumpId;
        }
        pluma_.D = empiezaLinea ? m.Descent : std::max(pluma_.D, m.Descent);
        pluma_.x += medida.width();
        empiezaLinea = true;
        pos += largo + consumido;
    }
    if (pos == texto.size() && EsEstiloDeSalto(estilo))
        ++pluma_.NextJumpId;
    return int(pos);
}

// An inline picture sits in a cell two pixels wider than itself, its bottom one pixel
// below the baseline.
void TFormatoLog::ColocarImagenDeLista(TItemLog& item, int numero) {
    const TListaImagenes* lista = item.Info.ImageList();
    const int w = lista ? lista->Width() : 0;
    const int h = lista ? lista->Height() : 0;
    const bool sigue = item.Info.ContinuesLine && pluma_.x + w + 2 <= usadas_.TextWidth;
    int arriba = 0;
    if (sigue) {
        if (pluma_.A < h + 1) {
            Empujar(h + 1 - pluma_.A);
            pluma_.A = h + 1;
        }
        arriba = pluma_.B - h - 1;
    } else {
        pluma_.x = 0;
        arriba = pluma_.B + pluma_.D;
        pluma_.B = arriba + h + 1;
        pluma_.D = 1;
        pluma_.A = h + 1;
    }
    TDrawLineInfo pieza;
    pieza.Left = pluma_.x + usadas_.LeftMargin + 1;
    pieza.Top = arriba + 1;
    pieza.Width = w + 1;
    pieza.Height = h + 1;
    pieza.ItemNo = numero;
    pieza.StartsLine = !sigue;
    if (item.Info.StyleIndex == ikJumpImage) {
        saltos_.Agregar(
            {pieza.Left, pieza.Top, w, h, pluma_.NextJumpId, basePieza_ + int(piezas_.size())});
        ++pluma_.NextJumpId;
    }
    piezas_.Agregar(pieza);
    pluma_.x += w + 2;
}

// Pictures, controls and rules take a band of their own; the pen x stays.
void TFormatoLog::ColocarBanda(TItemLog& item, int numero) {
    TDrawLineInfo pieza;
    pieza.ItemNo = numero;
    if (item.Info.StyleIndex == ikBreakLine) {
        pieza.Left = usadas_.LeftMargin;
        pieza.Top = pluma_.B + pluma_.D;
        pieza.Width = usadas_.TextWidth;
        pieza.Height = 2 * kMedioAltoRegla + 1;
        pieza.Longitud = int(item.Texto.size());
        pieza.StartsLine = true;
        pluma_.B = pieza.Top + pieza.Height;
        pluma_.D = kMedioAltoRegla;
        pluma_.A = kMedioAltoRegla;
        piezas_.Agregar(pieza);
        return;
    }
    const QSize medida = TamanoCarga(item.Info);
    const bool centrado = item.Info.StyleIndex == ikPicture || item.Info.Centered;
    pieza.Left =
        (centrado ? std::max(0, (usadas_.TextWidth - medida.width()) / 2) : 0) + usadas_.LeftMargin;
    pieza.Top = pluma_.B + pluma_.D + 1;
    pieza.Width = medida.width();
    pieza.Height = medida.height() + 1;
    pluma_.B = pluma_.B + pluma_.D + medida.height() + 1;
    pluma_.D = 1;
    pluma_.A = medida.height() + 1;
    piezas_.Agregar(pieza);
}

// A taller piece continuing the line moves the line so far down onto the new baseline.
void TFormatoLog::Empujar(int diferencia) {
    for (int i = int(piezas_.size()) - 1; i >= 0; --i) {
        TDrawLineInfo pieza = piezas_[i];
        pieza.Top += diferencia;
        piezas_.Poner(i, pieza);
        menorEmpujada_ = std::min(menorEmpujada_, i);
        if (pieza.StartsLine)
            break;
    }
    pluma_.B += diferencia;
}

void TFormatoLog::AgregarSalto(const TDrawLineInfo& pieza, int indicePieza) {
    saltos_.Agregar(
        {pieza.Left, pieza.Top, pieza.Width, pieza.Height, pluma_.NextJumpId, indicePieza});
}

void TFormatoLog::RefrescarSaltos(int desdePieza) {
    for (int i = int(saltos_.size()) - 1; i >= 0; --i) {
        TJumpInfo salto = saltos_[i];
        if (salto.DrawItemNo < desdePieza)
            return;
        const TDrawLineInfo pieza = piezas_[salto.DrawItemNo - basePieza_];
        salto.Left = pieza.Left;
        salto.Top = pieza.Top;
        saltos_.Poner(i, salto);
    }
}
