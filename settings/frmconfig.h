#pragma once

#include "settings/aceptarconfig.h"
#include "settings/listasonidos.h"

#include <QDialog>
#include <QFont>
#include <functional>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;
class TCabeceraVentana;
class TMensajero;
class TMuestraColor;
struct TConfig;

// The settings dialog: one instance, reused. Each opening fills it from the configuration;
// only Aceptar writes back, through AceptarConfig. Cancelar and Esc discard the edits.
class TfrmConfig : public QDialog {
    Q_OBJECT
public:
    enum TPagina { General = 0, Perfil = 1, Chat = 2, Sonidos = 3 };

    // The standard choosers; tests put scripted ones in their place. Each gives none when
    // cancelled.
    struct TSelectores {
        std::function<std::optional<QColor>(QWidget* padre, QColor inicial)> ElegirColor;
        std::function<std::optional<QFont>(QWidget* padre, QFont inicial)> ElegirFuente;
        std::function<std::optional<QString>(QWidget* padre, QString inicial)> ElegirCarpeta;
        std::function<std::optional<QString>(QWidget* padre, QString titulo, QString inicial)>
            ElegirSonido;
    };

    TfrmConfig(TMensajero& mensajero, TEfectosConfig efectos, QWidget* padre);

    // Fills, places over the main window and shows modally on that page. Already open, it
    // only comes to the front.
    int Abrir(TPagina pagina);

    // The chat windows set AplicarChat here.
    TEfectosConfig& Efectos() { return efectos_; }
    TSelectores& Selectores() { return selectores_; }

private:
    QWidget* CrearGeneral();
    QWidget* CrearPerfil();
    QWidget* CrearChat();
    QWidget* CrearSonidos();
    void Llenar();
    void LlenarListaSonidos();
    void PintarFilaSonido(int fila);
    TConfig Editada() const;
    int FilaSeleccionada() const;
    void ElegirColorDe(TMuestraColor* muestra);
    void MuestraFuente(QFont fuente, TColor texto, TColor fondo);

    void btnAceptarClick();
    void btnChatFuenteClick();
    void btnAutoAceptarFicherosClick();
    void ListViewSonidosClick();
    void ListViewSonidosDblClick();
    void btnEscogerSonidoClick();
    void btnEliminarSonidoClick();

    TMensajero& mensajero_;
    TEfectosConfig efectos_;
    TSelectores selectores_;
    TListaSonidos sonidos_;
    QString carpetaSonidos_;
    QButtonGroup* grupoEntradas_ = nullptr;

    // Components
    TCabeceraVentana* PanelTitulo;
    QTabWidget* PageControl;
    QPushButton* btnAceptar;
    QPushButton* btnCancelar;
    QRadioButton* rbRechazarPeticion = nullptr;
    QRadioButton* rbAceptarPeticion = nullptr;
    QRadioButton* rbPreguntar = nullptr;
    QCheckBox* chkAlwaysOnTop = nullptr;
    QCheckBox* chkIconoEnTray = nullptr;
    QCheckBox* chkCargarConWindows = nullptr;
    QCheckBox* chkAnunciarEnRed = nullptr;
    QCheckBox* chkAvisosEscritorio = nullptr;
    QCheckBox* chkAutoAceptarFicheros = nullptr;
    QLineEdit* edtAutoAceptarFicheros = nullptr;
    QPushButton* btnAutoAceptarFicheros = nullptr;
    QLineEdit* edtNick = nullptr;
    QLineEdit* edtNickAway = nullptr;
    QLineEdit* edtEMail = nullptr;
    TMuestraColor* PanelChatColorFondo = nullptr;
    TMuestraColor* PanelChatColorTexto = nullptr;
    QPushButton* btnChatFuente = nullptr;
    QLineEdit* edtChatFont = nullptr;
    QRadioButton* rbChatConservarColor = nullptr;
    QRadioButton* rbChatForzarColor = nullptr;
    TMuestraColor* PanelChatForzarColorTexto = nullptr;
    TMuestraColor* PanelChatColorServerTexto = nullptr;
    QCheckBox* chkChatMostrarHora = nullptr;
    QCheckBox* chkChatMostrarEmoticonos = nullptr;
    QTreeWidget* ListViewSonidos = nullptr;
    QLineEdit* edtRutaSonido = nullptr;
    QPushButton* btnEscogerSonido = nullptr;
    QPushButton* btnEliminarSonido = nullptr;
};
