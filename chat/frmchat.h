#pragma once

#include "chat/lineachat.h"
#include "chat/ventanachat.h"
#include "logview/logestilo.h"

#include <QWidget>
#include <functional>
#include <memory>

class QMenu;
class QTabWidget;
class QTableWidget;
class TAvisosEscritorio;
class TBarraPanel;
class TCabeceraVentana;
class TCajaEntrada;
class TLogView;
class TMedidorTexto;
class TMensajero;
class TPanelEmoticonos;

// One room's page: its log above its input box. The input history lives in the box.
class TChat : public QWidget {
    Q_OBJECT
public:
    TChat(int idChat, QWidget* padre);

    const int IdChat;
    TLogView* const LogView;
    TCajaEntrada* const Input;

protected:
    void resizeEvent(QResizeEvent* evento) override;
};

// The chat window: one page per room that this peer hosts or has joined. It is made hidden
// at start and lives until the end; closing it only hides it, the rooms go on.
class TfrmChat : public QWidget, public TVentanaChat {
    Q_OBJECT
public:
    explicit TfrmChat(TMensajero& mensajero, QWidget* padre = nullptr);
    ~TfrmChat() override;

    // The rooms the pages belong to; once, before the first room opens.
    void Enlazar(TSalasParaVentana& salas) { salas_ = &salas; }
    // Lines of rooms the user is not looking at raise desktop notifications from then on.
    void FijarAvisos(TAvisosEscritorio* avisos) { avisos_ = avisos; }
    // Tests lay the logs out with fixed metrics; for the rooms opened from then on.
    void FijarMedidor(std::function<std::unique_ptr<TMedidorTexto>()> fabrica) {
        fabricaMedidor_ = std::move(fabrica);
    }

    void AbrirPestanaChat(int idChat, const QString& titulo) override;
    void EscribirLineaChat(int idChat, quint32 color, const QString& texto,
                           const QString& nick) override;
    void MostrarVentanaChat() override;
    // The window brought forward on that room's page.
    void MostrarSala(int idChat);
    // Apply chat settings, after the settings dialog was accepted.
    void AplicarConfigChat();

    // The room with that id, or none.
    TChat* Sala(int idChat) const;
    TChat* SalaActiva() const;
    QTabWidget* PageControl() const { return pageControl_; }
    TCabeceraVentana* PanelCabecera() const { return panelCabecera_; }
    QWidget* PanelConectados() const { return panelConectados_; }
    QTableWidget* ListViewConectados() const { return listViewConectados_; }
    TPanelEmoticonos* PanelEmoticonos() const { return panelEmoticonos_; }
    QMenu* PopupMenuTab() const { return popupMenuTab_; }

    void mnuTabInvitarClick();
    void mnuTabCerrarClick();
    void ListViewConectadosDblClick();

protected:
    void showEvent(QShowEvent* evento) override;
    void resizeEvent(QResizeEvent* evento) override;
    void mousePressEvent(QMouseEvent* evento) override;
    bool eventFilter(QObject* objeto, QEvent* evento) override;

private:
    void CrearPanelConectados();
    void CrearMenuSala();
    void LineasEscritas(TChat* sala, const QStringList& lineas);
    void AplicarConfigEntrada(TCajaEntrada* entrada) const;
    void EnfocarEntrada(TChat* sala) const;
    void MostrarMenuSala(QPoint pantalla);
    void PonerPistaPestana(int pestana);

    TMensajero& mensajero_;
    TSalasParaVentana* salas_ = nullptr;
    TAvisosEscritorio* avisos_ = nullptr;
    std::function<std::unique_ptr<TMedidorTexto>()> fabricaMedidor_;
    TLogStyle logStyle_;
    TEscritorChat escritor_;
    TCabeceraVentana* panelCabecera_;
    QTabWidget* pageControl_;
    QWidget* panelConectados_ = nullptr;
    QTableWidget* listViewConectados_ = nullptr;
    TPanelEmoticonos* panelEmoticonos_;
    QMenu* popupMenuTab_ = nullptr;

    // Components
    TBarraPanel* Panel1 = nullptr;
};
