#include "principal/principal.h"

#include "core/agenda.h"

THabilitacionMenu HabilitarMenuContactos(const TFilaContacto* fila, const TContacto* contacto) {
    if (!fila)
        return {};
    const bool conectado = fila->Icono == 1;
    THabilitacionMenu menu;
    menu.CaptionIP = fila->IP;
    menu.IP = true;
    menu.Eliminar = true;
    menu.Flash = conectado;
    menu.Chat = conectado;
    menu.Archivo = conectado;
    menu.EMail = contacto && !contacto->EMail.isEmpty();
    menu.Comprobar = !conectado;
    return menu;
}

TAspectoFila AspectoFila(bool seleccionada, bool conectado, TColor fondoLista) {
    if (seleccionada)
        return {kColorFilaSeleccionada, conectado ? ColorRGB(255, 255, 255) : ColorRGB(221, 221, 221)};
    return {fondoLista, conectado ? ColorRGB(0, 0, 0) : ColorRGB(85, 85, 85)};
}

QImage IconoEnFila(const QImage& icono, bool conectado, TColor fondo) {
    QImage resultado(icono.size(), QImage::Format_ARGB32);
    const QRgb transparente = icono.pixel(0, 0);
    for (int y = 0; y < icono.height(); ++y) {
        for (int x = 0; x < icono.width(); ++x) {
            const QRgb pixel = icono.pixel(x, y);
            if (pixel == transparente) {
                resultado.setPixel(x, y, qRgba(0, 0, 0, 0));
                continue;
            }
            const TColor color = DeQColor(QColor(pixel));
            resultado.setPixel(x, y, AQColor(conectado ? color : MezclarColores(color, fondo, 70)).rgb());
        }
    }
    return resultado;
}

TDisposicionPrincipal DisponerPrincipal(QSize cliente, int filas) {
    TDisposicionPrincipal d;
    d.Cliente = cliente.expandedTo(kTamanoMinimoPrincipal);
    const int ancho = d.Cliente.width();
    d.Barra = QRect(0, 0, ancho, 19);
    d.Marco = QRect(0, 20, ancho, d.Cliente.height() - 20);
    d.Lista = d.Marco.adjusted(1, 1, -1, -1);
    const bool caben = d.Lista.height() - 2 >= 16 * filas;
    d.AnchoColumnaNick = caben ? d.Lista.width() : d.Lista.width() - 16;
    return d;
}

TRespuestaCierre PreguntaCierre(bool oculto, bool iconoEnTray) {
    if (!oculto && iconoEnTray)
        return TRespuestaCierre::Ocultar;
    return TRespuestaCierre::Cerrar;
}
