#pragma once

#include <QAbstractListModel>

class TAgenda;

// The contact list's rows, in display order, for the list view.
class TModeloContactos : public QAbstractListModel {
    Q_OBJECT
public:
    TModeloContactos(const TAgenda& agenda, QObject* padre = nullptr);

    int rowCount(const QModelIndex& padre = {}) const override;
    QVariant data(const QModelIndex& indice, int rol) const override;
    Qt::ItemFlags flags(const QModelIndex& indice) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }

    // Rows added or removed reset the view; otherwise only their contents are repainted.
    void Refrescar();

private:
    const TAgenda& agenda_;
    int filas_ = 0;
};
