#pragma once

// A core without sockets for the fuzz targets: four connected contacts, and every message it
// sends kept in Envios instead of written.
#include "core/mensajero.h"
#include "tests/apoyo/interfazfalsa.h"

#include <QTemporaryDir>
#include <memory>
#include <vector>

inline const QString kPares[] = {QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2"),
                                 QStringLiteral("10.0.0.3"), QStringLiteral("10.0.0.4")};

struct TEnvio {
    QString IP;
    QByteArray Mensaje;
};

struct TNucleoFalso {
    TNucleoFalso() {
        TMensajero::TOpciones opciones{TRutas::EnCarpeta(Carpeta.path())};
        opciones.AlEnviar = [this](const QString& ip, const QByteArray& mensaje) {
            Envios.push_back({ip, mensaje});
        };
        Mensajero = std::make_unique<TMensajero>(opciones, Interfaz);
        for (const QString& ip : kPares)
            Conectar(ip, true);
    }

    void Conectar(const QString& ip, bool conectado) {
        TContacto* contacto = Mensajero->Agenda().BuscarContacto(ip);
        if (!contacto)
            contacto = Mensajero->AnadirContacto(ip, ip, {}, false, false);
        Mensajero->Agenda().FijarConectado(contacto, conectado);
    }

    QTemporaryDir Carpeta;
    TInterfazFalsa Interfaz;
    std::unique_ptr<TMensajero> Mensajero;
    std::vector<TEnvio> Envios;
};
