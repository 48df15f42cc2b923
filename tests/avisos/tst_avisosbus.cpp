#include "apoyo/cajas.h"
#include "apoyo/nodoprueba.h"
#include "app/programa.h"
#include "avisos/serviciodbus.h"
#include "chat/frmchat.h"
#include "flash/frmmsgflash.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

// A notification service that records each call: program, replaced id, icon, summary, body
// and actions.
class TServicioGrabador : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QList<QStringList> Recibidas;

public slots:
    uint Notify(const QString& programa, uint reemplaza, const QString& icono,
                const QString& resumen, const QString& cuerpo, const QStringList& acciones,
                const QVariantMap&, int) {
        Recibidas << QStringList{programa, QString::number(reemplaza), icono, resumen,
                                 cuerpo,   acciones.join(u',')};
        return reemplaza ? reemplaza : uint(Recibidas.size());
    }
};

// The whole program against a session bus of the test's own.
class TstAvisosBus : public QObject {
    Q_OBJECT
    QTemporaryDir carpeta;
    QProcess bus;
    TServicioGrabador grabador;

    static void Invocar(uint id) {
        QDBusMessage senal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/Notifications"),
            QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
        senal << id << QStringLiteral("default");
        QVERIFY(QDBusConnection(QStringLiteral("grabador")).send(senal));
    }
    // Everything the peer sent before has been handled once the program answers this.
    static void Atendido(TPeerCrudo& peer) {
        const int antes = int(peer.Mensajes().size());
        peer.Enviar("NICK?\x07");
        QCOMPARE(peer.EsperarMensajes(antes + 1).size(), antes + 1);
        QTest::qWait(200);
    }

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            QSKIP("dbus-daemon is needed; scripts/dependencias.sh installs it");
        bus.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--nofork"),
                   QStringLiteral("--print-address=1"),
                   u"--address=unix:path=" + carpeta.filePath(QStringLiteral("bus"))});
        QVERIFY(QTest::qWaitFor([&] { return bus.canReadLine(); }, 10000));
        const QByteArray direccion = bus.readLine().trimmed();
        // Before the program's first use of the session bus.
        qputenv("DBUS_SESSION_BUS_ADDRESS", direccion);
        QDBusConnection conexion =
            QDBusConnection::connectToBus(QString::fromUtf8(direccion), QStringLiteral("grabador"));
        QVERIFY(conexion.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &grabador,
                                        QDBusConnection::ExportAllSlots));
        QVERIFY(conexion.registerService(QStringLiteral("org.freedesktop.Notifications")));
    }

    void cleanupTestCase() {
        QDBusConnection::disconnectFromBus(QStringLiteral("grabador"));
        bus.terminate();
        bus.waitForFinished();
    }

    void AvisaSoloLoQueNoSeMira() {
        const TRutas rutas = TRutas::EnCarpeta(carpeta.path());
        QFile agenda(rutas.FicheroAgenda());
        QVERIFY(agenda.open(QIODevice::WriteOnly));
        agenda.write("[Agenda Tromblechatix]\r\nAna\r\n127.0.0.42\r\n\r\n");
        agenda.close();
        const QHostAddress direccion(QStringLiteral("127.0.0.41"));
        TPrograma programa({rutas, direccion, PuertoDePrueba(), direccion});
        QVERIFY(programa.Iniciar(nullptr));
        TfrmPrincipal& principal = programa.Principal();
        principal.show();
        TPeerCrudo ana(42);
        QVERIFY(ana.ConectarA(direccion.toString()));
        ana.EsperarMensajes(2);
        ResponderCaja(QMessageBox::Yes);
        ana.Enviar("NICK:Ana\x07"
                   "OFRECE_JOINCHAT:7:\x07");
        QCOMPARE(ana.EsperarMensajes(3).value(2), QByteArray("PIDE_JOINCHAT:7"));
        ana.Enviar("ACEPTA_JOINCHAT:7\x07");
        TfrmChat* chat = nullptr;
        for (QWidget* ventana : QApplication::topLevelWidgets())
            chat = chat ? chat : qobject_cast<TfrmChat*>(ventana);
        QTRY_VERIFY(chat->Sala(7));
        QVERIFY(QTest::qWaitForWindowActive(chat));

        // Looked at, then with notices turned off: nothing.
        ana.Enviar("CHAT:7:0:Ana:visto\x07");
        Atendido(ana);
        chat->hide();
        programa.Mensajero().Config().AvisosEscritorio = false;
        ana.Enviar("CHAT:7:0:Ana:apagado\x07");
        Atendido(ana);
        QCOMPARE(grabador.Recibidas.size(), 0);

        // Lines of a room out of sight: one notification, updated; markup shows as typed.
        programa.Mensajero().Config().AvisosEscritorio = true;
        ana.Enviar("CHAT:7:0:Ana:<b>uno</b>\x07"
                   "CHAT:7:0:Ana:dos\x07");
        QTRY_COMPARE(grabador.Recibidas.size(), 2);
        QCOMPARE(grabador.Recibidas[0], QStringList({"Tromblechatix", "0", "tromblechatix", "Ana",
                                                     "&lt;b&gt;uno&lt;/b&gt;", "default,Mostrar"}));
        QCOMPARE(grabador.Recibidas[1].mid(1, 4),
                 QStringList({"1", "tromblechatix", "Ana", "dos"}));
        principal.activateWindow();
        QTRY_VERIFY(principal.isActiveWindow());
        Invocar(1);
        QTRY_VERIFY(chat->isActiveWindow());
        QCOMPARE(chat->SalaActiva(), chat->Sala(7));

        // A flash while no window of the program is in front; its text is cut.
        chat->hide();
        principal.hide();
        QTRY_VERIFY(!QApplication::activeWindow());
        ana.Enviar("FLASH:" + QByteArray(300, 'y') + "\x07");
        QTRY_COMPARE(grabador.Recibidas.size(), 3);
        QCOMPARE(grabador.Recibidas[2].mid(1, 4),
                 QStringList({"0", "tromblechatix", "Ana", QString(200, u'y') + u'…'}));
        auto* flash = principal.findChild<TfrmMsgFlash*>();
        principal.Activar();
        QTRY_VERIFY(principal.isActiveWindow());
        Invocar(3);
        QTRY_VERIFY(flash->isActiveWindow());
    }

    // What the program does about a notification throws into no D-Bus signal: it is reported.
    void LoQueLanzaUnaSenalSeInforma() {
        QStringList informados;
        TServicioDBus servicio(QDBusConnection::sessionBus(),
                               [&](const TError& error) { informados << error.Mensaje; });
        servicio.AlInvocar = [](quint32, const QString&) { throw 42; };
        Invocar(5);
        QTRY_COMPARE(informados, QStringList{QStringLiteral("Error desconocido")});
    }
};

QTEST_MAIN(TstAvisosBus)
#include "tst_avisosbus.moc"
