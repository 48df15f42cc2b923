#include "logview/logdocumento.h"

#include <QStringList>
#include <QtGlobal>

namespace {

constexpr int kLimiteControl = 10000;

} // namespace

QStringList PartirLineas(const QString& texto) {
    QStringList partes{QString()};
    for (qsizetype i = 0; i < texto.size(); ++i) {
        const QChar c = texto[i];
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n')) {
            partes.last().append(c);
            continue;
        }
        const QChar pareja = c == QLatin1Char('\r') ? QLatin1Char('\n') : QLatin1Char('\r');
        if (i + 1 < texto.size() && texto[i + 1] == pareja)
            ++i;
        partes.append(QString());
    }
    return partes;
}

void TControlLog::ColocarEnDocumento(int x, int arriba) {
    izquierda_ = x;
    arribaDocumento_ = arriba;
    Colocar(izquierda_, qBound(-kLimiteControl, arribaDocumento_, kLimiteControl));
}

void TControlLog::MoverVertical(int desplazamiento) {
    ColocarEnDocumento(izquierda_, arribaDocumento_ + desplazamiento);
}

void TControlLog::MoverHorizontal(int desplazamiento) {
    ColocarEnDocumento(izquierda_ + desplazamiento, arribaDocumento_);
}

const QImage* TLineInfo::Picture() const {
    const auto* imagen = std::get_if<std::unique_ptr<QImage>>(&Payload);
    return imagen ? imagen->get() : nullptr;
}

const TListaImagenes* TLineInfo::ImageList() const {
    const auto* lista = std::get_if<const TListaImagenes*>(&Payload);
    return lista ? *lista : nullptr;
}

TControlLog* TLineInfo::Control() const {
    const auto* control = std::get_if<std::unique_ptr<TControlLog>>(&Payload);
    return control ? control->get() : nullptr;
}

void TLogDocumento::Agregar(QString texto, qint32 estilo, bool continua, TPayload carga) {
    TItemLog item{std::move(texto), {}};
    item.Info.StyleIndex = estilo;
    item.Info.ContinuesLine = continua;
    item.Info.Payload = std::move(carga);
    items_.push_back(std::move(item));
}

void TLogDocumento::AppendText(const QString& texto, qint32 estilo) {
    Agregar(texto, estilo, !items_.empty());
}

void TLogDocumento::AppendLine(const QString& texto, qint32 estilo) {
    Agregar(texto, estilo, false);
}

// Every break form becomes one line break; a trailing break adds no empty line.
void TLogDocumento::AppendMultiline(const QString& texto, qint32 estilo) {
    const QStringList partes = PartirLineas(texto);
    if (partes.size() == 1) {
        if (!texto.isEmpty())
            AppendText(texto, estilo);
        return;
    }
    AppendText(partes.first(), estilo);
    const qsizetype ultima = partes.last().isEmpty() ? partes.size() - 1 : partes.size();
    for (qsizetype i = 1; i < ultima; ++i)
        AppendLine(partes[i], estilo);
}

void TLogDocumento::AppendImage(qint32 imagen, const TListaImagenes* lista, bool nuevaLinea) {
    Agregar({}, ikListImage, !nuevaLinea, lista);
    items_.back().Info.ImageIndex = imagen;
}

void TLogDocumento::AppendBreakLine(const QString& texto) {
    Agregar(texto, ikBreakLine, false);
}

void TLogDocumento::AppendMark(const QString& nombre) {
    Agregar(nombre, ikMark, false);
}

void TLogDocumento::AppendPicture(const QImage& imagen) {
    Agregar({}, ikPicture, false, std::make_unique<QImage>(imagen));
}

void TLogDocumento::AppendJumpImage(qint32 imagen, const TListaImagenes* lista,
                                    bool nuevaLinea) {
    Agregar({}, ikJumpImage, !nuevaLinea, lista);
    items_.back().Info.ImageIndex = imagen;
}

void TLogDocumento::AppendControl(std::unique_ptr<TControlLog> control, bool centrado) {
    Agregar({}, ikControl, false, std::move(control));
    items_.back().Info.Centered = centrado;
}

void TLogDocumento::ClearDocument() {
    items_.clear();
    ++generacion_;
}
