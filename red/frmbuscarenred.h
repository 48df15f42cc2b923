#pragma once

#include <QWidget>
#include <functional>

class QPushButton;
class QTreeWidget;
class TCabeceraVentana;
class TDescubrimiento;

// "Buscar en la red...": the copies that answered or announced themselves, newest first.
// It searches while it is shown; a double click or "Añadir" hands the chosen peer to
// `anadir`, the path of the add-contact dialog.
class TfrmBuscarEnRed : public QWidget {
    Q_OBJECT
public:
    using TAnadir = std::function<void(const QString& nick, const QString& ip)>;

    TfrmBuscarEnRed(TDescubrimiento& red, TAnadir anadir, QWidget* principal);

    // Fills the list again from the search, keeping the selected address.
    void Rellenar();

protected:
    void showEvent(QShowEvent* evento) override;
    void hideEvent(QHideEvent* evento) override;
    void resizeEvent(QResizeEvent* evento) override;

private:
    void btnAnadirClick();
    void HabilitarAnadir();

    TDescubrimiento& red_;
    TAnadir anadir_;

    // Components
    TCabeceraVentana* PanelCabecera;
    QTreeWidget* ListViewEncontrados;
    QPushButton* btnAnadir;
    QPushButton* btnCerrar;
};
