#include "core/configuracion.h"

#include "core/rutas.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <variant>
#include <vector>

namespace {

using TCampo = std::variant<int*, bool*, TColor*, QString*>;

struct TValorConfig {
    QString Nombre;
    TCampo Campo;
};

// Every stored value, in the order it is read and written.
std::vector<TValorConfig> ValoresConfig(TConfig& c) {
    TConfigSonidos& s = c.Sonidos;
    return {
        {"PosX", &c.PosX},
        {"PosY", &c.PosY},
        {"Ancho", &c.Ancho},
        {"Alto", &c.Alto},
        {"Nick", &c.Nick},
        {"NickAway", &c.NickAway},
        {"EMail", &c.EMail},
        {"IconoEnTray", &c.IconoEnTray},
        {"AlwaysOnTop", &c.AlwaysOnTop},
        {"AceptarEntradasDesconocidas", &c.AceptarEntradasDesconocidas},
        {"RechazarEntradasDesconocidas", &c.RechazarEntradasDesconocidas},
        {"PreguntarEntradasDesconocidas", &c.PreguntarEntradasDesconocidas},
        {"CargarConWindows", &c.CargarConWindows},
        {"AutoAceptarFicheros", &c.AutoAceptarFicheros},
        {"AutoAceptarFicherosPath", &c.AutoAceptarFicherosPath},
        {"Chat.colorTexto", &c.Chat.colorTexto},
        {"Chat.colorFondo", &c.Chat.colorFondo},
        {"Chat.colorForzar", &c.Chat.colorForzar},
        {"Chat.colorServer", &c.Chat.colorServer},
        {"Chat.forzarColor", &c.Chat.forzarColor},
        {"Chat.mostrarHora", &c.Chat.mostrarHora},
        {"Chat.mostrarEmoticonos", &c.Chat.mostrarEmoticonos},
        {"Chat.Fuente.Name", &c.Chat.Fuente.Name},
        {"Chat.Fuente.Size", &c.Chat.Fuente.Size},
        {"Sonidos.File_SolicitudTx", &s.File_SolicitudTx},
        {"Sonidos.File_FinTx", &s.File_FinTx},
        {"Sonidos.File_AbortadaTx", &s.File_AbortadaTx},
        {"Sonidos.PreguntaIntentoConxDesconocido", &s.PreguntaIntentoConxDesconocido},
        {"Sonidos.ContactoConecta", &s.ContactoConecta},
        {"Sonidos.ContactoDesconecta", &s.ContactoDesconecta},
        {"Sonidos.MensajeFlash", &s.MensajeFlash},
        {"Sonidos.Chat_PreguntaJoin", &s.Chat_PreguntaJoin},
        {"Sonidos.Chat_Habla", &s.Chat_Habla},
        {"AnunciarEnRed", &c.AnunciarEnRed},
        {"AvisosEscritorio", &c.AvisosEscritorio},
    };
}

void Leer(const TAlmacenConfig& almacen, const TValorConfig& valor) {
    if (auto* texto = std::get_if<QString*>(&valor.Campo)) {
        **texto = almacen.LeerCadena(valor.Nombre);
        return;
    }
    const std::optional<qint64> numero = almacen.LeerEntero(valor.Nombre);
    if (!numero)
        return;
    if (auto* entero = std::get_if<int*>(&valor.Campo))
        **entero = int(*numero);
    else if (auto* logico = std::get_if<bool*>(&valor.Campo))
        **logico = *numero != 0;
    else
        *std::get<TColor*>(valor.Campo) = TColor(quint32(*numero));
}

void Escribir(TAlmacenConfig& almacen, const TValorConfig& valor) {
    if (auto* texto = std::get_if<QString*>(&valor.Campo))
        almacen.EscribirCadena(valor.Nombre, **texto);
    else if (auto* entero = std::get_if<int*>(&valor.Campo))
        almacen.EscribirEntero(valor.Nombre, **entero);
    else if (auto* logico = std::get_if<bool*>(&valor.Campo))
        almacen.EscribirEntero(valor.Nombre, **logico ? 1 : 0);
    else
        almacen.EscribirEntero(valor.Nombre, qint32(*std::get<TColor*>(valor.Campo)));
}

// Desktop entry Exec quoting: the path in double quotes, with its special characters escaped.
QString ComillasExec(const QString& ruta) {
    QString escapada;
    for (QChar caracter : ruta) {
        if (caracter == u'"' || caracter == u'`' || caracter == u'$' || caracter == u'\\')
            escapada += u'\\';
        escapada += caracter;
    }
    return u'"' + escapada + u'"';
}

} // namespace

