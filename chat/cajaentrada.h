#pragma once

#include "chat/entradachat.h"

#include <QPlainTextEdit>

// A room's input box: Enter hands over its lines and empties it, Up and Down browse the last
// 50 inputs. It wraps words and shows no scroll bars.
class TCajaEntrada : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TCajaEntrada(QWidget* padre = nullptr);

    const TEntradaChat& Entrada() const { return entrada_; }

signals:
    // The non-empty lines of one input, in order: each is written and sent.
    void LineasEscritas(const QStringList& lineas);

protected:
    void keyPressEvent(QKeyEvent* evento) override;

private:
    TEntradaChat entrada_;
};
