#pragma once

#include "logview/logdocumento.h"
#include "logview/logestilo.h"
#include "logview/secuenciadiferida.h"

#include <QFont>
#include <QFontMetrics>
#include <QStringView>
#include <array>
#include <climits>
#include <functional>
#include <memory>
#include <vector>

// One placed piece. Its text is Longitud characters of the item's text from TextOffset.
struct TDrawLineInfo {
    qint32 Left = 0;
    qint32 Top = 0;
    qint32 Width = 0;
    qint32 Height = 0;
    qint32 ItemNo = 0;
    qint32 TextOffset = 1;
    qint32 Longitud = 0;
    bool StartsLine = false;

    qint32 Bottom() const { return Top + Height; }
    friend bool operator==(const TDrawLineInfo&, const TDrawLineInfo&) = default;
};

struct TJumpInfo {
    qint32 Left = 0;
    qint32 Top = 0;
    qint32 Width = 0;
    qint32 Height = 0;
    qint32 JumpId = 0;
    qint32 DrawItemNo = 0;

    friend bool operator==(const TJumpInfo&, const TJumpInfo&) = default;
};

struct TCPInfo {
    QString Nombre;
    qint32 Y = 0;
    qint32 ItemNo = 0;

    friend bool operator==(const TCPInfo&, const TCPInfo&) = default;
};

inline void Desplazar(TDrawLineInfo& pieza, const TDesplazamiento& desplazamiento) {
    pieza.Top += desplazamiento.Dy;
}
inline void Desplazar(TJumpInfo& salto, const TDesplazamiento& desplazamiento) {
    salto.Top += desplazamiento.Dy;
    salto.DrawItemNo += desplazamiento.Piezas;
}
inline void Desplazar(TCPInfo& marca, const TDesplazamiento& desplazamiento) {
    marca.Y += desplazamiento.Dy;
}

// Text measurement in one selected font; tests inject fixed metrics.
class TMedidorTexto {
public:
    struct TMetricas {
        int Ascent = 0;
        int Descent = 0;
        int ExternalLeading = 0;
    };
    virtual ~TMedidorTexto() = default;
    virtual void ElegirFuente(const TFontInfo& estilo) = 0;
    virtual TMetricas Metricas() const = 0;
    // How many leading characters of texto fit in ancho pixels.
    virtual int Encajan(QStringView texto, int ancho) const = 0;
    virtual QSize Medir(QStringView texto) const = 0;
};

QFont FuenteDe(const TFontInfo& estilo);

// Measures with the real font. Latin text, whose width in a run is each character's advance
// plus the kerning with the next, is summed from advances found once per character and per
// pair, so that a long item is never shaped whole; other text is shaped, measuring only
// about as much as can fit.
class TMedidorQt : public TMedidorTexto {
public:
    TMedidorQt();
    ~TMedidorQt() override;
    void ElegirFuente(const TFontInfo& estilo) override;
    TMetricas Metricas() const override;
    int Encajan(QStringView texto, int ancho) const override;
    QSize Medir(QStringView texto) const override;

private:
    struct TFuenteMedida;

    int Sumar(QStringView texto, qreal limite) const;
    qsizetype SumarPalabraConForma(QStringView texto, qsizetype palabra, qsizetype desde,
                                   qreal limite) const;
    qreal AnchoConPalabra(QStringView texto, qsizetype palabra, qsizetype hasta) const;
    int EncajanDandoForma(QStringView texto, int ancho) const;
    int Ancho(QStringView texto) const;
    int Estimar(QStringView texto, int ancho) const;

    std::vector<std::unique_ptr<TFuenteMedida>> fuentes_;
    TFuenteMedida* fuente_ = nullptr;
    // Widths of the leading characters of the text last summed: anchos_[n] is the width of
    // the first n characters, NaN where unknown. Layout measures its piece right after
    // finding the fit.
    mutable QStringView sumado_;
    mutable std::vector<qreal> anchos_;
    // The summing stopped at a character that must be shaped.
    mutable bool hayQueDarForma_ = false;
    // The last texts shaped within the current item: layout measures around the fit and
    // then measures one of those runs again as its piece.
    struct TMedida {
        QStringView Texto;
        int Ancho = 0;
    };
    mutable std::array<TMedida, 2> ultimas_;
};

struct TOpcionesFormato {
    int TextWidth = 0;
    int LeftMargin = 5;
    bool MostrarPicture = true;
    bool MostrarControl = true;
    bool MostrarImagenes = true;

    friend bool operator==(const TOpcionesFormato&, const TOpcionesFormato&) = default;
};

