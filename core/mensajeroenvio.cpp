// Sending: the debug line of what goes out, and which connection a contact's messages go on
// while two of them are up.
#include "core/mensajero.h"

#include "core/conexion.h"

void TMensajero::EnviarMensaje(const QString& ip, const QByteArray& mensaje) {
    TContacto* contacto = BuscarContacto(ip);
    if (!contacto)
        return;
    if (depuracion_.Activo())
        Registrar("> [" + ip.toLatin1() + "] " + mensaje);
    if (opciones_.AlEnviar)
        opciones_.AlEnviar(ip, mensaje);
    if (TConexion* conexion = ConexionDeEnvio(contacto))
        conexion->Escribir(mensaje);
}

void TMensajero::EnviarPorSocket(TConexion* conexion, const QByteArray& mensaje) {
    if (depuracion_.Activo())
        Registrar("> [" + conexion->IPRemota().toLatin1() + "] " + mensaje);
    conexion->Escribir(mensaje);
}

void TMensajero::DifundirMensaje(const QByteArray& mensaje) {
    for (int i = 0; i < agenda_.NumeroFilas(); ++i) {
        if (agenda_.Fila(i)->Icono == 1)
            EnviarMensaje(agenda_.Fila(i)->IP, mensaje);
    }
}

TConexion* TMensajero::ConexionDeEnvio(TContacto* contacto) {
    if (EsperandoSaliente(contacto))
        return contacto->ConexionSaliente;
    TConexion* entrante = contacto->ConexionEntrante;
    if (entrante && entrante->Conectada())
        return entrante;
    TConexion* saliente = contacto->ConexionSaliente;
    // An attempt still under way keeps what is written until it is up.
    return saliente && (saliente->Conectada() || (contacto->Conectado && saliente->Intentando()))
               ? saliente
               : nullptr;
}

// Our attempt still under way wins a crossing: the peer drops the connection it opened as
// soon as ours arrives, so ours keeps the messages until it is up. Only for the crossing
// window, though: past it, what it kept goes on the inbound connection, which is up.
bool TMensajero::EsperandoSaliente(TContacto* contacto) {
    TConexion* entrante = contacto->ConexionEntrante;
    TConexion* saliente = contacto->ConexionSaliente;
    if (!entrante || !saliente || !saliente->Intentando())
        return false;
    if (entrante->MsArriba() < opciones_.MsCruce)
        return true;
    for (const QByteArray& mensaje : saliente->TomarEnEspera())
        entrante->Escribir(mensaje);
    return false;
}