void ConfigPorDefecto(TConfig& config, QSize pantalla) {
    config = TConfig{};
    config.Nick = kNickPorDefecto;
    config.NickAway = kNickAwayPorDefecto;
    config.PosX = (pantalla.width() - config.Ancho) / 2;
    config.PosY = (pantalla.height() - config.Alto) / 2;
}

TAlmacenConfig::TAlmacenConfig(QString fichero) : fichero_(std::move(fichero)) {}
TAlmacenConfig::~TAlmacenConfig() = default;

bool TAlmacenConfig::Abrir(bool crear) {
    if (!crear && !QFileInfo::exists(fichero_))
        return false;
    if (crear && !QDir().mkpath(QFileInfo(fichero_).absolutePath()))
        return false;
    ajustes_ = std::make_unique<QSettings>(fichero_, QSettings::IniFormat);
    return ajustes_->status() == QSettings::NoError;
}

bool TAlmacenConfig::Cerrar() {
    if (!ajustes_)
        return true;
    ajustes_->sync();
    const bool escrito = ajustes_->status() == QSettings::NoError;
    ajustes_.reset();
    return escrito;
}

bool TAlmacenConfig::ExisteValor(const QString& nombre) const {
    return ajustes_ && ajustes_->contains(nombre);
}

QString TAlmacenConfig::LeerCadena(const QString& nombre) const {
    return ajustes_->value(nombre).toString();
}

std::optional<qint64> TAlmacenConfig::LeerEntero(const QString& nombre) const {
    bool correcto = false;
    const qint64 numero = ajustes_->value(nombre).toString().trimmed().toLongLong(&correcto);
    if (!correcto || numero < INT32_MIN || numero > UINT32_MAX)
        return std::nullopt;
    return numero;
}

void TAlmacenConfig::EscribirCadena(const QString& nombre, const QString& valor) {
    ajustes_->setValue(nombre, valor);
}

void TAlmacenConfig::EscribirEntero(const QString& nombre, qint64 valor) {
    ajustes_->setValue(nombre, valor);
}

bool LeerConfig(TAlmacenConfig& almacen, TConfig& config) {
    if (!almacen.Abrir(false))
        return false;
    for (const TValorConfig& valor : ValoresConfig(config)) {
        if (almacen.ExisteValor(valor.Nombre))
            Leer(almacen, valor);
        else
            Escribir(almacen, valor);
    }
    almacen.Cerrar();
    return true;
}

bool EscribirConfig(TAlmacenConfig& almacen, const TConfig& config) {
    if (!almacen.Abrir(true))
        return false;
    TConfig copia = config;
    for (const TValorConfig& valor : ValoresConfig(copia))
        Escribir(almacen, valor);
    return almacen.Cerrar();
}

void ActualizarArranque(const TRutas& rutas, bool cargarConSesion) {
    const QString fichero = rutas.FicheroArranque();
    if (!cargarConSesion) {
        QFile::remove(fichero);
        return;
    }
    QDir().mkpath(rutas.CarpetaAutoarranque);
    const QString texto = u"[Desktop Entry]\nType=Application\nName=Tromblechatix\nExec=" +
                          ComillasExec(rutas.Ejecutable) + u"\nX-GNOME-Autostart-enabled=true\n";
    GuardarFicheroAtomico(fichero, texto.toUtf8());
}
