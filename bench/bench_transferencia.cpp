// Throughput of a 256 MiB file sent between two cores on loopback, in two processes, against
// a minimal stop-and-wait loop over plain blocking sockets with the same blocks, escaping and
// BEL framing. The program re-runs itself as the receiving process.
#include "bench/usuariomudo.h"
#include "core/mensajero.h"
#include "transfer/escapado.h"
#include "transfer/transferencias.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <arpa/inet.h>
#include <cstdio>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr qint64 kTamFichero = 256 * 1024 * 1024;
constexpr int kVueltas = 2;
const QString kEmisor = QStringLiteral("127.0.0.61");
const QString kReceptor = QStringLiteral("127.0.0.62");

// Windows that take every figure; the receiver's ends its process with the transfer.
class TVentanasBanco : public TInterfazTransferencias {
public:
    std::optional<QString> ElegirFichero(const QString&) override { return Fichero; }
    std::optional<QString> ElegirDestino(const QString&, const QString&) override { return {}; }
    std::unique_ptr<TVistaTransferencia> CrearVista(const TDatosVista&, std::function<void()>) override {
        class TVista : public TVistaTransferencia {
        public:
            explicit TVista(bool salir) : salir_(salir) {}
            void RefrescarProgreso(const TCifrasProgreso&) override {}
            void MostrarFin(TFinTransferencia) override {
                if (salir_)
                    QCoreApplication::exit(0);
            }
            void MostrarInterrupcion(bool) override {}

        private:
            bool salir_;
        };
        return std::make_unique<TVista>(Fichero.isEmpty());
    }

    QString Fichero;
};

TMensajero::TOpciones Opciones(const QString& ip, quint16 puerto, const QString& carpeta) {
    return {TRutas::EnCarpeta(carpeta), QHostAddress(ip), puerto, QHostAddress(ip)};
}

QByteArray Resumen(const QString& ruta) {
    QFile fichero(ruta);
    QCryptographicHash resumen(QCryptographicHash::Md5);
    (void)fichero.open(QIODevice::ReadOnly);
    resumen.addData(&fichero);
    return resumen.result();
}

void CrearFichero(const QString& ruta) {
    QFile fichero(ruta);
    (void)fichero.open(QIODevice::WriteOnly);
    std::vector<quint32> trozo(4 * 1024 * 1024);
    for (qint64 escritos = 0; escritos < kTamFichero; escritos += qint64(trozo.size() * 4)) {
        QRandomGenerator::global()->fillRange(trozo.data(), trozo.size());
        fichero.write(reinterpret_cast<const char*>(trozo.data()), qint64(trozo.size() * 4));
    }
}

// --- The receiving process ---

int ReceptorNucleo(quint16 puerto, const QString& carpeta) {
    TUsuarioMudo usuario;
    TMensajero mensajero(Opciones(kReceptor, puerto, carpeta), usuario);
    TVentanasBanco ventanas;
    TTransferencias transferencias(mensajero, ventanas);
    mensajero.Config().AutoAceptarFicheros = true;
    mensajero.Config().AutoAceptarFicherosPath = carpeta;
    if (!mensajero.Escuchar(nullptr))
        return 1;
    mensajero.AnadirContacto(QStringLiteral("emisor"), kEmisor, {}, false, false);
    std::printf("listo\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

sockaddr_in Direccion(const QString& ip, quint16 puerto) {
    sockaddr_in direccion{};
    direccion.sin_family = AF_INET;
    direccion.sin_port = htons(puerto);
    inet_pton(AF_INET, ip.toLatin1().constData(), &direccion.sin_addr);
    return direccion;
}

void SinRetardo(int fd) {
    const int si = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &si, sizeof si);
}

void EscribirTodo(int fd, const QByteArray& datos) {
    for (qsizetype hecho = 0; hecho < datos.size();) {
        const ssize_t n = ::send(fd, datos.constData() + hecho, std::size_t(datos.size() - hecho), 0);
        if (n <= 0)
            return;
        hecho += n;
    }
}

int ReceptorBase(quint16 puerto, const QString& carpeta) {
    const int escucha = socket(AF_INET, SOCK_STREAM, 0);
    const int si = 1;
    setsockopt(escucha, SOL_SOCKET, SO_REUSEADDR, &si, sizeof si);
    const sockaddr_in direccion = Direccion(kReceptor, puerto);
    if (bind(escucha, reinterpret_cast<const sockaddr*>(&direccion), sizeof direccion) != 0 ||
        listen(escucha, 1) != 0)
        return 1;
    std::printf("listo\n");
    std::fflush(stdout);
    const int fd = accept(escucha, nullptr, nullptr);
    SinRetardo(fd);
    QFile fichero(QDir(carpeta).filePath(QStringLiteral("base.bin")));
    (void)fichero.open(QIODevice::WriteOnly);
    QByteArray pendiente, bloque;
    const QByteArray acuse = QByteArray("FILE_ACK:1") + kBel;
    char lectura[65536];
    for (;;) {
        const ssize_t n = ::recv(fd, lectura, sizeof lectura, 0);
        if (n <= 0)
            return 1;
        pendiente.append(lectura, n);
        qsizetype inicio = 0;
        for (qsizetype bel = pendiente.indexOf(kBel); bel >= 0; bel = pendiente.indexOf(kBel, inicio)) {
            const QByteArrayView mensaje(pendiente.constData() + inicio, bel - inicio);
            inicio = bel + 1;
            DesescaparDatos(mensaje.sliced(11), bloque);
            fichero.write(bloque);
            if (mensaje.startsWith("FIN_FILE:")) {
                fichero.close();
                return 0;
            }
            EscribirTodo(fd, acuse);
        }
        pendiente.remove(0, inicio);
    }
}

// --- The sending process ---

// Starts the receiving process in `modo` and waits until it listens.
bool ArrancarReceptor(QProcess& hijo, const char* modo, quint16 puerto, const QString& carpeta) {
    hijo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    hijo.start(QCoreApplication::applicationFilePath(),
               {QLatin1String(modo), QString::number(puerto), carpeta});
    return hijo.waitForReadyRead(10000) && hijo.readAll().startsWith("listo");
}

double MegasPorSegundo(qint64 nanosegundos) { return double(kTamFichero) / (double(nanosegundos) / 1e9) / 1e6; }

double MedirBase(const QString& origen, const QString& carpeta, quint16 puerto) {
    QProcess hijo;
    if (!ArrancarReceptor(hijo, "base-receptor", puerto, carpeta))
        return 0;
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in local = Direccion(kEmisor, 0), remota = Direccion(kReceptor, puerto);
    bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&remota), sizeof remota) != 0)
        return 0;
    SinRetardo(fd);
    QFile fichero(origen);
    (void)fichero.open(QIODevice::ReadOnly);
    QByteArray bloque(kTamBloque, Qt::Uninitialized), mensaje;
    char acuse[256];
    QElapsedTimer reloj;
    reloj.start();
    for (qint64 enviados = 0;;) {
        const bool ultimo = enviados + kTamBloque > kTamFichero;
        const qint64 leidos = fichero.read(bloque.data(), ultimo ? kTamFichero - enviados : kTamBloque);
        mensaje = ultimo ? "FIN_FILE:1:" : "FILE_PKT:1:";
        EscaparDatos(QByteArrayView(bloque.constData(), leidos), mensaje);
        mensaje += kBel;
        EscribirTodo(fd, mensaje);
        enviados += leidos;
        if (ultimo)
            break;
        // The acknowledgement is one small message: it comes whole.
        for (ssize_t n = 0; n <= 0 || acuse[n - 1] != kBel;)
            n = ::recv(fd, acuse, sizeof acuse, 0);
    }
    hijo.waitForFinished(-1);
    const qint64 ns = reloj.nsecsElapsed();
    ::close(fd);
    return Resumen(QDir(carpeta).filePath(QStringLiteral("base.bin"))) == Resumen(origen) ? MegasPorSegundo(ns) : 0;
}

