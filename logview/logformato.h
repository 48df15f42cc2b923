#pragma once

#include "logview/logdocumento.h"
#include "logview/logestilo.h"

#include <QFont>
#include <QFontMetrics>
#include <QStringView>
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

class TMedidorQt : public TMedidorTexto {
public:
    void ElegirFuente(const TFontInfo& estilo) override;
    TMetricas Metricas() const override;
    int Encajan(QStringView texto, int ancho) const override;
    QSize Medir(QStringView texto) const override;

private:
    TFontInfo elegido;
    QFontMetrics metricas{QFont()};
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
// appended since the last run and nothing else changed, it carries on from where it
// stopped; the results are the same as laying out from the first item.
class TFormatoLog {
public:
    void Formatear(TLogDocumento& documento, const TFontInfos& estilos, TMedidorTexto& medidor,
                   const TOpcionesFormato& opciones);
    void FormatearTodo(TLogDocumento& documento, const TFontInfos& estilos,
                       TMedidorTexto& medidor, const TOpcionesFormato& opciones);
    void Descartar();

    // The widest picture or control of the document, in pixels.
    int AnchoMayorCarga(const TLogDocumento& documento);

    const std::vector<TDrawLineInfo>& DrawItems() const { return piezas; }
    const std::vector<TJumpInfo>& JumpAreas() const { return saltos; }
    const std::vector<TCPInfo>& Marks() const { return marcas; }
    int DocumentHeight() const { return pluma.B + pluma.D + 1; }
    QStringView TextoDe(const TLogDocumento& documento, const TDrawLineInfo& pieza) const;

private:
    struct TPluma {
        int x = 0;
        int B = 0;
        int A = 0;
        int D = 0;
        int NextJumpId = 0;
    };

    bool PuedeContinuar(const TLogDocumento& documento, const TFontInfos& estilos,
                        const TOpcionesFormato& opciones) const;
    void Colocar(TItemLog& item, int numero);
    void ColocarTexto(TItemLog& item, int numero);
    void ColocarImagenDeLista(TItemLog& item, int numero);
    void ColocarBanda(TItemLog& item, int numero);
    void Empujar(int diferencia);
    void AgregarSalto(const TDrawLineInfo& pieza, int indicePieza);
    void RefrescarSaltos(int desdePieza);

    std::vector<TDrawLineInfo> piezas;
    std::vector<TJumpInfo> saltos;
    std::vector<TCPInfo> marcas;
    TPluma pluma;

    int hechos = 0;
    bool valido = false;
    quint64 generacion = 0;
    TOpcionesFormato usadas;
    QList<TFontInfo> estilosUsados;
    int menorEmpujada = 0;

    const TFontInfos* estilos = nullptr;
    TMedidorTexto* medidor = nullptr;

    int cargaVistos = 0;
    quint64 cargaGeneracion = 0;
    int cargaMayor = 0;
};
