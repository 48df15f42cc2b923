#pragma once

#include "logview/logformato.h"
#include "logview/logscroller.h"
#include "logview/logseleccion.h"

#include <QImage>
#include <QPointer>
#include <memory>
#include <optional>

class QTimer;

// The styled, selectable log of a chat: the application appends, reformats and scrolls.
class TLogView : public TLogScroller {
    Q_OBJECT
public:
    explicit TLogView(QWidget* padre = nullptr);
    ~TLogView() override;

    TLogStyle* Style() const { return estilo_; }
    void SetStyle(TLogStyle* tabla) { estilo_ = tabla; }
    // Tests measure with fixed metrics; the view measures with its fonts otherwise.
    void SetMedidor(std::unique_ptr<TMedidorTexto> otro) { medidor_ = std::move(otro); }

    void AppendText(const QString& texto, qint32 estiloTexto);
    void AppendLine(const QString& texto, qint32 estiloTexto);
    void AppendMultiline(const QString& texto, qint32 estiloTexto);
    void AppendImage(qint32 imagen, const TListaImagenes* lista, bool nuevaLinea);
    void AppendBreakLine(const QString& texto);
    void AppendMark(const QString& nombre);
    void AppendPicture(const QImage& imagen);
    void AppendJumpImage(qint32 imagen, const TListaImagenes* lista, bool nuevaLinea);
    // The view takes the control as its child and frees it with the document.
    void AppendControl(QWidget* control, bool centrado);
    void ClearDocument();
    void Reformat() { Formatear(false); }

    // A width change lays out the visible part at once and the rest in slices from the
    // event loop; until then heights below and above are estimates.
    bool RepartoPendiente() const { return formato_.Pendiente(); }
    // One slice of that layout; the event loop runs them on its own.
    void PasoDeReparto();

    bool HasSelection() const { return HaySeleccion(ancla_, movil_); }
    QString SelectedText() const;
    void CopySelection() const;
    void Deselect();

    const TLogDocumento& Documento() const { return documento_; }
    const TSecuenciaDiferida<TDrawLineInfo>& DrawItems() const { return formato_.DrawItems(); }
    const TSecuenciaDiferida<TJumpInfo>& JumpAreas() const { return formato_.JumpAreas(); }
    const TSecuenciaDiferida<TCPInfo>& Marks() const { return formato_.Marks(); }
    int TextWidth() const { return anchoTexto_; }
    int DocumentHeight() const { return formato_.DocumentHeight(); }

    // Time one slice of catching up may take, in nanoseconds; it lays out at least one
    // paragraph. A slice leaves room in a 16 ms frame for input, sockets and painting.
    qint64 NanosPorPaso = 8'000'000;
    // Characters of one appended item laid out at once; a longer item, such as a pasted
    // page, goes on in slices like a width change.
    int CaracteresSinPausa = 20'000;
    qint32 FirstJumpNo = 0;
    qint32 LeftMargin = 5;
    qint32 RightMargin = 5;
    QString Delimiters = QStringLiteral(" .;,:(){}\"");
    bool AllowSelection = true;
    bool MostrarPicture = true;
    bool MostrarControl = true;
    bool MostrarImagenes = true;

signals:
    void OnJump(int id);
    void OnLogRightClick(const QString& palabra, int estilo, int x, int y);
    void OnSelect();
    void OnClick();
    void OnKeyDown(int tecla, Qt::KeyboardModifiers modificadores);

protected:
    void paintEvent(QPaintEvent* evento) override;
    void resizeEvent(QResizeEvent* evento) override;
    bool viewportEvent(QEvent* evento) override;
    void mousePressEvent(QMouseEvent* evento) override;
    void mouseMoveEvent(QMouseEvent* evento) override;
    void mouseReleaseEvent(QMouseEvent* evento) override;
    void mouseDoubleClickEvent(QMouseEvent* evento) override;
    void keyPressEvent(QKeyEvent* evento) override;
    void MoverControles(int dx, int dy) override;
    void PosicionCambiada() override;

private:
    // What the reader sees at the top, kept while the layout catches up: the end of the
    // log, or a character and how far its piece lies below the top of the view.
    struct TAnclaLectura {
        bool AlFinal = false;
        TExtremo Posicion;
        int Desfase = 0;
        int HuecoFinal = 0;
    };

    TContextoLog Contexto() const;
    TOpcionesFormato Opciones() const;
    void Formatear(bool mantenerPosicion);
    void CapturarAncla();
    int PixelDeAncla() const;
    bool SeguirAncla();
    void ColocarControles();
    void ArrancarReparto();
    void Seleccionar(TExtremo& extremo, QPoint punto);
    void RatonMovido(QPoint punto);
    void RatonFuera();
    void PasoAutomatico();
    void PararAutoDesplazamiento();
    void RepintarSalto(int salto);
    std::optional<TJumpInfo> SaltoEn(QPoint punto) const;
    std::optional<TPalabra> PalabraPulsada() const;
    bool Conectado(const QMetaMethod& senal) const { return isSignalConnected(senal); }

    void PintarSinEstilo();
    void PintarFondo(QPainter& pintor, const QRect& area) const;
    void PintarPiezas(QPainter& pintor, const QRect& area) const;
    void PintarTexto(QPainter& pintor, int indice, QPoint en, TExtremo inicio,
                     TExtremo fin) const;
    int PrimeraPiezaAPintar(int arriba) const;

    QPointer<TLogStyle> estilo_;
    TLogDocumento documento_;
    TFormatoLog formato_;
    std::unique_ptr<TMedidorTexto> medidor_;
    // Each control with its item number.
    std::vector<std::pair<int, TControlLog*>> controles_;
    int anchoTexto_ = -1;
    int anchoContenido_ = 0;
    TAnclaLectura anclaLectura_;
    QTimer* reparto_;
    bool formateando_ = false;

    int saltoBajoRaton_ = -1;
    bool hoverActivo_ = false;
    int saltoPulsado_ = -1;
    // Selection ends in item terms, so that they survive any layout.
    TExtremo ancla_;
    TExtremo movil_;
    bool seleccionando_ = false;
    int pasoAutomatico_ = 0;
    QPoint ultimoPunto_;
    QTimer* temporizador_ = nullptr;
};
