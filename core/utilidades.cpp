#include "core/utilidades.h"

#include <QCollator>
#include <QGuiApplication>
#include <QPalette>
#include <QSaveFile>
#include <array>

namespace {

int Canal(TColor color, int desplazamiento) { return int((color >> desplazamiento) & 0xFF); }

// The system colour numbers the program uses, as palette roles.
QColor ColorDeSistema(quint32 numero) {
    const QPalette paleta = QGuiApplication::palette();
    switch (numero) {
    case 5: return paleta.color(QPalette::Base);              // window background
    case 8: return paleta.color(QPalette::Text);              // window text
    case 13: return paleta.color(QPalette::Highlight);
    case 14: return paleta.color(QPalette::HighlightedText);
    case 15: return paleta.color(QPalette::Button);           // button face
    case 16: return paleta.color(QPalette::Mid);              // button shadow
    case 17: return paleta.color(QPalette::PlaceholderText);  // grey text
    case 18: return paleta.color(QPalette::ButtonText);
    case 20: return paleta.color(QPalette::Light);            // button highlight
    case 23: return paleta.color(QPalette::ToolTipText);
    case 24: return paleta.color(QPalette::ToolTipBase);
    default: return paleta.color(QPalette::Window);
    }
}

} // namespace

TColor MezclarColores(TColor a, TColor b, quint8 porcentaje) {
    TColor resultado = 0;
    for (int desplazamiento : {0, 8, 16}) {
        const int canal = (Canal(a, desplazamiento) * porcentaje +
                           Canal(b, desplazamiento) * (100 - porcentaje)) / 100;
        resultado |= TColor(canal & 0xFF) << desplazamiento;
    }
    return resultado;
}

QColor AQColor(TColor color) {
    if (color == kSinColor)
        return {};
    if (color & kColorSistema)
        return ColorDeSistema(color & 0xFF);
    return QColor(Canal(color, 0), Canal(color, 8), Canal(color, 16));
}

TColor DeQColor(const QColor& color) {
    return ColorRGB(color.red(), color.green(), color.blue());
}

QPoint PosicionSobrePrincipal(QSize ventana, QRect principal, QSize pantalla) {
    int izquierda = principal.left() + (principal.width() - ventana.width()) / 2;
    int arriba = principal.top() + 10;
    if (izquierda + ventana.width() >= pantalla.width())
        izquierda = pantalla.width() - ventana.width() - 1;
    if (arriba + ventana.height() >= pantalla.height())
        arriba = pantalla.height() - ventana.height() - 1;
    if (arriba <= 0)
        arriba = 1;
    if (izquierda <= 0)
        izquierda = 1;
    return {izquierda, arriba};
}

QPoint PosicionCentrada(QSize ventana, QSize pantalla) {
    return {(pantalla.width() - ventana.width()) / 2, (pantalla.height() - ventana.height()) / 2};
}

// Written from the end into a buffer: a transfer window shows these for every block.
QString FormatearMiles(qint64 numero) {
    std::array<char16_t, 27> texto; // 19 digits, 6 separators and the sign
    auto inicio = texto.end();
    quint64 resto = numero < 0 ? 0 - quint64(numero) : quint64(numero);
    for (int digitos = 0; digitos == 0 || resto > 0; ++digitos, resto /= 10) {
        if (digitos > 0 && digitos % 3 == 0)
            *--inicio = u'.';
        *--inicio = char16_t(u'0' + resto % 10);
    }
    if (numero < 0)
        *--inicio = u'-';
    return QString(reinterpret_cast<const QChar*>(inicio), texto.end() - inicio);
}

bool GuardarFicheroAtomico(const QString& ruta, const QByteArray& datos) {
    QSaveFile archivo(ruta);
    if (!archivo.open(QIODevice::WriteOnly))
        return false;
    // A short write (full disk, size limit) shows only in flush(); commit() would still
    // replace the old file with the truncated one.
    if (archivo.write(datos) != datos.size() || !archivo.flush()) {
        archivo.cancelWriting();
        return false;
    }
    return archivo.commit();
}

QString AyudaLiteral(const QString& texto) {
    return u"<p style='white-space:pre'>" + texto.toHtmlEscaped() + u"</p>";
}

QString AcortadoParaMostrar(const QString& texto, qsizetype maximo) {
    if (texto.size() <= maximo)
        return texto;
    // The end stays: a file's extension, a question's last words.
    qsizetype inicio = maximo * 3 / 4;
    qsizetype final = texto.size() - (maximo - 1 - inicio);
    if (texto[inicio - 1].isHighSurrogate())
        --inicio;
    if (texto[final].isLowSurrogate())
        ++final;
    return texto.left(inicio) + u'…' + texto.mid(final);
}

QString RecortarTexto(const QString& texto, qsizetype maximo) {
    if (texto.size() <= maximo)
        return texto;
    qsizetype corte = maximo;
    if (texto.at(corte).isLowSurrogate())
        --corte;
    return texto.first(corte) + u'…';
}

QString SaltosDeCaja(QString texto) {
    return texto.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

namespace {

// Where the locale's collation does not set accents aside ("C"), they go here.
QString SinAcentos(const QString& texto) {
    QString base = texto.normalized(QString::NormalizationForm_D);
    base.removeIf([](QChar caracter) { return caracter.category() == QChar::Mark_NonSpacing; });
    return base;
}

} // namespace

bool AntesAlLeer(const QString& a, const QString& b) {
    static const QCollator orden = [] {
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        collator.setNumericMode(true);
        return collator;
    }();
    const int base = orden.compare(SinAcentos(a), SinAcentos(b));
    return base != 0 ? base < 0 : orden.compare(a, b) < 0;
}
