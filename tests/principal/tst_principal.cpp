#include "core/agenda.h"
#include "principal/principal.h"
#include "widgets/iconos.h"

#include <QTest>

class TstPrincipal : public QObject {
    Q_OBJECT
private slots:
    void HabilitacionDelMenuDeContactos() {
        const THabilitacionMenu nada = HabilitarMenuContactos(nullptr, nullptr);
        QCOMPARE(nada.CaptionIP, QString());
        QVERIFY(!nada.IP && !nada.Eliminar && !nada.Flash && !nada.Chat && !nada.Archivo && !nada.EMail);
        QVERIFY(!nada.Comprobar);

        TAgenda agenda;
        TContacto* contacto = agenda.Anadir(QStringLiteral("a"), QStringLiteral("10.0.0.1"), {});
        const THabilitacionMenu fuera = HabilitarMenuContactos(contacto->Item, contacto);
        QCOMPARE(fuera.CaptionIP, QStringLiteral("10.0.0.1"));
        QVERIFY(fuera.IP && fuera.Eliminar && fuera.Comprobar);
        QVERIFY(!fuera.Flash && !fuera.Chat && !fuera.Archivo && !fuera.EMail);

        agenda.FijarConectado(contacto, true);
        contacto->EMail = QStringLiteral("a@example.org");
        const THabilitacionMenu dentro = HabilitarMenuContactos(contacto->Item, contacto);
        QVERIFY(dentro.Flash && dentro.Chat && dentro.Archivo && dentro.EMail);
        QVERIFY(!dentro.Comprobar);
    }

    void AspectoDeLasFilas() {
        const TColor fondo = ColorRGB(212, 208, 200);
        QCOMPARE(AspectoFila(true, true, fondo).Fondo, ColorRGB(51, 51, 170));
        QCOMPARE(AspectoFila(true, true, fondo).Texto, ColorRGB(255, 255, 255));
        QCOMPARE(AspectoFila(true, false, fondo).Texto, ColorRGB(221, 221, 221));
        QCOMPARE(AspectoFila(false, true, fondo).Fondo, fondo);
        QCOMPARE(AspectoFila(false, true, fondo).Texto, ColorRGB(0, 0, 0));
        QCOMPARE(AspectoFila(false, false, fondo).Texto, ColorRGB(85, 85, 85));
    }

    void IconoTransparenteYDesvaido() {
        QImage icono(3, 1, QImage::Format_RGB32);
        icono.setPixel(0, 0, qRgb(255, 0, 255));  // the key
        icono.setPixel(1, 0, qRgb(255, 0, 0));
        icono.setPixel(2, 0, qRgb(255, 0, 255));
        const TColor fondo = ColorRGB(51, 51, 170);
        const QImage conectado = IconoEnFila(icono, true, fondo);
        QCOMPARE(qAlpha(conectado.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(conectado.pixel(2, 0)), 0);
        QCOMPARE(conectado.pixel(1, 0), qRgb(255, 0, 0));
        QCOMPARE(IconoEnFila(icono, false, fondo).pixel(1, 0), qRgb(193, 15, 51));
        QCOMPARE(IconoEstado(0).size(), QSize(15, 15));
        QVERIFY(IconoEstado(0) != IconoEstado(1));
    }

    void Disposicion() {
        const TDisposicionPrincipal pequena = DisponerPrincipal({100, 50}, 0);
        QCOMPARE(pequena.Cliente, QSize(180, 140));
        QCOMPARE(pequena.Barra, QRect(0, 0, 180, 19));
        QCOMPARE(pequena.Marco, QRect(0, 20, 180, 120));
        QCOMPARE(pequena.Lista, QRect(1, 21, 178, 118));
        QCOMPARE(pequena.AnchoColumnaNick, 178);
        // 118 - 2 = 116 pixels hold 7 rows of 16, not 8.
        QCOMPARE(DisponerPrincipal({180, 140}, 7).AnchoColumnaNick, 178);
        QCOMPARE(DisponerPrincipal({180, 140}, 8).AnchoColumnaNick, 162);
    }

    void Cierre() {
        QCOMPARE(PreguntaCierre(false, false), TRespuestaCierre::Cerrar);
        QCOMPARE(PreguntaCierre(false, true), TRespuestaCierre::Ocultar);
        QCOMPARE(PreguntaCierre(true, true), TRespuestaCierre::Cerrar);
    }
};

QTEST_MAIN(TstPrincipal)
#include "tst_principal.moc"
