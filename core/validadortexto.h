#pragma once

#include <QValidator>

// Texts that travel as the last field of a message: a control character there (a BEL above
// all) would split the message and put a command of the user's typing on the wire. Typed or
// pasted, such characters are dropped; an empty text is fine.
class TValidadorTexto : public QValidator {
    Q_OBJECT
public:
    // A nick refuses ":" as well: peers cut a nick at its first ":".
    enum class TReglas { SinControles, Nick };

    explicit TValidadorTexto(TReglas reglas, QObject* padre = nullptr)
        : QValidator(padre), reglas_(reglas) {}

    State validate(QString& texto, int& posicion) const override;

private:
    bool Admitido(QChar caracter) const;

    TReglas reglas_;
};
