#pragma once

#include "logview/listaimagenes.h"

#include <QFrame>
#include <QPlainTextEdit>
#include <QPointer>

class TBarraPanel;

// The emoticon panel of the chat window (PanelEmoticonos), hidden at start: sixteen buttons,
// each inserting its code into the input box in which the panel was last opened, one box for
// the whole window. Its parent is the chat window, inside which it can be dragged.
class TPanelEmoticonos : public QFrame {
    Q_OBJECT
public:
    static constexpr int kAncho = 103;
    static constexpr int kAlto = 123;

    TPanelEmoticonos(const TListaImagenes& imagenes, QWidget* ventana);

    // Every room's input box goes through here once: a right click on it opens the panel,
    // any other press hides it, and it never shows an edit menu.
    void VigilarEntrada(QPlainTextEdit* entrada);
    // MemoMouseDown: `raton` is the pointer on the screen.
    void MemoMouseDown(QPlainTextEdit* entrada, Qt::MouseButton boton, QPoint raton);

    QPlainTextEdit* Destino() const { return destino_; }
    TBarraPanel* Panel3() const { return panel3_; }

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void BotonPulsado(int numero);

    TBarraPanel* panel3_;
    QPointer<QPlainTextEdit> destino_;
};
