#!/usr/bin/env python3
"""Fails when an include runs against the arrows between the program's parts.

A part is a top folder. Its window files are the sources of its `tromble_<part>_ventanas`
library (in the part's CMakeLists.txt); every other file of it is headless. The table says
which parts a file may include from:

- a headless file: the headless files of the parts in its first column;
- a window file: any file of the parts in its second column.
Everything in app/ counts as a window file: it builds the windows.

Usage: comprobar_flechas.py <source root>
"""
import pathlib
import re
import sys

TODAS = ["core", "widgets", "logview", "avisos", "settings", "chat", "flash", "transfer",
         "red", "principal", "app"]

#            part         headless files may use     window files may use
TABLA = {
    "core":      (["core"],                     []),
    "widgets":   (["core", "widgets"],          ["core", "widgets"]),
    "logview":   (["core", "logview"],          ["core", "widgets", "logview"]),
    "avisos":    (["core", "avisos"],           []),
    "settings":  (["core", "settings"],         ["core", "widgets", "logview", "settings"]),
    "chat":      (["core", "logview", "chat"],  ["core", "widgets", "logview", "chat"]),
    "flash":     (["core", "flash"],            ["core", "widgets", "logview", "flash"]),
    "transfer":  (["core", "transfer"],         ["core", "widgets", "logview", "transfer"]),
    "red":       (["core", "red"],              ["core", "widgets", "logview", "red"]),
    "principal": (["core", "principal"],        ["core", "widgets", "logview", "principal"]),
    "app":       (TODAS,                        TODAS),
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/([^"]+)"', re.M)
LISTA_VENTANAS = re.compile(r"add_library\(tromble_\w+_ventanas\s+STATIC([^)]*)\)", re.S)


def ficheros_de_ventanas(raiz, parte):
    cmake = raiz / parte / "CMakeLists.txt"
    if not cmake.exists():
        return set()
    ventanas = set()
    for lista in LISTA_VENTANAS.findall(cmake.read_text()):
        ventanas.update(f"{parte}/{nombre}" for nombre in lista.split())
    return ventanas


def main():
    raiz = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".")
    ventanas = set()
    for parte in TABLA:
        ventanas |= ficheros_de_ventanas(raiz, parte)
    errores = []
    for parte, (sin_ventanas, con_ventanas) in TABLA.items():
        for fuente in sorted((raiz / parte).glob("*")):
            if fuente.suffix not in (".h", ".cpp", ".in"):
                continue
            nombre = f"{parte}/{fuente.name}"
            es_ventana = nombre in ventanas or parte == "app"
            permitidas = con_ventanas if es_ventana else sin_ventanas
            texto = fuente.read_text(encoding="utf-8")
            for coincidencia in INCLUDE.finditer(texto):
                destino_parte, destino = coincidencia.group(1), "/".join(coincidencia.groups())
                if destino_parte not in TABLA:
                    continue
                linea = texto.count("\n", 0, coincidencia.start()) + 1
                if destino_parte not in permitidas:
                    errores.append(f"{nombre}:{linea}: {parte} may not include {destino}")
                elif not es_ventana and destino in ventanas:
                    errores.append(f"{nombre}:{linea}: headless code may not include the window {destino}")
    for error in errores:
        print(error)
    return 1 if errores else 0


if __name__ == "__main__":
    sys.exit(main())
