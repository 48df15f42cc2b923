#include "chat/salaschat.h"

#include "chat/lineachat.h"
#include "core/codificacion.h"
#include "core/mensajero.h"

#include <QScopeGuard>
#include <algorithm>
#include <optional>

namespace {

constexpr int kMayorId = 999999;
// How long and how much a joined room holds from a peer that may be about to become its host.
constexpr qint64 kMsRetencion = 5000;
constexpr std::size_t kMaximoRetenidos = 64;
constexpr qsizetype kBytesRetenidos = 1024 * 1024;
const QString kTituloPestana = QStringLiteral("Chat");

// Ids and colours travel as plain digits; the shared reader would also take a sign.
std::optional<qint64> LeerSinSigno(QByteArrayView digitos, qint64 maximo) {
    if (digitos.startsWith('+') || digitos.startsWith('-'))
        return std::nullopt;
    return LeerNumero(digitos, 0, maximo);
}

std::optional<int> LeerId(QByteArrayView digitos) {
    const std::optional<qint64> id = LeerSinSigno(digitos, kMayorId);
    if (!id || *id == 0)
        return std::nullopt;
    return int(*id);
}

std::optional<TColor> LeerColor(QByteArrayView digitos) {
    const std::optional<qint64> color = LeerSinSigno(digitos, 0xFFFFFFFFll);
    return color ? std::optional<TColor>(TColor(*color)) : std::nullopt;
}

template <class TLista>
auto BuscarSala(TLista& lista, int idChat) {
    return std::find_if(lista.begin(), lista.end(),
                        [idChat](const auto& sala) { return sala.IdChat == idChat; });
}

QByteArray Texto(const QString& texto) { return CodificarCp1252(texto); }
QByteArray Direccion(const QString& ip) { return ip.toLatin1(); }
QString Direccion(QByteArrayView ip) { return QString::fromLatin1(ip); }

QString Citado(const QString& nick, const QString& ip) {
    return u'"' + nick + u"\" (" + ip + u')';
}

} // namespace

TSalasChat::TSalasChat(TMensajero& mensajero, TVentanaChat& ventana)
    : mensajero_(mensajero), ventana_(ventana) {
    mensajero_.RegistrarManejadores(registros_, this,
                                    {{TComando::Chat, &TSalasChat::AlRecibirLinea},
                                     {TComando::ChatSrvMsg, &TSalasChat::AlRecibirLineaServidor},
                                     {TComando::PartChat, &TSalasChat::AlAbandonar},
                                     {TComando::RouteChat, &TSalasChat::AlCambiarHost},
                                     {TComando::EnrouteChat, &TSalasChat::AlHeredar},
                                     {TComando::OfreceJoinChat, &TSalasChat::AlOfrecer},
                                     {TComando::PideJoinChat, &TSalasChat::AlPedirUnion},
                                     {TComando::AceptaJoinChat, &TSalasChat::AlAceptarUnion},
                                     {TComando::ErrorJoinChat, &TSalasChat::AlRechazarUnion}});
}

// --- Operations ---

void TSalasChat::EmpezarChat(const QString& ip) {
    const TContacto* contacto = mensajero_.BuscarContacto(ip);
    if (!contacto || contacto->Item->Icono <= 0)
        return;
    mensajero_.Proteger([&] {
        const int id = NuevoIdChat();
        pendientes_.push_back(id);
        Enviar(ip, TComando::OfreceJoinChat, {Numero(id), QByteArrayView()});
    });
}

void TSalasChat::InvitarAChat(int idChat, const QString& ip) {
    mensajero_.Proteger([&] {
        if (Servida(idChat))
            Enviar(ip, TComando::OfreceJoinChat, {Numero(idChat), QByteArrayView()});
        else if (const TClientChat* sala = Unida(idChat))
            Enviar(ip, TComando::OfreceJoinChat, {Numero(idChat), Direccion(sala->Host)});
    });
}

std::vector<TInvitable> TSalasChat::ContactosParaInvitar() const {
    std::vector<TInvitable> filas;
    const TAgenda& agenda = mensajero_.Agenda();
    for (int i = 0; i < agenda.NumeroFilas(); ++i) {
        const TFilaContacto* fila = agenda.Fila(i);
        if (fila->Icono > 0)
            filas.push_back({fila->Nick, fila->IP});
    }
    return filas;
}

