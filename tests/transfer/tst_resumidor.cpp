#include "transfer/resumidor.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray Sha256(const QByteArray& datos) {
    return QCryptographicHash::hash(datos, QCryptographicHash::Sha256).toHex();
}

} // namespace

class TstResumidor : public QObject {
    Q_OBJECT
private slots:
    // More than may wait at once, in blocks of every size, goes through in order; the digest
    // so far does not end the hashing.
    void BloquesEnOrden() {
        TResumidor resumidor;
        QByteArray todo;
        for (int i = 0; todo.size() <= 3 * TResumidor::kMaximoEnCola; ++i) {
            const QByteArray bloque(i % 70000, char(i));
            resumidor.Anadir(bloque);
            todo += bloque;
            if (i == 3)
                QCOMPARE(resumidor.Hex(), Sha256(todo));
        }
        QCOMPARE(resumidor.Hex(), Sha256(todo));
    }

    // The held part is answered from the event loop, and the blocks after it follow it.
    void InicioDeFichero() {
        QTemporaryDir carpeta;
        const QString ruta = carpeta.filePath(QStringLiteral("parte"));
        QFile fichero(ruta);
        QVERIFY(fichero.open(QIODevice::WriteOnly) && fichero.write("abcdefgh") == 8);
        fichero.close();
        TResumidor resumidor;
        std::vector<std::optional<QByteArray>> respuestas;
        const auto anotar = [&](std::optional<QByteArray> hex) { respuestas.push_back(hex); };
        resumidor.ResumirInicio(ruta, 9, anotar);
        QTRY_COMPARE(respuestas.size(), std::size_t(1));
        QCOMPARE(respuestas[0], std::nullopt);
        resumidor.ResumirInicio(ruta, 5, anotar);
        resumidor.Anadir("xyz");
        QVERIFY(respuestas.size() == 1);
        QTRY_COMPARE(respuestas.size(), std::size_t(2));
        QCOMPARE(respuestas[1], std::optional(Sha256("abcde")));
        QCOMPARE(resumidor.Hex(), Sha256("abcdexyz"));
    }

    // A check dropped or whose hasher goes is never answered, even after its end.
    void ComprobacionDejada() {
        QTemporaryDir carpeta;
        QFile grande(carpeta.filePath(QStringLiteral("grande")));
        QVERIFY(grande.open(QIODevice::WriteOnly) && grande.resize(qint64(1) << 30));
        bool respondida = false;
        {
            TResumidor ido;
            ido.ResumirInicio(grande.fileName(), grande.size(), [&](auto) { respondida = true; });
        }
        TResumidor resumidor;
        resumidor.ResumirInicio(grande.fileName(), 1 << 20, [&](auto) { respondida = true; });
        resumidor.Reiniciar();
        resumidor.Anadir("a");
        QCOMPARE(resumidor.Hex(), Sha256("a"));
        QTest::qWait(200);
        QVERIFY(!respondida);
    }
};

QTEST_GUILESS_MAIN(TstResumidor)
#include "tst_resumidor.moc"
