#include "apoyo/nodoprueba.h"
#include "app/programa.h"
#include "principal/frmprincipal.h"
#include "settings/frmconfig.h"
#include "settings/muestracolor.h"
#include "widgets/label2.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

// The dialog over a core of its own, with scripted choosers that count their calls.
struct TDialogo {
    TDialogo() : Ventana(Nodo.M(), {.AplicarChat = [this] { ++ChatAplicado; }}, nullptr) {
        auto& s = Ventana.Selectores();
        s.ElegirColor = [this](QWidget*, QColor) { return ColorElegido; };
        s.ElegirFuente = [this](QWidget*, QFont) { return FuenteElegida; };
        s.ElegirCarpeta = [this](QWidget*, QString inicial) {
            CarpetaInicial = inicial;
            return CarpetaElegida;
        };
        s.ElegirSonido = [this](QWidget*, QString titulo, QString inicial) {
            TitulosSonido << titulo;
            InicialesSonido << inicial;
            return SonidoElegido;
        };
    }

    template <typename T>
    T* C(const char* nombre) {
        T* control = Ventana.findChild<T*>(QLatin1String(nombre));
        if (!control)
            qFatal("no control %s", nombre);
        return control;
    }
    QTreeWidget* Lista() { return C<QTreeWidget>("ListViewSonidos"); }
    void PulsarFila(int fila) {
        QTreeWidget* lista = Lista();
        const QRect sitio = lista->visualItemRect(lista->topLevelItem(fila));
        QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, sitio.center());
    }
    void DobleClicFila(int fila) {
        QTreeWidget* lista = Lista();
        const QPoint punto = lista->visualItemRect(lista->topLevelItem(fila)).center();
        QTest::mouseClick(lista->viewport(), Qt::LeftButton, {}, punto);
        QTest::mouseDClick(lista->viewport(), Qt::LeftButton, {}, punto);
    }
    bool Altavoz(int fila) { return !Lista()->topLevelItem(fila)->icon(0).isNull(); }
    // Opens the dialog on a page and runs `dentro` while it is up; `dentro` must close it.
    int Abrir(TfrmConfig::TPagina pagina, const std::function<void()>& dentro) {
        QTimer::singleShot(0, &Ventana, dentro);
        return Ventana.Abrir(pagina);
    }
    void Aceptar() { C<QPushButton>("btnAceptar")->click(); }
    void Cancelar() { C<QPushButton>("btnCancelar")->click(); }
    TConfig& Config() { return Nodo.M().Config(); }

    TNodoPrueba Nodo{31, QStringLiteral("Ana")};
    TfrmConfig Ventana;
    int ChatAplicado = 0;
    std::optional<QColor> ColorElegido;
    std::optional<QFont> FuenteElegida;
    std::optional<QString> CarpetaElegida;
    QString CarpetaInicial;
    std::optional<QString> SonidoElegido;
    QStringList TitulosSonido;
    QStringList InicialesSonido;
};

QString Crear(const QTemporaryDir& carpeta, const QString& nombre) {
    QFile fichero(carpeta.filePath(nombre));
    (void)fichero.open(QIODevice::WriteOnly);
    return fichero.fileName();
}

} // namespace

class TstFrmConfig : public QObject {
    Q_OBJECT
private slots:
    void LlenaDesdeLaConfiguracion_data() {
        QTest::addColumn<bool>("aceptar");
        QTest::addColumn<bool>("rechazar");
        QTest::addColumn<bool>("preguntar");
        QTest::addColumn<QString>("marcado");
        QTest::newRow("preguntar") << false << false << true << QStringLiteral("rbPreguntar");
        QTest::newRow("aceptar") << true << false << false << QStringLiteral("rbAceptarPeticion");
        QTest::newRow("varios: gana preguntar") << true << true << true << QStringLiteral("rbPreguntar");
        QTest::newRow("aceptar y rechazar: gana rechazar") << true << true << false << QStringLiteral("rbRechazarPeticion");
        QTest::newRow("ninguno") << false << false << false << QString();
    }

