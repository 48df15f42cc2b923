#pragma once

#include "core/registromanejador.h"

#include <QString>

class TMensajero;

// A received flash as its window shows it.
struct TFlashRecibido {
    QString IP;     // the sender, where an answer goes
    QString Nick;
    QString Titulo; // "[hh:mm] De : " + nick
    QString Texto;  // lines separated by "\n"
};

// The text with every paragraph longer than `maximo` cut into paragraphs of at most that
// many characters, each cut after the last space that fits, or at `maximo` in a run without
// one. An edit box lays out a whole paragraph at once, and a run without spaces in time
// that grows with the square of its length: a peer's megabyte would freeze the program.
QString PartirParrafosLargos(const QString& texto, qsizetype maximo);

// What flash messages need of the user interface.
class TInterfazFlash {
public:
    virtual ~TInterfazFlash() = default;
    // Opens a receive-mode window; it is on screen when this returns.
    virtual void MostrarFlashRecibido(const TFlashRecibido& flash) = 0;
    // Received-message windows from this address still open.
    virtual int FlashesAbiertos(const QString& ip) const = 0;
};

// One-off messages to a contact: "FLASH:" followed by the Windows-1252 text, CR LF between
// lines. Every message, sent or received, stands alone.
class TMensajesFlash {
public:
    // One peer cannot cover the screen: past this many of its windows, its flashes are dropped.
    static constexpr int kMaximoAbiertos = 10;

    TMensajesFlash(TMensajero& mensajero, TInterfazFlash& interfaz);

    // Any line break typed here travels as CR LF. Nothing is sent to a contact without a
    // connection, and nobody is told.
    void EnviarFlash(const QString& ip, const QString& texto);
    // "Para : " + nick, the caption of a compose window.
    QString TituloEnvio(const QString& ip) const;
    bool SiempreEncima() const;

private:
    void AlRecibir(const QString& ip, const QByteArray& carga);

    TMensajero& mensajero_;
    TInterfazFlash& interfaz_;
    TRegistroManejador registro_;
};
