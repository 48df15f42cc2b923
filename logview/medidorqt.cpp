#include "logview/logformato.h"

#include <QHash>
#include <algorithm>
#include <cmath>
#include <limits>

// The measurer has a file of its own, so that how its hot loops are compiled does not depend on
// the layout code beside it.

namespace {

constexpr size_t kFuentesGuardadas = 16;
// Longer words with a ligature are shaped with the rest of their text.
constexpr qsizetype kPalabraConFormaMaxima = 64;

// Latin letters, digits and punctuation: in a run each takes its own advance plus the
// kerning with the next. Marks, controls, the soft hyphen and other scripts are shaped.
bool SeSumaPorPares(char16_t caracter) {
    return (caracter >= 0x20 && caracter < 0x7F) ||
           (caracter >= 0xA0 && caracter < 0x300 && caracter != 0xAD);
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
