#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

// OpenSSL's SHA-256: it uses the processor's SHA instructions, many times faster than Qt's.
class TSha256 {
public:
    TSha256();
    ~TSha256();
    TSha256(const TSha256&) = delete;
    TSha256& operator=(const TSha256&) = delete;

    void Reiniciar();
    void Anadir(const char* datos, qsizetype tam);
    // In hex, or nothing when it cannot be computed; more may be added after it.
    QByteArray Hex() const;

private:
    struct evp_md_ctx_st* contexto_;
};

// The SHA-256 of one transfer, computed on a thread of its own: hashing costs as much as all
// the rest of a block, and a held part of many GiB would stall the event loop. Blocks are
// hashed in the order given; at most a few MiB wait, then the caller waits. Used from the
// event loop's thread only; the thread starts with the first work.
class TResumidor {
public:
    // Unhashed bytes beyond which Anadir waits.
    static constexpr qint64 kMaximoEnCola = 2 * 1024 * 1024;

    TResumidor() = default;
    // Drops what is still to hash and waits for the thread.
    ~TResumidor();
    TResumidor(const TResumidor&) = delete;
    TResumidor& operator=(const TResumidor&) = delete;

    // Shares the block: whoever reuses its buffer gets a fresh one.
    void Anadir(const QByteArray& bloque);
    // Starts again from nothing; what was still to hash or check is dropped.
    void Reiniciar();
    // Starts again from the first `bytes` of the file at `ruta`, then calls `hecho` from the
    // event loop with their digest in hex, or none when they cannot be read. Never called
    // once Reiniciar has run or this object is gone.
    using THecho = std::function<void(std::optional<QByteArray>)>;
    void ResumirInicio(const QString& ruta, qint64 bytes, THecho hecho);
    // The digest in hex of everything so far, once hashed.
    QByteArray Hex();

private:
    struct TTrabajo {
        QByteArray Bloque;
        // A file whose start replaces everything before.
        QString Ruta;
        qint64 Bytes = 0;
        THecho Hecho;
        quint64 Generacion = 0;
        bool Reinicio = false;
    };

    void Encolar(TTrabajo trabajo);
    void Trabajar();
    void Hacer(const TTrabajo& trabajo);
    std::optional<QByteArray> Resumir(const TTrabajo& trabajo);

    TSha256 resumen_; // the thread's while it runs
    std::mutex mutex_;
    std::condition_variable hayTrabajo_;
    std::condition_variable hayHueco_;
    std::deque<TTrabajo> cola_;
    qint64 enCola_ = 0;
    bool ocupado_ = false;
    bool parar_ = false;
    // Bumped by Reiniciar: a check under way stops and its answer is dropped.
    std::atomic<quint64> generacion_ = 0;
    std::thread hilo_;
    // Where answers are delivered; going with this object, it takes undelivered ones along.
    QObject destino_;
};
