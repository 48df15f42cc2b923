#pragma once

#include <QString>
#include <memory>
#include <vector>

class TConexion;
struct TFilaContacto;

// One contact, owned by the contact book; its IP is the key.
struct TContacto {
    bool Conectado = false;
    QString Nick;
    QString EMail;
    QString IP;
    TFilaContacto* Item = nullptr;          // its row, for the contact's whole life
    // The core owns both connections and alone sets and clears these.
    TConexion* ConexionSaliente = nullptr; // the one this copy opened to the contact
    TConexion* ConexionEntrante = nullptr; // the one the contact opened to this copy
};

// One row of the contact list: state icon (0 not connected, 1 connected), nick, IP, e-mail.
struct TFilaContacto {
    int Icono = 0;
    QString Nick;
    QString IP;
    QString EMail;
    TContacto* Contacto = nullptr;
};

// The records in the order they were added (lookups walk it) and the rows in display order
// (the order of the file, changed only by moving rows).
class TAgenda {
public:
    static constexpr QStringView kCabecera = u"[Agenda Tromblechatix]";

    TContacto* Anadir(const QString& nick, const QString& ip, const QString& email);
    // The first contact added whose IP equals the text exactly, or none.
    TContacto* BuscarContacto(const QString& ip) const;
    void Eliminar(TContacto* contacto);
    // Puts row `origen` just before row `destino`; destino >= NumeroFilas() moves it to the end.
    void MoverFila(int origen, int destino);
    void Vaciar();
    void FijarConectado(TContacto* contacto, bool conectado);

    int NumeroContactos() const { return int(registros_.size()); }
    TContacto* Contacto(int indice) const { return registros_[indice].get(); }
    int NumeroFilas() const { return int(filas_.size()); }
    TFilaContacto* Fila(int indice) const { return filas_[indice].get(); }
    int IndiceFila(const TFilaContacto* fila) const;

    // Reads the file in the header form or the older two-line form; a missing file leaves the
    // book empty. False when the file is there but cannot be read: the book stays empty.
    bool Cargar(const QString& fichero);
    // Writes the rows in display order; atomic, so a failure leaves the old file whole. False,
    // and nothing written, when a field holds a line break.
    bool Guardar(const QString& fichero) const;

private:
    std::vector<std::unique_ptr<TContacto>> registros_;
    std::vector<std::unique_ptr<TFilaContacto>> filas_;
};