double MedirNucleo(const QString& origen, const QString& carpeta, quint16 puerto) {
    QProcess hijo;
    if (!ArrancarReceptor(hijo, "receptor", puerto, carpeta))
        return 0;
    TUsuarioMudo usuario;
    QTemporaryDir propia;
    TMensajero mensajero(Opciones(kEmisor, puerto, propia.path()), usuario);
    TVentanasBanco ventanas;
    ventanas.Fichero = origen;
    TTransferencias transferencias(mensajero, ventanas);
    TContacto* receptor = mensajero.AnadirContacto(QStringLiteral("receptor"), kReceptor, {}, true, false);
    QEventLoop bucle;
    QTimer sondeo;
    QObject::connect(&sondeo, &QTimer::timeout, &bucle, [&] {
        if (receptor->Conectado)
            bucle.quit();
    });
    sondeo.start(1);
    bucle.exec();
    sondeo.stop();
    QObject::connect(&hijo, &QProcess::finished, &bucle, &QEventLoop::quit);
    QElapsedTimer reloj;
    reloj.start();
    transferencias.OfrecerFichero(kReceptor);
    bucle.exec();
    const qint64 ns = reloj.nsecsElapsed();
    const QString recibido = QDir(carpeta).filePath(QFileInfo(origen).fileName());
    return Resumen(recibido) == Resumen(origen) ? MegasPorSegundo(ns) : 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication aplicacion(argc, argv);
    const QStringList argumentos = QCoreApplication::arguments();
    if (argumentos.size() == 4) {
        const quint16 puerto = quint16(argumentos[2].toUInt());
        if (argumentos[1] == u"receptor")
            return ReceptorNucleo(puerto, argumentos[3]);
        if (argumentos[1] == u"base-receptor")
            return ReceptorBase(puerto, argumentos[3]);
        return 1;
    }
    QTemporaryDir carpeta;
    const QString origen = carpeta.filePath(QStringLiteral("origen.bin"));
    const QString destino = carpeta.filePath(QStringLiteral("recibidos"));
    QDir().mkpath(destino);
    CrearFichero(origen);
    const quint16 puerto = quint16(30000 + QCoreApplication::applicationPid() % 20000);
    double base = 0, nucleo = 0;
    // Best of a few runs each, interleaved: the machine is shared.
    for (int vuelta = 0; vuelta < kVueltas; ++vuelta) {
        base = std::max(base, MedirBase(origen, destino, quint16(puerto + 2 * vuelta)));
        nucleo = std::max(nucleo, MedirNucleo(origen, destino, quint16(puerto + 2 * vuelta + 1)));
    }
    std::printf("transfer_throughput: %.1f MB/s\n", nucleo);
    std::printf("stop_and_wait_baseline: %.1f MB/s\n", base);
    std::printf("transfer_ratio: %.2f\n", base > 0 ? nucleo / base : 0.0);
    return nucleo > 0 && base > 0 ? 0 : 1;
}