// Layout of a log document into pieces, jump areas and marks. When only items were
// appended since the last run, it carries on from where it stopped. The document falls
// into paragraphs: each begins with an item that surely starts a line, so that its layout
// depends on nothing before it but the height above it. After a change of width or of the
// styles' fonts, Preparar only notes the paragraphs as pending; until Avanzar or
// FormatearZona has laid them out again they keep their earlier pieces as an estimate,
// moved to follow the paragraphs above them. Once nothing is pending the results are the
// same as laying out from the first item.
class TFormatoLog {
public:
    // Everything laid out for these options, at once.
    void Formatear(TLogDocumento& documento, const TFontInfos& estilos, TMedidorTexto& medidor,
                   const TOpcionesFormato& opciones);
    void FormatearTodo(TLogDocumento& documento, const TFontInfos& estilos,
                       TMedidorTexto& medidor, const TOpcionesFormato& opciones);
    // Appended items are laid out; a new width or new fonts leave the paragraphs pending.
    // An appended item stops after caracteresPorItem of its characters; it and the items
    // after it wait for Avanzar. The document, the measurer and the options must outlive
    // the calls that follow.
    void Preparar(TLogDocumento& documento, const TFontInfos& estilos, TMedidorTexto& medidor,
                  const TOpcionesFormato& opciones, int caracteresPorItem = INT_MAX);
    bool Pendiente() const { return pendientes_ > 0 || faltanAgregados_; }
    int ParrafosPendientes() const { return pendientes_; }
    // Pending paragraphs in document order, at most this many, then the appended items
    // still waiting, stopping once the time (nanoseconds, when not negative) has run out;
    // at least one paragraph or a few thousand characters are laid out.
    void Avanzar(int parrafosMaximos, qint64 nanosegundos = -1);
    // The pending paragraphs that meet the band [arriba, abajo) in document pixels.
    void FormatearZona(int arriba, int abajo);
    void Descartar();

    // The widest picture or control of the document, in pixels.
    int AnchoMayorCarga(const TLogDocumento& documento);

    const TSecuenciaDiferida<TDrawLineInfo>& DrawItems() const { return piezas_; }
    const TSecuenciaDiferida<TJumpInfo>& JumpAreas() const { return saltos_; }
    const TSecuenciaDiferida<TCPInfo>& Marks() const { return marcas_; }
    int DocumentHeight() const { return pluma_.B + pluma_.D + 1; }
    QStringView TextoDe(const TLogDocumento& documento, const TDrawLineInfo& pieza) const;
    // The first piece of item numero, or the piece after it when it has none.
    int PrimeraPiezaDeItem(int numero) const;

private:
    struct TPluma {
        int x = 0;
        int B = 0;
        int A = 0;
        int D = 0;
        int NextJumpId = 0;
    };
    struct TParrafo {
        qint32 PrimerItem = 0;
        qint32 PrimeraPieza = 0;
        qint32 PrimerSalto = 0;
        qint32 PrimeraMarca = 0;
        qint32 Arriba = 0;
        qint32 SaltoId = 0;
        quint32 Version = 0;

        friend void Desplazar(TParrafo& parrafo, const TDesplazamiento& desplazamiento) {
            parrafo.Arriba += desplazamiento.Dy;
            parrafo.PrimeraPieza += desplazamiento.Piezas;
            parrafo.PrimerSalto += desplazamiento.Saltos;
            parrafo.PrimeraMarca += desplazamiento.Marcas;
        }
    };
    struct TTramo {
        TSecuenciaDiferida<TDrawLineInfo> piezas;
        TSecuenciaDiferida<TJumpInfo> saltos;
        TSecuenciaDiferida<TCPInfo> marcas;
    };

    bool PuedeContinuar(const TLogDocumento& documento, const TFontInfos& estilos,
                        const TOpcionesFormato& opciones) const;
    bool EmpiezaParrafo(const TLineInfo& info, bool vacio) const;
    void AbrirParrafo(TParrafo& parrafo, int primerItem);
    int FormatearTramo(int desde, const std::function<bool(int y)>& seguir);
    void ColocarAgregados(int caracteresPorItem, const std::function<bool()>& seguir);
    TParrafo FinDelDocumento() const;
    void Empalmar(int desde, int hasta, TTramo& nuevo, const TPluma& final);
    int ParrafoEn(int y) const;
    void Colocar(TItemLog& item, int numero);
    int ColocarTexto(TItemLog& item, int numero, int desde = 0, int caracteres = INT_MAX);
    void ColocarImagenDeLista(TItemLog& item, int numero);
    void ColocarBanda(TItemLog& item, int numero);
    void Empujar(int diferencia);
    void AgregarSalto(const TDrawLineInfo& pieza, int indicePieza);
    void RefrescarSaltos(int desdePieza);

    // Splicing a paragraph run laid out again moves what follows it lazily.
    TSecuenciaDiferida<TDrawLineInfo> piezas_;
    TSecuenciaDiferida<TJumpInfo> saltos_;
    TSecuenciaDiferida<TCPInfo> marcas_;
    TSecuenciaDiferida<TParrafo> parrafos_;
    TPluma pluma_;
    // Pieces laid out before the sequences above begin: a paragraph run being laid out
    // on its own counts from its first piece in the document.
    int basePieza_ = 0;

    int hechos_ = 0;
    // Characters of item hechos already placed, when it was stopped halfway.
    int enCurso_ = 0;
    bool faltanAgregados_ = false;
    bool valido_ = false;
    quint64 generacion_ = 0;
    quint32 version_ = 0;
    int pendientes_ = 0;
    // No paragraph before it is pending.
    int siguientePendiente_ = 0;
    TOpcionesFormato usadas_;
    TFontInfos estilosUsados_;
    int menorEmpujada_ = 0;

    TLogDocumento* documento_ = nullptr;
    TMedidorTexto* medidor_ = nullptr;

    int cargaVistos_ = 0;
    quint64 cargaGeneracion_ = 0;
    int cargaMayor_ = 0;
};
