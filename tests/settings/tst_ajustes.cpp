#include "apoyo/nodoprueba.h"
#include "core/codificacion.h"
#include "core/validadortexto.h"
#include "settings/aceptarconfig.h"
#include "settings/listasonidos.h"

#include <QFile>
#include <QSettings>
#include <QTest>

namespace {

// Node 11 with the raw peer 13 in its book, connected, its greeting already read.
struct TConPeer {
    TConPeer() {
        Nodo.M().AnadirContacto(QStringLiteral("Pepe"), Peer.Ip, {}, false, true);
        Conectado = Nodo.ConectarPeer(Peer);
    }
    // Applies `cambio` to a copy of the configuration as the dialog would.
    void Aceptar(const std::function<void(TConfig&)>& cambio, const TEfectosConfig& efectos = {}) {
        TConfig editada = Nodo.M().Config();
        cambio(editada);
        AceptarConfig(Nodo.M(), editada, efectos);
    }
    TNodoPrueba Nodo{11, QStringLiteral("Ana")};
    TPeerCrudo Peer{13};
    bool Conectado = false;
};

// The rows where each event's sound sits, in the order of the settings.
const std::pair<QString TConfigSonidos::*, int> kFilasDeEventos[] = {
    {&TConfigSonidos::File_SolicitudTx, 0}, {&TConfigSonidos::File_FinTx, 1},
    {&TConfigSonidos::File_AbortadaTx, 2},  {&TConfigSonidos::PreguntaIntentoConxDesconocido, 4},
    {&TConfigSonidos::ContactoConecta, 5},  {&TConfigSonidos::ContactoDesconecta, 6},
    {&TConfigSonidos::MensajeFlash, 8},     {&TConfigSonidos::Chat_PreguntaJoin, 10},
    {&TConfigSonidos::Chat_Habla, 11},
};

} // namespace

class TstAjustes : public QObject {
    Q_OBJECT
private slots:
    void AnunciaSoloLoQueCambia_data() {
        QTest::addColumn<QString>("nick");
        QTest::addColumn<QString>("email");
        QTest::addColumn<QList<QByteArray>>("enviados");
        QTest::newRow("sólo el e-mail") << QStringLiteral("Ana") << QStringLiteral("ana@example.org")
                                        << QList<QByteArray>{"EMAIL:ana@example.org"};
        QTest::newRow("sólo el nick") << QStringLiteral("Añita") << QString()
                                      << QList<QByteArray>{"NICK:A\xf1ita"};
        QTest::newRow("los dos, nick primero") << QStringLiteral("Anita") << QStringLiteral("a@b")
                                               << QList<QByteArray>{"NICK:Anita", "EMAIL:a@b"};
        QTest::newRow("un nick vacío también") << QString() << QString() << QList<QByteArray>{"NICK:"};
        QTest::newRow("nada") << QStringLiteral("Ana") << QString() << QList<QByteArray>{};
        QTest::newRow("un BEL no parte el mensaje")
            << QStringLiteral("A\ana") << QStringLiteral("a\ab")
            << QList<QByteArray>{"NICK:A?na", "EMAIL:a?b"};
    }

    void AnunciaSoloLoQueCambia() {
        QFETCH(QString, nick);
        QFETCH(QString, email);
        QFETCH(QList<QByteArray>, enviados);
        TConPeer p;
        QVERIFY(p.Conectado);
        QFile::remove(p.Nodo.M().Rutas().FicheroConfig);
        p.Aceptar([&](TConfig& c) {
            c.Nick = nick;
            c.EMail = email;
            c.NickAway = QStringLiteral("fuera");  // stored, never announced
        });
        QTest::qWait(150);
        QCOMPARE(p.Peer.Mensajes(), enviados);
        // Saved whether anything changed or not.
        QSettings guardada(p.Nodo.M().Rutas().FicheroConfig, QSettings::IniFormat);
        QCOMPARE(guardada.allKeys().size(), kNumeroValoresConfig);
        QCOMPARE(guardada.value("Nick").toString(), nick);
        QCOMPARE(guardada.value("NickAway").toString(), QStringLiteral("fuera"));
        QCOMPARE(p.Nodo.Interfaz.NickMostrado, nick);
    }

