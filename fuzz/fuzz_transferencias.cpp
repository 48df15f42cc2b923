// File transfers, both directions and both modes: messages from four peers, mixed with
// dropped and returning connections and the user's offers and aborts, go through the core's
// dispatch into the transfers. Properties: a peer's message never changes another peer's
// transfer; nothing is written past an offered size; a sender never has more unacknowledged
// bytes than the window agreed; a contact's return sends to it alone; every message leaves
// whole, with no BEL inside.
//
// Input: steps separated by BEL. A step's first byte says what it is (modulo 8): 0-3 the rest
// is a message from that peer, where "#" stands for the id of the newest file this copy
// offered to it; 4 a peer's connection drops, 5 it comes back; 6 the user offers a file to a
// peer; 7 the user aborts a transfer (the next byte picks the peer, the file or the window).
#include "comprobar.h"
#include "nucleofalso.h"
#include "tests/apoyo/transferenciasfalsas.h"
#include "transfer/transferencias.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <map>
#include <memory>
#include <tuple>

namespace {

struct TEntorno : TNucleoFalso {
    TEntorno() {
        Escribir(QStringLiteral("vacio.txt"), {});
        Escribir(QStringLiteral("datos.bin"), QByteArray(70'000, 'x') + QByteArray(3'001, '\x07'));
        Recibidos = Carpeta.filePath(QStringLiteral("recibidos"));
    }

    void Escribir(const QString& nombre, const QByteArray& datos) {
        QFile fichero(Carpeta.filePath(nombre));
        COMPROBAR(fichero.open(QIODevice::WriteOnly) && fichero.write(datos) == datos.size());
        Ficheros << fichero.fileName();
    }

    QStringList Ficheros;
    QString Recibidos;
};

TEntorno* entorno = nullptr;

// What a transfer has done so far, to see that another peer's message left it alone.
using TEstado = std::tuple<QString, qint64, qint64, qint64, qint64>;

std::map<std::pair<bool, qint32>, TEstado> Estados(const TTransferencias& transferencias,
                                                   const QString& salvo) {
    std::map<std::pair<bool, qint32>, TEstado> estados;
    for (bool saliente : {true, false}) {
        for (const auto& tx : saliente ? transferencias.Salientes() : transferencias.Entrantes()) {
            if (tx->IP != salvo)
                estados[{saliente, tx->ID}] = {tx->IP, tx->Tam, tx->Tx, tx->Enviado,
                                               QFileInfo(tx->Ruta).size()};
        }
    }
    return estados;
}

void ComprobarTransferencias(const TTransferencias& transferencias) {
    for (const auto& tx : transferencias.Entrantes()) {
        COMPROBAR(tx->Tx >= 0 && tx->Tx <= tx->Tam);
        COMPROBAR(!QFileInfo::exists(tx->Ruta) || QFileInfo(tx->Ruta).size() <= tx->Tam);
    }
    for (const auto& tx : transferencias.Salientes()) {
        COMPROBAR(tx->Tx >= 0 && tx->Tx <= tx->Tam);
        // Only the extended mode counts what it sent ahead of the acknowledgements.
        if (tx->Extendido)
            COMPROBAR(tx->Tx <= tx->Enviado && tx->Enviado <= tx->Tam &&
                      tx->Enviado - tx->Tx <= tx->Extendido->EnVuelo);
    }
}

void ComprobarEnvios() {
    for (const TEnvio& envio : entorno->Envios) {
        COMPROBAR(std::find(std::begin(kPares), std::end(kPares), envio.IP) != std::end(kPares));
        COMPROBAR(!envio.Mensaje.chopped(envio.Mensaje.endsWith(kBel) ? 1 : 0).contains(kBel));
    }
}

// "#" becomes the id of the newest file offered to that peer, so that inputs can answer it.
QByteArray ConId(const TTransferencias& transferencias, const QString& ip, QByteArray mensaje) {
    qint32 id = 0;
    for (const auto& tx : transferencias.Salientes()) {
        if (tx->IP == ip)
            id = tx->ID;
    }
    return mensaje.replace('#', Numero(id));
}

void AccionDelUsuario(TTransferencias& transferencias, TTransferenciasFalsas& interfaz, int accion,
                      quint8 eleccion) {
    TMensajero& mensajero = *entorno->Mensajero;
    const QString& ip = kPares[eleccion % 4];
    switch (accion) {
    case 4:
        entorno->Conectar(ip, false);
        emit mensajero.ContactoDesconectado(ip);
        break;
    case 5:
        entorno->Conectar(ip, true);
        emit mensajero.ContactoConectado(ip);
        COMPROBAR(std::all_of(entorno->Envios.begin(), entorno->Envios.end(),
                              [&](const TEnvio& envio) { return envio.IP == ip; }));
        break;
    case 6:
        transferencias.OfrecerFicheros(ip, {entorno->Ficheros[eleccion / 4 % 2]});
        break;
    default: {
        auto& ventanas = interfaz.Ventanas;
        const std::shared_ptr<TVentanaFalsa> ventana =
            ventanas.empty() ? nullptr : ventanas[eleccion % ventanas.size()];
        if (ventana && ventana->Abortar)
            ventana->Abortar();
        break;
    }
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
    for (const QString& ip : kPares)
        entorno->Conectar(ip, true);
    QDir(entorno->Recibidos).removeRecursively();
    QDir().mkpath(entorno->Recibidos);
    TTransferenciasFalsas interfaz;
    int destinos = 0;
    interfaz.AlElegir = [&] {
        interfaz.Destino = entorno->Recibidos + u'/' + QString::number(++destinos);
    };
    {
        TTransferencias transferencias(mensajero, interfaz);
        for (const QByteArray& paso : Bytes(datos, tam).split(kBel)) {
            if (paso.isEmpty())
                continue;
            QCoreApplication::processEvents();
            const int tipo = quint8(paso[0]) % 8;
            const QByteArray resto = paso.sliced(1);
            entorno->Envios.clear();
            if (tipo >= 4) {
                AccionDelUsuario(transferencias, interfaz, tipo, resto.isEmpty() ? 0 : quint8(resto[0]));
            } else {
                const QString& ip = kPares[tipo];
                const auto antes = Estados(transferencias, ip);
                const QByteArray mensaje = ConId(transferencias, ip, resto);
                mensajero.Proteger([&] { mensajero.Despachar({ip, mensaje}); });
                COMPROBAR(Estados(transferencias, ip) == antes);
            }
            ComprobarTransferencias(transferencias);
            ComprobarEnvios();
        }
        transferencias.AbortarTodas();
    }
    QCoreApplication::processEvents();
    return 0;
}
