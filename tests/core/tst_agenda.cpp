#include "core/agenda.h"
#include "core/codificacion.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

QByteArray Leer(const QString& ruta) {
    QFile f(ruta);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void Escribir(const QString& ruta, const QByteArray& datos) {
    QFile f(ruta);
    f.open(QIODevice::WriteOnly);
    f.write(datos);
}

QStringList Nicks(const TAgenda& agenda) {
    QStringList nicks;
    for (int i = 0; i < agenda.NumeroFilas(); ++i)
        nicks << agenda.Fila(i)->Nick;
    return nicks;
}

} // namespace

class TstAgenda : public QObject {
    Q_OBJECT
    QTemporaryDir carpeta;
    QString Ruta() const { return carpeta.filePath(QStringLiteral("Contactos.dat")); }

private slots:
    void init() { QFile::remove(Ruta()); }

    void GuardaConCabeceraCrLfYCp1252() {
        TAgenda agenda;
        agenda.Anadir(QStringLiteral("¡Sin nick!"), QStringLiteral("10.0.0.1"), QStringLiteral("a@b.es"));
        agenda.Anadir(QStringLiteral("Íñigo"), QStringLiteral("10.0.0.2"), {});
        QVERIFY(agenda.Guardar(Ruta()));
        QCOMPARE(Leer(Ruta()), QByteArray("[Agenda Tromblechatix]\r\n"
                                          "\xA1Sin nick!\r\n10.0.0.1\r\na@b.es\r\n"
                                          "\xCD\xF1igo\r\n10.0.0.2\r\n\r\n"));
        TAgenda otra;
        otra.Cargar(Ruta());
        QCOMPARE(Nicks(otra), QStringList({QStringLiteral("¡Sin nick!"), QStringLiteral("Íñigo")}));
        QCOMPARE(otra.Contacto(0)->EMail, QStringLiteral("a@b.es"));
        QCOMPARE(otra.Contacto(1)->EMail, QString());
    }

    void RegistroCortadoPorElFinal() {
        Escribir(Ruta(), "[Agenda Tromblechatix]\r\na\r\n1\r\nx\r\nb\r\n2\r\ny\r\nc\r\n");
        TAgenda agenda;
        agenda.Cargar(Ruta());
        QCOMPARE(agenda.NumeroContactos(), 3);
        QCOMPARE(agenda.Contacto(2)->Nick, QStringLiteral("c"));
        QCOMPARE(agenda.Contacto(2)->IP, QString());
        QCOMPARE(agenda.Contacto(2)->EMail, QString());
    }

    void FormaAntiguaSeReescribeConCabecera() {
        Escribir(Ruta(), "uno\r\n10.0.0.1\r\ndos\r\n10.0.0.2\r\n");
        TAgenda agenda;
        agenda.Cargar(Ruta());
        QCOMPARE(agenda.NumeroContactos(), 2);
        QCOMPARE(agenda.Contacto(1)->IP, QStringLiteral("10.0.0.2"));
        QCOMPARE(agenda.Contacto(1)->EMail, QString());
        QVERIFY(agenda.Guardar(Ruta()));
        QCOMPARE(Leer(Ruta()), QByteArray("[Agenda Tromblechatix]\r\nuno\r\n10.0.0.1\r\n\r\n"
                                          "dos\r\n10.0.0.2\r\n\r\n"));
    }

    void FicheroVacioYFicheroAusente() {
        TAgenda agenda;
        agenda.Cargar(Ruta());
        QCOMPARE(agenda.NumeroContactos(), 0);
        QVERIFY(!QFile::exists(Ruta()));
        Escribir(Ruta(), "");
        agenda.Cargar(Ruta());
        QCOMPARE(agenda.NumeroContactos(), 1);
        QCOMPARE(agenda.Contacto(0)->Nick, QString());
        QCOMPARE(agenda.Contacto(0)->IP, QString());
    }