void TSalasChat::EnviarLineaChat(int idChat, const QString& texto) {
    const TConfig& config = mensajero_.Config();
    const QByteArray id = Numero(idChat), color = Numero(config.Chat.colorTexto);
    const QByteArray nick = Texto(config.Nick), linea = Texto(texto);
    mensajero_.Proteger([&] {
        if (const TServerChat* sala = Servida(idChat)) {
            for (const QString& cliente : sala->Clientes)
                Enviar(cliente, TComando::Chat, {id, color, nick, linea});
        } else if (const TClientChat* unida = Unida(idChat)) {
            Enviar(unida->Host, TComando::Chat, {id, color, nick, linea});
        }
    });
}

QString TSalasChat::DescripcionSala(int idChat) const {
    const auto servida = BuscarSala(servidas_, idChat);
    if (servida != servidas_.end()) {
        QStringList invitados;
        for (const QString& cliente : servida->Clientes)
            invitados << mensajero_.NickDe(cliente);
        return QStringLiteral("Anfitrión: ") % mensajero_.Config().Nick %
               QStringLiteral("\nInvitados: ") % invitados.join(QStringLiteral(", "));
    }
    const auto unida = BuscarSala(unidas_, idChat);
    if (unida == unidas_.end())
        return {};
    // A guest knows only the host of its room.
    return QStringLiteral("Anfitrión: ") + mensajero_.NickDe(unida->Host);
}

void TSalasChat::AbandonarChat(int idChat) {
    mensajero_.Proteger([&] {
        const auto servida = BuscarSala(servidas_, idChat);
        if (servida != servidas_.end()) {
            const TServerChat sala = *servida;
            servidas_.erase(servida);
            TraspasarSala(sala);
        }
        const auto unida = BuscarSala(unidas_, idChat);
        if (unida != unidas_.end()) {
            const QString host = unida->Host;
            unidas_.erase(unida);
            retenidos_.erase(idChat);
            Enviar(host, TComando::PartChat, {Numero(idChat)});
        }
    });
}

void TSalasChat::AbandonarTodas() {
    while (!servidas_.empty())
        AbandonarChat(servidas_.back().IdChat);
    while (!unidas_.empty())
        AbandonarChat(unidas_.back().IdChat);
}

int TSalasChat::NuevoIdChat() {
    return mensajero_.NuevoIdentificador([this](int id) {
        return std::find(pendientes_.begin(), pendientes_.end(), id) != pendientes_.end() ||
               Servida(id) || Unida(id);
    });
}

bool TSalasChat::EsInvitadoDeChat(int idChat) const {
    return std::any_of(unidas_.begin(), unidas_.end(),
                       [idChat](const TClientChat& sala) { return sala.IdChat == idChat; });
}

// The first guest that is still connected takes over; one that vanished without leaving
// would take the room with it. With nobody connected the room just ends.
void TSalasChat::TraspasarSala(const TServerChat& sala) {
    const auto sucesor = std::find_if(sala.Clientes.begin(), sala.Clientes.end(),
                                      [this](const QString& ip) { return Conectado(ip); });
    if (sucesor == sala.Clientes.end())
        return;
    const QString nuevoHost = *sucesor;
    QStringList otros = sala.Clientes;
    otros.removeAt(sucesor - sala.Clientes.begin());
    const QString texto =
        mensajero_.Config().Nick + u" pasa el control del Chat a " + mensajero_.NickDe(nuevoHost);
    const QByteArray id = Numero(sala.IdChat);
    EnviarLineaServidor(sala.Clientes, sala.IdChat, texto);
    EscribirLineaServidor(sala.IdChat, texto);
    Enviar(nuevoHost, TComando::EnrouteChat, {id, Direccion(otros.join(u','))});
    for (const QString& otro : otros)
        Enviar(otro, TComando::RouteChat, {id, Direccion(nuevoHost)});
    Enviar(nuevoHost, TComando::PartChat, {id});
}

