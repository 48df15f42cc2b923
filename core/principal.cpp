#include "core/principal.h"

#include "core/agenda.h"

#include <QPainter>

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

namespace {

// A small monitor: grey screen when off line, green when connected. Magenta is the key.
void DibujarMonitor(QPainter& p, bool conectado) {
    p.setPen(QColor(40, 40, 40));
    p.setBrush(QColor(170, 170, 170));
    p.drawRect(1, 1, 12, 9);
    p.setPen(Qt::NoPen);
    p.setBrush(conectado ? QColor(30, 200, 60) : QColor(90, 90, 110));
    p.drawRect(3, 3, 9, 6);
    p.setBrush(QColor(110, 110, 110));
    p.drawRect(6, 11, 3, 2);
    p.drawRect(3, 13, 9, 2);
}

} // namespace

QImage IconoEstado(int indice) {
    QImage icono(15, 15, QImage::Format_RGB32);
    icono.fill(QColor(255, 0, 255));
    QPainter pintor(&icono);
    DibujarMonitor(pintor, indice == 1);
    return icono;
}

QImage IconoPrograma(int lado) {
    QImage icono(lado, lado, QImage::Format_ARGB32);
    icono.fill(Qt::transparent);
    QPainter p(&icono);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(lado / 32.0, lado / 32.0);
    p.setPen(Qt::NoPen);
    // Two speech bubbles, the program's colours.
    p.setBrush(QColor(102, 102, 187));
    p.drawRoundedRect(QRectF(1, 3, 22, 16), 5, 5);
    p.drawPolygon(QPolygonF({QPointF(5, 18), QPointF(5, 25), QPointF(11, 18)}));
    p.setBrush(QColor(19, 0, 128));
    p.drawRoundedRect(QRectF(11, 12, 20, 14), 5, 5);
    p.drawPolygon(QPolygonF({QPointF(25, 25), QPointF(27, 31), QPointF(20, 25)}));
    p.setBrush(Qt::white);
    for (int x : {16, 21, 26})
        p.drawEllipse(QPointF(x, 19), 1.6, 1.6);
    return icono;
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
