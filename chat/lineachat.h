#pragma once

#include "chat/emoticonos.h"
#include "core/configuracion.h"
#include "core/reloj.h"
#include "logview/logestilo.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <vector>

// The nick of the lines a room's host writes on its own account; they show without a nick.
inline const QString kNickServidor = QStringLiteral("<<<SERVER>>>");

// One text style that the chat window has added to its style table.
struct TItemDiccionario {
    QString FontName;
    qint32 Size = 0;
    TColor Color = 0;
    bool Bold = false;
    bool Underline = false;
    qint32 StyleIndex = 0;
};

// Styles are added to the table once per face, size, colour, bold and underline, and never
// removed, so lines already written keep theirs.
class TDiccionarioEstilos {
public:
    explicit TDiccionarioEstilos(TLogStyle& tabla) : tabla_(tabla) {}

    // Find style: the index of the matching style, added to the table when it is new.
    qint32 BuscarEstilo(const QString& fuente, qint32 tamano, bool negrita, bool subrayado,
                        TColor color);
    const QList<TItemDiccionario>& Entradas() const { return entradas_; }

private:
    TLogStyle& tabla_;
    QList<TItemDiccionario> entradas_;
};

// "[HH:MM] " with the locale's time separator (":" when the locale names none).
QString SelloHora(const QTime& hora, const QLocale& local = QLocale());

// A chat line cut into what goes into the log: the head (time stamp and "<nick>", without the
// blank after them) on a new line, then text runs and pictures continuing it. A line with no
// head at all is one text run that starts the line, codes left as text.
struct TLineaChat {
    struct TPieza {
        QString Texto;
        qint32 Imagen = -1; // a picture of the emoticon list when 0 or more
    };
    QString Cabeza;
    std::vector<TPieza> Piezas;
};

// `sello` is the time stamp or empty; with `emoticonos` off every code stays text.
TLineaChat ComponerLineaChat(const QString& texto, const QString& nick, const QString& sello,
                             bool emoticonos);

// Appends a composed line to a log (TLogView or TLogDocumento) without laying it out.
template <class TLog>
void AnadirLineaChat(TLog& log, const TLineaChat& linea, qint32 estilo,
                     const TListaImagenes* imagenes) {
    if (linea.Cabeza.isEmpty()) {
        log.AppendLine(linea.Piezas.empty() ? QString() : linea.Piezas.front().Texto, estilo);
        return;
    }
    log.AppendLine(linea.Cabeza, estilo);
    for (const TLineaChat::TPieza& pieza : linea.Piezas) {
        if (pieza.Imagen >= 0)
            log.AppendImage(pieza.Imagen, imagenes, false);
        else
            log.AppendMultiline(pieza.Texto, estilo);
    }
}

// Follow-the-end: a reader who was at the end (both 0 while everything fits) follows the new
// end; one who had scrolled up stays where he was.
constexpr int PosicionTrasLinea(int posicionAntes, int maximoAntes, int maximoDespues) {
    return posicionAntes == maximoAntes ? maximoDespues : posicionAntes;
}

// Chat_Habla sounds unless the user is looking at that very room.
constexpr bool SuenaChatHabla(bool ventanaVisible, bool ventanaActiva, bool paginaActiva) {
    return !(ventanaVisible && ventanaActiva && paginaActiva);
}

// Write chat line without the window: style, stamp, nick, emoticons, and the reader's place.
// The window refreshes the log and plays Chat_Habla.
class TEscritorChat {
public:
    TEscritorChat(TLogStyle& tabla, const TConfig& config, const TReloj& reloj)
        : estilos_(tabla), config_(config), reloj_(reloj) {}

    const TListaImagenes& Emoticonos() const { return emoticonos_; }
    const TDiccionarioEstilos& Estilos() const { return estilos_; }

    TLineaChat Componer(const QString& texto, const QString& nick) const;
    // The chat font's plain style in that colour.
    qint32 Estilo(TColor color);

    // TLog has the view's appends, Reformat, VerticalPos, SetVerticalPos and VerticalPosMax.
    template <class TLog>
    void Escribir(TLog& log, TColor color, const QString& texto, const QString& nick) {
        const int antes = log.VerticalPos();
        const int maximoAntes = log.VerticalPosMax();
        AnadirLineaChat(log, Componer(texto, nick), Estilo(color), &emoticonos_);
        log.Reformat();
        log.SetVerticalPos(PosicionTrasLinea(antes, maximoAntes, log.VerticalPosMax()));
    }

private:
    TDiccionarioEstilos estilos_;
    const TConfig& config_;
    const TReloj& reloj_;
    TListaImagenes emoticonos_ = ListaEmoticonos();
};
