#pragma once

#include <QImage>

// The two 15 x 15 state pictures (0 not connected, 1 connected) and the program's icon,
// painted rather than loaded so that every size is sharp.
QImage IconoEstado(int indice);
QImage IconoPrograma(int lado);
