#include "chat/lineachat.h"

qint32 TDiccionarioEstilos::BuscarEstilo(const QString& fuente, qint32 tamano, bool negrita,
                                          bool subrayado, TColor color) {
    for (const TItemDiccionario& entrada : entradas_) {
        if (entrada.FontName == fuente && entrada.Size == tamano && entrada.Color == color &&
            entrada.Bold == negrita && entrada.Underline == subrayado)
            return entrada.StyleIndex;
    }
    const qint32 indice = tabla_.AppendTextStyle();
    TFontInfo& estilo = tabla_.TextStyles[indice];
    estilo.FontName = fuente;
    estilo.Size = tamano;
    estilo.Color = color;
    if (negrita)
        estilo.Style |= kNegrita;
    if (subrayado)
        estilo.Style |= kSubrayado;
    entradas_.append({fuente, tamano, color, negrita, subrayado, indice});
    return indice;
}

namespace {

// What the locale's short time format puts between the hours and the minutes.
QString SeparadorHora(const QLocale& local) {
    const QString formato = local.timeFormat(QLocale::ShortFormat);
    qsizetype i = 0;
    while (i < formato.size() && formato[i].toLower() != QLatin1Char('h'))
        ++i;
    while (i < formato.size() && formato[i].toLower() == QLatin1Char('h'))
        ++i;
    QString separador;
    for (; i < formato.size() && formato[i] != QLatin1Char('m'); ++i) {
        if (formato[i] != QLatin1Char('\''))
            separador.append(formato[i]);
    }
    return separador.isEmpty() ? QStringLiteral(":") : separador;
}

QString DosCifras(int numero) { return QStringLiteral("%1").arg(numero, 2, 10, QLatin1Char('0')); }

// The text after the head, from the blank that ends it, with codes turned into pictures.
void PartirEnEmoticonos(const QString& linea, qsizetype desde,
                        std::vector<TLineaChat::TPieza>& piezas) {
    QString pendiente;
    for (qsizetype p = desde; p < linea.size(); ++p) {
        const qint32 imagen = BuscarEmoticono(linea, p);
        if (imagen < 0) {
            pendiente.append(linea[p]);
            continue;
        }
        if (!pendiente.isEmpty())
            piezas.push_back({std::exchange(pendiente, QString()), -1});
        piezas.push_back({QString(), imagen});
    }
    if (!pendiente.isEmpty())
        piezas.push_back({pendiente, -1});
}

} // namespace

QString SelloHora(const QTime& hora, const QLocale& local) {
    return u'[' % DosCifras(hora.hour()) % SeparadorHora(local) % DosCifras(hora.minute()) %
           QStringLiteral("] ");
}

TLineaChat ComponerLineaChat(const QString& texto, const QString& nick, const QString& sello,
                             bool emoticonos) {
    const bool conNick = nick != kNickServidor;
    const QString linea =
        conNick ? QString(sello % u'<' % nick % QStringLiteral("> ") % texto) : sello + texto;
    const qsizetype prefijo = sello.size() + (conNick ? nick.size() + 3 : 0);
    TLineaChat resultado;
    if (prefijo == 0) {
        resultado.Piezas.push_back({linea, -1});
        return resultado;
    }
    resultado.Cabeza = linea.left(prefijo - 1);
    if (emoticonos)
        PartirEnEmoticonos(linea, prefijo - 1, resultado.Piezas);
    else
        resultado.Piezas.push_back({linea.mid(prefijo - 1), -1});
    return resultado;
}

TLineaChat TEscritorChat::Componer(const QString& texto, const QString& nick) const {
    const QString sello = config_.Chat.mostrarHora ? SelloHora(reloj_.Ahora().time()) : QString();
    return ComponerLineaChat(texto, nick, sello, config_.Chat.mostrarEmoticonos);
}

qint32 TEscritorChat::Estilo(TColor color) {
    return estilos_.BuscarEstilo(config_.Chat.Fuente.Name, config_.Chat.Fuente.Size, false, false,
                                 color);
}
