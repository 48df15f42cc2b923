#pragma once

#include <QValidator>

// A nick never holds ":" (peers cut a nick at its first ":") nor control characters (a BEL
// would split the message). Typed or pasted, they are dropped; an empty nick is fine.
class TValidadorNick : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;

    State validate(QString& texto, int& posicion) const override;
};

bool CaracterAdmitidoEnNick(QChar caracter);
