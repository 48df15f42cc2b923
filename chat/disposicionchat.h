#pragma once

#include <QPoint>
#include <Qt>
#include <QRect>
#include <QSize>

// Where the chat window's parts go; the window only applies these numbers.

constexpr QSize kTamanoInicialChat{500, 400};
constexpr QSize kTamanoMinimoChat{300, 200};
constexpr QPoint kPosicionChat{254, 132};

// PageControl in a client area of that size.
constexpr QRect AreaPaginas(QSize cliente) {
    return {4, 32, cliente.width() - 8, cliente.height() - 36};
}

// A room's log and input box on a page of that size.
struct TDisposicionSala {
    QRect Log;
    QRect Entrada;
};
constexpr TDisposicionSala DisponerSala(QSize pagina) {
    return {{0, 0, pagina.width(), pagina.height() - 44},
            {0, pagina.height() - 41, pagina.width(), 39}};
}

// Width of the on-line list's nick column: the list less 4, or less 20 when the rows of
// 16 pixels need the scroll bar.
constexpr int AnchoColumnaNick(int filas, QSize lista) {
    return filas * 16 > lista.height() - 2 ? lista.width() - 20 : lista.width() - 4;
}

// A new room's page comes to the front only when nobody is looking at another one, so that
// a room opening while the user types does not take the keys.
constexpr bool PaginaNuevaActiva(bool ventanaALaVista, int paginasAntes) {
    return !ventanaALaVista || paginasAntes == 0;
}
