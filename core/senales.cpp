#include "core/senales.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// Only write() is safe inside a signal handler: the handler writes, the event loop reads.
int tuberia[2] = {-1, -1};
} // namespace

TSenalesTerminacion::TSenalesTerminacion(QObject* padre) : QObject(padre) {
    ::socketpair(AF_UNIX, SOCK_STREAM, 0, tuberia);
    aviso_ = new QSocketNotifier(tuberia[1], QSocketNotifier::Read, this);
    connect(aviso_, &QSocketNotifier::activated, this, [this] {
        char senal = 0;
        if (::read(tuberia[1], &senal, 1) == 1)
            emit Terminar();
    });
    struct sigaction accion {};
    accion.sa_handler = &TSenalesTerminacion::Manejador;
    sigemptyset(&accion.sa_mask);
    accion.sa_flags = SA_RESTART;
    for (int senal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(senal, &accion, nullptr);
}

TSenalesTerminacion::~TSenalesTerminacion() {
    for (int senal : {SIGTERM, SIGINT, SIGHUP})
        std::signal(senal, SIG_DFL);
}

void TSenalesTerminacion::Manejador(int senal) {
    const char byte = char(senal);
    [[maybe_unused]] const auto escritos = ::write(tuberia[0], &byte, 1);
}
