#pragma once

#include <QLocalServer>
#include <QObject>

// One running copy per user: a second start hands the activation to the first and ends.
class TInstanciaUnica : public QObject {
    Q_OBJECT
public:
    explicit TInstanciaUnica(const QString& nombre, QObject* padre = nullptr);

    // True when another copy is running; it has been told to come to the front.
    bool AvisarOtra();
    // Starts listening for later starts.
    bool Escuchar();

signals:
    void Activacion();

private:
    QString nombre_;
    QLocalServer servidor_;
};

// The per-user name the copies meet under.
QString NombreInstancia(const QString& titulo);
