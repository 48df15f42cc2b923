// Chat rooms: messages from four peers, mixed with the user's own actions, go through the
// core's dispatch into the rooms. Properties: no guest is listed twice in a hosted room, a
// line is never relayed to the peer that sent it, and a joined room changes host (or becomes
// ours) only on a "ROUTE_CHAT:" or "ENROUTE_CHAT:" for it from the host we knew, and is joined
// only on an "ACEPTA_JOINCHAT:" from the host it names.
//
// Input: steps separated by BEL. A step's first byte says what it is (modulo 8): 0-3 the rest
// is a message from that peer; 4 six seconds pass; 5 the user types a line in a room, 6 closes
// a room's tab, 7 offers a room to a peer (the next byte picks the room or the peer). Every
// "CHAT:" from a peer gets "|" and the peer's number appended, so that a relay shows whose
// line it carries.
#include "chat/salaschat.h"
#include "comprobar.h"
#include "nucleofalso.h"
#include "tests/apoyo/ventanachatfalsa.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSet>
#include <algorithm>
#include <map>
#include <memory>

namespace {

struct TEntorno : TNucleoFalso {
    TEntorno() { Mensajero->Config().Nick = QStringLiteral("yo"); }
};

TEntorno* entorno = nullptr;

// Ends every line a peer sends, so that a relay tells whose line it carries.
QByteArray Marca(int par) {
    return '|' + Numero(par);
}

std::map<int, QString> Hosts(const TSalasChat& salas) {
    std::map<int, QString> hosts;
    for (const TClientChat& sala : salas.Unidas())
        hosts[sala.IdChat] = sala.Host;
    return hosts;
}

int SalaElegida(const TSalasChat& salas, quint8 eleccion) {
    std::vector<int> ids;
    for (const TServerChat& sala : salas.Servidas())
        ids.push_back(sala.IdChat);
    for (const TClientChat& sala : salas.Unidas())
        ids.push_back(sala.IdChat);
    return ids.empty() ? 0 : ids[eleccion % ids.size()];
}

// Runs one of the user's actions; none of them is checked against what peers said.
void AccionDelUsuario(TSalasChat& salas, int accion, quint8 eleccion) {
    switch (accion) {
    case 4:
        entorno->Mensajero->Reloj().Fijar(entorno->Mensajero->Reloj().Ahora().addSecs(6));
        break;
    case 5:
        salas.EnviarLineaChat(SalaElegida(salas, eleccion), QStringLiteral("hola"));
        break;
    case 6:
        salas.AbandonarChat(SalaElegida(salas, eleccion));
        break;
    default:
        salas.EmpezarChat(kPares[eleccion % 4]);
        break;
    }
}

void ComprobarSalas(const TSalasChat& salas) {
    for (const TServerChat& sala : salas.Servidas()) {
        COMPROBAR(QSet<QString>(sala.Clientes.begin(), sala.Clientes.end()).size() ==
                  sala.Clientes.size());
        COMPROBAR(!sala.Clientes.contains(QString()));
    }
}

// Whether the message is that command for that room; ids may carry leading zeros.
bool EsPara(const QByteArray& mensaje, QByteArrayView prefijo, int id) {
    if (!mensaje.startsWith(prefijo))
        return false;
    const QByteArray campo = mensaje.sliced(prefijo.size()).split(':').first();
    return LeerNumero(campo, 0, INT32_MAX) == id;
}

// A joined room that changed was moved by its host we knew, with the message for it.
void ComprobarHosts(const std::map<int, QString>& antes, const std::map<int, QString>& despues,
                    const QString& ip, const QByteArray& mensaje) {
    for (const auto& [id, host] : antes) {
        const auto ahora = despues.find(id);
        if (ahora != despues.end() && ahora->second == host)
            continue;
        COMPROBAR(ip == host);
        COMPROBAR(EsPara(mensaje, "ROUTE_CHAT:", id) || EsPara(mensaje, "ENROUTE_CHAT:", id));
    }
    for (const auto& [id, host] : despues) {
        if (!antes.contains(id))
            COMPROBAR(host == ip && EsPara(mensaje, "ACEPTA_JOINCHAT:", id));
    }
}

void ComprobarEnvios() {
    for (const TEnvio& envio : entorno->Envios) {
        const int destino =
            int(std::find(std::begin(kPares), std::end(kPares), envio.IP) - std::begin(kPares));
        COMPROBAR(!(envio.Mensaje.startsWith("CHAT:") && envio.Mensaje.endsWith(Marca(destino))));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication aplicacion(*argc, *argv);
    entorno = new TEntorno;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tam) {
    TMensajero& mensajero = *entorno->Mensajero;
    mensajero.SembrarAzar(1);
    mensajero.Reloj().Fijar(QDateTime::fromSecsSinceEpoch(1'000'000'000));
    entorno->Interfaz.Errores.clear();
    entorno->Interfaz.Preguntas.clear();
    entorno->Interfaz.Sonidos.clear();
    TVentanaChatFalsa ventana;
    TSalasChat salas(mensajero, ventana);
    for (const QByteArray& paso : Bytes(datos, tam).split(kBel)) {
        if (paso.isEmpty())
            continue;
        const int tipo = quint8(paso[0]) % 8;
        const QByteArray mensaje = paso.sliced(1);
        entorno->Envios.clear();
        if (tipo >= 4) {
            AccionDelUsuario(salas, tipo, mensaje.isEmpty() ? 0 : quint8(mensaje[0]));
            ComprobarSalas(salas);
            ComprobarEnvios();
            continue;
        }
        const QString& ip = kPares[tipo];
        const QByteArray marcado = mensaje.startsWith("CHAT:") ? mensaje + Marca(tipo) : mensaje;
        const std::map<int, QString> antes = Hosts(salas);
        mensajero.Proteger([&] { mensajero.Despachar({ip, marcado}); });
        ComprobarSalas(salas);
        ComprobarHosts(antes, Hosts(salas), ip, marcado);
        ComprobarEnvios();
    }
    return 0;
}