    void LlenaDesdeLaConfiguracion() {
        QFETCH(bool, aceptar);
        QFETCH(bool, rechazar);
        QFETCH(bool, preguntar);
        QFETCH(QString, marcado);
        TDialogo d;
        d.Config().AceptarEntradasDesconocidas = aceptar;
        d.Config().RechazarEntradasDesconocidas = rechazar;
        d.Config().PreguntarEntradasDesconocidas = preguntar;
        d.Config().Chat.forzarColor = true;
        d.Config().Chat.colorFondo = ColorRGB(0, 0, 200);
        QStringList marcados;
        bool forzar = false;
        QColor fondoMuestra;
        d.Abrir(TfrmConfig::General, [&] {
            for (const char* nombre : {"rbAceptarPeticion", "rbRechazarPeticion", "rbPreguntar"}) {
                if (d.C<QRadioButton>(nombre)->isChecked())
                    marcados << QLatin1String(nombre);
            }
            forzar = d.C<QRadioButton>("rbChatForzarColor")->isChecked();
            fondoMuestra = d.C<QLineEdit>("edtChatFont")->palette().color(QPalette::Base);
            d.Cancelar();
        });
        QCOMPARE(marcados, marcado.isEmpty() ? QStringList() : QStringList{marcado});
        QVERIFY(forzar);
        QCOMPARE(fondoMuestra, QColor(0, 0, 200));
    }

    // The chooser opens on the font the sample is drawn with; taken as it is, the setting stays.
    void FuenteSinCambiosNoCambiaNada() {
        TDialogo d;
        d.Config().Chat.Fuente = {QStringLiteral("Fixedsys"), 8};
        QFont inicial;
        d.Ventana.Selectores().ElegirFuente = [&](QWidget*, QFont fuente) {
            inicial = fuente;
            return std::optional(fuente);
        };
        d.Abrir(TfrmConfig::Chat, [&] {
            d.C<QPushButton>("btnChatFuente")->click();
            d.Aceptar();
        });
        QCOMPARE(inicial.family(), QFontInfo(QFont(QStringLiteral("Fixedsys"), 8)).family());
        QCOMPARE(d.Config().Chat.Fuente.Name, QStringLiteral("Fixedsys"));
    }

