#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM, SIGINT and SIGHUP as a Qt signal on the event loop, so that they end the
// program in the same orderly way as its own exit.
class TSenalesTerminacion : public QObject {
    Q_OBJECT
public:
    explicit TSenalesTerminacion(QObject* padre = nullptr);
    ~TSenalesTerminacion() override;

signals:
    void Terminar();

private:
    static void Manejador(int senal);
    QSocketNotifier* aviso_;
};
