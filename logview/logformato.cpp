#include "logview/logformato.h"

#include <QElapsedTimer>
#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <QHash>

namespace {

constexpr int kMaximoPieza = 1000;
constexpr int kMedioAltoRegla = 5;
// Characters of appended text laid out between two looks at the clock.
constexpr int kCaracteresPorTrozo = 4000;
constexpr size_t kFuentesGuardadas = 16;
// Longer words with a ligature are shaped with the rest of their text.
constexpr qsizetype kPalabraConFormaMaxima = 64;

// Latin letters, digits and punctuation: in a run each takes its own advance plus the
// kerning with the next. Marks, controls, the soft hyphen and other scripts are shaped.
bool SeSumaPorPares(char16_t caracter) {
    return (caracter >= 0x20 && caracter < 0x7F) ||
           (caracter >= 0xA0 && caracter < 0x300 && caracter != 0xAD);
}

QSize TamanoCarga(const TLineInfo& info) {
    if (const QImage* imagen = info.Picture())
        return imagen->size();
    if (const TControlLog* control = info.Control())
        return control->Tamano();
    return {};
}

// Puts nuevos in place of todos[desde, hasta); returns how many elements were added.
template <typename T>
int Reemplazar(std::vector<T>& todos, int desde, int hasta, std::vector<T>& nuevos) {
    const int diferencia = int(nuevos.size()) - (hasta - desde);
    if (diferencia > 0)
        todos.insert(todos.begin() + hasta, diferencia, T{});
    else
        todos.erase(todos.begin() + hasta + diferencia, todos.begin() + hasta);
    std::move(nuevos.begin(), nuevos.end(), todos.begin() + desde);
    return diferencia;
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

// One font's metrics and the advances found so far in it.
struct TMedidorQt::TFuenteMedida {
    explicit TFuenteMedida(const TFontInfo& estilo)
        : Estilo(estilo), Metricas(FuenteDe(estilo)), MetricasF(FuenteDe(estilo)) {}

    qreal Avance(char16_t caracter) {
        const auto hallado = Avances.constFind(caracter);
        if (hallado != Avances.cend())
            return *hallado;
        return *Avances.insert(caracter, MetricasF.horizontalAdvance(QString(QChar(caracter))));
    }
    // The first character's advance when the second follows it, kerning included.
    qreal AvanceAntesDe(char16_t primero, char16_t segundo) {
        const quint32 clave = quint32(primero) << 16 | segundo;
        const auto hallado = Pares.constFind(clave);
        if (hallado != Pares.cend())
            return *hallado;
        const char16_t par[] = {primero, segundo};
        const qreal ancho =
            MetricasF.horizontalAdvance(QString(reinterpret_cast<const QChar*>(par), 2));
        return *Pares.insert(clave, ancho - Avance(segundo));
    }
    // Whether three characters in a row measure as their pairs say: around a ligature
    // they do not, and the text is shaped instead.
    bool TrioComoSusPares(char16_t primero, char16_t segundo, char16_t tercero) {
        const quint64 clave = quint64(primero) << 32 | quint64(segundo) << 16 | tercero;
        const auto hallado = Trios.constFind(clave);
        if (hallado != Trios.cend())
            return *hallado;
        const char16_t trio[] = {primero, segundo, tercero};
        const qreal ancho =
            MetricasF.horizontalAdvance(QString(reinterpret_cast<const QChar*>(trio), 3));
        return *Trios.insert(clave, ancho == AvanceAntesDe(primero, segundo) +
                                                 AvanceAntesDe(segundo, tercero) +
                                                 Avance(tercero));
    }

    TFontInfo Estilo;
    QFontMetrics Metricas;
    QFontMetricsF MetricasF;
    QHash<char16_t, qreal> Avances;
    QHash<quint32, qreal> Pares;
    QHash<quint64, bool> Trios;
};

TMedidorQt::TMedidorQt() {
    ElegirFuente(TFontInfo());
}

TMedidorQt::~TMedidorQt() = default;

void TMedidorQt::ElegirFuente(const TFontInfo& estilo) {
    ultimas_ = {};
    sumado_ = {};
    if (fuente_ && MismaFuente(fuente_->Estilo, estilo))
        return;
    const auto hallada = std::find_if(fuentes_.begin(), fuentes_.end(), [&](const auto& fuente) {
        return MismaFuente(fuente->Estilo, estilo);
    });
    if (hallada != fuentes_.end()) {
        fuente_ = hallada->get();
        return;
    }
    // A log uses a handful of fonts; a style edited over and over must not pile them up.
    if (fuentes_.size() == kFuentesGuardadas)
        fuentes_.erase(fuentes_.begin());
    fuentes_.push_back(std::make_unique<TFuenteMedida>(estilo));
    fuente_ = fuentes_.back().get();
}

TMedidorTexto::TMetricas TMedidorQt::Metricas() const {
    const QFontMetrics& metricas = fuente_->Metricas;
    return {metricas.ascent(), metricas.descent(), metricas.leading()};
}

// Sums the widths of texto's leading characters into anchos_ while they are Latin and the
// width stays within limite; returns how many were summed. Qt rounds a run's width once.
int TMedidorQt::Sumar(QStringView texto, qreal limite) const {
    sumado_ = texto;
    anchos_.assign(1, 0);
    hayQueDarForma_ = false;
    // The width so far without the last character's own advance, its kerning included.
    qreal hechos = 0;
    qsizetype palabra = 0;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const char16_t caracter = texto[i].unicode();
        if (!SeSumaPorPares(caracter)) {
            hayQueDarForma_ = true;
            break;
        }
        if (i > 1 && !fuente_->TrioComoSusPares(texto[i - 2].unicode(), texto[i - 1].unicode(),
                                                 caracter)) {
            // What reaches past the space before the word is left to shaping.
            if (palabra > 0 && palabra > i - 1) {
                hayQueDarForma_ = true;
                break;
            }
            const qsizetype hasta = SumarPalabraConForma(texto, palabra, i, limite);
            if (hasta < 0 || qRound(anchos_.back()) > limite)
                break;
            i = hasta - 1;
            hechos = anchos_.back() - fuente_->Avance(texto[i].unicode());
        } else {
            if (i > 0)
                hechos += fuente_->AvanceAntesDe(texto[i - 1].unicode(), caracter);
            anchos_.push_back(hechos + fuente_->Avance(caracter));
            if (qRound(anchos_.back()) > limite)
                break;
        }
        if (texto[i] == u' ')
            palabra = i + 1;
    }
    return int(anchos_.size()) - 1;
}

// The width of texto's first hasta characters, the word from palabra on shaped together
// with the space before it, whose kerning with the word that carries.
qreal TMedidorQt::AnchoConPalabra(QStringView texto, qsizetype palabra, qsizetype hasta) const {
    const auto medir = [this](QStringView trozo) {
        return fuente_->MetricasF.horizontalAdvance(
            QString::fromRawData(trozo.data(), trozo.size()));
    };
    if (palabra == 0)
        return medir(texto.left(hasta));
    return anchos_[palabra] + medir(texto.mid(palabra - 1, hasta - palabra + 1)) -
           fuente_->Avance(texto[palabra - 1].unicode());
}

// A word whose characters from desde on the pairs cannot tell (a ligature) is shaped to
// its end and with the space after it; only where the edge falls inside it is it shaped
// prefix by prefix, and the widths inside it are left unknown. Returns how many
// characters the widths now cover, or -1 where summing stops.
qsizetype TMedidorQt::SumarPalabraConForma(QStringView texto, qsizetype palabra, qsizetype desde,
                                          qreal limite) const {
    qsizetype fin = desde;
    while (fin < texto.size() && texto[fin] != u' ' && SeSumaPorPares(texto[fin].unicode()))
        ++fin;
    if (fin - palabra > kPalabraConFormaMaxima) {
        hayQueDarForma_ = true;
        return -1;
    }
    const qsizetype hasta = fin < texto.size() && texto[fin] == u' ' ? fin + 1 : fin;
    if (qRound(AnchoConPalabra(texto, palabra, hasta)) > limite) {
        for (qsizetype k = desde; k < hasta; ++k) {
            anchos_.push_back(AnchoConPalabra(texto, palabra, k + 1));
            if (qRound(anchos_.back()) > limite)
                return -1;
        }
        return hasta;
    }
    anchos_.resize(std::max<qsizetype>(fin, desde + 1), std::numeric_limits<qreal>::quiet_NaN());
    if (fin > desde)
        anchos_.push_back(AnchoConPalabra(texto, palabra, fin));
    if (hasta > fin)
        anchos_.push_back(AnchoConPalabra(texto, palabra, hasta));
    return hasta;
}

int TMedidorQt::Ancho(QStringView texto) const {
    const bool mismoPrincipio = texto.data() == sumado_.data();
    const bool sumado = mismoPrincipio && texto.size() < qsizetype(anchos_.size());
    if (sumado && !std::isnan(anchos_[texto.size()]))
        return qRound(anchos_[texto.size()]);
    if (!sumado && !(mismoPrincipio && hayQueDarForma_) &&
        Sumar(texto, std::numeric_limits<qreal>::infinity()) == texto.size())
        return qRound(anchos_.back());
    for (const TMedida& medida : ultimas_) {
        if (texto.data() == medida.Texto.data() && texto.size() == medida.Texto.size())
            return medida.Ancho;
    }
    ultimas_[1] = ultimas_[0];
    ultimas_[0] = {texto, fuente_->Metricas.horizontalAdvance(
                              QString::fromRawData(texto.data(), texto.size()))};
    return ultimas_[0].Ancho;
}

int TMedidorQt::Encajan(QStringView texto, int ancho) const {
    const int sumados = Sumar(texto, ancho);
    if (sumados == texto.size() && qRound(anchos_.back()) <= ancho)
        return sumados;
    if (sumados > 0 && qRound(anchos_.back()) > ancho)
        return sumados - 1;
    return EncajanDandoForma(texto, ancho);
}

// How many leading characters fit by the advances of single characters, which need no
// shaping: a first guess, never further than the width allows.
int TMedidorQt::Estimar(QStringView texto, int ancho) const {
    qreal suma = 0;
    int cabe = 0;
    for (; cabe < texto.size(); ++cabe) {
        suma += fuente_->Avance(texto[cabe].unicode());
        if (suma > ancho)
            break;
    }
    return cabe;
}

// The longest prefix that fits, for text that must be shaped. Only about as much as can
// fit is ever measured: from the guess a probe doubles its step until it passes the edge,
// then a bisection between the last prefix that fit and the first that did not.
int TMedidorQt::EncajanDandoForma(QStringView texto, int ancho) const {
    const int largo = int(texto.size());
    const auto cabe = [&](int n) { return n == 0 || Ancho(texto.left(n)) <= ancho; };
    int dentro = Estimar(texto, ancho);
    int fuera = largo + 1;
    if (cabe(dentro)) {
        for (int paso = 1; dentro < largo; paso *= 2) {
            const int prueba = std::min(dentro + paso, largo);
            if (!cabe(prueba)) {
                fuera = prueba;
                break;
            }
            dentro = prueba;
        }
    } else {
        fuera = dentro;
        dentro = 0;
        for (int paso = 1; fuera > 1; paso *= 2) {
            const int prueba = std::max(fuera - paso, 0);
            if (cabe(prueba)) {
                dentro = prueba;
                break;
            }
            fuera = prueba;
        }
    }
    while (fuera - dentro > 1) {
        const int medio = dentro + (fuera - dentro) / 2;
        (cabe(medio) ? dentro : fuera) = medio;
    }
    return dentro;
}

QSize TMedidorQt::Medir(QStringView texto) const {
    return {Ancho(texto), fuente_->Metricas.height()};
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

int TFormatoLog::PrimeraPiezaDeItem(int numero) const {
    const auto pieza =
        std::lower_bound(piezas.begin(), piezas.end(), numero,
                         [](const TDrawLineInfo& p, int item) { return p.ItemNo < item; });
    return int(pieza - piezas.begin());
}

void TFormatoLog::Descartar() {
    piezas.clear();
    saltos.clear();
    marcas.clear();
    parrafos.clear();
    pluma = {};
    hechos = 0;
    enCurso = 0;
    faltanAgregados = false;
    pendientes = 0;
    siguientePendiente = 0;
    valido = false;
}

bool TFormatoLog::PuedeContinuar(const TLogDocumento& doc, const TFontInfos& estilosDoc,
                                 const TOpcionesFormato& opciones) const {
    if (!valido || generacion != doc.Generacion() || hechos > doc.Count())
        return false;
    TOpcionesFormato mismas = opciones;
    mismas.TextWidth = usadas.TextWidth;
    return mismas == usadas && estilosDoc.Count() >= estilosUsados.Count();
}

// Only an item that surely starts a line, whatever the width, begins a paragraph.
bool TFormatoLog::EmpiezaParrafo(const TLineInfo& info, bool vacio) const {
    if (info.ContinuesLine)
        return false;
    if (info.StyleIndex >= 0)
        return !vacio;
    return (info.StyleIndex == ikListImage || info.StyleIndex == ikJumpImage) &&
           usadas.MostrarImagenes;
}

void TFormatoLog::AbrirParrafo(TParrafo& parrafo, int primerItem) {
    parrafo.PrimerItem = primerItem;
    parrafo.PrimeraPieza = basePieza + int(piezas.size());
    parrafo.PrimerSalto = int(saltos.size());
    parrafo.PrimeraMarca = int(marcas.size());
    parrafo.Arriba = pluma.B + pluma.D;
    parrafo.SaltoId = pluma.NextJumpId;
    parrafo.Version = version;
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
        valido && (opciones.TextWidth != usadas.TextWidth ||
                   !std::equal(estilosUsados.Lista().begin(), estilosUsados.Lista().end(),
                               estilosDoc.Lista().begin(), MismaFuente));
    documento = &doc;
    medidor = &medidorDoc;
    usadas = opciones;
    estilosUsados = estilosDoc;
    generacion = doc.Generacion();
    valido = true;
    if (otraForma) {
        ++version;
        pendientes = int(parrafos.size());
        siguientePendiente = 0;
    }
    if (hechos == doc.Count())
        return;
    // Appended items carry on the last paragraph, which must be laid out at this width.
    if (!parrafos.empty() && parrafos.back().Version != version)
        FormatearTramo(int(parrafos.size()) - 1, [](int) { return true; });
    ColocarAgregados(caracteresPorItem, [] { return true; });
}

// Places the items after the last one placed: the first always, the others while seguir
// allows. A text item stops after caracteresPorItem characters, to go on from there.
void TFormatoLog::ColocarAgregados(int caracteresPorItem, const std::function<bool()>& seguir) {
    const int primeraNueva = int(piezas.size());
    menorEmpujada = primeraNueva;
    for (const int primero = hechos; hechos < documento->Count(); ++hechos) {
        TItemLog& item = documento->Items()[hechos];
        if (enCurso == 0) {
            if (hechos > primero && !seguir())
                break;
            // A paragraph opened by an item whose pieces were dropped stays open.
            const bool abierto = !parrafos.empty() && parrafos.back().PrimerItem == hechos;
            if (parrafos.empty() || (!abierto && EmpiezaParrafo(item.Info, item.Texto.isEmpty()))) {
                parrafos.emplace_back();
                AbrirParrafo(parrafos.back(), hechos);
            }
        }
        if (item.Info.StyleIndex < 0) {
            Colocar(item, hechos);
            continue;
        }
        enCurso = ColocarTexto(item, hechos, enCurso, caracteresPorItem);
        if (enCurso < item.Texto.size())
            break;
        enCurso = 0;
    }
    faltanAgregados = hechos < documento->Count();
    RefrescarSaltos(std::min(primeraNueva, menorEmpujada));
}

void TFormatoLog::Avanzar(int parrafosMaximos, qint64 nanosegundos) {
    QElapsedTimer reloj;
    reloj.start();
    const auto hayTiempo = [&] { return nanosegundos < 0 || reloj.nsecsElapsed() < nanosegundos; };
    int quedan = parrafosMaximos;
    const auto seguir = [&](int) { return --quedan > 0 && hayTiempo(); };
    while (pendientes > 0 && quedan > 0) {
        while (parrafos[siguientePendiente].Version == version)
            ++siguientePendiente;
        siguientePendiente = FormatearTramo(siguientePendiente, seguir);
        if (!hayTiempo())
            return;
    }
    while (faltanAgregados && quedan > 0) {
        ColocarAgregados(kCaracteresPorTrozo, hayTiempo);
        if (!hayTiempo())
            return;
    }
}

// The paragraph whose band holds y: the last one that begins at or above it.
int TFormatoLog::ParrafoEn(int y) const {
    const auto tras =
        std::upper_bound(parrafos.begin(), parrafos.end(), y,
                         [](int valor, const TParrafo& p) { return valor < p.Arriba; });
    return std::max(0, int(tras - parrafos.begin()) - 1);
}

void TFormatoLog::FormatearZona(int arriba, int abajo) {
    if (!Pendiente())
        return;
    for (int p = ParrafoEn(arriba); p < int(parrafos.size()) && parrafos[p].Arriba < abajo;) {
        if (parrafos[p].Version == version) {
            ++p;
            continue;
        }
        p = FormatearTramo(p, [abajo](int y) { return y < abajo; });
    }
}

// Lays out again the pending paragraphs from desde on while seguir allows it, given the
// height reached, and puts them in place of their estimate. Returns the paragraph after.
int TFormatoLog::FormatearTramo(int desde, const std::function<bool(int)>& seguir) {
    const TPluma documentoPluma = pluma;
    TTramo tramo;
    std::swap(piezas, tramo.piezas);
    std::swap(saltos, tramo.saltos);
    std::swap(marcas, tramo.marcas);
    const int primerSalto = parrafos[desde].PrimerSalto;
    const int primeraMarca = parrafos[desde].PrimeraMarca;
    basePieza = parrafos[desde].PrimeraPieza;
    pluma = {0, parrafos[desde].Arriba, 0, 0, parrafos[desde].SaltoId};
    int p = desde;
    do {
        TParrafo& parrafo = parrafos[p];
        AbrirParrafo(parrafo, parrafo.PrimerItem);
        parrafo.PrimerSalto += primerSalto;
        parrafo.PrimeraMarca += primeraMarca;
        const int hasta = p + 1 < int(parrafos.size()) ? parrafos[p + 1].PrimerItem : hechos;
        for (int numero = parrafo.PrimerItem; numero < hasta; ++numero)
            Colocar(documento->Items()[numero], numero);
        --pendientes;
        ++p;
    } while (p < int(parrafos.size()) && parrafos[p].Version != version &&
             seguir(pluma.B + pluma.D));
    RefrescarSaltos(basePieza);
    basePieza = 0;
    // The pieces of an item stopped halfway went with the last paragraph's estimate.
    if (p == int(parrafos.size()))
        enCurso = 0;
    std::swap(piezas, tramo.piezas);
    std::swap(saltos, tramo.saltos);
    std::swap(marcas, tramo.marcas);
    const TPluma final = pluma;
    pluma = documentoPluma;
    Empalmar(desde, p, tramo, final);
    return p;
}

// Where a paragraph after the last one would begin.
TFormatoLog::TParrafo TFormatoLog::FinDelDocumento() const {
    TParrafo fin;
    fin.PrimerItem = hechos;
    fin.PrimeraPieza = int(piezas.size());
    fin.PrimerSalto = int(saltos.size());
    fin.PrimeraMarca = int(marcas.size());
    fin.Arriba = pluma.B + pluma.D;
    return fin;
}

// Paragraphs [desde, hasta) were laid out again into nuevo; what follows moves with them.
void TFormatoLog::Empalmar(int desde, int hasta, TTramo& nuevo, const TPluma& final) {
    const bool hastaElFinal = hasta == int(parrafos.size());
    const TParrafo fin = hastaElFinal ? FinDelDocumento() : parrafos[hasta];
    const int desdePieza = parrafos[desde].PrimeraPieza;
    const int dy = final.B + final.D - fin.Arriba;
    const int dPiezas = Reemplazar(piezas, desdePieza, fin.PrimeraPieza, nuevo.piezas);
    const int dSaltos =
        Reemplazar(saltos, parrafos[desde].PrimerSalto, fin.PrimerSalto, nuevo.saltos);
    const int dMarcas =
        Reemplazar(marcas, parrafos[desde].PrimeraMarca, fin.PrimeraMarca, nuevo.marcas);
    if (hastaElFinal) {
        pluma = final;
        return;
    }
    pluma.B += dy;
    for (auto p = piezas.begin() + fin.PrimeraPieza + dPiezas; p != piezas.end(); ++p)
        p->Top += dy;
    for (auto s = saltos.begin() + fin.PrimerSalto + dSaltos; s != saltos.end(); ++s) {
        s->Top += dy;
        s->DrawItemNo += dPiezas;
    }
    for (auto m = marcas.begin() + fin.PrimeraMarca + dMarcas; m != marcas.end(); ++m)
        m->Y += dy;
    for (auto p = parrafos.begin() + hasta; p != parrafos.end(); ++p) {
        p->Arriba += dy;
        p->PrimeraPieza += dPiezas;
        p->PrimerSalto += dSaltos;
        p->PrimeraMarca += dMarcas;
    }
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

// Places the text from character desde on, at most caracteres of them; returns where it
// stopped. Past the first piece every piece starts a line, so the rest can follow later.
int TFormatoLog::ColocarTexto(TItemLog& item, int numero, int desde, int caracteres) {
    const qint32 estilo = item.Info.StyleIndex;
    medidor->ElegirFuente(estilosUsados.EstiloOPorDefecto(estilo));
    const TMedidorTexto::TMetricas m = medidor->Metricas();
    const QStringView texto(item.Texto);
    bool empiezaLinea = desde > 0 || !item.Info.ContinuesLine;
    qsizetype pos = desde;
    while (pos < texto.size() && pos - desde < caracteres) {
        if (empiezaLinea)
            pluma.x = 0;
        const QStringView resto = texto.mid(pos);
        // A piece holds at most kMaximoPieza characters, so no more are ever measured.
        const qsizetype cabe =
            std::max(1, medidor->Encajan(resto.left(kMaximoPieza), usadas.TextWidth - pluma.x));
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
            AgregarSalto(pieza, basePieza + int(piezas.size()) - 1);
            item.Info.ImageIndex = pluma.NextJumpId;
        }
        pluma.D = empiezaLinea ? m.Descent : std::max(pluma.D, m.Descent);
        pluma.x += medida.width();
        empiezaLinea = true;
        pos += largo + consumido;
    }
    if (pos == texto.size() && EsEstiloDeSalto(estilo))
        ++pluma.NextJumpId;
    return int(pos);
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
        saltos.push_back(
            {pieza.Left, pieza.Top, w, h, pluma.NextJumpId, basePieza + int(piezas.size())});
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
        const TDrawLineInfo& pieza = piezas[salto->DrawItemNo - basePieza];
        salto->Left = pieza.Left;
        salto->Top = pieza.Top;
    }
}
