#include "core/configuracion.h"
#include "transfer/ventanastransferencia.h"

#include <QApplication>
#include <QFileDialog>
#include <QTest>
#include <QTimer>

class TstVentanasTransferencia : public QObject {
    Q_OBJECT
private slots:
    // Accepting empties the chosen file at once, so the dialog must ask before replacing it.
    void ElegirDestinoPreguntaAntesDeReemplazar() {
        QWidget principal;
        const TConfig config;
        TVentanasTransferencia ventanas(&principal, config);
        bool visto = false;
        bool confirma = false;
        auto* sondeo = new QTimer(this);
        connect(sondeo, &QTimer::timeout, sondeo, [&, sondeo] {
            auto* dialogo = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialogo)
                return;
            visto = true;
            confirma = !dialogo->testOption(QFileDialog::DontConfirmOverwrite) &&
                       dialogo->acceptMode() == QFileDialog::AcceptSave;
            sondeo->deleteLater();
            dialogo->reject();
        });
        sondeo->start(10);
        const std::optional<QString> elegido =
            ventanas.ElegirDestino(QStringLiteral("Escoja el destino del Archivo de Ana"),
                                   QStringLiteral("informe.pdf"));
        QVERIFY(visto);
        QVERIFY(confirma);
        QVERIFY(!elegido);
    }
};

QTEST_MAIN(TstVentanasTransferencia)
#include "tst_ventanastransferencia.moc"
