#pragma once

#include <QListView>
#include <QImage>
#include <QStyledItemDelegate>

class TAgenda;

// The contact list: owner-drawn rows, dragged within itself to reorder them; files dropped
// on a row are for that contact.
class TListaContactos : public QListView {
    Q_OBJECT
public:
    explicit TListaContactos(QWidget* padre);

    static constexpr int kAltoFila = 16;
    int AnchoColumnaNick = 0;

signals:
    void FilaSoltada(int origen, int destino);
    void FicherosSoltados(int fila, const QStringList& rutas);
    void MenuPedido(QPoint global);

protected:
    void dragEnterEvent(QDragEnterEvent* evento) override;
    void dragMoveEvent(QDragMoveEvent* evento) override;
    void dropEvent(QDropEvent* evento) override;
    void contextMenuEvent(QContextMenuEvent* evento) override;
};

// Owner drawing of one contact row: state picture, nick clipped to the nick column.
class TDelegadoContactos : public QStyledItemDelegate {
public:
    TDelegadoContactos(const TAgenda& agenda, const TListaContactos& lista, QObject* padre);

    QSize sizeHint(const QStyleOptionViewItem& opcion, const QModelIndex& indice) const override;
    void paint(QPainter* pintor, const QStyleOptionViewItem& opcion,
               const QModelIndex& indice) const override;

private:
    const TAgenda& agenda_;
    const TListaContactos& lista_;
    QImage iconos_[2];
};

