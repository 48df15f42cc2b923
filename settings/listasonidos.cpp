#include "settings/listasonidos.h"

#include <QFileInfo>

namespace {

struct TEvento {
    int Fila;
    const char16_t* Descripcion;
    QString TConfigSonidos::*Campo;
};

// The nine events in the order of the settings, each with its row.
constexpr TEvento kEventos[] = {
    {0, u"Llega una solicitud de transferencia de Fichero", &TConfigSonidos::File_SolicitudTx},
    {1, u"Transferencia de Fichero finalizada", &TConfigSonidos::File_FinTx},
    {2, u"Transferencia de Fichero abortada", &TConfigSonidos::File_AbortadaTx},
    {4, u"Pregunta al intentar conectar contacto desconocido",
     &TConfigSonidos::PreguntaIntentoConxDesconocido},
    {5, u"Se conecta contacto", &TConfigSonidos::ContactoConecta},
    {6, u"Se desconecta contacto", &TConfigSonidos::ContactoDesconecta},
    {8, u"Mensaje Flash", &TConfigSonidos::MensajeFlash},
    {10, u"Llega una solicitud de unirse a un Chat", &TConfigSonidos::Chat_PreguntaJoin},
    {11, u"Se habla en un Chat no visible", &TConfigSonidos::Chat_Habla},
};

bool Valida(int fila) { return fila >= 0 && fila < TListaSonidos::kFilas; }

} // namespace

void TListaSonidos::Llenar(const TConfigSonidos& sonidos) {
    filas_ = {};
    for (const TEvento& evento : kEventos)
        filas_[std::size_t(evento.Fila)] = {QString::fromUtf16(evento.Descripcion),
                                            sonidos.*evento.Campo};
}

void TListaSonidos::Tomar(TConfigSonidos& sonidos) const {
    for (const TEvento& evento : kEventos)
        sonidos.*evento.Campo = filas_[std::size_t(evento.Fila)].Ruta;
}

TListaSonidos::TSeleccion TListaSonidos::Pulsar(int fila) const {
    if (!Valida(fila))
        return {};
    return {Fila(fila).Ruta, MuestraAltavoz(fila), !EsSeparador(fila)};
}

TListaSonidos::TDobleClic TListaSonidos::DobleClic(int fila) const {
    const TSeleccion seleccion = Pulsar(fila);
    if (!seleccion.Ruta.isEmpty())
        return QFileInfo(seleccion.Ruta).isFile() ? TDobleClic::Reproducir : TDobleClic::Nada;
    return seleccion.Escoger ? TDobleClic::Escoger : TDobleClic::Nada;
}

bool TListaSonidos::Escoger(int fila, const QString& ruta) {
    if (!Valida(fila) || EsSeparador(fila))
        return false;
    filas_[std::size_t(fila)].Ruta = ruta;
    return true;
}

void TListaSonidos::Eliminar(int fila) {
    if (Valida(fila))
        filas_[std::size_t(fila)].Ruta.clear();
}
