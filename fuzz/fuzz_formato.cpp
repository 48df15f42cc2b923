// Log layout with the real font measurer. Properties: a layout made in appended steps, with
// new widths, visible bands and slices in between, ends identical to the layout made at
// once; and the measurer's widths are Qt's, its fit a prefix that fits while one more
// character would not.
//
// Input: steps, each one byte (modulo 6) and its arguments. 0 and 1 append a text (1 as a
// new line): a style byte, a length byte, then that many bytes, each a character from a
// small alphabet of Latin, kerning pairs, ligatures, marks, other scripts and controls; a
// length byte with its two top bits set repeats the text until it is a long run. 2 appends an
// emoticon, a rule, a mark or a picture; 3 sets the width; 4 lays out a slice; 5 lays out
// a band of the document.
#include "comprobar.h"
#include "logview/logformato.h"

#include <QFontMetrics>
#include <QGuiApplication>

namespace {

const QString kAlfabeto = QStringLiteral("aefilmTVAW o.,ñÁ ffi\u0301\u00ad\t\u05d0\u0634ω😀");
constexpr int kLargoDeRun = 120'000;

struct TLectura {
    const uint8_t* datos;
    size_t tam;
    size_t pos = 0;
    bool Quedan() const { return pos < tam; }
    uint8_t Byte() { return pos < tam ? datos[pos++] : 0; }
};

QString LeerTexto(TLectura& entrada) {
    const uint8_t largo = entrada.Byte();
    QString texto;
    for (int i = 0; i < (largo & 0x3f) && entrada.Quedan(); ++i)
        texto += kAlfabeto[entrada.Byte() % kAlfabeto.size()];
    if ((largo & 0xc0) == 0xc0 && !texto.isEmpty())
        texto = texto.repeated(kLargoDeRun / texto.size() + 1);
    return texto;
}

// The measurer against Qt on the start of every text appended.
void CompararMedidor(TMedidorQt& medidor, const TFontInfo& fuente, const QString& texto) {
    const QString trozo = texto.left(200);
    const QFontMetrics qt(FuenteDe(fuente));
    medidor.ElegirFuente(fuente);
    const int ancho = qt.horizontalAdvance(trozo) / 2;
    const int cabe = medidor.Encajan(trozo, ancho);
    COMPROBAR(qt.horizontalAdvance(trozo.left(cabe)) <= ancho || cabe == 0);
    COMPROBAR(cabe == trozo.size() || qt.horizontalAdvance(trozo.left(cabe + 1)) > ancho);
    COMPROBAR(medidor.Medir(QStringView(trozo).left(cabe)).width() ==
              qt.horizontalAdvance(trozo.left(cabe)));
    COMPROBAR(medidor.Medir(trozo).width() == qt.horizontalAdvance(trozo));
}

} // namespace

// Qt's font fallback keeps a few fontconfig patterns for the life of the process, unreachable
// from anything LeakSanitizer can see; those are Qt's, not the layout's.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: its end frees the font caches only in part, which a leak check at
    // exit would report.
    static const auto* aplicacion = new QGuiApplication(*argc, *argv);
    Q_UNUSED(aplicacion);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
    TLogStyle estilo;
    estilo.AppendTextStyle();
    estilo.TextStyles[1].Style = kNegrita;
    TListaImagenes emoticonos(17, 15);
    emoticonos.Add(QImage(17, 15, QImage::Format_RGB32));
    TLogDocumento documento;
    TFormatoLog formato;
    TMedidorQt medidor;
    TOpcionesFormato opciones{300, 5};
    TLectura entrada{datos, tam};
    const auto preparar = [&] {
        formato.Preparar(documento, estilo.TextStyles, medidor, opciones, 5000);
    };
    while (entrada.Quedan()) {
        switch (entrada.Byte() % 6) {
        case 0:
        case 1: {
            const bool linea = entrada.datos[entrada.pos - 1] % 6 == 1;
            const int numero = entrada.Byte() % estilo.TextStyles.Count();
            const QString texto = LeerTexto(entrada);
            CompararMedidor(medidor, estilo.TextStyles[numero], texto);
            linea ? documento.AppendLine(texto, numero) : documento.AppendText(texto, numero);
            break;
        }
        case 2:
            switch (entrada.Byte() % 4) {
            case 0:
                documento.AppendImage(0, &emoticonos, false);
                break;
            case 1:
                documento.AppendBreakLine(QStringLiteral("--"));
                break;
            case 2:
                documento.AppendMark(QStringLiteral("m"));
                break;
            default:
                documento.AppendPicture(QImage(40, 12, QImage::Format_RGB32));
            }
            break;
        case 3:
            opciones.TextWidth = 1 + entrada.Byte() * 4;
            break;
        case 4:
            formato.Avanzar(1 + entrada.Byte() % 3, 0);
            break;
        default: {
            const int y = entrada.Byte() * formato.DocumentHeight() / 256;
            formato.FormatearZona(y, y + 100);
        }
        }
        preparar();
    }
    while (formato.Pendiente())
        formato.Avanzar(INT_MAX);
    TFormatoLog completo;
    completo.FormatearTodo(documento, estilo.TextStyles, medidor, opciones);
    COMPROBAR(completo.DrawItems() == formato.DrawItems());
    COMPROBAR(completo.JumpAreas() == formato.JumpAreas());
    COMPROBAR(completo.Marks() == formato.Marks());
    COMPROBAR(completo.DocumentHeight() == formato.DocumentHeight());
    return 0;
}
