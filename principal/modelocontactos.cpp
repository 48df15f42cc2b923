#include "principal/modelocontactos.h"

#include "core/agenda.h"
#include "core/utilidades.h"

TModeloContactos::TModeloContactos(const TAgenda& agenda, QObject* padre)
    : QAbstractListModel(padre), agenda_(agenda), filas_(agenda.NumeroFilas()) {}

int TModeloContactos::rowCount(const QModelIndex& padre) const {
    return padre.isValid() ? 0 : filas_;
}

QVariant TModeloContactos::data(const QModelIndex& indice, int rol) const {
    if (!indice.isValid() || indice.row() >= agenda_.NumeroFilas())
        return {};
    const TFilaContacto* fila = agenda_.Fila(indice.row());
    if (rol == Qt::DisplayRole)
        return AcortadoParaMostrar(fila->Nick);
    if (rol == Qt::ToolTipRole)
        return AyudaLiteral(fila->IP);
    return {};
}

Qt::ItemFlags TModeloContactos::flags(const QModelIndex& indice) const {
    if (!indice.isValid())
        return Qt::ItemIsDropEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

void TModeloContactos::Refrescar() {
    if (filas_ != agenda_.NumeroFilas()) {
        beginResetModel();
        filas_ = agenda_.NumeroFilas();
        endResetModel();
        return;
    }
    if (filas_ > 0)
        emit dataChanged(index(0), index(filas_ - 1));
}
