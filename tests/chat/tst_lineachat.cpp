#include "chat/entradachat.h"
#include "chat/lineachat.h"
#include "logview/logdocumento.h"

#include <QTest>

namespace {

const QString kHora = QStringLiteral("[12:34] ");

// "L:" a text item that starts a line, "T:" one that continues it, "I" a picture.
QStringList Items(const TLogDocumento& documento, const TListaImagenes* lista) {
    QStringList items;
    for (const TItemLog& item : documento.Items()) {
        if (item.Info.StyleIndex == ikListImage) {
            const bool suLista = item.Info.ImageList() == lista && item.Info.ContinuesLine;
            items << QStringLiteral("I%1%2").arg(item.Info.ImageIndex).arg(suLista ? "" : "?");
        } else {
            items << (item.Info.ContinuesLine ? QStringLiteral("T:") : QStringLiteral("L:")) +
                         item.Texto;
        }
    }
    return items;
}

} // namespace

class TstLineaChat : public QObject {
    Q_OBJECT
private slots:
    void ItemsDeUnaLinea_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QString>("nick");
        QTest::addColumn<QString>("sello");
        QTest::addColumn<bool>("emoticonos");
        QTest::addColumn<QStringList>("items");
        const QString ana = QStringLiteral("ana");
        QTest::addRow("nariz y sin nariz")
            << "hola :-) que :)" << ana << "" << true
            << QStringList{"L:<ana>", "T: hola ", "I0", "T: que ", "I0"};
        QTest::addRow("D mayuscula y minuscula")
            << "a :-D b :-d" << ana << kHora << true
            << QStringList{"L:[12:34] <ana>", "T: a ", "I1", "T: b :-d"};
        QTest::addRow("lengua con dos y con un dos puntos")
            << "::P: :P:" << ana << "" << true
            << QStringList{"L:<ana>", "T: ", "I6", "T: ", "I6", "T::"};
        QTest::addRow("palabra al empezar") << ":smile:" << ana << "" << true
                                            << QStringList{"L:<ana>", "T: ", "I0"};
        QTest::addRow("dos seguidos") << ":):(" << ana << "" << true
                                      << QStringList{"L:<ana>", "T: ", "I0", "I2"};
        QTest::addRow("cortado") << ":smil" << ana << "" << true
                                 << QStringList{"L:<ana>", "T: :smil"};
        QTest::addRow("codigo en el nick queda en texto")
            << "x" << ":)" << "" << true << QStringList{"L:<:)>", "T: x"};
        QTest::addRow("texto vacio") << "" << ana << kHora << true
                                     << QStringList{"L:[12:34] <ana>", "T: "};
        QTest::addRow("servidor sin hora, entero y en texto")
            << "Se une :)" << kNickServidor << "" << true << QStringList{"L:Se une :)"};
        QTest::addRow("servidor con hora")
            << "Se une :)" << kNickServidor << kHora << true
            << QStringList{"L:[12:34]", "T: Se une ", "I0"};
        QTest::addRow("emoticonos apagados")
            << "hola :-)" << ana << kHora << false
            << QStringList{"L:[12:34] <ana>", "T: hola :-)"};
    }

    void ItemsDeUnaLinea() {
        QFETCH(QString, texto);
        QFETCH(QString, nick);
        QFETCH(QString, sello);
        QFETCH(bool, emoticonos);
        QFETCH(QStringList, items);
        const TListaImagenes lista = ListaEmoticonos();
        TLogDocumento documento;
        documento.AppendLine(QStringLiteral("antes"), 0);
        AnadirLineaChat(documento, ComponerLineaChat(texto, nick, sello, emoticonos), 7, &lista);
        items.prepend(QStringLiteral("L:antes"));
        QCOMPARE(Items(documento, &lista), items);
        for (int i = 1; i < documento.Count(); ++i) {
            const TLineInfo& info = documento.Items()[i].Info;
            QVERIFY(info.StyleIndex == 7 || info.StyleIndex == ikListImage);
        }
    }

    void UnEstiloPorCombinacion() {
        TLogStyle tabla;
        TDiccionarioEstilos diccionario(tabla);
        const QString fuente = QStringLiteral("Fixedsys");
        QCOMPARE(diccionario.BuscarEstilo(fuente, 8, false, false, 0x0000FF), 6);
        QCOMPARE(diccionario.BuscarEstilo(QStringLiteral("Arial"), 8, false, false, 0x0000FF), 7);
        QCOMPARE(diccionario.BuscarEstilo(fuente, 9, false, false, 0x0000FF), 8);
        QCOMPARE(diccionario.BuscarEstilo(fuente, 8, false, false, 0x00FF00), 9);
        QCOMPARE(diccionario.BuscarEstilo(fuente, 8, true, true, 0x0000FF), 10);
        QCOMPARE(diccionario.BuscarEstilo(fuente, 8, false, false, 0x0000FF), 6);
        QCOMPARE(diccionario.BuscarEstilo(fuente, 9, false, false, 0x0000FF), 8);
        QCOMPARE(tabla.TextStyles.Count(), 11);
        QCOMPARE(diccionario.Entradas().size(), 5);
        const TFontInfo& primero = tabla.TextStyles[6];
        QCOMPARE(primero.FontName, fuente);
        QCOMPARE(primero.Size, 8);
        QCOMPARE(primero.Color, TColor(0x0000FF));
        QCOMPARE(primero.Style, quint8(0));
        QCOMPARE(tabla.TextStyles[10].Style, quint8(kNegrita | kSubrayado));
    }

    void SelloHora_data() {
        QTest::addColumn<QTime>("hora");
        QTest::addColumn<QLocale>("local");
        QTest::addColumn<QString>("sello");
        QTest::addRow("medianoche") << QTime(0, 0) << QLocale::c() << "[00:00] ";
        QTest::addRow("un digito") << QTime(9, 5, 59) << QLocale::c() << "[09:05] ";
        QTest::addRow("ultimo minuto") << QTime(23, 59) << QLocale::c() << "[23:59] ";
        QTest::addRow("doce horas en el local, 24 en el sello")
            << QTime(13, 5) << QLocale(QLocale::English, QLocale::UnitedStates) << "[13:05] ";
        QTest::addRow("separador punto") << QTime(13, 5) << QLocale(QLocale::Finnish)
                                         << "[13.05] ";
    }

    void SelloHora() {
        QFETCH(QTime, hora);
        QFETCH(QLocale, local);
        QFETCH(QString, sello);
        QCOMPARE(::SelloHora(hora, local), sello);
    }

    void AjustesDelEscritor() {
        TLogStyle tabla;
        TConfig config;
        TReloj reloj;
        reloj.Fijar(QDateTime(QDate(2026, 1, 2), QTime(14, 7)));
        TEscritorChat escritor(tabla, config, reloj);
        const QString sello = ::SelloHora(QTime(14, 7));
        QCOMPARE(escritor.Componer(QStringLiteral(":)"), QStringLiteral("ana")).Cabeza,
                 sello + QStringLiteral("<ana>"));
        config.Chat.mostrarHora = false;
        config.Chat.mostrarEmoticonos = false;
        const TLineaChat linea = escritor.Componer(QStringLiteral(":)"), QStringLiteral("ana"));
        QCOMPARE(linea.Cabeza, QStringLiteral("<ana>"));
        QCOMPARE(linea.Piezas.size(), size_t(1));
        QCOMPARE(linea.Piezas.front().Texto, QStringLiteral(" :)"));
        const qint32 estilo = escritor.Estilo(0x123456);
        QCOMPARE(tabla.TextStyles[estilo].FontName, QStringLiteral("Fixedsys"));
        QCOMPARE(tabla.TextStyles[estilo].Size, 8);
        config.Chat.Fuente.Size = 12;
        QVERIFY(escritor.Estilo(0x123456) != estilo);
    }

    void SuenaSoloFueraDeLaSalaQueSeMira() {
        QVERIFY(!SuenaChatHabla(true, true, true));
        QVERIFY(SuenaChatHabla(true, true, false));
        QVERIFY(SuenaChatHabla(true, false, true));
        QVERIFY(SuenaChatHabla(false, false, true));
    }

    void CortarEnLineas_data() {
        QTest::addColumn<QString>("entrada");
        QTest::addColumn<QStringList>("lineas");
        QTest::addRow("pegado de tres con vacias")
            << "\r\nuno\r\n\r\ndos\n\rtres\r" << QStringList{"uno", "dos", "tres"};
        QTest::addRow("solo saltos") << "\r\n\n" << QStringList{};
        QTest::addRow("blancos se envian") << " \n x" << QStringList{" ", " x"};
    }

    void CortarEnLineas() {
        QFETCH(QString, entrada);
        QFETCH(QStringList, lineas);
        QCOMPARE(::CortarEnLineas(entrada), lineas);
    }

    void IntroEnviaLasLineasYGuardaLaEntrada() {
        TEntradaChat entrada;
        const QString pegado = QStringLiteral("uno\r\n\r\ndos\r\ntres");
        const auto respuesta = entrada.TeclaPulsada(Qt::Key_Return, pegado);
        QCOMPARE(respuesta.Enviar, (QStringList{"uno", "dos", "tres"}));
        QCOMPARE(respuesta.Texto, std::optional<QString>(QString()));
        QVERIFY(respuesta.Consumida);
        QCOMPARE(entrada.History(), QStringList{pegado});
        const auto vacia = entrada.TeclaPulsada(Qt::Key_Enter, QString());
        QVERIFY(vacia.Enviar.isEmpty() && !vacia.Texto && vacia.Consumida);
        QCOMPARE(entrada.History().size(), 1);
    }

    void HistoriaConArribaYAbajo() {
        TEntradaChat entrada;
        const auto pulsar = [&](int tecla) {
            return entrada.TeclaPulsada(tecla, QStringLiteral("lo que haya")).Texto;
        };
        for (const char* linea : {"A", "B", "C"})
            entrada.TeclaPulsada(Qt::Key_Return, QLatin1String(linea));
        QCOMPARE(pulsar(Qt::Key_Down), std::nullopt);
        QCOMPARE(pulsar(Qt::Key_Up), u"C"_qs);
        QCOMPARE(pulsar(Qt::Key_Up), u"B"_qs);
        QCOMPARE(pulsar(Qt::Key_Up), u"A"_qs);
        QCOMPARE(pulsar(Qt::Key_Up), std::nullopt);
        QCOMPARE(entrada.HistoryPos(), 3);
        QCOMPARE(pulsar(Qt::Key_Down), u"B"_qs);
        QCOMPARE(pulsar(Qt::Key_Down), u"C"_qs);
        QCOMPARE(pulsar(Qt::Key_Down), std::nullopt);
        QCOMPARE(pulsar(Qt::Key_Up), u"B"_qs);
        // Any other key ends browsing: the next Up starts from the newest again.
        QCOMPARE(pulsar(Qt::Key_Left), std::nullopt);
        QCOMPARE(entrada.HistoryPos(), 0);
        QCOMPARE(pulsar(Qt::Key_Up), u"C"_qs);
    }

    void HistoriaDeCincuenta() {
        TEntradaChat entrada;
        for (int i = 1; i <= 51; ++i)
            entrada.TeclaPulsada(Qt::Key_Return, QString::number(i));
        std::optional<QString> ultimo;
        for (int i = 0; i < 50; ++i)
            ultimo = entrada.TeclaPulsada(Qt::Key_Up, {}).Texto;
        QCOMPARE(ultimo, u"2"_qs);
        QCOMPARE(entrada.TeclaPulsada(Qt::Key_Up, {}).Texto, std::nullopt);
        QCOMPARE(entrada.HistoryPos(), 50);
    }
};

QTEST_GUILESS_MAIN(TstLineaChat)
#include "tst_lineachat.moc"