    void AceptarTomaCadaControl() {
        TDialogo d;
        QTemporaryDir carpeta;
        const QString sonido = Crear(carpeta, QStringLiteral("flash.wav"));
        d.Config().Chat.Fuente = {QStringLiteral("Fixedsys"), 8};
        d.ColorElegido = QColor(255, 0, 0);
        d.FuenteElegida = QFont(QStringLiteral("Courier"), 14);
        d.SonidoElegido = sonido;
        QString mostrada;
        bool anunciabaAlAbrir = false;
        const int resultado = d.Abrir(TfrmConfig::Perfil, [&] {
            d.C<QRadioButton>("rbRechazarPeticion")->setChecked(true);
            d.C<QCheckBox>("chkAlwaysOnTop")->setChecked(true);
            d.C<QCheckBox>("chkCargarConWindows")->setChecked(true);
            anunciabaAlAbrir = d.C<QCheckBox>("chkAnunciarEnRed")->isChecked();
            d.C<QCheckBox>("chkAnunciarEnRed")->setChecked(false);
            d.C<QCheckBox>("chkAvisosEscritorio")->setChecked(false);
            d.C<QCheckBox>("chkAutoAceptarFicheros")->setChecked(true);
            d.C<QLineEdit>("edtAutoAceptarFicheros")->setText(QStringLiteral("/srv/Recibidos"));
            d.C<QLineEdit>("edtNick")->setText(QStringLiteral("Anita"));
            d.C<QLineEdit>("edtNickAway")->setText(QStringLiteral("Anita fuera"));
            d.C<QLineEdit>("edtEMail")->setText(QStringLiteral("anita@example.org"));
            QTest::mouseClick(d.C<TMuestraColor>("PanelChatColorServerTexto"), Qt::LeftButton);
            d.C<QPushButton>("btnChatFuente")->click();
            d.C<QRadioButton>("rbChatForzarColor")->setChecked(true);
            d.C<QCheckBox>("chkChatMostrarHora")->setChecked(false);
            d.C<QCheckBox>("chkChatMostrarEmoticonos")->setChecked(false);
            d.C<QTabWidget>("PageControl")->setCurrentIndex(TfrmConfig::Sonidos);
            d.PulsarFila(8);
            d.C<QPushButton>("btnEscogerSonido")->click();
            mostrada = d.C<QLineEdit>("edtRutaSonido")->text();
            d.Aceptar();
        });
        QCOMPARE(resultado, int(QDialog::Accepted));
        const TConfig& c = d.Config();
        QVERIFY(c.RechazarEntradasDesconocidas && !c.AceptarEntradasDesconocidas && !c.PreguntarEntradasDesconocidas);
        QVERIFY(c.AlwaysOnTop && c.CargarConWindows && c.AutoAceptarFicheros);
        QVERIFY(anunciabaAlAbrir && !c.AnunciarEnRed && !c.AvisosEscritorio);
        QCOMPARE(c.AutoAceptarFicherosPath, QStringLiteral("/srv/Recibidos/"));
        QCOMPARE(c.Nick, QStringLiteral("Anita"));
        QCOMPARE(c.NickAway, QStringLiteral("Anita fuera"));
        QCOMPARE(c.EMail, QStringLiteral("anita@example.org"));
        QCOMPARE(c.Chat.colorServer, ColorRGB(255, 0, 0));
        QCOMPARE(c.Chat.colorTexto, TColor(0));
        QCOMPARE(c.Chat.Fuente.Name, QStringLiteral("Courier"));
        QCOMPARE(c.Chat.Fuente.Size, 14);
        QVERIFY(c.Chat.forzarColor && !c.Chat.mostrarHora && !c.Chat.mostrarEmoticonos);
        QCOMPARE(c.Sonidos.MensajeFlash, sonido);
        QCOMPARE(mostrada, sonido);
        QCOMPARE(d.ChatAplicado, 1);
        QVERIFY(QFile::exists(d.Nodo.M().Rutas().FicheroArranque()));
    }

    void CancelarDescartaYReabrirMuestraLoGuardado_data() {
        QTest::addColumn<bool>("conEsc");
        QTest::newRow("Cancelar") << false;
        QTest::newRow("Esc") << true;
    }

    void CancelarDescartaYReabrirMuestraLoGuardado() {
        QFETCH(bool, conEsc);
        TDialogo d;
        QTemporaryDir carpeta;
        d.SonidoElegido = Crear(carpeta, QStringLiteral("x.wav"));
        d.ColorElegido = QColor(0, 255, 0);
        const TConfig antes = d.Config();
        const int resultado = d.Abrir(TfrmConfig::Perfil, [&] {
            d.C<QLineEdit>("edtNick")->setText(QStringLiteral("Otra"));
            d.C<QCheckBox>("chkChatMostrarHora")->setChecked(false);
            QTest::mouseClick(d.C<TMuestraColor>("PanelChatColorTexto"), Qt::LeftButton);
            d.PulsarFila(0);
            d.C<QPushButton>("btnEscogerSonido")->click();
            if (conEsc)
                QTest::keyClick(&d.Ventana, Qt::Key_Escape);
            else
                d.Cancelar();
        });
        QCOMPARE(resultado, int(QDialog::Rejected));
        QCOMPARE(d.Config().Nick, antes.Nick);
        QVERIFY(d.Config().Chat.mostrarHora);
        QVERIFY(d.Config().Sonidos.File_SolicitudTx.isEmpty());
        QCOMPARE(d.ChatAplicado, 0);
        QString nick;
        bool hora = false, altavoz = true;
        TColor texto = 1;
        d.Abrir(TfrmConfig::General, [&] {
            nick = d.C<QLineEdit>("edtNick")->text();
            hora = d.C<QCheckBox>("chkChatMostrarHora")->isChecked();
            altavoz = d.Altavoz(0);
            texto = d.C<TMuestraColor>("PanelChatColorTexto")->Color();
            d.Cancelar();
        });
        QCOMPARE(nick, antes.Nick);
        QVERIFY(hora);
        QVERIFY(!altavoz);
        QCOMPARE(texto, antes.Chat.colorTexto);
    }

