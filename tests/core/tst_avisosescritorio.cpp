#include "core/avisosescritorio.h"
#include "core/configuracion.h"

#include <QTest>

// A notification service that keeps each call's answer until the test gives it.
struct TServicioFalso : TServicioAvisos {
    std::vector<std::pair<TNotificacion, std::function<void(std::optional<quint32>)>>> Llamadas;
    void Notificar(const TNotificacion& notificacion,
                   std::function<void(std::optional<quint32>)> respuesta) override {
        Llamadas.emplace_back(notificacion, std::move(respuesta));
    }
};

class TstAvisosEscritorio : public QObject {
    Q_OBJECT
    TConfig config;
    TServicioFalso* servicio = nullptr;
    std::unique_ptr<TAvisosEscritorio> avisos;
    int mostrados = 0;

    bool Avisar(const QString& grupo, const QString& texto) {
        return avisos->Avisar({grupo, QStringLiteral("Ana"), texto, [this] { ++mostrados; }},
                              false);
    }

private slots:
    void init() {
        servicio = new TServicioFalso;
        avisos =
            std::make_unique<TAvisosEscritorio>(config, std::unique_ptr<TServicioAvisos>(servicio));
        mostrados = 0;
    }

    // Without a notification service, the tray's message, in plain text; without a tray, nothing.
    void SinServicioVaAlTrayOANada() {
        QStringList enTray;
        bool hayTray = false;
        avisos->FijarTray([&](const QString& titulo, const QString& texto) {
            enTray << titulo << texto;
            return hayTray;
        });
        for (const bool tray : {false, true}) {
            hayTray = tray;
            QVERIFY(Avisar({}, QStringLiteral("<b>") + QString(300, u'x')));
            servicio->Llamadas.back().second(std::nullopt);
            avisos->TrayPulsado();
            QCOMPARE(mostrados, tray ? 1 : 0);
        }
        QCOMPARE(enTray.mid(2), QStringList({QStringLiteral("Ana"),
                                             QStringLiteral("<b>") + QString(197, u'x') + u'…'}));
    }

    // Lines that come before the service has told the id wait and update that one
    // notification; once it is closed, the next line raises a new one.
    void UnaNotificacionPorGrupo() {
        auto& llamadas = servicio->Llamadas;
        for (const char* texto : {"uno", "dos", "tres"})
            Avisar(QStringLiteral("chat:7"), QString::fromLatin1(texto));
        Avisar(QStringLiteral("chat:8"), QStringLiteral("otra sala"));
        QCOMPARE(llamadas.size(), 2u);
        llamadas.at(0).second(41);
        QCOMPARE(llamadas.size(), 3u);
        QCOMPARE(llamadas.at(2).first.Reemplaza, 41u);
        QCOMPARE(llamadas.at(2).first.Cuerpo, QStringLiteral("tres"));
        llamadas.at(2).second(41);
        servicio->AlInvocar(41, QStringLiteral("default"));
        QCOMPARE(mostrados, 1);
        servicio->AlCerrar(41);
        servicio->AlInvocar(41, QStringLiteral("default"));
        Avisar(QStringLiteral("chat:7"), QStringLiteral("cuatro"));
        QCOMPARE(llamadas.back().first.Reemplaza, 0u);
        QCOMPARE(mostrados, 1);
    }
};

QTEST_GUILESS_MAIN(TstAvisosEscritorio)
#include "tst_avisosescritorio.moc"
