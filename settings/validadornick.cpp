#include "settings/validadornick.h"

bool CaracterAdmitidoEnNick(QChar caracter) {
    return caracter != u':' && caracter.category() != QChar::Other_Control;
}

QValidator::State TValidadorNick::validate(QString& texto, int& posicion) const {
    QString limpio;
    limpio.reserve(texto.size());
    int nuevaPosicion = posicion;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        if (CaracterAdmitidoEnNick(texto[i]))
            limpio += texto[i];
        else if (i < posicion)
            --nuevaPosicion;
    }
    texto = limpio;
    posicion = nuevaPosicion;
    return Acceptable;
}
