#include "settings/frmconfig.h"

#include "core/mensajero.h"
#include "core/utilidades.h"
#include "core/validadortexto.h"
#include "settings/muestracolor.h"
#include "widgets/cabeceraventana.h"
#include "widgets/colocacion.h"
#include "widgets/estilo.h"
#include "widgets/fabrica.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>

namespace {

constexpr QSize kTamano{337, 321};

QLabel* Etiqueta(const QString& texto, QPoint sitio, QWidget* padre) {
    auto* etiqueta = new QLabel(texto, padre);
    etiqueta->move(sitio);
    etiqueta->adjustSize();
    return etiqueta;
}

QPushButton* BotonPlano(const char* nombre, const QString& pista, QStyle::StandardPixmap glifo,
                        QRect sitio, QWidget* padre) {
    QPushButton* boton = Boton(nombre, {}, sitio, padre);
    boton->setFlat(true);
    boton->setToolTip(pista);
    boton->setIcon(padre->style()->standardIcon(glifo));
    return boton;
}

// A small loudspeaker with two sound waves, 13 x 14.
QPixmap ImagenAltavoz() {
    QPixmap imagen(13, 14);
    imagen.fill(Qt::transparent);
    QPainter p(&imagen);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1));
    p.setBrush(QColor(90, 90, 160));
    p.drawPolygon(QPolygonF({QPointF(0.5, 5), QPointF(3, 5), QPointF(6.5, 1.5), QPointF(6.5, 12.5),
                             QPointF(3, 9), QPointF(0.5, 9)}));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5, 4, 4, 6), -60 * 16, 120 * 16);
    p.drawArc(QRectF(5, 1.5, 7, 11), -60 * 16, 120 * 16);
    return imagen;
}

std::optional<QColor> ColorEstandar(QWidget* padre, QColor inicial) {
    const QColor elegido = QColorDialog::getColor(inicial, padre);
    return elegido.isValid() ? std::optional(elegido) : std::nullopt;
}

std::optional<QFont> FuenteEstandar(QWidget* padre, QFont inicial) {
    bool aceptada = false;
    const QFont elegida = QFontDialog::getFont(&aceptada, inicial, padre);
    return aceptada ? std::optional(elegida) : std::nullopt;
}

// A folder chooser: the other way, picking a file inside the folder, cannot pick an empty one.
std::optional<QString> CarpetaEstandar(QWidget* padre, QString inicial) {
    const QString elegida = QFileDialog::getExistingDirectory(
        padre, QStringLiteral("Escoja el directorio donde guardar los archivos"), inicial);
    return elegida.isEmpty() ? std::nullopt : std::optional(elegida);
}

std::optional<QString> SonidoEstandar(QWidget* padre, QString titulo, QString inicial) {
    const QString elegido = QFileDialog::getOpenFileName(
        padre, titulo, inicial, QStringLiteral("Archivos de Sonido (*.wav);;Todos (*)"));
    return elegido.isEmpty() ? std::nullopt : std::optional(elegido);
}

void MarcarEnGrupo(QButtonGroup* grupo, const std::vector<std::pair<QAbstractButton*, bool>>& botones) {
    // An exclusive group keeps one button checked; with none stored, none may show.
    grupo->setExclusive(false);
    for (const auto& eleccion : botones)
        eleccion.first->setChecked(false);
    grupo->setExclusive(true);
    // Several stored as true: the last one wins, as the later check unchecks the earlier.
    for (const auto& [boton, marcado] : botones) {
        if (marcado)
            boton->setChecked(true);
    }
}

} // namespace