    void AbrirOtraVezNoPierdeLoEscrito() {
        TDialogo d;
        QString nick;
        int pagina = -1;
        d.Abrir(TfrmConfig::Perfil, [&] {
            d.C<QLineEdit>("edtNick")->setText(QStringLiteral("A medias"));
            d.Ventana.Abrir(TfrmConfig::Sonidos);  // from the tray menu, say
            nick = d.C<QLineEdit>("edtNick")->text();
            pagina = d.C<QTabWidget>("PageControl")->currentIndex();
            d.Aceptar();
        });
        QCOMPARE(nick, QStringLiteral("A medias"));
        QCOMPARE(pagina, int(TfrmConfig::Perfil));
        QCOMPARE(d.Config().Nick, QStringLiteral("A medias"));
    }

    void EliminarYCancelarConservaElSonido() {
        TDialogo d;
        d.Config().Sonidos.MensajeFlash = QStringLiteral("/sonidos/flash.wav");
        bool altavozTrasEliminar = true, eliminarHabilitado = false;
        QString rutaTrasEliminar;
        d.Abrir(TfrmConfig::Sonidos, [&] {
            d.PulsarFila(8);
            eliminarHabilitado = d.C<QPushButton>("btnEliminarSonido")->isEnabled();
            d.C<QPushButton>("btnEliminarSonido")->click();
            altavozTrasEliminar = d.Altavoz(8);
            rutaTrasEliminar = d.C<QLineEdit>("edtRutaSonido")->text();
            d.Cancelar();
        });
        QVERIFY(eliminarHabilitado);
        QVERIFY(!altavozTrasEliminar);
        QCOMPARE(rutaTrasEliminar, QStringLiteral("/sonidos/flash.wav"));  // kept until the next click
        QCOMPARE(d.Config().Sonidos.MensajeFlash, QStringLiteral("/sonidos/flash.wav"));
        bool altavoz = false;
        d.Abrir(TfrmConfig::Sonidos, [&] {
            altavoz = d.Altavoz(8);
            d.PulsarFila(8);
            d.C<QPushButton>("btnEliminarSonido")->click();
            d.Aceptar();
        });
        QVERIFY(altavoz);
        QVERIFY(d.Config().Sonidos.MensajeFlash.isEmpty());
    }

    void SeparadorSinSonido() {
        TDialogo d;
        QTemporaryDir carpeta;
        d.SonidoElegido = Crear(carpeta, QStringLiteral("x.wav"));
        bool escoger = true, eliminar = true;
        d.Abrir(TfrmConfig::Sonidos, [&] {
            d.PulsarFila(3);
            escoger = d.C<QPushButton>("btnEscogerSonido")->isEnabled();
            eliminar = d.C<QPushButton>("btnEliminarSonido")->isEnabled();
            d.DobleClicFila(7);
            d.Aceptar();
        });
        QVERIFY(!escoger && !eliminar);
        QVERIFY(d.TitulosSonido.isEmpty());
        QVERIFY(d.Nodo.Interfaz.Sonidos.isEmpty());
    }

    void EscogerYProbarSonidos() {
        TDialogo d;
        QTemporaryDir carpeta;
        const QString existe = Crear(carpeta, QStringLiteral("flash.wav"));
        const QString falta = carpeta.filePath(QStringLiteral("borrado.wav"));
        d.Config().Sonidos.ContactoConecta = falta;
        d.Config().Sonidos.ContactoDesconecta = existe;
        d.SonidoElegido = existe;
        QStringList oidosAlElegir;
        d.Abrir(TfrmConfig::Sonidos, [&] {
            // A file that is gone is not tried, and no chooser opens for it.
            d.DobleClicFila(5);
            // One that exists plays.
            d.DobleClicFila(6);
            // An empty row opens the chooser, and the chosen file plays at once.
            d.DobleClicFila(8);
            oidosAlElegir = d.Nodo.Interfaz.Sonidos;
            d.PulsarFila(8);
            d.C<QPushButton>("btnEscogerSonido")->click();
            d.Cancelar();
        });
        QCOMPARE(oidosAlElegir, (QStringList{existe, existe}));
        QCOMPARE(d.TitulosSonido, (QStringList{QStringLiteral("Escoja archivo de Sonido para: Mensaje Flash"),
                                               QStringLiteral("Escoja archivo de Sonido para: Mensaje Flash")}));
        // Empty row: the program's folder; a row with a file: that file.
        QCOMPARE(d.InicialesSonido, (QStringList{QCoreApplication::applicationDirPath(), existe}));
        QVERIFY(d.Config().Sonidos.MensajeFlash.isEmpty());
    }

