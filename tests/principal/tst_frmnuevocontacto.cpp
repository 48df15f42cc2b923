#include "principal/frmnuevocontacto.h"
#include "widgets/cabeceraventana.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QLineEdit* Campo(const TfrmNuevoContacto& frm, const char* nombre) {
    return frm.findChild<QLineEdit*>(QLatin1String(nombre));
}

QPushButton* Boton(const TfrmNuevoContacto& frm, const char* nombre) {
    return frm.findChild<QPushButton*>(QLatin1String(nombre));
}

// Runs `accion` on the first modal box that shows up, then closes the box.
void AlAparecerCaja(std::function<void(QMessageBox*)> accion) {
    auto* sondeo = new QTimer;
    QObject::connect(sondeo, &QTimer::timeout, sondeo, [sondeo, accion] {
        auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!caja)
            return;
        sondeo->deleteLater();
        sondeo->stop();
        accion(caja);
        caja->accept();
    });
    sondeo->start(10);
}

void Mostrar(TfrmNuevoContacto& frm) {
    frm.show();
    QVERIFY(QTest::qWaitForWindowActive(&frm));
}

} // namespace

class TstFrmNuevoContacto : public QObject {
    Q_OBJECT
private slots:
    void Componentes() {
        TfrmNuevoContacto frm;
        QCOMPARE(frm.size(), QSize(219, 154));
        QCOMPARE(frm.windowTitle(), QStringLiteral("Nuevo Contacto"));
        auto* panel = frm.findChild<TCabeceraVentana*>(QStringLiteral("Panel1"));
        QVERIFY(panel);
        QCOMPARE(panel->geometry(), QRect(2, 2, 215, 20));
        QCOMPARE(panel->lblCaption()->text(), QStringLiteral("Añadir nuevo contacto"));
        QVERIFY(!panel->imgCerrar());
        QCOMPARE(frm.findChild<QLabel*>(QStringLiteral("Label1"))->text(), QStringLiteral("Dir. IP:"));
        QCOMPARE(frm.findChild<QLabel*>(QStringLiteral("Label2"))->text(), QStringLiteral("Nick:"));
        QCOMPARE(Boton(frm, "btnAceptar")->text(), QStringLiteral(" &Añadir "));
        QCOMPARE(Boton(frm, "btnCancelar")->text(), QStringLiteral(" &Cancelar "));
        QVERIFY(frm.findChild<QFrame*>(QStringLiteral("Bevel2")));
    }

    void LaDireccionSoloAdmiteCifrasYPuntos() {
        TfrmNuevoContacto frm;
        Mostrar(frm);
        QLineEdit* ip = Campo(frm, "edtIP");
        ip->setFocus();
        QTest::keyClicks(ip, QStringLiteral("19a2.1 68,x.Z0.-7"));
        QCOMPARE(ip->text(), QStringLiteral("192.168.0.7"));
        QTest::keyClick(ip, Qt::Key_Backspace);
        QTest::keyClick(ip, Qt::Key_Left);
        QTest::keyClick(ip, Qt::Key_Delete);
        QCOMPARE(ip->text(), QStringLiteral("192.168.0"));
    }

    void IntroPasaAlNickYDespuesAnade() {
        QWidget principal(nullptr, Qt::Window | Qt::FramelessWindowHint);
        principal.setGeometry(100, 100, 300, 400);
        TfrmNuevoContacto frm(&principal);
        Campo(frm, "edtIP")->setText(QStringLiteral("viejo"));
        Mostrar(frm);
        QCOMPARE(frm.frameGeometry().topLeft(), QPoint(140, 110));
        QVERIFY(Campo(frm, "edtIP")->text().isEmpty());
        QCOMPARE(QApplication::focusWidget(), Campo(frm, "edtNick"));

        QLineEdit* ip = Campo(frm, "edtIP");
        ip->setFocus();
        QTest::keyClicks(ip, QStringLiteral("10.0.0.5"));
        QTest::keyClick(ip, Qt::Key_Return);
        QCOMPARE(QApplication::focusWidget(), Campo(frm, "edtNick"));
        QVERIFY(frm.isVisible());
        QTest::keyClicks(Campo(frm, "edtNick"), QStringLiteral("Pepa"));
        QTest::keyClick(Campo(frm, "edtNick"), Qt::Key_Enter);
        QVERIFY(!frm.isVisible());
        QCOMPARE(frm.result(), int(QDialog::Accepted));
        QCOMPARE(frm.IP(), QStringLiteral("10.0.0.5"));
        QCOMPARE(frm.Nick(), QStringLiteral("Pepa"));
    }

    void SinDireccionAvisaYSigueAbierto() {
        TfrmNuevoContacto frm;
        Mostrar(frm);
        QLineEdit* nick = Campo(frm, "edtNick");
        QTest::keyClicks(nick, QStringLiteral("Juan"));
        int cajas = 0;
        AlAparecerCaja([&cajas](QMessageBox* caja) {
            ++cajas;
            QCOMPARE(caja->windowTitle(), QStringLiteral("Error"));
            QCOMPARE(caja->text(), QStringLiteral("Debe espeficicar una Dirección IP"));
            QCOMPARE(caja->icon(), QMessageBox::Critical);
        });
        QTest::keyClick(nick, Qt::Key_Return);
        QCOMPARE(cajas, 1);
        QVERIFY(frm.isVisible());
        QCOMPARE(nick->text(), QStringLiteral("Juan"));
        QCOMPARE(frm.focusWidget(), Campo(frm, "edtIP"));
        QVERIFY(frm.IP().isEmpty());
    }

    void EscapeCierraSinAnadir() {
        TfrmNuevoContacto frm;
        QTimer::singleShot(0, &frm, [&frm] {
            QTest::keyClicks(Campo(frm, "edtNick"), QStringLiteral("Ana"));
            Campo(frm, "edtIP")->setText(QStringLiteral("10.1.1.1"));
            QTest::keyClick(Campo(frm, "edtIP"), Qt::Key_Escape);
        });
        QCOMPARE(frm.exec(), int(QDialog::Rejected));
        QVERIFY(frm.Nick().isEmpty());
        QVERIFY(frm.IP().isEmpty());
    }

    void CancelarOlvidaLoAnterior() {
        TfrmNuevoContacto frm;
        QTimer::singleShot(0, &frm, [&frm] {
            Campo(frm, "edtIP")->setText(QStringLiteral("10.1.1.1"));
            Boton(frm, "btnAceptar")->click();
        });
        QCOMPARE(frm.exec(), int(QDialog::Accepted));
        QCOMPARE(frm.IP(), QStringLiteral("10.1.1.1"));
        QTimer::singleShot(0, &frm, [&frm] {
            QVERIFY(Campo(frm, "edtIP")->text().isEmpty());
            Boton(frm, "btnCancelar")->click();
        });
        QCOMPARE(frm.exec(), int(QDialog::Rejected));
        QVERIFY(frm.IP().isEmpty());
    }
};

QTEST_MAIN(TstFrmNuevoContacto)
#include "tst_frmnuevocontacto.moc"
