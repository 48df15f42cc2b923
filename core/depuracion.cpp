#include "core/depuracion.h"

#include <QFile>

TDepuracion::TDepuracion(QString fichero, const TReloj& reloj, TAvisoFallo avisoFallo)
    : fichero_(std::move(fichero)), reloj_(reloj), avisoFallo_(std::move(avisoFallo)) {}

void TDepuracion::FijarActivo(bool activo) {
    if (activo && !activo_)
        falloAvisado_ = false;
    activo_ = activo;
}

QByteArray TDepuracion::TextoDeEntrada(const QByteArray& texto) {
    if (!texto.startsWith("< [") && !texto.startsWith("> ["))
        return texto;
    const qsizetype cierre = texto.indexOf("] ");
    if (cierre < 0 || !texto.sliced(cierre + 2).startsWith("FILE_PKT:"))
        return texto;
    QByteArray corto = texto.sliced(cierre + 2).left(20);
    for (char& caracter : corto) {
        if (static_cast<unsigned char>(caracter) < 32)
            caracter = ' ';
    }
    return texto.left(cierre + 2) + corto + " ...";
}

void TDepuracion::EscribirDebug(const QByteArray& texto) {
    QFile archivo(fichero_);
    const QByteArray linea = reloj_.Ahora().toString(QStringLiteral("[hh:mm:ss] ")).toLatin1() +
                             TextoDeEntrada(texto) + "\r\n";
    if (archivo.open(QIODevice::WriteOnly | QIODevice::Append) &&
        archivo.write(linea) == linea.size() && archivo.flush())
        return;
    if (falloAvisado_)
        return;
    falloAvisado_ = true;
    avisoFallo_(fichero_, archivo.errorString());
}
