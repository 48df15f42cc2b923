#include "chat/cajaentrada.h"

#include <QKeyEvent>

TCajaEntrada::TCajaEntrada(QWidget* padre) : QPlainTextEdit(padre) {
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TCajaEntrada::keyPressEvent(QKeyEvent* evento) {
    const TEntradaChat::TRespuesta respuesta = entrada_.TeclaPulsada(evento->key(), toPlainText());
    if (respuesta.Texto)
        setPlainText(*respuesta.Texto);
    if (!respuesta.Consumida)
        return QPlainTextEdit::keyPressEvent(evento);
    // Enter leaves no line break behind.
    evento->accept();
    if (!respuesta.Enviar.isEmpty())
        emit LineasEscritas(respuesta.Enviar);
}
