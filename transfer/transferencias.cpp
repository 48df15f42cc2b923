#include "transfer/transferencias.h"

#include "core/codificacion.h"
#include "core/mensajero.h"
#include "transfer/escapado.h"
#include "transfer/progreso.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <limits>

namespace {

// Sizes and counters are 32-bit on the wire: a file of 2 GiB or more cannot be described.
constexpr qint32 kMayorTam = std::numeric_limits<qint32>::max();

const TComando kComandos[] = {TComando::OfreceFile, TComando::AceptaFile, TComando::RechazaFile,
                              TComando::FilePkt,    TComando::FileAck,    TComando::FinFile,
                              TComando::AbortFile};

// The decimal digits up to the next ":", which is consumed too.
std::optional<qint32> LeerNumero(QByteArrayView& resto) {
    const qsizetype dosPuntos = resto.indexOf(':');
    if (dosPuntos <= 0 || dosPuntos > 10)
        return std::nullopt;
    qint64 valor = 0;
    for (const char c : resto.first(dosPuntos)) {
        if (c < '0' || c > '9')
            return std::nullopt;
        valor = valor * 10 + (c - '0');
    }
    if (valor > kMayorTam)
        return std::nullopt;
    resto = resto.sliced(dosPuntos + 1);
    return qint32(valor);
}

// A peer decides the name, never the folder.
QString UltimoComponente(const QString& nombre) {
    return nombre.sliced(std::max(nombre.lastIndexOf(u'/'), nombre.lastIndexOf(u'\\')) + 1);
}

bool NombreAdmitido(const QString& nombre) {
    return !nombre.isEmpty() && nombre != u"." && nombre != u"..";
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

bool Quitar(TTransferencias::TLista& lista, const TTxFichero* tx) {
    const auto encontrada = std::find_if(lista.begin(), lista.end(),
                                         [&](const auto& otra) { return otra.get() == tx; });
    if (encontrada == lista.end())
        return false;
    lista.erase(encontrada);
    return true;
}

QByteArray Ofrecimiento(qint32 id, qint32 tam, const QByteArray& nombre) {
    return Numero(id) + ':' + Numero(tam) + ':' + nombre;
}

} // namespace

TTransferencias::TTransferencias(TMensajero& mensajero, TInterfazTransferencias& interfaz)
    : mensajero_(mensajero), interfaz_(interfaz) {
    Registrar(TComando::OfreceFile, &TTransferencias::AlOfrecer);
    Registrar(TComando::AceptaFile, &TTransferencias::AlAceptar);
    Registrar(TComando::RechazaFile, &TTransferencias::AlRechazar);
    Registrar(TComando::FilePkt, &TTransferencias::AlRecibirBloque);
    Registrar(TComando::FileAck, &TTransferencias::AlConfirmarBloque);
    Registrar(TComando::FinFile, &TTransferencias::AlRecibirFin);
    Registrar(TComando::AbortFile, &TTransferencias::AlAbortar);
}

TTransferencias::~TTransferencias() {
    for (const TComando comando : kComandos)
        mensajero_.RegistrarManejador(comando, nullptr);
}

void TTransferencias::Registrar(TComando comando, TManejador manejador) {
    mensajero_.RegistrarManejador(comando, [this, manejador](const QString& ip,
                                                             const TMensajeRecibido& mensaje) {
        (this->*manejador)(ip, mensaje);
    });
}

// --- Sender ---

void TTransferencias::OfrecerFichero(const QString& ip) {
    const TContacto* contacto = mensajero_.BuscarContacto(ip);
    if (!contacto || !contacto->Conectado)
        return;
    const std::optional<QString> ruta =
        interfaz_.ElegirFichero(u"Escoja un Archivo para enviarle a " + contacto->Item->Nick);
    if (!ruta)
        return;
    QFile fichero(*ruta);
    if (!fichero.open(QIODevice::ReadOnly)) {
        mensajero_.Interfaz().MostrarError(QStringLiteral("Error"), TextoNoSeLee(*ruta));
        return;
    }
    const qint64 tam = fichero.size();
    fichero.close();
    if (tam > kMayorTam) {
        mensajero_.Interfaz().MostrarError(
            QStringLiteral("Error"), u"El Archivo \"" + *ruta +
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
    tx->Ruta = *ruta;
    tx->Tam = qint32(tam);
    tx->IP = ip;
    const QString nombre = QFileInfo(*ruta).fileName();
    tx->Ventana = CrearVista(tx, u"Enviando Archivo a " + mensajero_.NickDe(ip), nombre, true);
    salientes_.push_back(tx);
    mensajero_.EnviarMensaje(ip, "OFRECE_FILE:" + Ofrecimiento(tx->ID, tx->Tam, CodificarCp1252(nombre)));
}

void TTransferencias::AlAceptar(const QString& ip, const TMensajeRecibido& mensaje) {
    QByteArrayView resto(mensaje.Carga);
    const std::optional<qint32> id = LeerNumero(resto);
    const std::optional<qint32> tam = id ? LeerNumero(resto) : std::nullopt;
    if (!tam)
        return;
    const std::shared_ptr<TTxFichero> tx = Buscar(salientes_, *id, ip);
    // A second acceptance of a transfer under way changes nothing.
    if (!tx || tx->Fichero.isOpen())
        return;
    if (CodificarCp1252(QFileInfo(tx->Ruta).fileName()) != resto || tx->Tam != *tam)
        return;
    tx->Fichero.setFileName(tx->Ruta);
    if (!tx->Fichero.open(QIODevice::ReadOnly)) {
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
    // The tail runs to the real end of the file, so a file that grew sends its growth.
    const qint64 cuantos =
        ultimo ? std::min<qint64>(std::max<qint64>(0, tx->Fichero.size() - tx->Tx), kMayorTam - tx->Tx)
               : kTamBloque;
    bloque_.resize(cuantos);
    const qint64 leidos = tx->Fichero.read(bloque_.data(), cuantos);
    if (leidos < 0 || (!ultimo && leidos != kTamBloque)) {
        FallarTransferencia(salientes_, tx, TextoNoSeLee(tx->Ruta));
        return;
    }
    bloque_.resize(leidos);
    mensaje_ = ultimo ? "FIN_FILE:" : "FILE_PKT:";
    mensaje_ += Numero(tx->ID);
    mensaje_ += ':';
    EscaparDatos(bloque_, mensaje_);
    tx->Tx += qint32(leidos);
    mensajero_.EnviarMensaje(tx->IP, mensaje_);
    tx->TomarMuestra(mensajero_.Reloj().Ms());
    Refrescar(*tx);
    if (ultimo)
        Terminar(salientes_, tx, TFinTransferencia::Finalizado);
}

// --- Receiver ---

void TTransferencias::AlOfrecer(const QString& ip, const TMensajeRecibido& mensaje) {
    QByteArrayView resto(mensaje.Carga);
    const std::optional<qint32> id = LeerNumero(resto);
    const std::optional<qint32> tam = id ? LeerNumero(resto) : std::nullopt;
    if (!tam)
        return;
    const QString nombre = UltimoComponente(DecodificarCp1252(resto));
    if (!NombreAdmitido(nombre)) {
        mensajero_.EnviarMensaje(ip, "RECHAZA_FILE:" + Numero(*id));
        return;
    }
    mensajero_.Sonar(mensajero_.Config().Sonidos.File_SolicitudTx);
    const std::optional<QString> destino = DestinoAceptado(mensajero_.NickDe(ip), nombre, *tam);
    if (!destino) {
        mensajero_.EnviarMensaje(ip, "RECHAZA_FILE:" + Numero(*id));
        return;
    }
    Recibir(ip, *id, *tam, resto.toByteArray(), nombre, *destino);
}

std::optional<QString> TTransferencias::DestinoAceptado(const QString& nick, const QString& nombre,
                                                        qint32 tam) {
    const TConfig& config = mensajero_.Config();
    if (config.AutoAceptarFicheros) {
        if (config.AutoAceptarFicherosPath.isEmpty())
            return nombre;
        return QDir(config.AutoAceptarFicherosPath).filePath(nombre);
    }
    if (!mensajero_.Interfaz().Preguntar(QStringLiteral("Envío de Archivo"),
                                         TextoOferta(nick, nombre, tam),
                                         TInterfazUsuario::TBotones::SiNo))
        return std::nullopt;
    return interfaz_.ElegirDestino(u"Escoja el destino del Archivo de " + nick, nombre);
}

void TTransferencias::Recibir(const QString& ip, qint32 id, qint32 tam,
                              const QByteArray& nombreOfrecido, const QString& nombre,
                              const QString& destino) {
    auto tx = std::make_shared<TTxFichero>();
    tx->ID = id;
    tx->Ruta = QFileInfo(destino).absoluteFilePath();
    tx->Tam = tam;
    tx->IP = ip;
    // Created before answering: a destination that cannot be written is refused, so the
    // sender does not wait for ever.
    tx->Fichero.setFileName(tx->Ruta);
    if (!tx->Fichero.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        mensajero_.EnviarMensaje(ip, "RECHAZA_FILE:" + Numero(id));
        mensajero_.Interfaz().MostrarError(QStringLiteral("Error"),
                                           u"No se puede crear el Archivo \"" + tx->Ruta + u"\".");
        return;
    }
    mensajero_.EnviarMensaje(ip, "ACEPTA_FILE:" + Ofrecimiento(id, tam, nombreOfrecido));
    tx->Ventana = CrearVista(tx, u"Recibiendo Archivo de " + mensajero_.NickDe(ip), nombre, false);
    entrantes_.push_back(tx);
    tx->Inicio = mensajero_.Reloj().Ms();
}

void TTransferencias::AlRecibirBloque(const QString& ip, const TMensajeRecibido& mensaje) {
    QByteArrayView resto(mensaje.Carga);
    const std::optional<qint32> id = LeerNumero(resto);
    const std::shared_ptr<TTxFichero> tx = id ? Buscar(entrantes_, *id, ip) : nullptr;
    if (!tx)
        return;
    // Exactly one whole block, and never beyond the announced size.
    if (!DesescaparDatos(resto, bloque_) || bloque_.size() != kTamBloque ||
        tx->Tx > tx->Tam - kTamBloque) {
        FallarTransferencia(entrantes_, tx, {});
        return;
    }
    if (tx->Fichero.write(bloque_) != kTamBloque) {
        FallarTransferencia(entrantes_, tx, u"No se puede escribir en el Archivo \"" + tx->Ruta + u"\".");
        return;
    }
    tx->Tx += kTamBloque;
    mensajero_.EnviarMensaje(ip, "FILE_ACK:" + Numero(tx->ID));
    tx->TomarMuestra(mensajero_.Reloj().Ms());
    Refrescar(*tx);
}

void TTransferencias::AlRecibirFin(const QString& ip, const TMensajeRecibido& mensaje) {
    QByteArrayView resto(mensaje.Carga);
    const std::optional<qint32> id = LeerNumero(resto);
    const std::shared_ptr<TTxFichero> tx = id ? Buscar(entrantes_, *id, ip) : nullptr;
    if (!tx)
        return;
    if (!DesescaparDatos(resto, bloque_) || bloque_.size() > kMayorTam - tx->Tx) {
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
    if (const std::shared_ptr<TTxFichero> tx = Buscar(salientes_, mensaje.Numero, ip))
        Terminar(salientes_, tx, TFinTransferencia::Abortado);
    else if (const std::shared_ptr<TTxFichero> tx = Buscar(entrantes_, mensaje.Numero, ip))
        Terminar(entrantes_, tx, TFinTransferencia::Abortado);
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
    const TConfigSonidos& sonidos = mensajero_.Config().Sonidos;
    if (fin == TFinTransferencia::Finalizado)
        mensajero_.Sonar(sonidos.File_FinTx);
    else if (fin == TFinTransferencia::Abortado)
        mensajero_.Sonar(sonidos.File_AbortadaTx);
}

void TTransferencias::FallarTransferencia(TLista& lista, const std::shared_ptr<TTxFichero>& tx,
                                          const QString& error) {
    mensajero_.EnviarMensaje(tx->IP, "ABORT_FILE:" + Numero(tx->ID));
    Terminar(lista, tx, TFinTransferencia::Abortado);
    // Last: the box runs the event loop, and the transfer is already settled.
    if (!error.isEmpty())
        mensajero_.Interfaz().MostrarError(QStringLiteral("Error"), error);
}

void TTransferencias::Abortar(const std::shared_ptr<TTxFichero>& tx) {
    if (!Quitar(salientes_, tx.get()) && !Quitar(entrantes_, tx.get()))
        return;
    mensajero_.EnviarMensaje(tx->IP, "ABORT_FILE:" + Numero(tx->ID));
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