// --- Routing ---

void TSalasChat::AlRecibirLinea(const QString& ip, const TMensajeRecibido& mensaje) {
    const auto campos = PartirCampos<4>(mensaje.Carga);
    if (!campos)
        return;
    const auto& [idTexto, colorTexto, nick, texto] = *campos;
    const std::optional<int> id = LeerId(idTexto);
    if (!id)
        return;
    if (const TServerChat* sala = Servida(*id)) {
        // Only a guest speaks in the room; anybody else could put words into it.
        if (!sala->Clientes.contains(ip))
            return;
        const QStringList clientes = sala->Clientes;
        for (const QString& cliente : clientes) {
            if (cliente != ip)
                Enviar(cliente, TComando::Chat, {mensaje.Carga});
        }
    } else if (!DelHost(*id, ip, mensaje, &TSalasChat::AlRecibirLinea)) {
        return;
    }
    // A colour we cannot read costs the line its colour, never the line.
    const TConfig& config = mensajero_.Config();
    const TColor color = config.Chat.forzarColor
                             ? config.Chat.colorForzar
                             : LeerColor(colorTexto).value_or(config.Chat.colorTexto);
    ventana_.EscribirLineaChat(*id, color, DecodificarCp1252(texto), DecodificarCp1252(nick));
}

// Server lines come from the host: a host makes its own and takes none.
void TSalasChat::AlRecibirLineaServidor(const QString& ip, const TMensajeRecibido& mensaje) {
    const auto campos = PartirCampos<2>(mensaje.Carga);
    const std::optional<int> id = campos ? LeerId((*campos)[0]) : std::nullopt;
    if (id && DelHost(*id, ip, mensaje, &TSalasChat::AlRecibirLineaServidor))
        EscribirLineaServidor(*id, DecodificarCp1252((*campos)[1]));
}

void TSalasChat::AlAbandonar(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::optional<int> id = LeerId(mensaje.Carga);
    if (!id)
        return;
    TServerChat* sala = Servida(*id);
    if (!sala) {
        // A room handed to us on its way over another connection: its old host's farewell
        // waits with the hand-over. The host of a room we are in never sends us one.
        DelHost(*id, ip, mensaje, &TSalasChat::AlAbandonar);
        return;
    }
    sala->Clientes.removeOne(ip);
    const QString texto = mensajero_.NickDe(ip) + u" abandona el Chat";
    const QStringList quedan = sala->Clientes;
    EscribirLineaServidor(*id, texto);
    EnviarLineaServidor(quedan, *id, texto);
}

void TSalasChat::AlCambiarHost(const QString& ip, const TMensajeRecibido& mensaje) {
    const auto campos = PartirCampos<2>(mensaje.Carga);
    const std::optional<int> id = campos ? LeerId((*campos)[0]) : std::nullopt;
    if (!id || (*campos)[1].isEmpty() || !DelHost(*id, ip, mensaje, &TSalasChat::AlCambiarHost))
        return;
    Unida(*id)->Host = Direccion((*campos)[1]);
    Liberar(*id);
}

void TSalasChat::AlHeredar(const QString& ip, const TMensajeRecibido& mensaje) {
    const auto campos = PartirCampos<2>(mensaje.Carga);
    const std::optional<int> id = campos ? LeerId((*campos)[0]) : std::nullopt;
    // Only the host of a room we are in hands it to us; nobody plants rooms here.
    if (!id || !DelHost(*id, ip, mensaje, &TSalasChat::AlHeredar))
        return;
    TServerChat sala{*id, {ip}};
    for (const QByteArray& otro : (*campos)[1].toByteArray().split(',')) {
        const QString direccion = Direccion(QByteArrayView(otro));
        // Listed twice, a guest would get every line twice.
        if (!direccion.isEmpty() && !sala.Clientes.contains(direccion))
            sala.Clientes << direccion;
    }
    unidas_.erase(BuscarSala(unidas_, *id));
    servidas_.push_back(sala);
    Liberar(*id);
}

// --- Hand-over race ---