    void ColoresMuestraYChat() {
        TDialogo d;
        d.ColorElegido = QColor(10, 20, 30);
        QColor textoMuestra, fondoMuestra;
        int chatAntes = -1;
        d.Abrir(TfrmConfig::Chat, [&] {
            QTest::mouseClick(d.C<TMuestraColor>("PanelChatColorTexto"), Qt::LeftButton);
            d.ColorElegido = QColor(40, 50, 60);
            QTest::mouseClick(d.C<TMuestraColor>("PanelChatColorFondo"), Qt::LeftButton);
            d.ColorElegido = QColor(70, 80, 90);
            QTest::mouseClick(d.C<TMuestraColor>("PanelChatForzarColorTexto"), Qt::LeftButton);
            const QPalette paleta = d.C<QLineEdit>("edtChatFont")->palette();
            textoMuestra = paleta.color(QPalette::Text);
            fondoMuestra = paleta.color(QPalette::Base);
            chatAntes = d.ChatAplicado;
            d.Aceptar();
        });
        // The sample at once, the chat windows only after Aceptar.
        QCOMPARE(textoMuestra, QColor(10, 20, 30));
        QCOMPARE(fondoMuestra, QColor(40, 50, 60));
        QCOMPARE(chatAntes, 0);
        QCOMPARE(d.ChatAplicado, 1);
        QCOMPARE(d.Config().Chat.colorTexto, ColorRGB(10, 20, 30));
        QCOMPARE(d.Config().Chat.colorFondo, ColorRGB(40, 50, 60));
        QCOMPARE(d.Config().Chat.colorForzar, ColorRGB(70, 80, 90));
    }

    void CarpetaElegidaConBarra() {
        TDialogo d;
        d.Config().AutoAceptarFicherosPath = QStringLiteral("/srv/antes/");
        d.CarpetaElegida = QStringLiteral("/srv/nueva");
        QString mostrada;
        d.Abrir(TfrmConfig::General, [&] {
            d.C<QPushButton>("btnAutoAceptarFicheros")->click();
            mostrada = d.C<QLineEdit>("edtAutoAceptarFicheros")->text();
            d.Aceptar();
        });
        QCOMPARE(d.CarpetaInicial, QStringLiteral("/srv/antes/"));
        QCOMPARE(mostrada, QStringLiteral("/srv/nueva/"));
        QCOMPARE(d.Config().AutoAceptarFicherosPath, QStringLiteral("/srv/nueva/"));
    }

    void NicksSinDosPuntosYTextosSinControles() {
        TDialogo d;
        QString nick, away, email;
        d.Abrir(TfrmConfig::Perfil, [&] {
            QLineEdit* edtNick = d.C<QLineEdit>("edtNick");
            edtNick->clear();
            QTest::keyClicks(edtNick, QStringLiteral("Jo:se"));
            // Pasted text goes through the same filter.
            edtNick->insert(QStringLiteral("\a!\t"));
            nick = edtNick->text();
            QLineEdit* edtNickAway = d.C<QLineEdit>("edtNickAway");
            edtNickAway->clear();
            QTest::keyClicks(edtNickAway, QStringLiteral("a:b"));
            away = edtNickAway->text();
            QLineEdit* edtEMail = d.C<QLineEdit>("edtEMail");
            edtEMail->clear();
            edtEMail->insert(QStringLiteral("a:b@c\aFLASH:x"));
            email = edtEMail->text();
            d.Cancelar();
        });
        QCOMPARE(nick, QStringLiteral("Jose!"));
        QCOMPARE(away, QStringLiteral("ab"));
        QCOMPARE(email, QStringLiteral("a:b@cFLASH:x"));
    }
};

