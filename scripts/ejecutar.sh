#!/bin/sh
# Starts Tromblechatix; it is a desktop program and needs a graphical display.
programa="$1"
if [ -z "$DISPLAY" ] && [ -z "$WAYLAND_DISPLAY" ] && [ -z "$QT_QPA_PLATFORM" ]; then
  echo "Tromblechatix es un programa de escritorio y necesita una pantalla gráfica (no hay DISPLAY ni WAYLAND_DISPLAY)." >&2
  exit 1
fi
if [ ! -x "$programa" ]; then
  echo "No se ha construido $programa." >&2
  exit 1
fi
exec "$programa"
