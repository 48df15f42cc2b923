#include "avisos/avisosescritorio.h"
#include "core/configuracion.h"

#include <QTest>

namespace {

// A notification service that keeps each call's answer until the test gives it.
class TServicioFalso : public TServicioAvisos {
public:
    struct TLlamada {
        TNotificacion Notificacion;
        std::function<void(std::optional<quint32>)> Respuesta;
    };
    void Notificar(const TNotificacion& notificacion,
                   std::function<void(std::optional<quint32>)> respuesta) override {
        Llamadas.push_back({notificacion, std::move(respuesta)});
    }
    std::vector<TLlamada> Llamadas;
};

struct TBanco {
    TConfig Config;
    TServicioFalso* Servicio = new TServicioFalso;
    TAvisosEscritorio Avisos{Config, std::unique_ptr<TServicioAvisos>(Servicio)};
    int Mostrados = 0;

    TAvisoEscritorio Aviso(const QString& grupo, const QString& texto) {
        return {grupo, QStringLiteral("Ana"), texto, [this] { ++Mostrados; }};
    }
};

} // namespace

class TstAvisosEscritorio : public QObject {
    Q_OBJECT
private slots:
    void SinServicioVaAlTrayOANada_data() {
        QTest::addColumn<bool>("hayTray");
        QTest::newRow("con tray") << true;
        QTest::newRow("sin tray") << false;
    }

    // The tray shows plain text: it is cut, never escaped.
    void SinServicioVaAlTrayOANada() {
        QFETCH(bool, hayTray);
        TBanco b;
        QStringList enTray;
        b.Avisos.FijarTray([&](const QString& titulo, const QString& texto) {
            enTray << titulo << texto;
            return hayTray;
        });
        QVERIFY(b.Avisos.Avisar(b.Aviso({}, QStringLiteral("<b>") + QString(300, u'x')), false));
        b.Servicio->Llamadas.at(0).Respuesta(std::nullopt);
        QCOMPARE(enTray, QStringList({QStringLiteral("Ana"),
                                      QStringLiteral("<b>") + QString(197, u'x') + u'…'}));
        b.Avisos.TrayPulsado();
        QCOMPARE(b.Mostrados, hayTray ? 1 : 0);
    }

    // Lines that come before the service has told the id wait and update that one
    // notification; once it is closed, the next line raises a new one.
    void UnaNotificacionPorGrupo() {
        TBanco b;
        auto& llamadas = b.Servicio->Llamadas;
        b.Avisos.Avisar(b.Aviso(QStringLiteral("chat:7"), QStringLiteral("uno")), false);
        b.Avisos.Avisar(b.Aviso(QStringLiteral("chat:7"), QStringLiteral("dos")), false);
        b.Avisos.Avisar(b.Aviso(QStringLiteral("chat:7"), QStringLiteral("tres")), false);
        b.Avisos.Avisar(b.Aviso(QStringLiteral("chat:8"), QStringLiteral("otra sala")), false);
        QCOMPARE(llamadas.size(), 2u);
        llamadas.at(0).Respuesta(41);
        QCOMPARE(llamadas.size(), 3u);
        QCOMPARE(llamadas.at(2).Notificacion.Reemplaza, 41u);
        QCOMPARE(llamadas.at(2).Notificacion.Cuerpo, QStringLiteral("tres"));
        llamadas.at(2).Respuesta(41);
        b.Servicio->AlInvocar(41, QStringLiteral("default"));
        QCOMPARE(b.Mostrados, 1);
        b.Servicio->AlCerrar(41);
        b.Servicio->AlInvocar(41, QStringLiteral("default"));
        b.Avisos.Avisar(b.Aviso(QStringLiteral("chat:7"), QStringLiteral("cuatro")), false);
        QCOMPARE(llamadas.back().Notificacion.Reemplaza, 0u);
        QCOMPARE(b.Mostrados, 1);
    }
};

QTEST_GUILESS_MAIN(TstAvisosEscritorio)
#include "tst_avisosescritorio.moc"