// The dialog as the main window opens it.
class TstFrmConfigEnPrincipal : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> carpeta;
    std::unique_ptr<TPrograma> programa;
    TfrmPrincipal* ventana = nullptr;

    TfrmConfig* Dialogo() { return programa->frmConfig(); }
    template <typename T>
    T* C(const char* nombre) { return Dialogo()->findChild<T*>(QLatin1String(nombre)); }
    QAction* Accion(const char* nombre) { return ventana->findChild<QAction*>(QLatin1String(nombre)); }

private slots:
    void init() {
        carpeta = std::make_unique<QTemporaryDir>();
        TMensajero::TOpciones opciones{TRutas::EnCarpeta(carpeta->path()), QHostAddress(QStringLiteral("127.0.0.32")),
                                       PuertoDePrueba(), QHostAddress(QStringLiteral("127.0.0.32"))};
        programa = std::make_unique<TPrograma>(opciones);
        QVERIFY(programa->Iniciar(nullptr));
        ventana = &programa->Principal();
        ventana->show();
        QVERIFY(QTest::qWaitForWindowExposed(ventana));
    }
    void cleanup() { programa.reset(); }

    void EntradasDelMenuAbrenSuPagina_data() {
        QTest::addColumn<QString>("accion");
        QTest::addColumn<int>("pagina");
        QTest::newRow("Configurar") << QStringLiteral("mnuConfigurar") << int(TfrmConfig::General);
        QTest::newRow("Cambiar Nick") << QStringLiteral("mnuCambiarNick") << int(TfrmConfig::Perfil);
    }

    void EntradasDelMenuAbrenSuPagina() {
        QFETCH(QString, accion);
        QFETCH(int, pagina);
        QAction* entrada = ventana->findChild<QAction*>(accion);
        QVERIFY(entrada && entrada->isEnabled());
        int abierta = -1;
        QTimer::singleShot(0, Dialogo(), [&] {
            abierta = C<QTabWidget>("PageControl")->currentIndex();
            C<QPushButton>("btnCancelar")->click();
        });
        entrada->trigger();
        QCOMPARE(abierta, pagina);
        // The same two entries serve the tray menu.
        QMenu* tray = ventana->findChild<QMenu*>(QStringLiteral("PopupMenuTray"));
        QVERIFY(tray->actions().contains(entrada));
    }

    void QuitarElTrayConLaVentanaOcultaLaMuestra() {
        programa->Mensajero().Config().IconoEnTray = true;
        ventana->close();
        QVERIFY(ventana->Oculto() && !ventana->isVisible());
        QTimer::singleShot(0, Dialogo(), [&] {
            C<QCheckBox>("chkIconoEnTray")->setChecked(false);
            C<QPushButton>("btnAceptar")->click();
        });
        Accion("mnuConfigurar")->trigger();
        QVERIFY(!ventana->Oculto());
        QVERIFY(ventana->isVisible());
        QVERIFY(!programa->Mensajero().Config().IconoEnTray);
    }

    void CajaDelNickSinDosPuntos() {
        QString escrito;
        QTimer::singleShot(0, ventana, [&] {
            auto* caja = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (!caja)
                return;
            QLineEdit* campo = caja->findChild<QLineEdit*>();
            campo->clear();
            QTest::keyClicks(campo, QStringLiteral("Pe:pe"));
            escrito = campo->text();
            caja->reject();
        });
        auto* lblNick = ventana->findChild<TLabel2*>(QStringLiteral("lblNick"));
        QTest::mouseClick(lblNick, Qt::LeftButton);
        QCOMPARE(escrito, QStringLiteral("Pepe"));
    }
};

int main(int argc, char** argv) {
    QApplication aplicacion(argc, argv);
    TstFrmConfig dialogo;
    TstFrmConfigEnPrincipal principal;
    return QTest::qExec(&dialogo, argc, argv) | QTest::qExec(&principal, argc, argv);
}

#include "tst_frmconfig.moc"
