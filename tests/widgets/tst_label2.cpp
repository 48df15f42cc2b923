#include "widgets/label2.h"

#include <QSignalSpy>
#include <QTest>

class TstLabel2 : public QObject {
    Q_OBJECT
private slots:
    void AvisaAlEntrarYAlSalir() {
        QWidget ventana;
        ventana.resize(200, 60);
        auto* nick = new TLabel2(QStringLiteral("Yo"), &ventana);
        nick->setGeometry(10, 10, 80, 20);
        // How the main window shows its nick: underlined while the mouse is over it.
        QObject::connect(nick, &TLabel2::OnMouseEnter, nick, [](TLabel2* sender) {
            QFont fuente = sender->font();
            fuente.setUnderline(true);
            sender->setFont(fuente);
        });
        QObject::connect(nick, &TLabel2::OnMouseLeave, nick, [](TLabel2* sender) {
            QFont fuente = sender->font();
            fuente.setUnderline(false);
            sender->setFont(fuente);
        });
        QSignalSpy entra(nick, &TLabel2::OnMouseEnter);
        QSignalSpy sale(nick, &TLabel2::OnMouseLeave);
        ventana.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ventana));

        QTest::mouseMove(&ventana, QPoint(150, 50));
        QTest::mouseMove(nick, QPoint(5, 5));
        QTRY_COMPARE(entra.count(), 1);
        QCOMPARE(entra.first().first().value<TLabel2*>(), nick);
        QVERIFY(nick->font().underline());

        QTest::mouseMove(&ventana, QPoint(150, 50));
        QTRY_COMPARE(sale.count(), 1);
        QCOMPARE(sale.first().first().value<TLabel2*>(), nick);
        QVERIFY(!nick->font().underline());
    }
};

QTEST_MAIN(TstLabel2)
#include "tst_label2.moc"
