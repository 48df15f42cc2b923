#include "principal/frmabout.h"
#include "widgets/cabeceraventana.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>

namespace {

// The face picture stacked on top of the others.
QString Delante(const TfrmAbout& frm) {
    const QObjectList hijos = frm.children();
    for (auto it = hijos.crbegin(); it != hijos.crend(); ++it) {
        const QString nombre = (*it)->objectName();
        if (nombre == QLatin1String("img1") || nombre == QLatin1String("img2") ||
            nombre == QLatin1String("img3") || nombre == QLatin1String("img4"))
            return nombre;
    }
    return {};
}

QTimer* Timer(const TfrmAbout& frm) { return frm.findChild<QTimer*>(QStringLiteral("Timer")); }

void Tic(const TfrmAbout& frm, int veces = 1) {
    for (int i = 0; i < veces; ++i)
        QMetaObject::invokeMethod(Timer(frm), "timeout");
}

} // namespace

class TstFrmAbout : public QObject {
    Q_OBJECT
public slots:
    void Abrir(const QUrl& direccion) { abiertas_.append(direccion); }

private slots:
    void Contenido() {
        TfrmAbout frm;
        QVERIFY(frm.width() >= 277);
        QCOMPARE(frm.height(), 213);
        // The lead-in is whole and the address stands after it, inside the box.
        auto* label2 = frm.findChild<QLabel*>(QStringLiteral("Label2"));
        auto* label3 = frm.findChild<QLabel*>(QStringLiteral("Label3"));
        QVERIFY(label2->width() >= label2->sizeHint().width());
        QVERIFY(label3->x() > label2->geometry().right());
        QVERIFY(label3->geometry().right() < frm.width());
        QCOMPARE(frm.PanelCabecera()->objectName(), QStringLiteral("PanelCabecera"));
        QCOMPARE(frm.PanelCabecera()->lblCaption()->text(),
                 QStringLiteral("About Tromblechatix v0.2.1"));
        QVERIFY(frm.PanelCabecera()->imgCerrar());
        auto* memo = frm.findChild<QPlainTextEdit*>(QStringLiteral("Memo"));
        QVERIFY(memo->isReadOnly());
        QVERIFY(memo->toPlainText().endsWith(
            QStringLiteral("\nFecha de esta compilación: 4-Agosto-2002")));
        QCOMPARE(frm.findChild<QLabel*>(QStringLiteral("Label2"))->text(),
                 QStringLiteral("Este programa y muchos más, en:"));
        QVERIFY(!Timer(frm)->isActive());
        QCOMPARE(Timer(frm)->interval(), 100);
        const QImage abiertos = frm.findChild<QLabel*>(QStringLiteral("img1"))->pixmap().toImage();
        for (const char* ojos : {"img2", "img3", "img4"}) {
            const QImage imagen = frm.findChild<QLabel*>(QLatin1String(ojos))->pixmap().toImage();
            QCOMPARE(imagen.size(), QSize(22, 12));
            QVERIFY(imagen != abiertos.copy(9, 4, 22, 12));
        }
    }

    void LosOjosSeMueven() {
        TfrmAbout frm(nullptr, 2002);
        frm.show();
        QVERIFY(Timer(frm)->isActive());
        QCOMPARE(Delante(frm), QStringLiteral("img1"));
        Tic(frm, 25);
        QCOMPARE(Delante(frm), QStringLiteral("img1"));
        QCOMPARE(Timer(frm)->interval(), 100);
        Tic(frm);
        QVERIFY(Delante(frm) != QLatin1String("img1"));
        QVERIFY(Timer(frm)->interval() >= 80 && Timer(frm)->interval() < 120);
    }

    void CerrarYReabrirEmpiezaDeNuevo() {
        TfrmAbout frm(nullptr, 7);
        frm.show();
        Tic(frm, 26);
        QVERIFY(Delante(frm) != QLatin1String("img1"));
        QTest::mouseClick(frm.PanelCabecera()->imgCerrar(), Qt::LeftButton);
        QVERIFY(!frm.isVisible());
        QVERIFY(!Timer(frm)->isActive());

        frm.show();
        QCOMPARE(Delante(frm), QStringLiteral("img1"));
        QVERIFY(Timer(frm)->isActive());
        Tic(frm, 25);
        QCOMPARE(Delante(frm), QStringLiteral("img1"));
    }

    void LaDireccionSeAbre() {
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "Abrir");
        TfrmAbout frm;
        frm.show();
        QTest::mouseClick(frm.findChild<QLabel*>(QStringLiteral("Label3")), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QCOMPARE(abiertas_, QList<QUrl>{TfrmAbout::Direccion()});
    }

private:
    QList<QUrl> abiertas_;
};

QTEST_MAIN(TstFrmAbout)
#include "tst_frmabout.moc"
