#include "logview/logseleccion.h"

#include <QStringList>
#include <algorithm>

namespace {

using TPiezas = TSecuenciaDiferida<TDrawLineInfo>;

bool EsTexto(const TContextoLog& log, const TDrawLineInfo& pieza) {
    return log.Documento.Items()[pieza.ItemNo].Info.StyleIndex >= 0;
}

struct TLinea {
    int Primera = 0;
    int Ultima = 0;
    QRect Caja;
};

// The pieces that share a line with the piece nearest above y.
TLinea LineaEn(const TPiezas& piezas, int y) {
    const auto tras = std::partition_point(piezas.begin(), piezas.end(),
                                           [y](const TDrawLineInfo& p) { return p.Top <= y; });
    int a = std::max(0, int(tras - piezas.begin()) - 1);
    if (y < piezas.front().Bottom())
        a = 0;
    TLinea linea{a, a, {}};
    while (linea.Primera > 0 && piezas[linea.Primera - 1].Bottom() > piezas[a].Top)
        --linea.Primera;
    while (linea.Ultima + 1 < int(piezas.size()) && piezas[linea.Ultima + 1].Top < piezas[a].Bottom())
        ++linea.Ultima;
    for (int i = linea.Primera; i <= linea.Ultima; ++i) {
        const TDrawLineInfo& p = piezas[i];
        linea.Caja |= QRect(p.Left, p.Top, p.Width + 1, p.Height + 1);
    }
    return linea;
}

int CaracteresHasta(const TContextoLog& log, const TDrawLineInfo& pieza, int ancho) {
    log.Medidor.ElegirFuente(
        log.Estilos.EstiloOPorDefecto(log.Documento.Items()[pieza.ItemNo].Info.StyleIndex));
    const QStringView texto = log.Formato.TextoDe(log.Documento, pieza);
    return std::min(int(texto.size()), log.Medidor.Encajan(texto, ancho));
}

TExtremo ExtremoDentro(const TContextoLog& log, int indice, int x) {
    const TDrawLineInfo& pieza = log.Formato.DrawItems()[indice];
    if (!EsTexto(log, pieza))
        return {indice, 1};
    return {indice, 1 + CaracteresHasta(log, pieza, x - pieza.Left)};
}

TExtremo ExtremoAlPrincipio(const TContextoLog& log, int indice) {
    return {indice, EsTexto(log, log.Formato.DrawItems()[indice]) ? 1 : 0};
}

TExtremo ExtremoAlFinal(const TContextoLog& log, int indice) {
    const TDrawLineInfo& pieza = log.Formato.DrawItems()[indice];
    return {indice, EsTexto(log, pieza) ? pieza.Longitud + 1 : 1};
}

// Between pieces of a line the nearest piece is taken, so that a press always anchors.
TExtremo ExtremoMasCercano(const TContextoLog& log, const TLinea& linea, int x) {
    const TPiezas& piezas = log.Formato.DrawItems();
    int mejor = linea.Primera;
    int distancia = INT_MAX;
    for (int i = linea.Primera; i <= linea.Ultima; ++i) {
        const int d = x < piezas[i].Left ? piezas[i].Left - x : x - piezas[i].Left - piezas[i].Width;
        if (d < distancia) {
            distancia = d;
            mejor = i;
        }
    }
    return x < piezas[mejor].Left ? ExtremoAlPrincipio(log, mejor) : ExtremoAlFinal(log, mejor);
}

} // namespace

bool HaySeleccion(TExtremo ancla, TExtremo movil) {
    if (ancla.Item == -1 || movil.Item == -1)
        return false;
    return !(ancla == movil);
}

std::pair<TExtremo, TExtremo> Ordenada(TExtremo ancla, TExtremo movil) {
    const bool alReves = movil.Item < ancla.Item ||
                         (movil.Item == ancla.Item && movil.Offset < ancla.Offset);
    return alReves ? std::pair{movil, ancla} : std::pair{ancla, movil};
}

TExtremo ATerminosDeItem(const TContextoLog& log, TExtremo extremo) {
    if (extremo.Item < 0 || extremo.Item >= int(log.Formato.DrawItems().size()))
        return {-1, 0};
    const TDrawLineInfo& pieza = log.Formato.DrawItems()[extremo.Item];
    if (!EsTexto(log, pieza))
        return {pieza.ItemNo, extremo.Offset};
    return {pieza.ItemNo, extremo.Offset + pieza.TextOffset - 1};
}

TExtremo DeTerminosDeItem(const TContextoLog& log, TExtremo extremo) {
    const TPiezas& piezas = log.Formato.DrawItems();
    const auto desde = std::lower_bound(
        piezas.begin(), piezas.end(), extremo.Item,
        [](const TDrawLineInfo& p, int item) { return p.ItemNo < item; });
    if (extremo.Item < 0 || desde == piezas.end() || desde->ItemNo != extremo.Item)
        return {-1, 0};
    const int primera = int(desde - piezas.begin());
    if (!EsTexto(log, *desde))
        return {primera, extremo.Offset};
    int elegida = primera;
    for (int i = primera; i < int(piezas.size()) && piezas[i].ItemNo == extremo.Item; ++i) {
        if (piezas[i].TextOffset <= extremo.Offset)
            elegida = i;
    }
    return {elegida, std::max(0, extremo.Offset - piezas[elegida].TextOffset + 1)};
}

