#!/bin/sh
# Keeps one member style in the program's sources; prints file:line of each breach and fails.
#
# The rule: every private or protected data member of a class or struct is written
# lowerCamel and ends in "_" (agenda_, oculto_), except
#   - the window components (the widgets and actions a window is made of), which keep their
#     bare given names (lblNick, ListViewContactos, btnAceptar). They are declared in a block
#     that opens with the comment line "// Components" inside the class and ends at the next
#     blank line or access specifier;
#   - constants: static const or constexpr members are named kLikeThis.
# A component that the window hands out through an accessor of its given name
# (PageControl()) is a field like any other: pageControl_. Public fields (TContacto::Nick)
# are not checked.
#
# A plain awk reading of the declarations, no compiler: it knows classes, access sections,
# function bodies and initialisers, which is all this code base's headers need.
#
# Usage: comprobar_estilo.sh [file...]; without files it checks every .h and .cpp of the
# program, that is all but the tests, benchmarks, fuzz targets and build folders.
cd "$(dirname "$0")/.."
if [ "$#" -eq 0 ]; then
  set -- $(find . \( -name 'build*' -o -name tests -o -name bench -o -name fuzz -o -name '.*' \
    -a ! -name . \) -prune -o \( -name '*.h' -o -name '*.cpp' \) -print | sort)
fi

exec awk '
function recortar(s) {
    gsub(/^[ \t]+|[ \t]+$/, "", s)
    return s
}

# Names declared by a statement at class level, or "" for anything that declares no data.
function nombres(s,    t, previo, partes, n, i, d, res) {
    s = recortar(s)
    gsub(/[ \t]*::[ \t]*/, "", s)
    if (s ~ /^(using|friend|typedef|static_assert|template|enum|class|struct|union|Q_[A-Z_]+)([^A-Za-z0-9_]|$)/)
        return ""
    if (s ~ /(^|[^A-Za-z0-9_])operator([^A-Za-z0-9_]|$)/)
        return ""
    if (s ~ /^((static|inline|mutable)[ \t]+)*(constexpr|const)[ \t]/ && s ~ /(^|[ \t])static[ \t]/)
        return ""
    if (s ~ /^constexpr[ \t]+static[ \t]/)
        return ""
    do {
        previo = s
        gsub(/<[^<>]*>/, "", s)
    } while (s != previo)
    sub(/=.*/, "", s)
    sub(/\{.*/, "", s)
    if (s ~ /\(/)
        return ""
    n = split(s, partes, ",")
    res = ""
    for (i = 1; i <= n; i++) {
        d = partes[i]
        sub(/\[.*/, "", d)
        sub(/:.*/, "", d)
        d = recortar(d)
        if (match(d, /[A-Za-z_][A-Za-z0-9_]*$/))
            res = res " " substr(d, RSTART, RLENGTH)
    }
    return res
}

function revisar(    lista, n, i) {
    if (tipo[nivel] != "clase" || recortar(st) == "")
        return
    if (acceso[nivel] == "public" || componentes[nivel])
        return
    n = split(nombres(st), lista, " ")
    for (i = 1; i <= n; i++)
        if (lista[i] !~ /^[a-z][A-Za-z0-9]*_$/) {
            printf "%s:%d: el miembro %s no se escribe como nombreMiembro_\n", FILENAME, linea_st, lista[i]
            fallos++
        }
}

function anadir(c) {
    if (st ~ /^[ \t]*$/ && c !~ /[ \t]/)
        linea_st = FNR
    st = st c
}

FNR == 1 {
    nivel = 0; tipo[0] = "otro"; st = ""; en_comentario = 0; continua_pp = 0
}

{
    linea = $0
    if (continua_pp) {
        continua_pp = (linea ~ /\\$/)
        next
    }
    if (!en_comentario && linea ~ /^[ \t]*#/) {
        continua_pp = (linea ~ /\\$/)
        next
    }
    if (!en_comentario && linea ~ /^[ \t]*$/) {
        componentes[nivel] = 0
        next
    }
    largo = length(linea)
    for (i = 1; i <= largo; i++) {
        c = substr(linea, i, 1)
        if (en_comentario) {
            if (c == "*" && substr(linea, i + 1, 1) == "/") {
                en_comentario = 0
                i++
            }
            continue
        }
        if (c == "/" && substr(linea, i + 1, 1) == "/") {
            if (tipo[nivel] == "clase" && recortar(st) == "" && substr(linea, i) ~ /^\/\/[ \t]*Components/)
                componentes[nivel] = 1
            break
        }
        if (c == "/" && substr(linea, i + 1, 1) == "*") {
            en_comentario = 1
            i++
            continue
        }
        if (c == "\"" || (c == "\047" && substr(linea, i - 1, 1) !~ /[A-Za-z0-9_]/)) {
            for (j = i + 1; j <= largo; j++) {
                d = substr(linea, j, 1)
                if (d == "\\")
                    j++
                else if (d == c)
                    break
            }
            anadir("\"\"")
            i = j
            continue
        }
        if (c == "{") {
            t = recortar(st)
            sin_plantillas = t
            do {
                previo = sin_plantillas
                gsub(/<[^<>]*>/, "", sin_plantillas)
            } while (sin_plantillas != previo)
            guardado[nivel + 1] = st
            if (t ~ /(^|[^A-Za-z0-9_])enum([^A-Za-z0-9_]|$)/) {
                nuevo = "otro"
            } else if (sin_plantillas ~ /(^|[^A-Za-z0-9_])(class|struct|union)[ \t]+[A-Za-z_]/ || t ~ /^(struct|union)$/) {
                nuevo = "clase"
                acceso[nivel + 1] = (sin_plantillas ~ /(^|[^A-Za-z0-9_])class[ \t]/) ? "private" : "public"
            } else if (tipo[nivel] == "clase" && (t == "" || (sin_plantillas ~ /\(/ && sin_plantillas !~ /=/))) {
                nuevo = "funcion"
            } else if (tipo[nivel] == "clase") {
                nuevo = "inicial"
            } else {
                nuevo = "otro"
            }
            nivel++
            tipo[nivel] = nuevo
            componentes[nivel] = 0
            st = ""
            continue
        }
        if (c == "}") {
            if (nivel == 0)
                continue
            cerrado = tipo[nivel]
            nivel--
            st = (cerrado == "inicial") ? guardado[nivel + 1] "{}" : ""
            continue
        }
        if (c == ";") {
            revisar()
            st = ""
            continue
        }
        if (c == ":" && substr(linea, i + 1, 1) != ":" && substr(linea, i - 1, 1) != ":") {
            t = recortar(st)
            if (tipo[nivel] == "clase" && t ~ /^(public|private|protected)([ \t]+(slots|Q_SLOTS))?$|^(signals|Q_SIGNALS)$/) {
                split(t, palabra, /[ \t]+/)
                acceso[nivel] = (palabra[1] ~ /signals/) ? "public" : palabra[1]
                componentes[nivel] = 0
                st = ""
                continue
            }
        }
        anadir(c)
    }
    if (recortar(st) ~ /^[A-Z_][A-Z0-9_]*(\(.*\))?$/)
        st = ""
    else if (st != "")
        st = st " "
}

END {
    if (fallos) {
        printf "%d miembros privados fuera del estilo (ver scripts/comprobar_estilo.sh)\n", fallos
        exit 1
    }
}
' "$@"
