#include "chat/entradachat.h"

#include <QRegularExpression>

QStringList CortarEnLineas(const QString& entrada) {
    static const QRegularExpression saltos(QStringLiteral("[\\r\\n]+"));
    return entrada.split(saltos, Qt::SkipEmptyParts);
}

TEntradaChat::TRespuesta TEntradaChat::TeclaPulsada(int tecla, const QString& texto) {
    TRespuesta respuesta;
    if (tecla == Qt::Key_Up) {
        if (posicion_ < historia_.size()) {
            ++posicion_;
            respuesta.Texto = historia_[posicion_ - 1];
        }
        return respuesta;
    }
    if (tecla == Qt::Key_Down) {
        if (posicion_ > 1) {
            --posicion_;
            respuesta.Texto = historia_[posicion_ - 1];
        }
        return respuesta;
    }
    posicion_ = 0;
    if (tecla != Qt::Key_Return && tecla != Qt::Key_Enter)
        return respuesta;
    // Enter on an empty box would only leave a line break in it.
    respuesta.Consumida = true;
    if (texto.isEmpty())
        return respuesta;
    respuesta.Enviar = CortarEnLineas(texto);
    // The whole input, line breaks included, is one entry.
    historia_.prepend(texto);
    if (historia_.size() > kCapacidad)
        historia_.removeLast();
    respuesta.Texto = QString();
    return respuesta;
}