// A joined room hears only its host. Another peer may be the next host, whose "ROUTE_CHAT:"
// is still on its way: its message waits, a few seconds and a bounded amount.
bool TSalasChat::DelHost(int idChat, const QString& ip, const TMensajeRecibido& mensaje,
                         TManejadorSala manejador) {
    const TClientChat* sala = Unida(idChat);
    if (!sala)
        return false;
    if (sala->Host == ip)
        return true;
    Retener(idChat, {ip, mensaje, manejador, mensajero_.Reloj().Ms()});
    return false;
}

void TSalasChat::Retener(int idChat, TRetenido retenido) {
    std::deque<TRetenido>& cola = retenidos_[idChat];
    std::erase_if(cola, [this](const TRetenido& r) { return Caducado(r); });
    qsizetype bytes = retenido.Mensaje.Carga.size();
    for (const TRetenido& r : cola)
        bytes += r.Mensaje.Carga.size();
    if (cola.size() < kMaximoRetenidos && bytes <= kBytesRetenidos)
        cola.push_back(std::move(retenido));
}

bool TSalasChat::Caducado(const TRetenido& retenido) const {
    return mensajero_.Reloj().Ms() - retenido.Ms > kMsRetencion;
}

QString TSalasChat::HostDe(int idChat) {
    const TClientChat* sala = Unida(idChat);
    return sala ? sala->Host : QString();
}

void TSalasChat::Liberar(int idChat) {
    // A change made by a message being replayed is seen by the replay itself.
    if (liberando_)
        return;
    liberando_ = true;
    const auto fin = qScopeGuard([this] { liberando_ = false; });
    std::deque<TRetenido> cola = std::exchange(retenidos_[idChat], {});
    std::deque<TRetenido> siguen;
    while (!cola.empty()) {
        TRetenido retenido = std::move(cola.front());
        cola.pop_front();
        if (Caducado(retenido))
            continue;
        const QString host = HostDe(idChat);
        if (!host.isEmpty() && host != retenido.IP) {
            siguen.push_back(std::move(retenido));
            continue;
        }
        (this->*retenido.Manejador)(retenido.IP, retenido.Mensaje);
        if (HostDe(idChat) != host) {
            // Those still waiting spoke first: they go again before the rest, in order.
            siguen.insert(siguen.end(), std::make_move_iterator(cola.begin()),
                          std::make_move_iterator(cola.end()));
            cola = std::exchange(siguen, {});
        }
    }
    // Whatever was held meanwhile arrived after these.
    std::deque<TRetenido>& despues = retenidos_[idChat];
    siguen.insert(siguen.end(), std::make_move_iterator(despues.begin()),
                  std::make_move_iterator(despues.end()));
    if (Unida(idChat) && !siguen.empty())
        despues = std::move(siguen);
    else
        retenidos_.erase(idChat);
}

// --- Invitations ---

void TSalasChat::AlOfrecer(const QString& ip, const TMensajeRecibido& mensaje) {
    const auto campos = PartirCampos<2>(mensaje.Carga);
    const std::optional<int> id = campos ? LeerId((*campos)[0]) : std::nullopt;
    // One open question per peer: a peer cannot stack boxes on the user.
    if (!id || EsInvitadoDeChat(*id) || preguntando_.contains(ip))
        return;
    const QByteArrayView hostTexto = (*campos)[1];
    const QString host = hostTexto.isEmpty() ? ip : Direccion(hostTexto);
    if (!AceptaInvitacion(ip, host))
        return;
    peticiones_.push_back({*id, host});
    Enviar(host, TComando::PideJoinChat, {Numero(*id)});
}

bool TSalasChat::AceptaInvitacion(const QString& ip, const QString& host) {
    QString texto = Citado(mensajero_.NickDe(ip), ip) + u" le invita a unirse a una conversación";
    if (host != ip)
        texto += u"\rhospedada por " + Citado(mensajero_.NickDe(host), host);
    texto += u"\r\r¿Acepta la invitación?";
    mensajero_.Sonar(mensajero_.Config().Sonidos.Chat_PreguntaJoin);
    preguntando_.insert(ip);
    struct TFinPregunta {
        QSet<QString>& Abiertas;
        const QString& IP;
        ~TFinPregunta() { Abiertas.remove(IP); }
    } fin{preguntando_, ip};
    return mensajero_.Interfaz().Preguntar(QStringLiteral("Invitación de Chat"), texto,
                                           TInterfazUsuario::TBotones::SiNo);
}

