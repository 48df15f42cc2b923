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
    : FMensajero(mensajero), FInterfaz(interfaz) {
    FMensajero.RegistrarManejador(TComando::Flash,
                                  [this](const QString& ip, const TMensajeRecibido& mensaje) {
                                      AlRecibir(ip, mensaje.Carga);
                                  });
}

void TMensajesFlash::EnviarFlash(const QString& ip, const QString& texto) {
    const QString lineas = UnificarSaltos(texto, QStringLiteral("\r\n"));
    FMensajero.Proteger([&] { FMensajero.EnviarMensaje(ip, Componer(TComando::Flash, {lineas})); });
}

QString TMensajesFlash::TituloEnvio(const QString& ip) const {
    return QStringLiteral("Para : ") + FMensajero.NickDe(ip);
}

bool TMensajesFlash::SiempreEncima() const {
    return FMensajero.Config().AlwaysOnTop;
}

void TMensajesFlash::AlRecibir(const QString& ip, const QByteArray& carga) {
    if (FInterfaz.FlashesAbiertos(ip) >= kMaximoAbiertos) {
        FMensajero.AnotarEnDebug("FlashDescartado [" + ip.toLatin1() + "]");
        return;
    }
    const QString hora = FMensajero.Reloj().Ahora().toString(QStringLiteral("hh:mm"));
    FInterfaz.MostrarFlashRecibido(
        {ip, QStringLiteral("[") + hora + QStringLiteral("] De : ") + FMensajero.NickDe(ip),
         UnificarSaltos(DecodificarCp1252(carga), QStringLiteral("\n"))});
    FMensajero.Sonar(FMensajero.Config().Sonidos.MensajeFlash);
}

