#!/bin/sh
# Installs the Debian packages that the build and the tests need, only those missing.
# Packages given as arguments replace that list (make fuzz asks for clang this way).
set -e
paquetes="${*:-cmake ninja-build g++ make qt6-base-dev qt6-multimedia-dev qt6-translations-l10n libssl-dev libgl-dev fonts-dejavu-core xvfb xdotool dbus-daemon python3}"
faltan=""
for paquete in $paquetes; do
  if ! dpkg-query -W -f='${Status}' "$paquete" 2>/dev/null | grep -q 'install ok installed'; then
    faltan="$faltan $paquete"
  fi
done
[ -z "$faltan" ] && exit 0
echo "Instalando:$faltan"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends $faltan >/dev/null
