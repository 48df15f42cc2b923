#include "transfer/transferencias.h"

#include "core/codificacion.h"
#include "core/mensajero.h"
#include "transfer/escapado.h"
#include "transfer/progreso.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <limits>

namespace {

// Sizes and counters are 32-bit in stop and wait: a file of 2 GiB or more cannot be described.
constexpr qint32 kMayorTam = std::numeric_limits<qint32>::max();
// In the extended mode they are 64-bit; this leaves room to add a block to any of them.
constexpr qint64 kMayorTamExtendido = qint64(1) << 62;
// What a peer may ask to keep in flight, whatever it states.
constexpr qint64 kMaximoEnVuelo = 64 * 1024 * 1024;
// How long an offer of 2 GiB or more waits to hear whether the peer takes the extended mode.
constexpr int kMsConsultaExtendido = 2000;

// Names beyond this many copies of one file are refused rather than searched for ever.
constexpr int kMaximoCopias = 9999;
// Ends the other side may not have heard.
constexpr std::size_t kMaximoDesenlaces = 64;

std::optional<qint32> LeerCampo(QByteArrayView campo) {
    const std::optional<qint64> valor = LeerNumero(campo, 0, kMayorTam);
    return valor ? std::optional<qint32>(qint32(*valor)) : std::nullopt;
}

std::optional<qint64> LeerCuenta(QByteArrayView campo, qint64 maximo = kMayorTamExtendido) {
    return LeerNumero(campo, 0, maximo);
}

// id:size:name, as offered and as accepted.
struct TOfrecimiento {
    qint32 ID;
    qint64 Tam;
    QByteArrayView Nombre;
};

std::optional<TOfrecimiento> LeerOfrecimiento(QByteArrayView carga, qint64 mayorTam) {
    const auto campos = PartirCampos<3>(carga);
    if (!campos)
        return std::nullopt;
    const std::optional<qint32> id = LeerCampo((*campos)[0]);
    const std::optional<qint64> tam = LeerCuenta((*campos)[1], mayorTam);
    if (!id || !tam)
        return std::nullopt;
    return TOfrecimiento{*id, *tam, (*campos)[2]};
}

// A SHA-256 as it travels: 64 hex digits, or nothing for nothing held.
bool ResumenValido(QByteArrayView resumen) {
    return resumen.isEmpty() ||
           (resumen.size() == 64 && std::all_of(resumen.begin(), resumen.end(), [](char c) {
                return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
            }));
}

std::optional<TTxFichero::TLimites> LeerLimites(QByteArrayView vuelo, QByteArrayView bloque) {
    const std::optional<qint64> enVuelo = LeerCuenta(vuelo, kMaximoEnVuelo);
    const std::optional<qint64> tamBloque = LeerCuenta(bloque, kTamBloqueExtendido);
    if (!enVuelo || !tamBloque || *tamBloque < 1 || *enVuelo < *tamBloque)
        return std::nullopt;
    return TTxFichero::TLimites{*enVuelo, qint32(*tamBloque)};
}

// XFILE_PUEDE:id:vuelo:bloque:tengo:resumen
std::optional<std::pair<qint32, TTxFichero::TCapacidad>> LeerCapacidad(QByteArrayView carga) {
    const auto campos = PartirCampos<5>(carga);
    if (!campos)
        return std::nullopt;
    const auto& [id, vuelo, bloque, tengo, resumen] = *campos;
    const std::optional<qint32> numero = LeerCampo(id);
    const std::optional<TTxFichero::TLimites> limites = LeerLimites(vuelo, bloque);
    const std::optional<qint64> bytes = LeerCuenta(tengo);
    if (!numero || !limites || !bytes || !ResumenValido(resumen) ||
        resumen.isEmpty() != (*bytes == 0))
        return std::nullopt;
    return std::pair{*numero, TTxFichero::TCapacidad{*limites, *bytes, resumen.toByteArray()}};
}

// XFILE_USA:id:vuelo:bloque:desde
struct TUso {
    qint32 ID;
    TTxFichero::TLimites Limites;
    qint64 Desde;
};

std::optional<TUso> LeerUso(QByteArrayView carga) {
    const auto campos = PartirCampos<4>(carga);
    if (!campos)
        return std::nullopt;
    const std::optional<qint32> id = LeerCampo((*campos)[0]);
    const std::optional<TTxFichero::TLimites> limites = LeerLimites((*campos)[1], (*campos)[2]);
    const std::optional<qint64> desde = LeerCuenta((*campos)[3]);
    if (!id || !limites || !desde)
        return std::nullopt;
    return TUso{*id, *limites, *desde};
}

// A field as it went on the wire: a name with a BEL was offered with a "?".
QByteArray ComoCampo(const TCampo& campo) {
    QByteArray bytes;
    campo.AnadirA(bytes);
    return bytes;
}

// id:data of a block or of the tail; id:bytes of an extended acknowledgement; id:resumen of
// an extended end.
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

QString TextoOferta(const QString& nick, const QString& nombre, qint64 tam) {
    return nick + u" quiere enviarle un Archivo:\n\nArchivo: " + nombre + u"\nTamaño: " +
           FormatearMiles(tam) + u"\n\n¿Desea aceptar el Archivo?";
}

QString TextoNoSeLee(const QString& ruta) {
    return u"No se puede leer el Archivo \"" + ruta + u"\".";
}

QString TextoNoSeEscribe(const QString& ruta) {
    return u"No se puede escribir en el Archivo \"" + ruta + u"\".";
}

QString TextoDemasiadoGrande(const QString& ruta) {
    return u"El Archivo \"" + ruta +
           u"\" es demasiado grande: sólo se pueden enviar Archivos de menos de 2 GB.";
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

// Takes what waits for this contact out of the list.
template <class TCola> TCola TomarDe(TCola& cola, const QString& ip) {
    TCola tomados;
    std::erase_if(cola, [&](const auto& item) {
        if (item.IP != ip)
            return false;
        tomados.push_back(item);
        return true;
    });
    return tomados;
}

// The newest ends the other side may not have heard, within a bound.
template <class T> void Recordar(std::deque<T>& lista, T hecho) {
    lista.push_back(std::move(hecho));
    if (lista.size() > kMaximoDesenlaces)
        lista.pop_front();
}

bool EstaConectado(const TMensajero& mensajero, const QString& ip) {
    const TContacto* contacto = mensajero.BuscarContacto(ip);
    return contacto && contacto->Conectado;
}

const QString kTituloEnvio = QStringLiteral("Envío de Archivo");

// In stop and wait the last block is the one that ends the file, even empty; exactly the
// offered size: what a file gained since is not the peer's, and a file that lost bytes cannot
// be finished.
bool EsUltimoBloque(const TTxFichero& tx) { return tx.Tx > tx.Tam - kTamBloque; }

qint64 BytesDelBloque(const TTxFichero& tx) {
    return EsUltimoBloque(tx) ? tx.Tam - tx.Tx : kTamBloque;
}

} // namespace

TTransferencias::TTransferencias(TMensajero& mensajero, TInterfazTransferencias& interfaz,
                                 bool extendido)
    : mensajero_(mensajero), interfaz_(interfaz), extendido_(extendido) {
    mensajero_.RegistrarManejadores(registros_, this,
                                    {{TComando::OfreceFile, &TTransferencias::AlOfrecer},
                                     {TComando::AceptaFile, &TTransferencias::AlAceptar},
                                     {TComando::RechazaFile, &TTransferencias::AlRechazar},
                                     {TComando::FilePkt, &TTransferencias::AlRecibirBloque},
                                     {TComando::FileAck, &TTransferencias::AlConfirmarBloque},
                                     {TComando::FinFile, &TTransferencias::AlRecibirFin},
                                     {TComando::AbortFile, &TTransferencias::AlAbortar}});
    if (extendido_) {
        mensajero_.RegistrarManejadores(
            registros_, this,
            {{TComando::XFileOfrece, &TTransferencias::AlOfrecer},
             {TComando::XFilePuede, &TTransferencias::AlPoder},
             {TComando::XFileUsa, &TTransferencias::AlUsar},
             {TComando::XFilePkt, &TTransferencias::AlRecibirBloqueExtendido},
             {TComando::XFileAck, &TTransferencias::AlConfirmarExtendido},
             {TComando::XFileFin, &TTransferencias::AlRecibirFinExtendido},
             {TComando::XFileOk, &TTransferencias::AlComprobar},
             {TComando::PreguntaXFile, &TTransferencias::AlPreguntarExtendido},
             {TComando::RespuestaXFile, &TTransferencias::AlSaberExtendido}});
    }
    QObject::connect(&mensajero_, &TMensajero::ContactoDesconectado, &contexto_,
                     [this](const QString& ip) { AlDesconectar(ip); });
    QObject::connect(&mensajero_, &TMensajero::ContactoConectado, &contexto_,
                     [this](const QString& ip) { Reofrecer(ip); });
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
    if (tam <= kMayorTam || extendidos_.contains(ip)) {
        Ofrecer(ip, ruta, tam);
        return;
    }
    if (!extendido_ || tam >= kMayorTamExtendido) {
        mensajero_.Interfaz().MostrarError(QStringLiteral("Error"), TextoDemasiadoGrande(ruta));
        return;
    }
    // Only a copy of this program can take it: ask, and refuse it unless the peer answers.
    grandes_.push_back({ip, ruta, tam});
    mensajero_.EnviarMensaje(ip, Componer(TComando::PreguntaXFile));
    QTimer::singleShot(kMsConsultaExtendido, &contexto_,
                       [this, ip] { mensajero_.Proteger([&] { DesistirDeGrandes(ip); }); });
}

void TTransferencias::Ofrecer(const QString& ip, const QString& ruta, qint64 tam) {
    auto tx = std::make_shared<TTxFichero>();
    tx->ID = mensajero_.NuevoIdentificador([this](int id) {
        const auto conId = [id](const auto& otra) { return otra->ID == id; };
        return std::any_of(salientes_.begin(), salientes_.end(), conId) ||
               std::any_of(entrantes_.begin(), entrantes_.end(), conId);
    });
    tx->Ruta = ruta;
    tx->Tam = tam;
    tx->IP = ip;
    const QString nombre = QFileInfo(ruta).fileName();
    tx->NombreOfrecido = ComoCampo(nombre);
    tx->Ventana = CrearVista(tx, u"Enviando Archivo a " + mensajero_.NickDe(ip), nombre, true);
    salientes_.push_back(tx);
    EnviarOferta(*tx);
}

void TTransferencias::EnviarOferta(const TTxFichero& tx) {
    const TComando comando = tx.Tam > kMayorTam ? TComando::XFileOfrece : TComando::OfreceFile;
    mensajero_.EnviarMensaje(tx.IP, Componer(comando, {tx.ID, tx.Tam, tx.NombreOfrecido}));
}

void TTransferencias::DesistirDeGrandes(const QString& ip) {
    for (const TOfertaGrande& oferta : TomarDe(grandes_, ip))
        mensajero_.Interfaz().MostrarError(QStringLiteral("Error"),
                                           TextoDemasiadoGrande(oferta.Ruta));
}

void TTransferencias::AlPreguntarExtendido(const QString& ip, const TMensajeRecibido&) {
    mensajero_.EnviarMensaje(
        ip, Componer(TComando::RespuestaXFile, {kBytesEnVuelo, kTamBloqueExtendido}));
}

void TTransferencias::AlSaberExtendido(const QString& ip, const TMensajeRecibido&) {
    extendidos_.insert(ip);
    for (const TOfertaGrande& oferta : TomarDe(grandes_, ip))
        Ofrecer(oferta.IP, oferta.Ruta, oferta.Tam);
}

void TTransferencias::AlPoder(const QString& ip, const TMensajeRecibido& mensaje) {
    const auto capacidad = LeerCapacidad(mensaje.Carga);
    if (!capacidad)
        return;
    extendidos_.insert(ip);
    const std::shared_ptr<TTxFichero> tx = Buscar(salientes_, capacidad->first, ip);
    // Only right before the acceptance, for the data phase about to begin.
    if (tx && !tx->Fichero.isOpen())
        tx->Capacidad = capacidad->second;
}

void TTransferencias::AlAceptar(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::optional<TOfrecimiento> aceptado =
        LeerOfrecimiento(mensaje.Carga, kMayorTamExtendido);
    if (!aceptado)
        return;
    const std::shared_ptr<TTxFichero> tx = Buscar(salientes_, aceptado->ID, ip);
    // A second acceptance of a transfer under way changes nothing.
    if (!tx || tx->Fichero.isOpen())
        return;
    const std::optional<TTxFichero::TCapacidad> capacidad =
        std::exchange(tx->Capacidad, std::nullopt);
    if (tx->NombreOfrecido != aceptado->Nombre || tx->Tam != aceptado->Tam)
        return;
    tx->Fichero.setFileName(tx->Ruta);
    // Read a few blocks ahead, as one system call: a file that shrank is still seen once the
    // reads reach where it now ends.
    if (!tx->Fichero.open(QIODevice::ReadOnly)) {
        FallarTransferencia(salientes_, tx, TextoNoSeLee(tx->Ruta));
        return;
    }
    if (tx->Fichero.size() != tx->Tam) {
        tx->Fichero.close();
        return;
    }
    tx->Tx = 0;
    tx->Muestras = {};
    tx->Inicio = mensajero_.Reloj().Ms();
    if (std::exchange(tx->Interrumpida, false) && tx->Ventana)
        tx->Ventana->MostrarInterrupcion(false);
    if (capacidad)
        EmpezarExtendido(tx, *capacidad);
    else
        EnviarSiguienteBloque(tx);
}

void TTransferencias::EmpezarExtendido(const std::shared_ptr<TTxFichero>& tx,
                                       const TTxFichero::TCapacidad& capacidad) {
    const TTxFichero::TLimites limites{std::min(kBytesEnVuelo, capacidad.Limites.EnVuelo),
                                       std::min(kTamBloqueExtendido, capacidad.Limites.Bloque)};
    if (capacidad.Tengo <= 0 || capacidad.Tengo > tx->Tam) {
        Usar(tx, limites, 0);
        return;
    }
    // The receiver's part is kept only when it is the start of this very file.
    tx->Comprobando = true;
    tx->Resumen.ResumirInicio(
        tx->Ruta, capacidad.Tengo,
        TrasComprobar(tx, [this, limites, capacidad](const auto& viva, const auto& hex) {
            Usar(viva, limites, hex == capacidad.Resumen ? capacidad.Tengo : 0);
        }));
}

TResumidor::THecho TTransferencias::TrasComprobar(const std::shared_ptr<TTxFichero>& tx,
                                                  TSeguir seguir) {
    return [this, debil = std::weak_ptr<TTxFichero>(tx),
            seguir = std::move(seguir)](std::optional<QByteArray> hex) {
        mensajero_.Proteger([&] {
            if (const std::shared_ptr<TTxFichero> viva = debil.lock()) {
                viva->Comprobando = false;
                seguir(viva, hex);
            }
        });
    };
}

void TTransferencias::Usar(const std::shared_ptr<TTxFichero>& tx,
                           const TTxFichero::TLimites& limites, qint64 desde) {
    if (desde == 0)
        tx->Resumen.Reiniciar();
    tx->Fichero.seek(desde);
    tx->Tx = desde;
    tx->Enviado = desde;
    tx->FinEnviado = false;
    tx->Extendido = limites;
    mensajero_.EnviarMensaje(
        tx->IP, Componer(TComando::XFileUsa, {tx->ID, limites.EnVuelo, limites.Bloque, desde}));
    Rellenar(tx);
}

// Blocks go out while they fit in the budget of unacknowledged bytes; the end follows the
// last block at once.
void TTransferencias::Rellenar(const std::shared_ptr<TTxFichero>& tx) {
    while (tx->Extendido && !tx->FinEnviado && tx->Fichero.isOpen()) {
        const qint64 cuantos = std::min<qint64>(tx->Extendido->Bloque, tx->Tam - tx->Enviado);
        if (cuantos == 0) {
            tx->FinEnviado = true;
            mensajero_.EnviarMensaje(tx->IP,
                                     Componer(TComando::XFileFin, {tx->ID, tx->Resumen.Hex()}));
            return;
        }
        if (tx->Enviado + cuantos - tx->Tx > tx->Extendido->EnVuelo)
            return;
        if (!ComponerBloque(tx, cuantos, TComando::XFilePkt, mensaje_))
            return;
        mensajero_.EnviarMensaje(tx->IP, mensaje_);
        // Handed over, not copied: the next block gets a buffer of its own.
        tx->Resumen.Anadir(std::exchange(bloque_, {}));
        tx->Enviado += cuantos;
    }
}

bool TTransferencias::ComponerBloque(const std::shared_ptr<TTxFichero>& tx, qint64 cuantos,
                                     TComando comando, QByteArray& destino) {
    bloque_.resize(cuantos);
    if (tx->Fichero.read(bloque_.data(), cuantos) != cuantos) {
        FallarTransferencia(salientes_, tx, TextoNoSeLee(tx->Ruta));
        return false;
    }
    Componer(destino, comando, {tx->ID, TCampo(bloque_, EscaparDatos)});
    return true;
}

void TTransferencias::AlConfirmarExtendido(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::optional<TParte> parte = LeerParte(mensaje.Carga);
    const std::shared_ptr<TTxFichero> tx = parte ? Buscar(salientes_, parte->ID, ip) : nullptr;
    if (!tx || !tx->Extendido)
        return;
    // Never fewer than before, never more than sent.
    const std::optional<qint64> escritos = LeerCuenta(parte->Datos, tx->Enviado);
    if (!escritos || *escritos < tx->Tx) {
        FallarTransferencia(salientes_, tx, {});
        return;
    }
    tx->Tx = *escritos;
    tx->TomarMuestra(mensajero_.Reloj().Ms());
    Refrescar(*tx);
    Rellenar(tx);
}

void TTransferencias::AlComprobar(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::shared_ptr<TTxFichero> tx = Buscar(salientes_, mensaje.Numero, ip);
    if (!tx || !(tx->FinEnviado || tx->FinSinRespuesta) || tx->Tx != tx->Tam)
        return;
    if (std::exchange(tx->Interrumpida, false) && tx->Ventana)
        tx->Ventana->MostrarInterrupcion(false);
    Terminar(salientes_, tx, TFinTransferencia::Finalizado);
}

void TTransferencias::AlRechazar(const QString& ip, const TMensajeRecibido& mensaje) {
    if (const std::shared_ptr<TTxFichero> tx = Buscar(salientes_, mensaje.Numero, ip))
        Terminar(salientes_, tx, TFinTransferencia::Rechazado);
}

void TTransferencias::AlConfirmarBloque(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::shared_ptr<TTxFichero> tx = Buscar(salientes_, mensaje.Numero, ip);
    if (tx && tx->Fichero.isOpen() && !tx->Extendido)
        EnviarSiguienteBloque(tx);
}

// The block goes out as soon as the peer asks for it; the next one is read and composed
// while the peer takes this one.
void TTransferencias::EnviarSiguienteBloque(const std::shared_ptr<TTxFichero>& tx) {
    if (tx->Siguiente.isEmpty() && !ComponerSiguiente(tx))
        return;
    const bool ultimo = EsUltimoBloque(*tx);
    tx->Tx += BytesDelBloque(*tx);
    mensajero_.EnviarMensaje(tx->IP, std::exchange(tx->Siguiente, {}));
    tx->TomarMuestra(mensajero_.Reloj().Ms());
    Refrescar(*tx);
    if (ultimo)
        Terminar(salientes_, tx, TFinTransferencia::Finalizado);
    else
        ComponerSiguiente(tx);
}

bool TTransferencias::ComponerSiguiente(const std::shared_ptr<TTxFichero>& tx) {
    return ComponerBloque(tx, BytesDelBloque(*tx),
                          EsUltimoBloque(*tx) ? TComando::FinFile : TComando::FilePkt,
                          tx->Siguiente);
}

// A dropped connection interrupts every extended transfer with that contact; stop and wait
// ones stall, as they always did.
void TTransferencias::AlDesconectar(const QString& ip) {
    // Even a peer back at once withdrew what it offered before it left.
    for (const auto& oferta : pendientes_)
        oferta->Retirada = oferta->Retirada || oferta->IP == ip;
    extendidos_.remove(ip);
    for (TLista* lista : {&salientes_, &entrantes_}) {
        for (const auto& tx : *lista) {
            if (tx->IP == ip && (tx->Extendido || tx->EsperaUso || tx->Comprobando))
                Interrumpir(*tx);
        }
    }
}

void TTransferencias::Interrumpir(TTxFichero& tx) {
    tx.FinSinRespuesta = tx.FinEnviado && tx.Tx == tx.Tam;
    Cerrar(tx);
    tx.Extendido.reset();
    tx.Capacidad.reset();
    tx.FinEnviado = false;
    tx.EsperaUso = false;
    tx.Interrumpida = true;
    if (tx.Ventana)
        tx.Ventana->MostrarInterrupcion(true);
}

// The contact is back: what was aborted here meanwhile, then what was cut goes on.
void TTransferencias::Reofrecer(const QString& ip) {
    for (const TAbandono& abandono : TomarDe(abandonos_, ip))
        mensajero_.EnviarMensaje(ip, Componer(TComando::AbortFile, {abandono.ID}));
    for (const auto& tx : salientes_) {
        if (tx->IP == ip && tx->Interrumpida)
            EnviarOferta(*tx);
    }
}

// --- Receiver ---

void TTransferencias::AlOfrecer(const QString& ip, const TMensajeRecibido& mensaje) {
    const bool grande = mensaje.Comando == TComando::XFileOfrece;
    const std::optional<TOfrecimiento> oferta =
        LeerOfrecimiento(mensaje.Carga, grande ? kMayorTamExtendido : kMayorTam);
    if (!oferta)
        return;
    if (grande)
        extendidos_.insert(ip);
    const auto desenlace =
        std::find_if(desenlaces_.begin(), desenlaces_.end(), [&](const TDesenlace& hecho) {
            return hecho.IP == ip && hecho.ID == oferta->ID && hecho.Tam == oferta->Tam &&
                   hecho.Nombre == oferta->Nombre;
        });
    if (desenlace != desenlaces_.end()) {
        mensajero_.EnviarMensaje(ip, Componer(desenlace->Respuesta, {oferta->ID}));
        return;
    }
    if (const std::shared_ptr<TTxFichero> tx = Buscar(entrantes_, oferta->ID, ip);
        tx && tx->NombreOfrecido == oferta->Nombre && tx->Tam == oferta->Tam &&
        (tx->Interrumpida || tx->Extendido || tx->EsperaUso || tx->Comprobando)) {
        Reanudar(tx);
        return;
    }
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
                                 const QString& nombre, qint64 tam) {
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

void TTransferencias::Recibir(const QString& ip, qint32 id, qint64 tam,
                              QByteArrayView nombreOfrecido, const QString& nombre,
                              const TDestino& destino) {
    auto tx = std::make_shared<TTxFichero>();
    tx->ID = id;
    tx->Tam = tam;
    tx->IP = ip;
    tx->NombreOfrecido = nombreOfrecido.toByteArray();
    // Created before answering: a destination that cannot be written is refused, so the
    // sender does not wait for ever.
    if (!AbrirDestino(tx->Fichero, destino)) {
        mensajero_.EnviarMensaje(ip, Componer(TComando::RechazaFile, {tx->ID}));
        mensajero_.Interfaz().MostrarError(
            QStringLiteral("Error"), u"No se puede crear el Archivo \"" + tx->Fichero.fileName() + u"\".");
        return;
    }
    tx->Ruta = tx->Fichero.fileName();
    Aceptar(*tx, {});
    tx->Ventana = CrearVista(tx, u"Recibiendo Archivo de " + mensajero_.NickDe(ip), nombre, false);
    entrantes_.push_back(tx);
    tx->Inicio = mensajero_.Reloj().Ms();
}

// What this copy takes, with the part it holds, then the acceptance with the name as offered,
// whatever name the file got here.
void TTransferencias::Aceptar(TTxFichero& tx, const QByteArray& resumen) {
    tx.EsperaUso = extendido_;
    if (extendido_)
        mensajero_.EnviarMensaje(
            tx.IP, Componer(TComando::XFilePuede,
                            {tx.ID, kBytesEnVuelo, kTamBloqueExtendido, tx.Tx, resumen}));
    mensajero_.EnviarMensaje(tx.IP,
                             Componer(TComando::AceptaFile, {tx.ID, tx.Tam, tx.NombreOfrecido}));
}

// The sender offered an interrupted transfer again: it goes on from the part held here, if
// the sender finds it is the start of its file.
void TTransferencias::Reanudar(const std::shared_ptr<TTxFichero>& tx) {
    Cerrar(*tx);
    tx->Extendido.reset();
    tx->EsperaUso = false;
    tx->Fichero.setFileName(tx->Ruta);
    if (!tx->Fichero.open(QIODevice::ReadWrite)) {
        FallarTransferencia(entrantes_, tx, TextoNoSeEscribe(tx->Ruta));
        return;
    }
    // Whatever lies beyond the offered size is not the sender's.
    tx->Tx = std::min(tx->Fichero.size(), tx->Tam);
    if (!tx->Fichero.resize(tx->Tx)) {
        FallarTransferencia(entrantes_, tx, TextoNoSeLee(tx->Ruta));
        return;
    }
    if (tx->Tx == 0) {
        Reanudado(tx, {});
        return;
    }
    // Meanwhile the sender waits for the acceptance, and a part of many GiB takes a while.
    tx->Comprobando = true;
    tx->Resumen.ResumirInicio(
        tx->Ruta, tx->Tx, TrasComprobar(tx, [this](const auto& viva, const auto& hex) {
            if (hex)
                Reanudado(viva, *hex);
            else
                FallarTransferencia(entrantes_, viva, TextoNoSeLee(viva->Ruta));
        }));
}

void TTransferencias::Reanudado(const std::shared_ptr<TTxFichero>& tx, const QByteArray& resumen) {
    if (std::exchange(tx->Interrumpida, false) && tx->Ventana)
        tx->Ventana->MostrarInterrupcion(false);
    Aceptar(*tx, resumen);
}

void TTransferencias::AlUsar(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::optional<TUso> uso = LeerUso(mensaje.Carga);
    const std::shared_ptr<TTxFichero> tx = uso ? Buscar(entrantes_, uso->ID, ip) : nullptr;
    if (!tx || !tx->EsperaUso)
        return;
    extendidos_.insert(ip);
    tx->EsperaUso = false;
    // Within what this copy stated, from the start or from all it holds.
    if (uso->Limites.EnVuelo > kBytesEnVuelo || uso->Limites.Bloque > kTamBloqueExtendido ||
        (uso->Desde != 0 && uso->Desde != tx->Tx)) {
        FallarTransferencia(entrantes_, tx, {});
        return;
    }
    if (uso->Desde == 0 && tx->Tx > 0) {
        tx->Resumen.Reiniciar();
        tx->Tx = 0;
        if (!tx->Fichero.resize(0)) {
            FallarTransferencia(entrantes_, tx, TextoNoSeEscribe(tx->Ruta));
            return;
        }
    }
    tx->Fichero.seek(tx->Tx);
    tx->Extendido = uso->Limites;
    tx->Muestras = {};
    tx->Inicio = mensajero_.Reloj().Ms();
}

void TTransferencias::AlRecibirBloque(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::optional<TParte> parte = LeerParte(mensaje.Carga);
    const std::shared_ptr<TTxFichero> tx = parte ? Buscar(entrantes_, parte->ID, ip) : nullptr;
    if (!tx)
        return;
    // Exactly one whole block, and never beyond the announced size.
    if (tx->Extendido || !DesescaparDatos(parte->Datos, bloque_) || bloque_.size() != kTamBloque ||
        tx->Tx > tx->Tam - kTamBloque) {
        FallarTransferencia(entrantes_, tx, {});
        return;
    }
    // The sender does not take the extended mode. It sends the next block while this one is
    // written: a write that fails still aborts the transfer.
    tx->EsperaUso = false;
    mensajero_.EnviarMensaje(ip, Componer(TComando::FileAck, {tx->ID}));
    if (!Escribir(entrantes_, tx))
        return;
    tx->TomarMuestra(mensajero_.Reloj().Ms());
    Refrescar(*tx);
}

void TTransferencias::AlRecibirBloqueExtendido(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::optional<TParte> parte = LeerParte(mensaje.Carga);
    const std::shared_ptr<TTxFichero> tx = parte ? Buscar(entrantes_, parte->ID, ip) : nullptr;
    if (!tx || !tx->Extendido)
        return;
    // The decoded block is checked before anything is written: at most the agreed size.
    if (parte->Datos.size() > 2 * qsizetype(tx->Extendido->Bloque) ||
        !DesescaparDatos(parte->Datos, bloque_) || bloque_.isEmpty() ||
        bloque_.size() > tx->Extendido->Bloque || bloque_.size() > tx->Tam - tx->Tx) {
        FallarTransferencia(entrantes_, tx, {});
        return;
    }
    if (!Escribir(entrantes_, tx))
        return;
    tx->Resumen.Anadir(std::exchange(bloque_, {}));
    mensajero_.EnviarMensaje(ip, Componer(TComando::XFileAck, {tx->ID, tx->Tx}));
    tx->TomarMuestra(mensajero_.Reloj().Ms());
    Refrescar(*tx);
}

bool TTransferencias::Escribir(TLista& lista, const std::shared_ptr<TTxFichero>& tx) {
    if (tx->Fichero.write(bloque_) != bloque_.size()) {
        FallarTransferencia(lista, tx, TextoNoSeEscribe(tx->Ruta));
        return false;
    }
    tx->Tx += bloque_.size();
    return true;
}

void TTransferencias::AlRecibirFin(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::optional<TParte> parte = LeerParte(mensaje.Carga);
    const std::shared_ptr<TTxFichero> tx = parte ? Buscar(entrantes_, parte->ID, ip) : nullptr;
    if (!tx)
        return;
    if (tx->Extendido || !DesescaparDatos(parte->Datos, bloque_) ||
        bloque_.size() > kMayorTam - tx->Tx) {
        FallarTransferencia(entrantes_, tx, {});
        return;
    }
    if (!Escribir(entrantes_, tx) || !Vaciar(tx))
        return;
    Refrescar(*tx);
    Terminar(entrantes_, tx, TFinTransferencia::Finalizado);
}

void TTransferencias::AlRecibirFinExtendido(const QString& ip, const TMensajeRecibido& mensaje) {
    const std::optional<TParte> parte = LeerParte(mensaje.Carga);
    const std::shared_ptr<TTxFichero> tx = parte ? Buscar(entrantes_, parte->ID, ip) : nullptr;
    if (!tx || !tx->Extendido || !Vaciar(tx))
        return;
    Refrescar(*tx);
    if (tx->Tx != tx->Tam || tx->Resumen.Hex() != parte->Datos) {
        mensajero_.EnviarMensaje(ip, Componer(TComando::AbortFile, {tx->ID}));
        Terminar(entrantes_, tx, TFinTransferencia::Fallido);
        return;
    }
    mensajero_.EnviarMensaje(ip, Componer(TComando::XFileOk, {tx->ID}));
    RecordarDesenlace(*tx, TComando::XFileOk);
    Terminar(entrantes_, tx, TFinTransferencia::Finalizado);
}

// "FINALIZADO" only once every byte has reached the file.
bool TTransferencias::Vaciar(const std::shared_ptr<TTxFichero>& tx) {
    if (tx->Fichero.flush())
        return true;
    FallarTransferencia(entrantes_, tx, TextoNoSeEscribe(tx->Ruta));
    return false;
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
    // Every byte was sent and written: the receiver found another file than the one sent.
    if (tx->FinEnviado && tx->Tx == tx->Tam) {
        Terminar(lista, tx, TFinTransferencia::Fallido);
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
    Cerrar(*tx);
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
    const bool enviando = Quitar(salientes_, tx.get());
    if (!enviando && !Quitar(entrantes_, tx.get()))
        return;
    Cerrar(*tx);
    // The other end of a cut transfer may not hear this abort: a sender learns it from the
    // answer to its next offer, a receiver when the contact is back.
    if (tx->Interrumpida && !enviando) {
        RecordarDesenlace(*tx, TComando::AbortFile);
    } else if (tx->Interrumpida && !EstaConectado(mensajero_, tx->IP)) {
        Recordar(abandonos_, {tx->IP, tx->ID});
        return;
    }
    mensajero_.EnviarMensaje(tx->IP, Componer(TComando::AbortFile, {tx->ID}));
}

void TTransferencias::RecordarDesenlace(const TTxFichero& tx, TComando respuesta) {
    Recordar(desenlaces_, {tx.IP, tx.ID, tx.Tam, tx.NombreOfrecido, respuesta});
}

// Also stops a check of the held part: its answer is dropped.
void TTransferencias::Cerrar(TTxFichero& tx) {
    tx.Fichero.close();
    tx.Siguiente.clear();
    tx.Resumen.Reiniciar();
    tx.Comprobando = false;
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
