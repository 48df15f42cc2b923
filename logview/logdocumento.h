#pragma once

#include "logview/listaimagenes.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>
#include <memory>
#include <variant>
#include <vector>

// Splits at every line break form: CR LF, LF CR, a lone CR or a lone LF.
QStringList PartirLineas(const QString& texto);

// Negative StyleIndex values: the items that are not text.
enum TItemKind : qint32 {
    ikBreakLine = -1,
    ikMark = -2,
    ikPicture = -3,
    ikJumpImage = -4,
    ikControl = -5,
    ikListImage = -6,
};

// A child control placed in the log. The window side implements it over a widget and
// frees the widget with it.
class TControlLog {
public:
    virtual ~TControlLog() = default;
    virtual QSize Tamano() const = 0;
    // Real position in the view; the top is already clamped.
    virtual void Colocar(int izquierda, int arriba) = 0;

    // The control's top in document pixels; its real top stays within +-10000.
    void ColocarEnDocumento(int izquierda, int arribaDocumento);
    void MoverVertical(int desplazamiento);
    void MoverHorizontal(int desplazamiento);
    int ArribaDocumento() const { return arribaDocumento_; }

private:
    int izquierda_ = 0;
    int arribaDocumento_ = 0;
};

// A picture is owned by its item; an image list never is. Pictures are held by pointer,
// which keeps every item of a long log small.
using TPayload = std::variant<std::monostate, std::unique_ptr<QImage>, const TListaImagenes*,
                              std::unique_ptr<TControlLog>>;

struct TLineInfo {
    qint32 StyleIndex = 0;
    bool ContinuesLine = false;
    bool Centered = false;
    qint32 ImageIndex = 0;
    TPayload Payload;

    const QImage* Picture() const;
    const TListaImagenes* ImageList() const;
    TControlLog* Control() const;
};

struct TItemLog {
    QString Texto;
    TLineInfo Info;
};

// The append-only document of a log view. Appends neither lay out nor repaint.
class TLogDocumento {
public:
    const std::vector<TItemLog>& Items() const { return items_; }
    std::vector<TItemLog>& Items() { return items_; }
    int Count() const { return int(items_.size()); }
    // Bumped by every clear, so that a layout knows its earlier results are void.
    quint64 Generacion() const { return generacion_; }

    void AppendText(const QString& texto, qint32 estilo);
    void AppendLine(const QString& texto, qint32 estilo);
    void AppendMultiline(const QString& texto, qint32 estilo);
    void AppendImage(qint32 imagen, const TListaImagenes* lista, bool nuevaLinea);
    void AppendBreakLine(const QString& texto);
    void AppendMark(const QString& nombre);
    void AppendPicture(const QImage& imagen);
    void AppendJumpImage(qint32 imagen, const TListaImagenes* lista, bool nuevaLinea);
    void AppendControl(std::unique_ptr<TControlLog> control, bool centrado);
    // Frees pictures and controls; image lists belong to the caller.
    void ClearDocument();

private:
    void Agregar(QString texto, qint32 estilo, bool continua, TPayload carga = {});

    std::vector<TItemLog> items_;
    quint64 generacion_ = 0;
};
