#include "logview/logestilo.h"

#include "core/error.h"

namespace {

void ComprobarIndice(int indice, int cuenta) {
    if (indice < 0 || indice >= cuenta)
        throw TError(QStringLiteral("EListError"),
                     QStringLiteral("List index out of bounds (%1)").arg(indice));
}

// '#' outline, '.' inside; the fingertip's right edge is the hot spot.
const char* const kMano[] = {
    "     ##",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..#",
    "    #..###",
    "    #..#..##",
    "    #..#..#.##",
    " ## #..#..#..#.#",
    "#..##........#..#",
    "#...#...........#",
    " #..............#",
    "  #.............#",
    "  #............#",
    "   #...........#",
    "   #..........#",
    "    #.........#",
    "    #........#",
    "     #.......#",
    "     #########",
};

} // namespace

TFontInfo& TFontInfos::operator[](int indice) {
    ComprobarIndice(indice, estilos_.size());
    return estilos_[indice];
}

const TFontInfo& TFontInfos::operator[](int indice) const {
    ComprobarIndice(indice, estilos_.size());
    return estilos_[indice];
}

const TFontInfo& TFontInfos::EstiloOPorDefecto(int indice) const {
    static const TFontInfo nuevo;
    return indice >= 0 && indice < estilos_.size() ? estilos_[indice] : nuevo;
}

bool MismaFuente(const TFontInfo& a, const TFontInfo& b) {
    return a.CharSet == b.CharSet && a.FontName == b.FontName && a.Size == b.Size &&
           a.Style == b.Style;
}

int TFontInfos::Add(const TFontInfo& estilo) {
    estilos_.append(estilo);
    return estilos_.size() - 1;
}

QImage ImagenManoSalto() {
    QImage mano(32, 32, QImage::Format_ARGB32);
    mano.fill(Qt::transparent);
    int fila = 0;
    for (const char* linea : kMano) {
        for (int x = 0; linea[x]; ++x) {
            if (linea[x] == '#')
                mano.setPixel(x, fila, qRgb(0, 0, 0));
            else if (linea[x] == '.')
                mano.setPixel(x, fila, qRgb(255, 255, 255));
        }
        ++fila;
    }
    return mano;
}

TLogStyle::TLogStyle(QObject* padre) : QObject(padre) {
    struct Defecto {
        TColor color;
        quint8 estilo;
    };
    const Defecto defectos[] = {
        {kColorSistema | 8, 0},           {ColorRGB(0, 0, 255), kNegrita},
        {ColorRGB(0, 0, 128), kNegrita},  {ColorRGB(128, 0, 0), kCursiva},
        {ColorRGB(0, 128, 0), kSubrayado}, {ColorRGB(0, 128, 0), kSubrayado},
    };
    for (const Defecto& d : defectos) {
        TFontInfo estilo;
        estilo.Color = d.color;
        estilo.Style = d.estilo;
        TextStyles.Add(estilo);
    }
}

int TLogStyle::AppendTextStyle() {
    return TextStyles.Add();
}
