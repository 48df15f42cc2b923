#include "transfer/transferencias.h"

#include "core/codificacion.h"
#include "core/mensajero.h"
#include "transfer/escapado.h"
#include "transfer/progreso.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <algorithm>
#include <limits>

namespace {

// Sizes and counters are 32-bit on the wire: a file of 2 GiB or more cannot be described.
constexpr qint32 kMayorTam = std::numeric_limits<qint32>::max();

// Names beyond this many copies of one file are refused rather than searched for ever.
constexpr int kMaximoCopias = 9999;

std::optional<qint32> LeerCampo(QByteArrayView campo) {
    const std::optional<qint64> valor = LeerNumero(campo, 0, kMayorTam);
    return valor ? std::optional<qint32>(qint32(*valor)) : std::nullopt;
}

// id:size:name, as offered and as accepted.
struct TOfrecimiento {
    qint32 ID;
    qint32 Tam;
    QByteArrayView Nombre;
};

std::optional<TOfrecimiento> LeerOfrecimiento(QByteArrayView carga) {
    const auto campos = PartirCampos<3>(carga);
    if (!campos)
        return std::nullopt;
    const std::optional<qint32> id = LeerCampo((*campos)[0]);
    const std::optional<qint32> tam = LeerCampo((*campos)[1]);
    if (!id || !tam)
        return std::nullopt;
    return TOfrecimiento{*id, *tam, (*campos)[2]};
}

// A field as it went on the wire: a name with a BEL was offered with a "?".
QByteArray ComoCampo(const TCampo& campo) {
    QByteArray bytes;
    campo.AnadirA(bytes);
    return bytes;
}

// id:data of a block or of the tail.
struct TParte {
    qint32 ID;
    QByteArrayView Datos;
};

std::optional<TParte> LeerParte(QByteArrayView carga) {
    const auto campos = PartirCampos<2>(carga);
    const std::optional<qint32> id = campos ? LeerCampo((*campos)[0]) : std::nullopt;
    if (!id)
        return std::nullopt;
    return TParte{*id, (*campos)[1]};
}

// A peer decides the name, never the folder.
QString UltimoComponente(const QString& nombre) {
    return nombre.sliced(std::max(nombre.lastIndexOf(u'/'), nombre.lastIndexOf(u'\\')) + 1);
}

bool NombreAdmitido(const QString& nombre) {
    return !nombre.isEmpty() && nombre != u"." && nombre != u"..";
}

// "informe.pdf", then "informe (1).pdf", "informe (2).pdf", ...
QString NombreDeCopia(const QString& nombre, int copia) {
    if (copia == 0)
        return nombre;
    const qsizetype punto = nombre.lastIndexOf(u'.');
    const qsizetype corte = punto > 0 ? punto : nombre.size();
    return nombre.first(corte) + u" (" + QString::number(copia) + u')' + nombre.sliced(corte);
}

// Creates the first free name in the folder. Creating fails on anything already there,
// a link included, so no existing file is replaced and nothing is written through a link.
bool CrearSinReemplazar(QFile& fichero, const QDir& carpeta, const QString& nombre) {
    for (int copia = 0; copia <= kMaximoCopias; ++copia) {
        fichero.setFileName(carpeta.absoluteFilePath(NombreDeCopia(nombre, copia)));
        if (fichero.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return true;
        const QFileInfo ocupado(fichero.fileName());
        if (!ocupado.exists() && !ocupado.isSymLink())
            return false;
    }
    return false;
}

QString TextoOferta(const QString& nick, const QString& nombre, qint32 tam) {
    return nick + u" quiere enviarle un Archivo:\n\nArchivo: " + nombre + u"\nTamaño: " +
           FormatearMiles(tam) + u"\n\n¿Desea aceptar el Archivo?";
}

QString TextoNoSeLee(const QString& ruta) {
    return u"No se puede leer el Archivo \"" + ruta + u"\".";
}

std::shared_ptr<TTxFichero> Buscar(const TTransferencias::TLista& lista, qint32 id,
                                   const QString& ip) {
    const auto encontrada = std::find_if(lista.begin(), lista.end(), [&](const auto& tx) {
        return tx->ID == id && tx->IP == ip;
    });
    return encontrada == lista.end() ? nullptr : *encontrada;
}

template <class T> bool Quitar(std::vector<std::shared_ptr<T>>& lista, const T* elemento) {
    const auto encontrada = std::find_if(lista.begin(), lista.end(),
                                         [&](const auto& otro) { return otro.get() == elemento; });
    if (encontrada == lista.end())
        return false;
    lista.erase(encontrada);
    return true;
}

bool EstaConectado(const TMensajero& mensajero, const QString& ip) {
    const TContacto* contacto = mensajero.BuscarContacto(ip);
    return contacto && contacto->Conectado;
}

const QString kTituloEnvio = QStringLiteral("Envío de Archivo");

} // namespace

TTransferencias::TTransferencias(TMensajero& mensajero, TInterfazTransferencias& interfaz)
    : mensajero_(mensajero), interfaz_(interfaz) {
    registros_ = mensajero_.RegistrarManejadores(this, {
                                                  {TComando::OfreceFile, &TTransferencias::AlOfrecer},
                                                  {TComando::AceptaFile, &TTransferencias::AlAceptar},
                                                  {TComando::RechazaFile, &TTransferencias::AlRechazar},
                                                  {TComando::FilePkt, &TTransferencias::AlRecibirBloque},
                                                  {TComando::FileAck, &TTransferencias::AlConfirmarBloque},
                                                  {TComando::FinFile, &TTransferencias::AlRecibirFin},
                                                  {TComando::AbortFile, &TTransferencias::AlAbortar}});
    // Even a peer back at once withdrew what it offered before it left.
    QObject::connect(&mensajero_, &TMensajero::ContactoDesconectado, &contexto_,
                     [this](const QString& ip) {
                         for (const auto& oferta : pendientes_)
                             oferta->Retirada = oferta->Retirada || oferta->IP == ip;
                     });
}

// --- Sender ---

void TTransferencias::OfrecerFichero(const QString& ip) {
    const TContacto* contacto = mensajero_.BuscarContacto(ip);
    if (!contacto || !contacto->Conectado)
        return;
    // The chooser runs the event loop: the contact may be gone, or its row with it.
    OfrecerCada(ip, interfaz_.ElegirFicheros(u"Escoja un Archivo para enviarle a " + contacto->Item->Nick));
}

void TTransferencias::OfrecerFicheros(const QString& ip, const QStringList& rutas) {
    if (EstaConectado(mensajero_, ip))
        OfrecerCada(ip, rutas);
    else
        mensajero_.Interfaz().MostrarInformacion(kTituloEnvio, mensajero_.NickDe(ip) + u" no está conectado.");
}

void TTransferencias::OfrecerCada(const QString& ip, const QStringList& rutas) {
    for (const QString& ruta : rutas) {
        if (!EstaConectado(mensajero_, ip)) {
            mensajero_.Interfaz().MostrarInformacion(kTituloEnvio,
                                                     mensajero_.NickDe(ip) + u" ya no está conectado.");
            return;
        }
        Ofrecer(ip, ruta);
    }
}

void TTransferencias::Ofrecer(const QString& ip, const QString& ruta) {
    QFile fichero(ruta);
    if (!fichero.open(QIODevice::ReadOnly)) {
        mensajero_.Interfaz().MostrarError(QStringLiteral("Error"), TextoNoSeLee(ruta));
        return;
    }
    const qint64 tam = fichero.size();
    fichero.close();
    if (tam > kMayorTam) {
        mensajero_.Interfaz().MostrarError(
            QStringLiteral("Error"), u"El Archivo \"" + ruta +
                                         u"\" es demasiado grande: sólo se pueden enviar "
                                         u"Archivos de menos de 2 GB.");
        return;
    }
    auto tx = std::make_shared<TTxFichero>();
    tx->ID = mensajero_.NuevoIdentificador([this](int id) {
        const auto conId = [id](const auto& otra) { return otra->ID == id; };
        return std::any_of(salientes_.begin(), salientes_.end(), conId) ||
               std::any_of(entrantes_.begin(), entrantes_.end(), conId);
    });
    tx->Ruta = ruta;
    tx->Tam = qint32(tam);
    tx->IP = ip;
    const QString nombre = QFileInfo(ruta).fileName();
    tx->Ventana = CrearVista(tx, u"Enviando Archivo a " + mensajero_.NickDe(ip), nombre, true);
    salientes_.push_back(tx);
    mensajero_.EnviarMensaje(ip, Componer(TComando::OfreceFile, {tx->ID, tx->Tam, nombre}));
}

void TTransferencias::AlAceptar(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::optional<TOfrecimiento> aceptado = LeerOfrecimiento(mensaje.Carga);
    if (!aceptado)
        return;
    const std::shared_ptr<TTxFichero> tx = Buscar(salientes_, aceptado->ID, ip);
    // A second acceptance of a transfer under way changes nothing.
    if (!tx || tx->Fichero.isOpen())
        return;
    if (ComoCampo(QFileInfo(tx->Ruta).fileName()) != aceptado->Nombre || tx->Tam != aceptado->Tam)
        return;
    tx->Fichero.setFileName(tx->Ruta);
    // Unbuffered: each block is read from the file as it is now, so a file that shrank is seen.
    if (!tx->Fichero.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        FallarTransferencia(salientes_, tx, TextoNoSeLee(tx->Ruta));
        return;
    }
    if (tx->Fichero.size() != tx->Tam) {
        tx->Fichero.close();
        return;
    }
    tx->Inicio = mensajero_.Reloj().Ms();
    EnviarSiguienteBloque(tx);
}

void TTransferencias::AlRechazar(const QString& ip, const TMensajeRecibido& mensaje) {
    if (const std::shared_ptr<TTxFichero> tx = Buscar(salientes_, mensaje.Numero, ip))
        Terminar(salientes_, tx, TFinTransferencia::Rechazado);
}

void TTransferencias::AlConfirmarBloque(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::shared_ptr<TTxFichero> tx = Buscar(salientes_, mensaje.Numero, ip);
    if (tx && tx->Fichero.isOpen())
        EnviarSiguienteBloque(tx);
}

void TTransferencias::EnviarSiguienteBloque(const std::shared_ptr<TTxFichero>& tx) {
    const bool ultimo = tx->Tx > tx->Tam - kTamBloque;
    // Exactly the offered size: what a file gained since is not the peer's, and a file
    // that lost bytes cannot be finished.
    const qint32 cuantos = ultimo ? tx->Tam - tx->Tx : kTamBloque;
    bloque_.resize(cuantos);
    if (tx->Fichero.read(bloque_.data(), cuantos) != cuantos) {
        FallarTransferencia(salientes_, tx, TextoNoSeLee(tx->Ruta));
        return;
    }
    escapado_.resize(0);
    EscaparDatos(bloque_, escapado_);
    Componer(mensaje_, ultimo ? TComando::FinFile : TComando::FilePkt, {tx->ID, escapado_});
    tx->Tx += cuantos;
    mensajero_.EnviarMensaje(tx->IP, mensaje_);
    tx->TomarMuestra(mensajero_.Reloj().Ms());
    Refrescar(*tx);
    if (ultimo)
        Terminar(salientes_, tx, TFinTransferencia::Finalizado);
}

// --- Receiver ---

void TTransferencias::AlOfrecer(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::optional<TOfrecimiento> oferta = LeerOfrecimiento(mensaje.Carga);
    if (!oferta)
        return;
    // Every offer that arrives sounds, even one refused for its name.
    mensajero_.Sonar(mensajero_.Config().Sonidos.File_SolicitudTx);
    const QString nombre = UltimoComponente(DecodificarCp1252(oferta->Nombre));
    if (!NombreAdmitido(nombre)) {
        mensajero_.EnviarMensaje(ip, Componer(TComando::RechazaFile, {oferta->ID}));
        return;
    }
    const auto pendiente = std::make_shared<TOfertaPendiente>(TOfertaPendiente{ip, oferta->ID});
    pendientes_.push_back(pendiente);
    const auto olvidar = qScopeGuard([&] { Quitar(pendientes_, pendiente.get()); });
    const std::optional<TDestino> destino =
        DestinoAceptado(*pendiente, mensajero_.NickDe(ip), nombre, oferta->Tam);
    if (Retirada(*pendiente)) {
        mensajero_.Interfaz().MostrarInformacion(
            kTituloEnvio, mensajero_.NickDe(ip) + u" ha retirado el envío de \"" + nombre + u"\".");
        return;
    }
    if (!destino) {
        mensajero_.EnviarMensaje(ip, Componer(TComando::RechazaFile, {oferta->ID}));
        return;
    }
    Recibir(ip, oferta->ID, oferta->Tam, oferta->Nombre, nombre, *destino);
}

QString TTransferencias::CarpetaAutomatica() const {
    const QString elegida = mensajero_.Config().AutoAceptarFicherosPath;
    if (!elegida.isEmpty())
        return elegida;
    // Never the working folder: started from the desktop, that is the home folder.
    const QString descargas = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    QDir().mkpath(descargas);
    return descargas;
}

bool TTransferencias::Retirada(const TOfertaPendiente& oferta) const {
    // An offer handled after its connection closed comes from a peer already gone.
    return oferta.Retirada || !EstaConectado(mensajero_, oferta.IP);
}

std::optional<TTransferencias::TDestino>
TTransferencias::DestinoAceptado(const TOfertaPendiente& oferta, const QString& nick,
                                 const QString& nombre, qint32 tam) {
    if (Retirada(oferta))
        return std::nullopt;
    if (mensajero_.Config().AutoAceptarFicheros)
        return TDestino{CarpetaAutomatica(), nombre, false};
    const QString pregunta = TextoOferta(nick, nombre, tam);
    mensajero_.Interfaz().AvisarEscritorio(nick, pregunta);
    if (!mensajero_.Interfaz().Preguntar(kTituloEnvio, pregunta, TInterfazUsuario::TBotones::SiNo) ||
        Retirada(oferta))
        return std::nullopt;
    // The save dialog has asked before replacing a file.
    const std::optional<QString> elegido =
        interfaz_.ElegirDestino(u"Escoja el destino del Archivo de " + nick, nombre);
    if (!elegido)
        return std::nullopt;
    const QFileInfo ruta(*elegido);
    return TDestino{ruta.absolutePath(), ruta.fileName(), true};
}

bool TTransferencias::AbrirDestino(QFile& fichero, const TDestino& destino) {
    const QDir carpeta(destino.Carpeta);
    if (!destino.Reemplazar)
        return CrearSinReemplazar(fichero, carpeta, destino.Nombre);
    fichero.setFileName(carpeta.absoluteFilePath(destino.Nombre));
    return fichero.open(QIODevice::WriteOnly | QIODevice::Truncate);
}

void TTransferencias::Recibir(const QString& ip, qint32 id, qint32 tam,
                              QByteArrayView nombreOfrecido, const QString& nombre,
                              const TDestino& destino) {
    auto tx = std::make_shared<TTxFichero>();
    tx->ID = id;
    tx->Tam = tam;
    tx->IP = ip;
    // Created before answering: a destination that cannot be written is refused, so the
    // sender does not wait for ever.
    if (!AbrirDestino(tx->Fichero, destino)) {
        mensajero_.EnviarMensaje(ip, Componer(TComando::RechazaFile, {id}));
        mensajero_.Interfaz().MostrarError(
            QStringLiteral("Error"), u"No se puede crear el Archivo \"" + tx->Fichero.fileName() + u"\".");
        return;
    }
    tx->Ruta = tx->Fichero.fileName();
    // The name as offered, whatever name the file got here.
    mensajero_.EnviarMensaje(ip, Componer(TComando::AceptaFile, {id, tam, nombreOfrecido}));
    tx->Ventana = CrearVista(tx, u"Recibiendo Archivo de " + mensajero_.NickDe(ip), nombre, false);
    entrantes_.push_back(tx);
    tx->Inicio = mensajero_.Reloj().Ms();
}

void TTransferencias::AlRecibirBloque(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::optional<TParte> parte = LeerParte(mensaje.Carga);
    const std::shared_ptr<TTxFichero> tx = parte ? Buscar(entrantes_, parte->ID, ip) : nullptr;
    if (!tx)
        return;
    // Exactly one whole block, and never beyond the announced size.
    if (!DesescaparDatos(parte->Datos, bloque_) || bloque_.size() != kTamBloque ||
        tx->Tx > tx->Tam - kTamBloque) {
        FallarTransferencia(entrantes_, tx, {});
        return;
    }
    if (tx->Fichero.write(bloque_) != kTamBloque) {
        FallarTransferencia(entrantes_, tx, u"No se puede escribir en el Archivo \"" + tx->Ruta + u"\".");
        return;
    }
    tx->Tx += kTamBloque;
    mensajero_.EnviarMensaje(ip, Componer(TComando::FileAck, {tx->ID}));
    tx->TomarMuestra(mensajero_.Reloj().Ms());
    Refrescar(*tx);
}

void TTransferencias::AlRecibirFin(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::optional<TParte> parte = LeerParte(mensaje.Carga);
    const std::shared_ptr<TTxFichero> tx = parte ? Buscar(entrantes_, parte->ID, ip) : nullptr;
    if (!tx)
        return;
    if (!DesescaparDatos(parte->Datos, bloque_) || bloque_.size() > kMayorTam - tx->Tx) {
        FallarTransferencia(entrantes_, tx, {});
        return;
    }
    if (!EscribirFin(*tx, bloque_)) {
        FallarTransferencia(entrantes_, tx, u"No se puede escribir en el Archivo \"" + tx->Ruta + u"\".");
        return;
    }
    tx->Tx += qint32(bloque_.size());
    Refrescar(*tx);
    Terminar(entrantes_, tx, TFinTransferencia::Finalizado);
}

// "FINALIZADO" only once every byte has reached the file.
bool TTransferencias::EscribirFin(TTxFichero& tx, QByteArrayView datos) {
    return tx.Fichero.write(datos.data(), datos.size()) == datos.size() && tx.Fichero.flush();
}

// --- Both sides ---

void TTransferencias::AlAbortar(const QString& ip, const TMensajeRecibido& mensaje) {
    std::shared_ptr<TTxFichero> tx = Buscar(salientes_, mensaje.Numero, ip);
    TLista& lista = tx ? salientes_ : entrantes_;
    if (!tx)
        tx = Buscar(entrantes_, mensaje.Numero, ip);
    if (!tx) {
        // An offer its user is still deciding on.
        for (const auto& oferta : pendientes_)
            oferta->Retirada =
                oferta->Retirada || (oferta->ID == mensaje.Numero && oferta->IP == ip);
        return;
    }
    Terminar(lista, tx, TFinTransferencia::Abortado);
    // Only the peer's abort sounds; ours, or a transfer we ended on an error, does not.
    mensajero_.Sonar(mensajero_.Config().Sonidos.File_AbortadaTx);
}

void TTransferencias::Refrescar(TTxFichero& tx) {
    if (tx.Ventana)
        tx.Ventana->RefrescarProgreso(CifrasProgreso(tx, mensajero_.Reloj().Ms()));
}

void TTransferencias::Terminar(TLista& lista, const std::shared_ptr<TTxFichero>& tx,
                               TFinTransferencia fin) {
    Quitar(lista, tx.get());
    tx->Fichero.close();
    if (tx->Ventana)
        tx->Ventana->MostrarFin(fin);
    if (fin == TFinTransferencia::Finalizado)
        mensajero_.Sonar(mensajero_.Config().Sonidos.File_FinTx);
}

void TTransferencias::FallarTransferencia(TLista& lista, const std::shared_ptr<TTxFichero>& tx,
                                          const QString& error) {
    mensajero_.EnviarMensaje(tx->IP, Componer(TComando::AbortFile, {tx->ID}));
    Terminar(lista, tx, TFinTransferencia::Abortado);
    // Last: the box runs the event loop, and the transfer is already settled.
    if (!error.isEmpty())
        mensajero_.Interfaz().MostrarError(QStringLiteral("Error"), error);
}

void TTransferencias::Abortar(const std::shared_ptr<TTxFichero>& tx) {
    if (!Quitar(salientes_, tx.get()) && !Quitar(entrantes_, tx.get()))
        return;
    mensajero_.EnviarMensaje(tx->IP, Componer(TComando::AbortFile, {tx->ID}));
    tx->Fichero.close();
}

void TTransferencias::AbortarTodas() {
    for (const TLista* lista : {&salientes_, &entrantes_}) {
        const TLista copia = *lista;
        std::for_each(copia.rbegin(), copia.rend(), [this](const auto& tx) { Abortar(tx); });
    }
}

std::function<void()> TTransferencias::AbortarDesdeVentana(const std::shared_ptr<TTxFichero>& tx) {
    return [this, debil = std::weak_ptr<TTxFichero>(tx)] {
        if (const std::shared_ptr<TTxFichero> viva = debil.lock())
            Abortar(viva);
    };
}

std::unique_ptr<TVistaTransferencia> TTransferencias::CrearVista(
    const std::shared_ptr<TTxFichero>& tx, const QString& cabecera, const QString& nombre,
    bool enviando) {
    return interfaz_.CrearVista({tx->ID, tx->Ruta, cabecera, nombre, tx->Tam, enviando},
                                AbortarDesdeVentana(tx));
}
