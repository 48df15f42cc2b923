#!/bin/sh
# Builds the Debian package and checks what a user gets from it: every file in its place,
# the desktop entry, the AppStream data and the manual page valid, the libraries found by
# the packaging, and the unpacked program answering --version without a display.
set -e
cd "$(dirname "$0")/.."
sh scripts/dependencias.sh appstream desktop-file-utils groff-base
make deb
construccion="${BUILD:-build}"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$construccion/CMakeCache.txt")
paquete="$construccion/tromblechatix_${version}_$(dpkg --print-architecture).deb"
if [ ! -f "$paquete" ]; then
  echo "paquete: no se ha generado $paquete" >&2
  exit 1
fi
raiz=$(mktemp -d)
trap 'rm -rf "$raiz"' EXIT
dpkg-deb -x "$paquete" "$raiz"

fallos=0
fallo() {
  echo "paquete: $*" >&2
  fallos=$((fallos + 1))
}

programa="$raiz/usr/bin/tromblechatix"
escritorio="$raiz/usr/share/applications/tromblechatix.desktop"
metainfo="$raiz/usr/share/metainfo/org.example.tromblechatix.metainfo.xml"
manual="$raiz/usr/share/man/man1/tromblechatix.1.gz"
iconos="$raiz/usr/share/icons/hicolor"
for fichero in "$programa" "$escritorio" "$metainfo" "$manual" "$iconos/scalable/apps/tromblechatix.svg"; do
  [ -f "$fichero" ] || fallo "falta ${fichero#"$raiz"}"
done
for lado in 16 22 32 48 64 128 256; do
  png="$iconos/${lado}x${lado}/apps/tromblechatix.png"
  file "$png" | grep -q "PNG image data, $lado x $lado," || fallo "falta ${png#"$raiz"} o no mide $lado"
done

desktop-file-validate "$escritorio" || fallo "la entrada de escritorio no es válida"
appstreamcli validate --no-net "$metainfo" || fallo "los datos de AppStream no son válidos"
grep -q "<release version=\"$version\"" "$metainfo" || fallo "los datos de AppStream no anuncian la versión $version"
dpkg-deb -f "$paquete" Depends | grep -q libqt6widgets6 || fallo "las dependencias no incluyen las bibliotecas de Qt"

respuesta=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$programa" --version) || true
[ "$respuesta" = "tromblechatix $version" ] || fallo "--version responde \"$respuesta\", no \"tromblechatix $version\""

avisos=$(zcat "$manual" | groff -man -ww -z -Tutf8 2>&1) || true
[ -z "$avisos" ] || fallo "la página de manual tiene avisos: $avisos"
texto=$(zcat "$manual" | sed 's/\\-/-/g')
opciones=$(QT_QPA_PLATFORM=offscreen "$programa" --help 2>/dev/null | grep -o -- '--[a-z-]*' | sort -u) || true
[ -n "$opciones" ] || fallo "--help no lista ninguna opción"
for opcion in $opciones; do
  echo "$texto" | grep -q -- "$opcion" || fallo "la página de manual no explica $opcion"
done

if [ "$fallos" -gt 0 ]; then
  echo "paquete: $fallos comprobaciones fallidas" >&2
  exit 1
fi
echo "paquete: $paquete comprobado"
