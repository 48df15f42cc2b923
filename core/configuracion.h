#pragma once

#include "core/utilidades.h"

#include <QSettings>
#include <QSize>
#include <QString>
#include <memory>

struct TRutas;

// The nine sound files, each a path or empty for no sound.
struct TConfigSonidos {
    QString File_SolicitudTx;
    QString File_FinTx;
    QString File_AbortadaTx;
    QString PreguntaIntentoConxDesconocido;
    QString ContactoConecta;
    QString ContactoDesconecta;
    QString MensajeFlash;
    QString Chat_PreguntaJoin;
    QString Chat_Habla;
};

// Every setting, each field named after the value it is stored under ("Chat.colorTexto" is
// Chat.colorTexto), plus the main window's geometry.
struct TConfig {
    int PosX = 0;
    int PosY = 0;
    int Ancho = 150;
    int Alto = 200;
    QString Nick;
    QString NickAway;
    QString EMail;
    bool IconoEnTray = false;
    bool AlwaysOnTop = false;
    bool AceptarEntradasDesconocidas = false;
    bool RechazarEntradasDesconocidas = false;
    bool PreguntarEntradasDesconocidas = true;
    bool CargarConWindows = false;
    bool AutoAceptarFicheros = false;
    QString AutoAceptarFicherosPath;
    // Whether this copy announces itself on the local network and answers who asks.
    bool AnunciarEnRed = true;
    // Whether what arrives while the user is not looking raises a desktop notification.
    bool AvisosEscritorio = true;
    struct {
        TColor colorTexto = 0;
        TColor colorFondo = 0xFFFFFF;
        TColor colorForzar = 0x880000;
        TColor colorServer = 0x006400;
        bool forzarColor = false;
        bool mostrarHora = true;
        bool mostrarEmoticonos = true;
        struct {
            QString Name = QStringLiteral("Fixedsys");
            int Size = 8;
        } Fuente;
    } Chat;
    TConfigSonidos Sonidos;
};

inline const QString kNickPorDefecto = QStringLiteral("¡Sin nick!");
inline const QString kNickAwayPorDefecto = QStringLiteral("¡Sin nick away!");
constexpr int kNumeroValoresConfig = 35;

// The defaults, with the main window centred on a screen of the given size.
void ConfigPorDefecto(TConfig& config, QSize pantalla);

// The settings file, with the operations of a registry key: open with or without creating,
// test, read and write strings and integers.
class TAlmacenConfig {
public:
    explicit TAlmacenConfig(QString fichero);
    ~TAlmacenConfig();

    // Without creating, a missing file fails: that is a first run.
    bool Abrir(bool crear);
    // False when what was written did not reach the file.
    bool Cerrar();
    bool ExisteValor(const QString& nombre) const;
    QString LeerCadena(const QString& nombre) const;
    // None when the stored text is not a 32-bit integer.
    std::optional<qint64> LeerEntero(const QString& nombre) const;
    void EscribirCadena(const QString& nombre, const QString& valor);
    void EscribirEntero(const QString& nombre, qint64 valor);

private:
    QString fichero_;
    std::unique_ptr<QSettings> ajustes_;
};

// Reads every stored value into the record and writes back those that are missing; a value
// that does not parse as its number keeps its default. False on a first run.
bool LeerConfig(TAlmacenConfig& almacen, TConfig& config);
// Writes every value; false when the file could not be written.
bool EscribirConfig(TAlmacenConfig& almacen, const TConfig& config);

// Writes the start-up entry with the executable's path, or deletes it. Errors are ignored.
void ActualizarArranque(const TRutas& rutas, bool cargarConSesion);
