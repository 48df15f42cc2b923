#include "widgets/reproductorsonido.h"

#include <QSoundEffect>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

namespace {

// A short silent 8 kHz mono 16-bit WAV.
QByteArray Wav() {
    const QByteArray muestras(1600, '\0');
    QByteArray datos;
    auto palabra = [&datos](quint32 valor, int bytes) {
        for (int i = 0; i < bytes; ++i)
            datos.append(char((valor >> (8 * i)) & 0xFF));
    };
    datos.append("RIFF");
    palabra(36 + muestras.size(), 4);
    datos.append("WAVEfmt ");
    palabra(16, 4);
    palabra(1, 2);
    palabra(1, 2);
    palabra(8000, 4);
    palabra(16000, 4);
    palabra(2, 2);
    palabra(16, 2);
    datos.append("data");
    palabra(muestras.size(), 4);
    return datos + muestras;
}

QString Escribir(const QTemporaryDir& carpeta, const QString& nombre, const QByteArray& datos) {
    QFile fichero(carpeta.filePath(nombre));
    if (!fichero.open(QIODevice::WriteOnly))
        return {};
    fichero.write(datos);
    return fichero.fileName();
}

} // namespace

class TstReproductorSonido : public QObject {
    Q_OBJECT
private slots:
    void init() { pitidos_ = 0; }

    void NombreVacioNoSuena() {
        TReproductorSonido reproductor(nullptr, [this] { ++pitidos_; });
        reproductor.Reproducir(QString());
        QCOMPARE(pitidos_, 0);
        QVERIFY(reproductor.findChild<QSoundEffect*>()->source().isEmpty());
    }

    void FicheroQueNoExistePita() {
        QTemporaryDir carpeta;
        TReproductorSonido reproductor(nullptr, [this] { ++pitidos_; });
        reproductor.Reproducir(carpeta.filePath(QStringLiteral("no-esta.wav")));
        QCOMPARE(pitidos_, 1);
        reproductor.Reproducir(carpeta.path());
        QCOMPARE(pitidos_, 2);
    }

    void FicheroQueNoEsSonidoPitaCadaVez() {
        QTemporaryDir carpeta;
        const QString roto = Escribir(carpeta, QStringLiteral("roto.wav"), "esto no es un wav");
        TReproductorSonido reproductor(nullptr, [this] { ++pitidos_; });
        reproductor.Reproducir(roto);
        QTRY_COMPARE(pitidos_, 1);
        reproductor.Reproducir(roto);
        QTRY_COMPARE(pitidos_, 2);
    }

    void UnSonidoNuevoSustituyeAlAnterior() {
        QTemporaryDir carpeta;
        const QString uno = Escribir(carpeta, QStringLiteral("uno.wav"), Wav());
        const QString dos = Escribir(carpeta, QStringLiteral("dos.wav"), Wav());
        TReproductorSonido reproductor(nullptr, [this] { ++pitidos_; });
        reproductor.Reproducir(uno);
        reproductor.Reproducir(dos);
        auto* efecto = reproductor.findChild<QSoundEffect*>();
        QCOMPARE(efecto->source(), QUrl::fromLocalFile(dos));
        QTRY_VERIFY(efecto->status() != QSoundEffect::Loading);
        QCOMPARE(efecto->status(), QSoundEffect::Ready);
        QCOMPARE(pitidos_, 0);
    }

private:
    int pitidos_ = 0;
};

QTEST_MAIN(TstReproductorSonido)
#include "tst_reproductorsonido.moc"
