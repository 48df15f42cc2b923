#include "core/validadortexto.h"

bool TValidadorTexto::Admitido(QChar caracter) const {
    if (caracter.category() == QChar::Other_Control)
        return false;
    return reglas_ != TReglas::Nick || caracter != u':';
}

QValidator::State TValidadorTexto::validate(QString& texto, int& posicion) const {
    QString limpio;
    limpio.reserve(texto.size());
    int nuevaPosicion = posicion;
    for (qsizetype i = 0; i < texto.size(); ++i) {
        if (Admitido(texto[i]))
            limpio += texto[i];
        else if (i < posicion)
            --nuevaPosicion;
    }
    texto = limpio;
    posicion = nuevaPosicion;
    return Acceptable;
}