    void IconoDelTray_data() {
        QTest::addColumn<bool>("antes");
        QTest::addColumn<bool>("despues");
        QTest::addColumn<QStringList>("efectos");
        QTest::newRow("se quita") << true << false
                                  << QStringList{QStringLiteral("restaurar"), QStringLiteral("quitar")};
        QTest::newRow("se pone") << false << true << QStringList{QStringLiteral("añadir")};
        QTest::newRow("sigue puesto") << true << true << QStringList{};
        QTest::newRow("sigue quitado") << false << false << QStringList{};
    }

    void IconoDelTray() {
        QFETCH(bool, antes);
        QFETCH(bool, despues);
        QFETCH(QStringList, efectos);
        TNodoPrueba nodo(11);
        nodo.M().Config().IconoEnTray = antes;
        QStringList hechos;
        const TEfectosConfig registro{
            .RestaurarPrincipal = [&] { hechos << QStringLiteral("restaurar"); },
            .AnadirIconoTray = [&] { hechos << QStringLiteral("añadir"); },
            .QuitarIconoTray = [&] { hechos << QStringLiteral("quitar"); },
            .AplicarChat = {}};
        TConfig editada = nodo.M().Config();
        editada.IconoEnTray = despues;
        editada.AlwaysOnTop = !editada.AlwaysOnTop;
        AceptarConfig(nodo.M(), editada, registro);
        QCOMPARE(hechos, efectos);
        QCOMPARE(nodo.M().Config().IconoEnTray, despues);
    }

    void CarpetaConBarraFinal_data() {
        QTest::addColumn<QString>("escrita");
        QTest::addColumn<QString>("guardada");
        QTest::newRow("sin barra") << QStringLiteral("/srv/Recibidos") << QStringLiteral("/srv/Recibidos/");
        QTest::newRow("con barra") << QStringLiteral("/srv/Recibidos/") << QStringLiteral("/srv/Recibidos/");
        QTest::newRow("vacía") << QString() << QString();
        QTest::newRow("raíz") << QStringLiteral("/") << QStringLiteral("/");
    }

    void CarpetaConBarraFinal() {
        QFETCH(QString, escrita);
        QFETCH(QString, guardada);
        TNodoPrueba nodo(11);
        TConfig editada = nodo.M().Config();
        editada.AutoAceptarFicherosPath = escrita;
        AceptarConfig(nodo.M(), editada, {});
        QCOMPARE(nodo.M().Config().AutoAceptarFicherosPath, guardada);
    }

    void ChatYArranque() {
        TNodoPrueba nodo(11);
        TConfig editada = nodo.M().Config();
        editada.Chat.colorFondo = ColorRGB(1, 2, 3);
        editada.CargarConWindows = true;
        std::optional<TColor> fondoAlAplicar;
        AceptarConfig(nodo.M(), editada,
                      {.AplicarChat = [&] { fondoAlAplicar = nodo.M().Config().Chat.colorFondo; }});
        // The chat windows read the new settings, not the old ones.
        QCOMPARE(fondoAlAplicar, std::optional(ColorRGB(1, 2, 3)));
        const QString entrada = nodo.M().Rutas().FicheroArranque();
        QVERIFY(QFile::exists(entrada));
        editada.CargarConWindows = false;
        AceptarConfig(nodo.M(), editada, {});
        QVERIFY(!QFile::exists(entrada));
    }

    void ListaDeSonidosIdaYVuelta() {
        TConfigSonidos sonidos;
        for (const auto& [campo, fila] : kFilasDeEventos)
            sonidos.*campo = QStringLiteral("/s/%1.wav").arg(fila);
        TListaSonidos lista;
        lista.Llenar(sonidos);
        for (int fila = 0; fila < TListaSonidos::kFilas; ++fila) {
            const bool separador = fila == 3 || fila == 7 || fila == 9;
            QCOMPARE(lista.EsSeparador(fila), separador);
            QCOMPARE(lista.Fila(fila).Ruta, separador ? QString() : QStringLiteral("/s/%1.wav").arg(fila));
        }
        QCOMPARE(lista.Fila(0).Descripcion, QStringLiteral("Llega una solicitud de transferencia de Fichero"));
        QCOMPARE(lista.Fila(11).Descripcion, QStringLiteral("Se habla en un Chat no visible"));
        TConfigSonidos vuelta;
        lista.Tomar(vuelta);
        for (const auto& [campo, fila] : kFilasDeEventos)
            QCOMPARE(vuelta.*campo, sonidos.*campo);
    }

