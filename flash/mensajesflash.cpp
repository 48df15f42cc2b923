#include "flash/mensajesflash.h"

#include "core/codificacion.h"
#include "core/mensajero.h"

#include <utility>

namespace {

// Peers on other systems send CR LF, LF or CR alike.
QString UnificarSaltos(QString texto, const QString& salto) {
    texto.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    texto.replace(u'\r', u'\n');
    return texto.replace(u'\n', salto);
}

} // namespace

QString PartirParrafosLargos(const QString& texto, qsizetype maximo) {
    QString partido;
    partido.reserve(texto.size() + texto.size() / maximo);
    bool primero = true;
    for (QStringView resto : QStringView(texto).split(u'\n')) {
        if (!std::exchange(primero, false))
            partido.append(u'\n');
        while (resto.size() > maximo) {
            const qsizetype espacio = resto.first(maximo).lastIndexOf(u' ');
            const qsizetype corte = espacio >= 0 ? espacio + 1 : maximo;
            partido.append(resto.first(corte)).append(u'\n');
            resto = resto.sliced(corte);
        }
        partido.append(resto);
    }
    return partido;
}

TMensajesFlash::TMensajesFlash(TMensajero& mensajero, TInterfazFlash& interfaz)
    : mensajero_(mensajero), interfaz_(interfaz),
      registro_(mensajero.RegistrarManejador(
          TComando::Flash, [this](const QString& ip, const TMensajeRecibido& mensaje) {
              AlRecibir(ip, mensaje.Carga);
          })) {}

void TMensajesFlash::EnviarFlash(const QString& ip, const QString& texto) {
    const QString lineas = UnificarSaltos(texto, QStringLiteral("\r\n"));
    mensajero_.Proteger([&] { mensajero_.EnviarMensaje(ip, Componer(TComando::Flash, {lineas})); });
}

QString TMensajesFlash::TituloEnvio(const QString& ip) const {
    return QStringLiteral("Para : ") + mensajero_.NickDe(ip);
}

bool TMensajesFlash::SiempreEncima() const {
    return mensajero_.Config().AlwaysOnTop;
}

void TMensajesFlash::AlRecibir(const QString& ip, const QByteArray& carga) {
    if (interfaz_.FlashesAbiertos(ip) >= kMaximoAbiertos) {
        mensajero_.AnotarEnDebug("FlashDescartado [" + ip.toLatin1() + "]");
        return;
    }
    const QString hora = mensajero_.Reloj().Ahora().toString(QStringLiteral("hh:mm"));
    const QString nick = mensajero_.NickDe(ip);
    interfaz_.MostrarFlashRecibido({ip, nick, QStringLiteral("[") + hora + QStringLiteral("] De : ") + nick,
                                    UnificarSaltos(DecodificarCp1252(carga), QStringLiteral("\n"))});
    mensajero_.Sonar(mensajero_.Config().Sonidos.MensajeFlash);
}