QString TextoSeleccionado(const TContextoLog& log, TExtremo ancla, TExtremo movil) {
    if (!HaySeleccion(ancla, movil))
        return {};
    const auto [inicio, fin] = Ordenada(ancla, movil);
    return TextoEntreItems(log.Documento, ATerminosDeItem(log, inicio), ATerminosDeItem(log, fin));
}

QString TextoEntreItems(const TLogDocumento& documento, TExtremo inicio, TExtremo fin) {
    if (inicio.Item < 0 || fin.Item < 0 || fin.Item >= documento.Count())
        return {};
    const auto& items = documento.Items();
    const auto textoDe = [&](int i) {
        return items[i].Info.StyleIndex >= 0 ? QStringView(items[i].Texto) : QStringView();
    };
    if (inicio.Item == fin.Item)
        return textoDe(inicio.Item).mid(inicio.Offset - 1, fin.Offset - inicio.Offset).toString();
    QString texto = textoDe(inicio.Item).mid(inicio.Offset - 1).toString();
    for (int i = inicio.Item + 1; i <= fin.Item; ++i) {
        const TLineInfo& info = items[i].Info;
        if (info.StyleIndex != ikMark && !info.ContinuesLine)
            texto += QLatin1Char('\r');
        texto += i == fin.Item ? textoDe(i).left(std::max(0, fin.Offset - 1)) : textoDe(i);
    }
    return PartirLineas(texto).join(QLatin1String("\r\n"));
}

std::pair<int, int> CaracteresSeleccionados(int pieza, int largo, TExtremo inicio,
                                            TExtremo fin) {
    if (pieza < inicio.Item || pieza > fin.Item)
        return {0, 0};
    const int desde = pieza == inicio.Item ? std::clamp(inicio.Offset - 1, 0, largo) : 0;
    const int hasta = pieza == fin.Item ? std::clamp(fin.Offset - 1, 0, largo) : largo;
    return {desde, std::max(desde, hasta)};
}

bool ImagenSeleccionada(int pieza, TExtremo inicio, TExtremo fin) {
    if (pieza < inicio.Item || pieza > fin.Item)
        return false;
    return !(pieza == fin.Item && fin.Offset == 0) && !(pieza == inicio.Item && inicio.Offset == 2);
}

TExtremo PuntoDeSeleccion(const TContextoLog& log, int x, int y) {
    const TPiezas& piezas = log.Formato.DrawItems();
    if (piezas.empty())
        return {-1, 0};
    const TLinea linea = LineaEn(piezas, y);
    if (y < linea.Caja.top() || x < linea.Caja.left())
        return ExtremoAlPrincipio(log, linea.Primera);
    if (y > linea.Caja.bottom() || x > linea.Caja.right()) {
        if (linea.Ultima + 1 < int(piezas.size()))
            return ExtremoAlPrincipio(log, linea.Ultima + 1);
        return ExtremoAlFinal(log, linea.Ultima);
    }
    for (int i = linea.Ultima; i >= linea.Primera; --i) {
        if (x >= piezas[i].Left && x <= piezas[i].Left + piezas[i].Width)
            return ExtremoDentro(log, i, x);
    }
    return ExtremoMasCercano(log, linea, x);
}

std::optional<TPalabra> PalabraEn(const TContextoLog& log, int x, int y,
                                  const QString& delimitadores) {
    const TPiezas& piezas = log.Formato.DrawItems();
    if (piezas.empty())
        return std::nullopt;
    const TLinea linea = LineaEn(piezas, y);
    for (int i = linea.Primera; i <= linea.Ultima; ++i) {
        const TDrawLineInfo& pieza = piezas[i];
        if (!QRect(pieza.Left, pieza.Top, pieza.Width, pieza.Height).contains(x, y))
            continue;
        const qint32 estilo = log.Documento.Items()[pieza.ItemNo].Info.StyleIndex;
        const QStringView texto = log.Formato.TextoDe(log.Documento, pieza);
        if (estilo < 0 || texto.isEmpty())
            return TPalabra{texto.toString(), estilo};
        const int k = std::min(int(texto.size()) - 1, CaracteresHasta(log, pieza, x - pieza.Left));
        const auto esDelimitador = [&](int c) { return delimitadores.contains(texto[c]); };
        if (esDelimitador(k))
            return TPalabra{QString(), estilo};
        int desde = k;
        while (desde > 0 && !esDelimitador(desde - 1))
            --desde;
        int hasta = k + 1;
        while (hasta < texto.size() && !esDelimitador(hasta))
            ++hasta;
        return TPalabra{texto.mid(desde, hasta - desde).toString(), estilo};
    }
    return std::nullopt;
}
