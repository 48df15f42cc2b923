#include "core/error.h"
#include "logview/logdocumento.h"
#include "logview/logestilo.h"

#include <QTest>

namespace {

// Notes its own destruction so that a test can see who frees it.
class TControlEspia : public TControlLog {
public:
    explicit TControlEspia(bool* liberado) : liberado(liberado) {}
    ~TControlEspia() override { *liberado = true; }
    QSize Tamano() const override { return {30, 20}; }
    void Colocar(int, int arriba) override { ultimoArriba = arriba; }

    int ultimoArriba = 0;

private:
    bool* liberado;
};

struct TResumen {
    QString texto;
    bool continua;
};

QList<TResumen> Resumir(const TLogDocumento& documento) {
    QList<TResumen> resumen;
    for (const TItemLog& item : documento.Items())
        resumen.append({item.Texto, item.Info.ContinuesLine});
    return resumen;
}

} // namespace

class TstLogDocumento : public QObject {
    Q_OBJECT
private slots:
    void EstilosPorDefecto() {
        TLogStyle estilo;
        QCOMPARE(estilo.TextStyles.Count(), 6);
        QCOMPARE(estilo.TextStyles[1].Color, ColorRGB(0, 0, 255));
        QCOMPARE(estilo.TextStyles[3].Style, quint8(kCursiva));
        QCOMPARE(estilo.TextStyles[5].Style, quint8(kSubrayado));
        QCOMPARE(estilo.TextStyles[0].FontName, QStringLiteral("Arial"));
        QCOMPARE(estilo.JumpCursor, quint16(101));
        QCOMPARE(estilo.HoverColor, kSinColor);
        QCOMPARE(estilo.AppendTextStyle(), 6);
        QCOMPARE(estilo.TextStyles[6].Color, TColor(0x80000008));
        QVERIFY_THROWS_EXCEPTION(TError, estilo.TextStyles[7]);
    }

    void SoloLosEstilosCuatroYCincoSonSaltos() {
        for (int s = 0; s < 10; ++s)
            QCOMPARE(EsEstiloDeSalto(s), s == 4 || s == 5);
    }

    void ManoDeSaltoApuntaConLaPunta() {
        const QImage mano = ImagenManoSalto();
        QCOMPARE(mano.size(), QSize(32, 32));
        QCOMPARE(mano.pixel(6, 0), qRgb(0, 0, 0));
        QCOMPARE(qAlpha(mano.pixel(7, 0)), 0);
        QCOMPARE(qAlpha(mano.pixel(6, 31)), 0);
    }

    void TextoEnDocumentoVacioEmpiezaLinea() {
        TLogDocumento documento;
        documento.AppendText(QStringLiteral("a"), 0);
        documento.AppendText(QStringLiteral("b"), 0);
        QCOMPARE(documento.Items()[0].Info.ContinuesLine, false);
        QCOMPARE(documento.Items()[1].Info.ContinuesLine, true);
    }

    void Multilinea_data() {
        QTest::addColumn<QString>("texto");
        QTest::addColumn<QStringList>("textos");
        QTest::addColumn<QList<bool>>("continuan");
        QTest::newRow("dos CR LF") << QStringLiteral("uno\r\n\r\ndos")
                                   << QStringList{"uno", "", "dos"}
                                   << QList<bool>{true, false, false};
        QTest::newRow("CR LF final") << QStringLiteral("uno\r\n") << QStringList{"uno"}
                                     << QList<bool>{true};
        QTest::newRow("LF suelto") << QStringLiteral("uno\ndos") << QStringList{"uno", "dos"}
                                   << QList<bool>{true, false};
        QTest::newRow("CR suelto") << QStringLiteral("uno\rdos") << QStringList{"uno", "dos"}
                                   << QList<bool>{true, false};
        QTest::newRow("LF CR") << QStringLiteral("uno\n\rdos") << QStringList{"uno", "dos"}
                               << QList<bool>{true, false};
        QTest::newRow("CR LF y CR") << QStringLiteral("a\r\n\rb") << QStringList{"a", "", "b"}
                                    << QList<bool>{true, false, false};
        QTest::newRow("empieza con salto") << QStringLiteral("\r\nb") << QStringList{"", "b"}
                                           << QList<bool>{true, false};
        QTest::newRow("vacío") << QString() << QStringList{} << QList<bool>{};
    }
    void Multilinea() {
        QFETCH(QString, texto);
        QFETCH(QStringList, textos);
        QFETCH(QList<bool>, continuan);
        TLogDocumento documento;
        documento.AppendLine(QStringLiteral("<nick> "), 1);
        documento.AppendMultiline(texto, 0);
        const QList<TResumen> resumen = Resumir(documento).mid(1);
        QCOMPARE(resumen.size(), textos.size());
        for (int i = 0; i < resumen.size(); ++i) {
            QCOMPARE(resumen[i].texto, textos[i]);
            QCOMPARE(resumen[i].continua, continuan[i]);
        }
    }

    void ImagenDeListaSigueLaLinea() {
        TListaImagenes lista(17, 15);
        TLogDocumento documento;
        documento.AppendImage(3, &lista, false);
        documento.AppendImage(4, &lista, true);
        const TLineInfo& primera = documento.Items()[0].Info;
        QCOMPARE(primera.StyleIndex, qint32(ikListImage));
        QCOMPARE(primera.ContinuesLine, true);
        QCOMPARE(primera.ImageIndex, 3);
        QCOMPARE(primera.ImageList(), &lista);
        QCOMPARE(documento.Items()[1].Info.ContinuesLine, false);
    }

    void LimpiarLiberaControlesPeroNoListas() {
        bool liberado = false;
        TListaImagenes lista(17, 15);
        lista.Add(QImage(17, 15, QImage::Format_RGB32));
        TLogDocumento documento;
        documento.AppendImage(0, &lista, false);
        documento.AppendPicture(QImage(8, 8, QImage::Format_RGB32));
        documento.AppendControl(std::make_unique<TControlEspia>(&liberado), true);
        const quint64 antes = documento.Generacion();
        documento.ClearDocument();
        QVERIFY(liberado);
        QCOMPARE(documento.Count(), 0);
        QVERIFY(documento.Generacion() != antes);
        QCOMPARE(lista.Count(), 1);
        QVERIFY(!lista.Imagen(0).isNull());
    }

    void ControlSeQuedaDentroDeLosLimites() {
        bool liberado = false;
        TControlEspia control(&liberado);
        control.ColocarEnDocumento(5, 25000);
        QCOMPARE(control.ultimoArriba, 10000);
        control.MoverVertical(-20000);
        QCOMPARE(control.ArribaDocumento(), 5000);
        QCOMPARE(control.ultimoArriba, 5000);
    }
};

QTEST_GUILESS_MAIN(TstLogDocumento)
#include "tst_logdocumento.moc"