TfrmConfig::TfrmConfig(TMensajero& mensajero, TEfectosConfig efectos, QWidget* padre)
    : QDialog(padre, Qt::Dialog | Qt::FramelessWindowHint), mensajero_(mensajero),
      efectos_(std::move(efectos)),
      selectores_{&ColorEstandar, &FuenteEstandar, &CarpetaEstandar, &SonidoEstandar},
      PanelTitulo(new TCabeceraVentana(QStringLiteral("PanelTitulo"), QStringLiteral("Configuración"),
                                       TCabeceraVentana::TBotones(), this)),
      PageControl(new QTabWidget(this)),
      btnAceptar(Boton("btnAceptar", QStringLiteral(" &Aceptar "), QRect(16, 281, 148, 26), this)),
      btnCancelar(Boton("btnCancelar", QStringLiteral(" &Cancelar "), QRect(173, 281, 148, 26), this)) {
    setObjectName(QStringLiteral("frmConfig"));
    setWindowTitle(QStringLiteral("Configuración"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setFixedSize(kTamano);
    PanelTitulo->setGeometry(1, 1, 335, TCabeceraVentana::kAlto);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    PageControl->setGeometry(8, 32, 321, 232);
    PageControl->addTab(CrearGeneral(), QStringLiteral("General"));
    PageControl->addTab(CrearPerfil(), QStringLiteral("Perfil"));
    PageControl->addTab(CrearChat(), QStringLiteral("Chat"));
    PageControl->addTab(CrearSonidos(), QStringLiteral("Sonidos"));
    connect(btnAceptar, &QPushButton::clicked, this, &TfrmConfig::btnAceptarClick);
    connect(btnCancelar, &QPushButton::clicked, this, &QDialog::reject);
}

QWidget* TfrmConfig::CrearGeneral() {
    auto* pagina = new QWidget;
    QLabel* Label1 = Control<QLabel>("Label1", QStringLiteral("Al recibir una petición de conexión de alguien desconocido..."),
                                     {8, 4, 298, 30}, pagina);
    Label1->setWordWrap(true);
    rbRechazarPeticion = Control<QRadioButton>("rbRechazarPeticion", QStringLiteral("Rechazar la petición"),
                                               {20, 34, 280, 17}, pagina);
    rbAceptarPeticion = Control<QRadioButton>(
        "rbAceptarPeticion", QStringLiteral("Aceptar la petición y añadir a la Agenda"), {20, 50, 280, 17}, pagina);
    rbPreguntar = Control<QRadioButton>("rbPreguntar", QStringLiteral("Preguntar"), {20, 66, 280, 17}, pagina);
    grupoEntradas_ = new QButtonGroup(this);
    for (QRadioButton* boton : {rbRechazarPeticion, rbAceptarPeticion, rbPreguntar})
        grupoEntradas_->addButton(boton);
    chkAlwaysOnTop = Control<QCheckBox>("chkAlwaysOnTop", QStringLiteral("Ventana principal \"Siempre visible\""),
                                        {8, 84, 300, 17}, pagina);
    chkIconoEnTray = Control<QCheckBox>("chkIconoEnTray", QStringLiteral("Mantener un icono en el Tray"),
                                        {8, 100, 300, 17}, pagina);
    // The setting keeps its stored name; the caption names the desktop session instead.
    chkCargarConWindows = Control<QCheckBox>("chkCargarConWindows", QStringLiteral("Cargar al iniciar la sesión"),
                                             {8, 116, 300, 17}, pagina);
    chkAnunciarEnRed = Control<QCheckBox>("chkAnunciarEnRed", QStringLiteral("Anunciarme en la red local"),
                                          {8, 132, 300, 17}, pagina);
    chkAvisosEscritorio = Control<QCheckBox>("chkAvisosEscritorio", QStringLiteral("Avisos del escritorio"),
                                             {8, 148, 300, 17}, pagina);
    chkAutoAceptarFicheros = Control<QCheckBox>(
        "chkAutoAceptarFicheros", QStringLiteral("Auto-Aceptar ficheros en..."), {8, 165, 300, 17}, pagina);
    edtAutoAceptarFicheros = Campo("edtAutoAceptarFicheros", {24, 183, 254, 21}, pagina);
    btnAutoAceptarFicheros = Boton("btnAutoAceptarFicheros", QStringLiteral("..."), {281, 183, 25, 21}, pagina);
    connect(btnAutoAceptarFicheros, &QPushButton::clicked, this, &TfrmConfig::btnAutoAceptarFicherosClick);
    return pagina;
}

QWidget* TfrmConfig::CrearPerfil() {
    auto* pagina = new QWidget;
    const auto fila = [pagina](const char* nombre, const QString& texto, int y) {
        auto* etiqueta = new QLabel(texto, pagina);
        etiqueta->setGeometry(8, y, 70, 21);
        etiqueta->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return Campo(nombre, {84, y, 220, 21}, pagina);
    };
    edtNick = fila("edtNick", QStringLiteral("Nick:"), 24);
    edtNickAway = fila("edtNickAway", QStringLiteral("Nick Away:"), 56);
    edtEMail = fila("edtEMail", QStringLiteral("E-Mail:"), 88);
    for (QLineEdit* nick : {edtNick, edtNickAway})
        nick->setValidator(new TValidadorTexto(TValidadorTexto::TReglas::Nick, nick));
    edtEMail->setValidator(new TValidadorTexto(TValidadorTexto::TReglas::SinControles, edtEMail));
    return pagina;
}

QWidget* TfrmConfig::CrearChat() {
    auto* pagina = new QWidget;
    Etiqueta(QStringLiteral("Color de fondo Ventanas de Chat:"), {8, 8}, pagina);
    PanelChatColorFondo = new TMuestraColor("PanelChatColorFondo", {288, 7}, pagina);
    Etiqueta(QStringLiteral("Texto escrito por mi:"), {8, 28}, pagina);
    PanelChatColorTexto = new TMuestraColor("PanelChatColorTexto", {288, 27}, pagina);
    btnChatFuente = Boton("btnChatFuente", QStringLiteral("Fuente..."), {8, 48, 80, 23}, pagina);
    edtChatFont = Campo("edtChatFont", {96, 48, 208, 23}, pagina);
    edtChatFont->setText(QStringLiteral("Mi texto"));
    edtChatFont->setReadOnly(true);
    Etiqueta(QStringLiteral("Al recibir texto de las demás personas..."), {8, 78}, pagina)
        ->setObjectName(QStringLiteral("Label5"));
    rbChatConservarColor = Control<QRadioButton>(
        "rbChatConservarColor", QStringLiteral("Mostrar el texto de los demás de colores"), {20, 96, 280, 17}, pagina);
    rbChatForzarColor = Control<QRadioButton>(
        "rbChatForzarColor", QStringLiteral("Forzar a que sea de este color:"), {20, 114, 260, 17}, pagina);
    PanelChatForzarColorTexto = new TMuestraColor("PanelChatForzarColorTexto", {288, 115}, pagina);
    Etiqueta(QStringLiteral("Color de los mensajes del Servidor:"), {8, 140}, pagina);
    PanelChatColorServerTexto = new TMuestraColor("PanelChatColorServerTexto", {288, 139}, pagina);
    chkChatMostrarHora = Control<QCheckBox>(
        "chkChatMostrarHora", QStringLiteral("Mostrar la hora a la que se recibió el texto"), {8, 160, 300, 17}, pagina);
    chkChatMostrarEmoticonos = Control<QCheckBox>(
        "chkChatMostrarEmoticonos", QStringLiteral("Mostrar emoticonos gráficos"), {8, 178, 300, 17}, pagina);
    connect(btnChatFuente, &QPushButton::clicked, this, &TfrmConfig::btnChatFuenteClick);
    for (TMuestraColor* muestra :
         {PanelChatColorFondo, PanelChatColorTexto, PanelChatForzarColorTexto, PanelChatColorServerTexto})
        connect(muestra, &TMuestraColor::Pulsado, this, [this, muestra] { ElegirColorDe(muestra); });
    return pagina;
}

QWidget* TfrmConfig::CrearSonidos() {
    auto* pagina = new QWidget;
    ListViewSonidos = new QTreeWidget(pagina);
    ListViewSonidos->setObjectName(QStringLiteral("ListViewSonidos"));
    ListViewSonidos->setGeometry(8, 8, 298, 158);
    ListViewSonidos->setColumnCount(2);
    ListViewSonidos->setHeaderLabels({QStringLiteral("Nombre"), QStringLiteral("Ruta")});
    ListViewSonidos->setHeaderHidden(true);
    ListViewSonidos->setRootIsDecorated(false);
    ListViewSonidos->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListViewSonidos->setSelectionMode(QAbstractItemView::SingleSelection);
    ListViewSonidos->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListViewSonidos->setIconSize({13, 14});
    ListViewSonidos->setColumnHidden(1, true);
    edtRutaSonido = Campo("edtRutaSonido", {8, 174, 242, 21}, pagina);
    btnEscogerSonido = BotonPlano("btnEscogerSonido", QStringLiteral("Escoger archivo de Sonido..."),
                                  QStyle::SP_DialogOpenButton, {256, 172, 24, 24}, pagina);
    btnEliminarSonido = BotonPlano("btnEliminarSonido", QStringLiteral("Eliminar Sonido..."),
                                   QStyle::SP_TrashIcon, {282, 172, 24, 24}, pagina);
    connect(ListViewSonidos, &QTreeWidget::itemClicked, this, &TfrmConfig::ListViewSonidosClick);
    connect(ListViewSonidos, &QTreeWidget::currentItemChanged, this, &TfrmConfig::ListViewSonidosClick);
    connect(ListViewSonidos, &QTreeWidget::itemDoubleClicked, this, &TfrmConfig::ListViewSonidosDblClick);
    connect(btnEscogerSonido, &QPushButton::clicked, this, &TfrmConfig::btnEscogerSonidoClick);
    connect(btnEliminarSonido, &QPushButton::clicked, this, &TfrmConfig::btnEliminarSonidoClick);
    return pagina;
}

int TfrmConfig::Abrir(TPagina pagina) {
    // The tray menu still works while the dialog is up: refilling would lose the edits.
    if (isVisible()) {
        raise();
        activateWindow();
        return QDialog::Rejected;
    }
    Llenar();
    if (parentWidget())
        ColocarSobrePrincipal(this, parentWidget()->window());
    PageControl->setCurrentIndex(pagina);
    if (pagina == Perfil)
        edtNick->setFocus();
    return exec();
}

void TfrmConfig::Llenar() {
    const TConfig& c = mensajero_.Config();
    MarcarEnGrupo(grupoEntradas_, {{rbAceptarPeticion, c.AceptarEntradasDesconocidas},
                                    {rbRechazarPeticion, c.RechazarEntradasDesconocidas},
                                    {rbPreguntar, c.PreguntarEntradasDesconocidas}});
    chkIconoEnTray->setChecked(c.IconoEnTray);
    chkAlwaysOnTop->setChecked(c.AlwaysOnTop);
    chkCargarConWindows->setChecked(c.CargarConWindows);
    chkAnunciarEnRed->setChecked(c.AnunciarEnRed);
    chkAvisosEscritorio->setChecked(c.AvisosEscritorio);
    chkAutoAceptarFicheros->setChecked(c.AutoAceptarFicheros);
    edtAutoAceptarFicheros->setText(c.AutoAceptarFicherosPath);
    edtNick->setText(c.Nick);
    edtNickAway->setText(c.NickAway);
    edtEMail->setText(c.EMail);
    PanelChatColorTexto->FijarColor(c.Chat.colorTexto);
    PanelChatColorFondo->FijarColor(c.Chat.colorFondo);
    PanelChatForzarColorTexto->FijarColor(c.Chat.colorForzar);
    PanelChatColorServerTexto->FijarColor(c.Chat.colorServer);
    chkChatMostrarHora->setChecked(c.Chat.mostrarHora);
    chkChatMostrarEmoticonos->setChecked(c.Chat.mostrarEmoticonos);
    (c.Chat.forzarColor ? rbChatForzarColor : rbChatConservarColor)->setChecked(true);
    MuestraFuente(QFont(c.Chat.Fuente.Name, c.Chat.Fuente.Size), c.Chat.colorTexto, c.Chat.colorFondo);
    carpetaSonidos_ = QCoreApplication::applicationDirPath();
    LlenarListaSonidos();
}

void TfrmConfig::MuestraFuente(QFont fuente, TColor texto, TColor fondo) {
    edtChatFont->setFont(fuente);
    Colorear(edtChatFont, AQColor(texto), QPalette::Text);
    Colorear(edtChatFont, AQColor(fondo), QPalette::Base);
}

TConfig TfrmConfig::Editada() const {
    TConfig c = mensajero_.Config();
    c.AceptarEntradasDesconocidas = rbAceptarPeticion->isChecked();
    c.RechazarEntradasDesconocidas = rbRechazarPeticion->isChecked();
    c.PreguntarEntradasDesconocidas = rbPreguntar->isChecked();
    c.IconoEnTray = chkIconoEnTray->isChecked();
    c.AlwaysOnTop = chkAlwaysOnTop->isChecked();
    c.CargarConWindows = chkCargarConWindows->isChecked();
    c.AnunciarEnRed = chkAnunciarEnRed->isChecked();
    c.AvisosEscritorio = chkAvisosEscritorio->isChecked();
    c.AutoAceptarFicheros = chkAutoAceptarFicheros->isChecked();
    c.AutoAceptarFicherosPath = edtAutoAceptarFicheros->text();
    c.Nick = edtNick->text();
    c.NickAway = edtNickAway->text();
    c.EMail = edtEMail->text();
    c.Chat.colorTexto = PanelChatColorTexto->Color();
    c.Chat.colorFondo = PanelChatColorFondo->Color();
    c.Chat.colorForzar = PanelChatForzarColorTexto->Color();
    c.Chat.colorServer = PanelChatColorServerTexto->Color();
    c.Chat.mostrarHora = chkChatMostrarHora->isChecked();
    c.Chat.mostrarEmoticonos = chkChatMostrarEmoticonos->isChecked();
    c.Chat.forzarColor = rbChatForzarColor->isChecked();
    const QFont fuente = edtChatFont->font();
    c.Chat.Fuente.Name = fuente.family();
    c.Chat.Fuente.Size = fuente.pointSize();
    sonidos_.Tomar(c.Sonidos);
    return c;
}

void TfrmConfig::btnAceptarClick() {
    const TConfig editada = Editada();
    mensajero_.Proteger([&] { AceptarConfig(mensajero_, editada, efectos_); });
    accept();
}

void TfrmConfig::ElegirColorDe(TMuestraColor* muestra) {
    const std::optional<QColor> elegido = selectores_.ElegirColor(this, AQColor(muestra->Color()));
    if (!elegido)
        return;
    muestra->FijarColor(DeQColor(*elegido));
    // Only the sample follows at once; the chat windows wait for Aceptar.
    if (muestra == PanelChatColorTexto)
        Colorear(edtChatFont, *elegido, QPalette::Text);
    else if (muestra == PanelChatColorFondo)
        Colorear(edtChatFont, *elegido, QPalette::Base);
}

// "Fixedsys" exists only as a substitution: the chooser opens on the family the sample is
// really drawn with, and taking that as it is changes nothing.
void TfrmConfig::btnChatFuenteClick() {
    QFont dibujada = edtChatFont->font();
    dibujada.setFamily(QFontInfo(dibujada).family());
    const std::optional<QFont> fuente = selectores_.ElegirFuente(this, dibujada);
    if (fuente && (fuente->family() != dibujada.family() || fuente->pointSize() != dibujada.pointSize()))
        edtChatFont->setFont(*fuente);
}

void TfrmConfig::btnAutoAceptarFicherosClick() {
    if (const std::optional<QString> carpeta = selectores_.ElegirCarpeta(this, edtAutoAceptarFicheros->text()))
        edtAutoAceptarFicheros->setText(CarpetaConBarra(*carpeta));
}

// --- The "Sonidos" page ---

void TfrmConfig::LlenarListaSonidos() {
    sonidos_.Llenar(mensajero_.Config().Sonidos);
    ListViewSonidos->clear();
    ListViewSonidos->setColumnWidth(0, ListViewSonidos->width() - 20);
    for (int fila = 0; fila < TListaSonidos::kFilas; ++fila) {
        new QTreeWidgetItem(ListViewSonidos);
        PintarFilaSonido(fila);
    }
    edtRutaSonido->clear();
    btnEliminarSonido->setEnabled(false);
    btnEscogerSonido->setEnabled(true);
}

void TfrmConfig::PintarFilaSonido(int fila) {
    QTreeWidgetItem* item = ListViewSonidos->topLevelItem(fila);
    const TListaSonidos::TFila& datos = sonidos_.Fila(fila);
    item->setText(0, datos.Descripcion);
    item->setText(1, datos.Ruta);
    item->setIcon(0, sonidos_.MuestraAltavoz(fila) ? QIcon(ImagenAltavoz()) : QIcon());
    // One height for every row, with or without its speaker.
    const int alto = std::max(ListViewSonidos->fontMetrics().height(), ListViewSonidos->iconSize().height());
    item->setSizeHint(0, QSize(-1, alto + 2));
    // A description too long for the row is elided; the whole one is in its tooltip.
    item->setToolTip(0, AyudaLiteral(datos.Descripcion));
}

int TfrmConfig::FilaSeleccionada() const {
    const QList<QTreeWidgetItem*> elegidas = ListViewSonidos->selectedItems();
    return elegidas.isEmpty() ? -1 : ListViewSonidos->indexOfTopLevelItem(elegidas.first());
}

void TfrmConfig::ListViewSonidosClick() {
    const int fila = FilaSeleccionada();
    if (fila < 0)
        return;
    const TListaSonidos::TSeleccion seleccion = sonidos_.Pulsar(fila);
    edtRutaSonido->setText(seleccion.Ruta);
    btnEliminarSonido->setEnabled(seleccion.Eliminar);
    btnEscogerSonido->setEnabled(seleccion.Escoger);
}

void TfrmConfig::ListViewSonidosDblClick() {
    ListViewSonidosClick();
    const int fila = FilaSeleccionada();
    if (fila < 0)
        return;
    switch (sonidos_.DobleClic(fila)) {
    case TListaSonidos::TDobleClic::Reproducir:
        mensajero_.Sonar(edtRutaSonido->text());
        break;
    case TListaSonidos::TDobleClic::Escoger:
        btnEscogerSonidoClick();
        break;
    case TListaSonidos::TDobleClic::Nada:
        break;
    }
}

void TfrmConfig::btnEscogerSonidoClick() {
    const int fila = FilaSeleccionada();
    if (fila < 0 || sonidos_.EsSeparador(fila))
        return;
    const QString actual = edtRutaSonido->text();
    const std::optional<QString> elegido = selectores_.ElegirSonido(
        this, u"Escoja archivo de Sonido para: " + sonidos_.Fila(fila).Descripcion,
        actual.isEmpty() ? carpetaSonidos_ : actual);
    if (!elegido || !sonidos_.Escoger(fila, *elegido))
        return;
    edtRutaSonido->setText(*elegido);
    PintarFilaSonido(fila);
    if (QFileInfo(*elegido).isFile())
        mensajero_.Sonar(*elegido);
}

void TfrmConfig::btnEliminarSonidoClick() {
    const int fila = FilaSeleccionada();
    if (fila < 0)
        return;
    sonidos_.Eliminar(fila);
    PintarFilaSonido(fila);
}
