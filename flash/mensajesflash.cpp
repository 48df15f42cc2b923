#include "flash/mensajesflash.h"

#include "core/codificacion.h"
#include "core/mensajero.h"

namespace {

// Peers on other systems send CR LF, LF or CR alike.
QString UnificarSaltos(QString texto, const QString& salto) {
    texto.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    texto.replace(u'\r', u'\n');
    return texto.replace(u'\n', salto);
}

} // namespace

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
    interfaz_.MostrarFlashRecibido(
        {ip, QStringLiteral("[") + hora + QStringLiteral("] De : ") + mensajero_.NickDe(ip),
         UnificarSaltos(DecodificarCp1252(carga), QStringLiteral("\n"))});
    mensajero_.Sonar(mensajero_.Config().Sonidos.MensajeFlash);
}