    void FinesDeLineaDeOtrosSistemas() {
        Escribir(Ruta(), "[Agenda Tromblechatix]\na\n1\n\nb\r2\r\r");
        TAgenda agenda;
        agenda.Cargar(Ruta());
        QCOMPARE(Nicks(agenda), QStringList({QStringLiteral("a"), QStringLiteral("b")}));
        QCOMPARE(agenda.Contacto(1)->IP, QStringLiteral("2"));
    }

    void DireccionRepetidaYBorrado() {
        TAgenda agenda;
        TContacto* primero = agenda.Anadir(QStringLiteral("a"), QStringLiteral("10.0.0.1"), {});
        TContacto* segundo = agenda.Anadir(QStringLiteral("b"), QStringLiteral("10.0.0.1"), {});
        QCOMPARE(agenda.BuscarContacto(QStringLiteral("10.0.0.1")), primero);
        QCOMPARE(agenda.BuscarContacto(QStringLiteral("10.0.0.01")), nullptr);
        agenda.Eliminar(segundo);
        QCOMPARE(agenda.NumeroContactos(), 1);
        QCOMPARE(agenda.Fila(0), primero->Item);
    }

    void MoverFilasCambiaSoloElOrdenDelFichero() {
        TAgenda agenda;
        for (const char* nick : {"a", "b", "c", "d"})
            agenda.Anadir(QString::fromLatin1(nick), QString::fromLatin1(nick), {});
        agenda.MoverFila(3, 0);  // onto the first row: before it
        QCOMPARE(Nicks(agenda).join(u""), QStringLiteral("dabc"));
        agenda.MoverFila(0, 4);  // below the last row: to the end
        QCOMPARE(Nicks(agenda).join(u""), QStringLiteral("abcd"));
        agenda.MoverFila(1, 1);  // onto itself
        QCOMPARE(Nicks(agenda).join(u""), QStringLiteral("abcd"));
        agenda.MoverFila(0, 2);
        QCOMPARE(Nicks(agenda).join(u""), QStringLiteral("bacd"));
        QCOMPARE(agenda.Contacto(0)->Nick, QStringLiteral("a"));  // records keep their order
        QCOMPARE(agenda.Contacto(0)->Item, agenda.Fila(1));
        QVERIFY(agenda.Guardar(Ruta()));
        QVERIFY(Leer(Ruta()).startsWith("[Agenda Tromblechatix]\r\nb\r\nb\r\n\r\na\r\n"));
    }

    void GuardadoFallidoDejaElFicheroAnterior() {
        TAgenda agenda;
        agenda.Anadir(QStringLiteral("a"), QStringLiteral("1"), {});
        QVERIFY(agenda.Guardar(Ruta()));
        const QByteArray antes = Leer(Ruta());
        for (int i = 0; i < 50; ++i)
            agenda.Anadir(QStringLiteral("contacto %1").arg(i), QStringLiteral("10.0.0.%1").arg(i), {});
        QVERIFY(!agenda.Guardar(carpeta.filePath(QStringLiteral("no/existe/Contactos.dat"))));
        // A full disk, even for root: writes past 100 bytes fail.
        signal(SIGXFSZ, SIG_IGN);
        rlimit limite{};
        getrlimit(RLIMIT_FSIZE, &limite);
        const rlimit pequeno{100, limite.rlim_max};
        setrlimit(RLIMIT_FSIZE, &pequeno);
        const bool guardado = agenda.Guardar(Ruta());
        setrlimit(RLIMIT_FSIZE, &limite);
        QVERIFY(!guardado);
        QCOMPARE(Leer(Ruta()), antes);

        // A field holding a line break would read back as further contacts.
        TAgenda partida;
        partida.Anadir(QStringLiteral("Malo\r\n10.9.9.9"), QStringLiteral("1"), {});
        QVERIFY(!partida.Guardar(Ruta()));
        partida.Fila(0)->Nick = QStringLiteral("Malo");
        partida.Fila(0)->EMail = QStringLiteral("a\nb");
        QVERIFY(!partida.Guardar(Ruta()));
        QCOMPARE(Leer(Ruta()), antes);
    }
};

QTEST_GUILESS_MAIN(TstAgenda)
#include "tst_agenda.moc"
