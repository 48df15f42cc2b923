#include "apoyo/nodoprueba.h"
#include "app/programa.h"
#include "red/descubrimiento.h"

#include <QAction>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

// Two copies side by side: the window finds the other one and adds it with a double click.
class TstFrmBuscarEnRed : public QObject {
    Q_OBJECT
    QTemporaryDir carpeta;

private slots:
    void EncuentraYAnadeConDobleClic() {
        TMensajero::TOpciones opciones{TRutas::EnCarpeta(carpeta.path()), QHostAddress(QStringLiteral("127.0.0.21")),
                                       PuertoDePrueba(), QHostAddress(QStringLiteral("127.0.0.21"))};
        opciones.DestinosAnuncio = [] { return QList<QHostAddress>{QHostAddress(QStringLiteral("127.0.0.25"))}; };
        TPrograma programa(opciones);
        QVERIFY(programa.Iniciar(nullptr));
        TfrmPrincipal& ventana = programa.Principal();
        TMensajero& mensajero = programa.Mensajero();
        ventana.show();
        // A nick with line breaks, which must not plant contacts in the book.
        TNodoPrueba otro(25, QStringLiteral("Vecina\r\n10.9.9.9"));
        otro.Vecinos = {QHostAddress(QStringLiteral("127.0.0.21"))};
        otro.Arrancar();
        TDescubrimiento red(otro.M());
        QVERIFY(red.Escuchar());

        ventana.findChild<QAction*>(QStringLiteral("mnuBuscarEnRed"))->trigger();
        auto* buscar = ventana.findChild<QWidget*>(QStringLiteral("frmBuscarEnRed"));
        QVERIFY(buscar->isVisible());
        auto* lista = buscar->findChild<QTreeWidget*>(QStringLiteral("ListViewEncontrados"));
        auto* anadir = buscar->findChild<QPushButton*>(QStringLiteral("btnAnadir"));
        QTRY_COMPARE(lista->topLevelItemCount(), 1);
        QTreeWidgetItem* item = lista->topLevelItem(0);
        QCOMPARE(item->text(0), QStringLiteral("Vecina  10.9.9.9"));
        QCOMPARE(item->text(1), QStringLiteral("127.0.0.25"));
        QVERIFY(!anadir->isEnabled());
        // Finding someone connects nothing.
        QVERIFY(!mensajero.BuscarContacto(QStringLiteral("127.0.0.25")));
        QCOMPARE(otro.ConexionesVivas(), 0);

        const QRect fila = lista->visualItemRect(item);
        QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, fila.center());
        QVERIFY(anadir->isEnabled());
        QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {}, fila.center());
        const TContacto* contacto = mensajero.BuscarContacto(QStringLiteral("127.0.0.25"));
        QVERIFY(contacto);
        QCOMPARE(contacto->Nick, QStringLiteral("Vecina  10.9.9.9"));
        QTRY_VERIFY(contacto->Conectado);
        TAgenda guardada;
        QVERIFY(guardada.Cargar(mensajero.Rutas().FicheroAgenda()));
        QCOMPARE(guardada.NumeroContactos(), 1);
        // Now it is marked, and a second double click adds no second contact.
        QCOMPARE(lista->topLevelItem(0)->text(2), QStringLiteral("En la Agenda"));
        QVERIFY(!anadir->isEnabled());
        QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {}, lista->visualItemRect(lista->topLevelItem(0)).center());
        QCOMPARE(mensajero.Agenda().NumeroContactos(), 1);
    }
};

QTEST_MAIN(TstFrmBuscarEnRed)
#include "tst_frmbuscarenred.moc"
