#include "transfer/resumidor.h"

#include <QFile>
#include <algorithm>
#include <new>
#include <openssl/evp.h>

namespace {

// How much of a held part is read at a time; a check dropped meanwhile stops after it.
constexpr qint64 kTrozo = 1024 * 1024;

} // namespace

TSha256::TSha256() : contexto_(EVP_MD_CTX_new()) {
    if (!contexto_)
        throw std::bad_alloc();
    Reiniciar();
}

TSha256::~TSha256() {
    EVP_MD_CTX_free(contexto_);
}

void TSha256::Reiniciar() {
    EVP_DigestInit_ex(contexto_, EVP_sha256(), nullptr);
}

void TSha256::Anadir(const char* datos, qsizetype tam) {
    EVP_DigestUpdate(contexto_, datos, std::size_t(tam));
}

QByteArray TSha256::Hex() const {
    EVP_MD_CTX* copia = EVP_MD_CTX_new();
    unsigned char resumen[EVP_MAX_MD_SIZE];
    unsigned int tam = 0;
    const bool hecho =
        copia && EVP_MD_CTX_copy_ex(copia, contexto_) && EVP_DigestFinal_ex(copia, resumen, &tam);
    EVP_MD_CTX_free(copia);
    // No digest matches nothing: the transfer fails rather than passing unchecked.
    if (!hecho)
        return {};
    return QByteArray(reinterpret_cast<const char*>(resumen), tam).toHex();
}

TResumidor::~TResumidor() {
    {
        const std::lock_guard cerrojo(mutex_);
        parar_ = true;
        ++generacion_;
        cola_.clear();
    }
    hayTrabajo_.notify_one();
    if (hilo_.joinable())
        hilo_.join();
}

void TResumidor::Anadir(const QByteArray& bloque) {
    {
        std::unique_lock cerrojo(mutex_);
        hayHueco_.wait(cerrojo, [&] { return enCola_ < kMaximoEnCola; });
    }
    Encolar({.Bloque = bloque});
}

void TResumidor::Reiniciar() {
    {
        const std::lock_guard cerrojo(mutex_);
        ++generacion_;
        // Without a thread, nothing else touches the digest.
        if (!hilo_.joinable()) {
            resumen_.Reiniciar();
            return;
        }
        cola_.clear();
        enCola_ = 0;
    }
    hayHueco_.notify_all();
    Encolar({.Reinicio = true});
}

void TResumidor::ResumirInicio(const QString& ruta, qint64 bytes, THecho hecho) {
    Reiniciar();
    Encolar({.Ruta = ruta, .Bytes = bytes, .Hecho = std::move(hecho), .Generacion = generacion_});
}

QByteArray TResumidor::Hex() {
    std::unique_lock cerrojo(mutex_);
    hayHueco_.wait(cerrojo, [&] { return cola_.empty() && !ocupado_; });
    return resumen_.Hex();
}

void TResumidor::Encolar(TTrabajo trabajo) {
    {
        const std::lock_guard cerrojo(mutex_);
        enCola_ += trabajo.Bloque.size();
        cola_.push_back(std::move(trabajo));
        if (!hilo_.joinable())
            hilo_ = std::thread([this] { Trabajar(); });
    }
    hayTrabajo_.notify_one();
}

void TResumidor::Trabajar() {
    std::unique_lock cerrojo(mutex_);
    for (;;) {
        hayTrabajo_.wait(cerrojo, [&] { return parar_ || !cola_.empty(); });
        if (parar_)
            return;
        const TTrabajo trabajo = std::move(cola_.front());
        cola_.pop_front();
        ocupado_ = true;
        cerrojo.unlock();
        Hacer(trabajo);
        cerrojo.lock();
        ocupado_ = false;
        enCola_ -= std::min(enCola_, qint64(trabajo.Bloque.size()));
        hayHueco_.notify_all();
    }
}

void TResumidor::Hacer(const TTrabajo& trabajo) {
    if (trabajo.Reinicio) {
        resumen_.Reiniciar();
        return;
    }
    if (!trabajo.Hecho) {
        resumen_.Anadir(trabajo.Bloque.constData(), trabajo.Bloque.size());
        return;
    }
    const std::optional<QByteArray> hex = Resumir(trabajo);
    if (trabajo.Generacion != generacion_)
        return;
    QMetaObject::invokeMethod(
        &destino_,
        [this, generacion = trabajo.Generacion, hecho = trabajo.Hecho, hex] {
            if (generacion == generacion_)
                hecho(hex);
        },
        Qt::QueuedConnection);
}

std::optional<QByteArray> TResumidor::Resumir(const TTrabajo& trabajo) {
    QFile fichero(trabajo.Ruta);
    if (!fichero.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray trozo;
    for (qint64 leidos = 0; leidos < trabajo.Bytes;) {
        if (trabajo.Generacion != generacion_)
            return std::nullopt;
        trozo = fichero.read(std::min(kTrozo, trabajo.Bytes - leidos));
        if (trozo.isEmpty())
            return std::nullopt;
        resumen_.Anadir(trozo.constData(), trozo.size());
        leidos += trozo.size();
    }
    return resumen_.Hex();
}