void TSalasChat::AlPedirUnion(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::optional<int> id = LeerId(mensaje.Carga);
    if (!id)
        return;
    const QByteArray idTexto = Numero(*id);
    const auto pendiente = std::find(pendientes_.begin(), pendientes_.end(), *id);
    if (pendiente != pendientes_.end()) {
        pendientes_.erase(pendiente);
        servidas_.push_back({*id, {ip}});
        ventana_.AbrirPestanaChat(*id, kTituloPestana);
        Enviar(ip, TComando::AceptaJoinChat, {idTexto});
        ventana_.MostrarVentanaChat();
        return;
    }
    TServerChat* sala = Servida(*id);
    if (!sala) {
        Enviar(ip, TComando::ErrorJoinChat, {idTexto});
        return;
    }
    // A guest asking again is answered again, but listed once, or it would get every line twice.
    if (sala->Clientes.contains(ip)) {
        Enviar(ip, TComando::AceptaJoinChat, {idTexto});
        return;
    }
    sala->Clientes << ip;
    const QStringList destinos = sala->Clientes;
    Enviar(ip, TComando::AceptaJoinChat, {idTexto});
    const QString texto = mensajero_.NickDe(ip) + u" se une al Chat";
    EnviarLineaServidor(destinos, *id, texto);
    EscribirLineaServidor(*id, texto);
}

void TSalasChat::AlAceptarUnion(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::optional<int> id = LeerId(mensaje.Carga);
    if (!id)
        return;
    // Only a room we asked that peer for, once: nobody else opens tabs here.
    const auto peticion = std::find(peticiones_.begin(), peticiones_.end(), TPeticion{*id, ip});
    if (peticion == peticiones_.end() || Unida(*id) || Servida(*id))
        return;
    peticiones_.erase(peticion);
    unidas_.push_back({*id, ip});
    ventana_.AbrirPestanaChat(*id, kTituloPestana);
    ventana_.MostrarVentanaChat();
}

void TSalasChat::AlRechazarUnion(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::optional<int> id = LeerId(mensaje.Carga);
    // Only an answer to a join we asked that peer for, once: nobody else opens boxes here.
    const auto peticion = id ? std::find(peticiones_.begin(), peticiones_.end(), TPeticion{*id, ip})
                             : peticiones_.end();
    if (peticion == peticiones_.end())
        return;
    peticiones_.erase(peticion);
    mensajero_.Interfaz().MostrarError(
        u"Chat: error conectando a " + ip,
        u"El contacto " + Citado(mensajero_.NickDe(ip), ip) +
            u" ha devuelto un\rerror al intentar conectar con el Chat " + QString::number(*id));
}

// --- Helpers ---

void TSalasChat::EscribirLineaServidor(int idChat, const QString& texto) {
    ventana_.EscribirLineaChat(idChat, mensajero_.Config().Chat.colorServer, texto, kNickServidor);
}

void TSalasChat::EnviarLineaServidor(const QStringList& destinos, int idChat, const QString& texto) {
    const QByteArray id = Numero(idChat), linea = Texto(texto);
    for (const QString& destino : destinos)
        Enviar(destino, TComando::ChatSrvMsg, {id, linea});
}

void TSalasChat::Enviar(const QString& ip, TComando comando, std::initializer_list<TCampo> campos) {
    mensajero_.EnviarMensaje(ip, Componer(comando, campos));
}

bool TSalasChat::Conectado(const QString& ip) const {
    const TContacto* contacto = mensajero_.BuscarContacto(ip);
    return contacto && contacto->Conectado;
}

TServerChat* TSalasChat::Servida(int idChat) {
    const auto sala = BuscarSala(servidas_, idChat);
    return sala == servidas_.end() ? nullptr : &*sala;
}

TClientChat* TSalasChat::Unida(int idChat) {
    const auto sala = BuscarSala(unidas_, idChat);
    return sala == unidas_.end() ? nullptr : &*sala;
}
