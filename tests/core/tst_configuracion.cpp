#include "apoyo/interfazfalsa.h"
#include "core/mensajero.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class TstConfiguracion : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> carpeta;
    std::unique_ptr<TInterfazFalsa> interfaz;
    std::unique_ptr<TMensajero> mensajero;

    TRutas Rutas() const { return TRutas::EnCarpeta(carpeta->path()); }
    QSettings Ajustes() const { return {Rutas().FicheroConfig, QSettings::IniFormat}; }
    void Escribir(const QByteArray& ini) {
        QDir().mkpath(QFileInfo(Rutas().FicheroConfig).absolutePath());
        QFile f(Rutas().FicheroConfig);
        f.open(QIODevice::WriteOnly);
        f.write("[General]\n" + ini);
    }

private slots:
    void init() {
        carpeta = std::make_unique<QTemporaryDir>();
        interfaz = std::make_unique<TInterfazFalsa>();
        mensajero = std::make_unique<TMensajero>(TMensajero::TOpciones{Rutas()}, *interfaz);
    }

    void PrimeraEjecucion() {
        mensajero->CargarConfig();
        const TConfig& c = mensajero->Config();
        QCOMPARE(interfaz->Geometria, QRect(437, 284, 150, 200));
        QCOMPARE(interfaz->NickMostrado, QStringLiteral("¡Sin nick!"));
        QCOMPARE(c.NickAway, QStringLiteral("¡Sin nick away!"));
        QVERIFY(c.PreguntarEntradasDesconocidas && !c.AceptarEntradasDesconocidas);
        QCOMPARE(c.Chat.colorForzar, TColor(0x880000));
        QCOMPARE(c.Chat.colorServer, TColor(25600));
        QVERIFY(!interfaz->IconoTray);
        const QSettings ajustes = Ajustes();
        QCOMPARE(ajustes.allKeys().size(), kNumeroValoresConfig);
        QCOMPARE(ajustes.value("Nick").toString(), QStringLiteral("¡Sin nick!"));
        QCOMPARE(ajustes.value("PreguntarEntradasDesconocidas").toString(), QStringLiteral("1"));
        QCOMPARE(ajustes.value("Chat.colorFondo").toString(), QStringLiteral("16777215"));
        QCOMPARE(ajustes.value("Chat.Fuente.Name").toString(), QStringLiteral("Fixedsys"));
        QCOMPARE(ajustes.value("Sonidos.Chat_Habla").toString(), QString());
        QVERIFY(!QFile::exists(Rutas().FicheroArranque()));
    }

    void ClaveParcialConservaLoLeido() {
        Escribir("Nick=Pepa\nIconoEnTray=1\nPosX=10\nChat.colorTexto=255\n");
        mensajero->CargarConfig();
        QCOMPARE(mensajero->Config().Nick, QStringLiteral("Pepa"));
        QVERIFY(mensajero->Config().IconoEnTray);
        QVERIFY(interfaz->IconoTray);
        QCOMPARE(interfaz->Geometria.topLeft(), QPoint(10, 284));
        QCOMPARE(mensajero->Config().Chat.colorTexto, TColor(255));
        QCOMPARE(Ajustes().allKeys().size(), kNumeroValoresConfig);
        QCOMPARE(Ajustes().value("Nick").toString(), QStringLiteral("Pepa"));
    }

    void NumerosIlegiblesVuelvenAlDefecto() {
        Escribir("Ancho=ancho\nAlto=300\nAlwaysOnTop=si\nChat.Fuente.Size=\nChat.colorFondo=-2147483643\n");
        mensajero->CargarConfig();
        QCOMPARE(interfaz->Geometria.size(), QSize(150, 300));
        QVERIFY(!mensajero->Config().AlwaysOnTop);
        QCOMPARE(mensajero->Config().Chat.Fuente.Size, 8);
        QCOMPARE(mensajero->Config().Chat.colorFondo, TColor(0x80000005));
        QCOMPARE(Ajustes().value("Ancho").toString(), QStringLiteral("150"));
        QCOMPARE(Ajustes().value("AlwaysOnTop").toString(), QStringLiteral("0"));
        QCOMPARE(Ajustes().value("Chat.colorFondo").toString(), QStringLiteral("-2147483643"));
    }

    void GuardarTomaLaGeometriaYElArranque() {
        mensajero->CargarConfig();
        interfaz->Geometria = QRect(5, 6, 300, 400);
        mensajero->Config().CargarConWindows = true;
        mensajero->Config().Nick = QStringLiteral("Ñandú");
        mensajero->GuardarConfig();
        QCOMPARE(Ajustes().value("Ancho").toString(), QStringLiteral("300"));
        QCOMPARE(Ajustes().value("PosY").toString(), QStringLiteral("6"));
        QCOMPARE(Ajustes().value("CargarConWindows").toString(), QStringLiteral("1"));
        QCOMPARE(interfaz->NickMostrado, QStringLiteral("Ñandú"));
        QFile entrada(Rutas().FicheroArranque());
        QVERIFY(entrada.open(QIODevice::ReadOnly));
        QVERIFY(entrada.readAll().contains(QByteArray("Exec=\"" + Rutas().Ejecutable.toUtf8() + "\"\n")));
        entrada.close();

        mensajero->Config().CargarConWindows = false;
        mensajero->GuardarConfig();
        QVERIFY(!QFile::exists(Rutas().FicheroArranque()));

        TInterfazFalsa otra;
        TMensajero segundo(TMensajero::TOpciones{Rutas()}, otra);
        segundo.CargarConfig();
        QCOMPARE(segundo.Config().Nick, QStringLiteral("Ñandú"));
        QCOMPARE(otra.Geometria, QRect(5, 6, 300, 400));
    }

    void CambiarNick() {
        mensajero->CargarConfig();
        interfaz->TextoPedido = mensajero->Config().Nick;  // confirmed unchanged
        QFile::remove(Rutas().FicheroConfig);
        mensajero->CambiarNick();
        QVERIFY(QFile::exists(Rutas().FicheroConfig));  // saved all the same
        QCOMPARE(mensajero->Config().NickAway, QStringLiteral("¡Sin nick away!"));

        interfaz->TextoPedido = QStringLiteral("Luisa");
        mensajero->CambiarNick();
        QCOMPARE(mensajero->Config().Nick, QStringLiteral("Luisa"));
        QCOMPARE(mensajero->Config().NickAway, QStringLiteral("Luisa"));
        QCOMPARE(interfaz->NickMostrado, QStringLiteral("Luisa"));

        interfaz->TextoPedido = QString();  // empty is taken as it is
        mensajero->CambiarNick();
        QCOMPARE(mensajero->Config().Nick, QString());
        QCOMPARE(mensajero->Config().NickAway, QStringLiteral("Luisa"));

        interfaz->TextoPedido.reset();  // cancelled
        mensajero->CambiarNick();
        QCOMPARE(mensajero->Config().Nick, QString());
    }
};

QTEST_GUILESS_MAIN(TstConfiguracion)
#include "tst_configuracion.moc"
