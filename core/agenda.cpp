#include "core/agenda.h"

#include "core/codificacion.h"
#include "core/utilidades.h"

#include <QFile>
#include <algorithm>

namespace {

// Reads lines ended by CR LF, LF or CR; past the end every line is empty.
class TLectorLineas {
public:
    explicit TLectorLineas(QByteArray datos) : datos_(std::move(datos)) {}

    bool Fin() const { return posicion_ >= datos_.size(); }

    QString Leer() {
        const qsizetype inicio = posicion_;
        while (posicion_ < datos_.size() && datos_[posicion_] != '\r' && datos_[posicion_] != '\n')
            ++posicion_;
        const QString linea = DecodificarCp1252(QByteArrayView(datos_).sliced(inicio, posicion_ - inicio));
        if (posicion_ < datos_.size() && datos_[posicion_++] == '\r' && posicion_ < datos_.size() &&
            datos_[posicion_] == '\n')
            ++posicion_;
        return linea;
    }

private:
    QByteArray datos_;
    qsizetype posicion_ = 0;
};

QByteArray Linea(const QString& texto) { return CodificarCp1252(texto) + "\r\n"; }

} // namespace

TContacto* TAgenda::Anadir(const QString& nick, const QString& ip, const QString& email) {
    auto fila = std::make_unique<TFilaContacto>(TFilaContacto{0, nick, ip, email, nullptr});
    auto contacto = std::make_unique<TContacto>();
    contacto->Nick = nick;
    contacto->IP = ip;
    contacto->EMail = email;
    contacto->Item = fila.get();
    fila->Contacto = contacto.get();
    filas_.push_back(std::move(fila));
    registros_.push_back(std::move(contacto));
    return registros_.back().get();
}

TContacto* TAgenda::BuscarContacto(const QString& ip) const {
    for (const auto& contacto : registros_) {
        if (contacto->IP == ip)
            return contacto.get();
    }
    return nullptr;
}

void TAgenda::Eliminar(TContacto* contacto) {
    const TFilaContacto* fila = contacto->Item;
    std::erase_if(filas_, [fila](const auto& f) { return f.get() == fila; });
    std::erase_if(registros_, [contacto](const auto& c) { return c.get() == contacto; });
}

void TAgenda::MoverFila(int origen, int destino) {
    if (origen < 0 || origen >= NumeroFilas() || origen == destino)
        return;
    const TFilaContacto* antes = destino < NumeroFilas() ? filas_[destino].get() : nullptr;
    auto fila = std::move(filas_[origen]);
    filas_.erase(filas_.begin() + origen);
    const auto posicion = antes ? filas_.begin() + IndiceFila(antes) : filas_.end();
    filas_.insert(posicion, std::move(fila));
}

void TAgenda::Vaciar() {
    filas_.clear();
    registros_.clear();
}

void TAgenda::FijarConectado(TContacto* contacto, bool conectado) {
    contacto->Conectado = conectado;
    contacto->Item->Icono = conectado ? 1 : 0;
}

int TAgenda::IndiceFila(const TFilaContacto* fila) const {
    const auto encontrada =
        std::find_if(filas_.begin(), filas_.end(), [fila](const auto& f) { return f.get() == fila; });
    return encontrada == filas_.end() ? -1 : int(encontrada - filas_.begin());
}

bool TAgenda::Cargar(const QString& fichero) {
    Vaciar();
    QFile archivo(fichero);
    if (!archivo.exists())
        return true;
    if (!archivo.open(QIODevice::ReadOnly))
        return false;
    QByteArray datos = archivo.readAll();
    if (archivo.error() != QFileDevice::NoError)
        return false;
    TLectorLineas lector(std::move(datos));
    const QString primera = lector.Leer();
    if (primera == kCabecera) {
        while (!lector.Fin()) {
            const QString nick = lector.Leer();
            const QString ip = lector.Leer();
            Anadir(nick, ip, lector.Leer());
        }
        return true;
    }
    // Older form: no header, nick and IP per contact, no e-mail.
    Anadir(primera, lector.Leer(), {});
    while (!lector.Fin()) {
        const QString nick = lector.Leer();
        Anadir(nick, lector.Leer(), {});
    }
    return true;
}

bool TAgenda::Guardar(const QString& fichero) const {
    QByteArray datos = Linea(kCabecera.toString());
    const auto partido = [](const QString& campo) {
        return campo.contains(u'\r') || campo.contains(u'\n');
    };
    for (const auto& fila : filas_) {
        // A line break inside a field would read back as further contacts.
        if (partido(fila->Nick) || partido(fila->IP) || partido(fila->EMail))
            return false;
        datos += Linea(fila->Nick) + Linea(fila->IP) + Linea(fila->EMail);
    }
    return GuardarFicheroAtomico(fichero, datos);
}