    void ReglasDeLasFilas() {
        QTemporaryDir carpeta;
        const QString existe = carpeta.filePath(QStringLiteral("si.wav"));
        QFile(existe).open(QIODevice::WriteOnly);
        TConfigSonidos sonidos;
        sonidos.File_SolicitudTx = existe;
        sonidos.File_FinTx = carpeta.filePath(QStringLiteral("borrado.wav"));
        TListaSonidos lista;
        lista.Llenar(sonidos);
        using D = TListaSonidos::TDobleClic;
        QCOMPARE(lista.DobleClic(0), D::Reproducir);
        QCOMPARE(lista.DobleClic(1), D::Nada);  // gone: not tried from the list
        QCOMPARE(lista.DobleClic(2), D::Escoger);
        QCOMPARE(lista.DobleClic(3), D::Nada);
        const TListaSonidos::TSeleccion separador = lista.Pulsar(3);
        QVERIFY(!separador.Escoger && !separador.Eliminar);
        QVERIFY(!lista.Escoger(3, existe));
        QVERIFY(!lista.MuestraAltavoz(3));
        const TListaSonidos::TSeleccion conSonido = lista.Pulsar(0);
        QVERIFY(conSonido.Escoger && conSonido.Eliminar);
        QCOMPARE(conSonido.Ruta, existe);
        QVERIFY(lista.Escoger(2, existe));
        QVERIFY(lista.MuestraAltavoz(2));
        lista.Eliminar(0);
        QVERIFY(!lista.MuestraAltavoz(0) && !lista.Pulsar(0).Eliminar);
        QCOMPARE(lista.Pulsar(-1).Escoger, false);
        QCOMPARE(lista.DobleClic(12), D::Nada);
    }

    void FiltrosDeTexto_data() {
        QTest::addColumn<bool>("nick");
        QTest::addColumn<QString>("escrito");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<QString>("queda");
        QTest::addColumn<int>("cursorFinal");
        QTest::newRow("nick normal") << true << QStringLiteral("Ana Pérez") << 9 << QStringLiteral("Ana Pérez") << 9;
        QTest::newRow("nick con dos puntos") << true << QStringLiteral("a:b") << 2 << QStringLiteral("ab") << 1;
        QTest::newRow("nick con campana pegada") << true << QStringLiteral("x\ay\tz") << 5 << QStringLiteral("xyz") << 3;
        QTest::newRow("nick con control C1") << true << QStringLiteral("a\u0085b") << 1 << QStringLiteral("ab") << 1;
        QTest::newRow("nick vacío") << true << QString() << 0 << QString() << 0;
        QTest::newRow("e-mail con dos puntos") << false << QStringLiteral("a:b@c") << 5 << QStringLiteral("a:b@c") << 5;
        QTest::newRow("e-mail con una orden pegada")
            << false << QStringLiteral("a@b\aFLASH:hola") << 15 << QStringLiteral("a@bFLASH:hola") << 14;
    }

    void FiltrosDeTexto() {
        QFETCH(bool, nick);
        QFETCH(QString, escrito);
        QFETCH(int, cursor);
        QFETCH(QString, queda);
        QFETCH(int, cursorFinal);
        const TValidadorTexto filtro(nick ? TValidadorTexto::TReglas::Nick : TValidadorTexto::TReglas::SinControles);
        QCOMPARE(filtro.validate(escrito, cursor), QValidator::Acceptable);
        QCOMPARE(escrito, queda);
        QCOMPARE(cursor, cursorFinal);
    }
};

QTEST_GUILESS_MAIN(TstAjustes)
#include "tst_ajustes.moc"
