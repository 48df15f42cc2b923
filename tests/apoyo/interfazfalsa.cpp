#include "interfazfalsa.h"

bool TInterfazFalsa::Preguntar(const QString& titulo, const QString& texto, TBotones) {
    Preguntas.push_back({titulo, texto});
    if (AntesDeResponder)
        AntesDeResponder();
    if (Respuestas.empty())
        return RespuestaPorDefecto;
    const bool respuesta = Respuestas.front();
    Respuestas.pop_front();
    return respuesta;
}

void TInterfazFalsa::MostrarError(const QString& titulo, const QString& texto) {
    Errores.push_back({titulo, texto});
    if (AlMostrarError)
        AlMostrarError();
}

void TInterfazFalsa::MostrarInformacion(const QString& titulo, const QString& texto) {
    Informaciones.push_back({titulo, texto});
}

std::optional<QString> TInterfazFalsa::PedirTexto(const QString& titulo, const QString&,
                                                  const QString&, const QValidator*) {
    Preguntas.push_back({titulo, {}});
    return TextoPedido;
}
