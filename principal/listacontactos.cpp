#include "principal/listacontactos.h"

#include "core/agenda.h"
#include "principal/principal.h"
#include "widgets/iconos.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace {

// The local files a drag carries; none when it carries anything else.
QStringList FicherosArrastrados(const QDropEvent* evento) {
    QStringList rutas;
    if (!evento->mimeData()->hasUrls())
        return rutas;
    for (const QUrl& url : evento->mimeData()->urls()) {
        if (!url.isLocalFile())
            return {};
        rutas << url.toLocalFile();
    }
    return rutas;
}

} // namespace

TListaContactos::TListaContactos(QWidget* padre) : QListView(padre) {
    setObjectName(QStringLiteral("ListViewContactos"));
    setSelectionMode(SingleSelection);
    setEditTriggers(NoEditTriggers);
    setFrameShape(QFrame::NoFrame);
    setUniformItemSizes(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TListaContactos::dragEnterEvent(QDragEnterEvent* evento) {
    if (evento->source() == this)
        QListView::dragEnterEvent(evento);
    else if (!FicherosArrastrados(evento).isEmpty())
        evento->acceptProposedAction();
    else
        evento->ignore();
}

// Files go to the contact under the pointer: between rows they are refused.
void TListaContactos::dragMoveEvent(QDragMoveEvent* evento) {
    if (evento->source() == this) {
        QListView::dragMoveEvent(evento);
        return;
    }
    if (indexAt(evento->position().toPoint()).isValid() && !FicherosArrastrados(evento).isEmpty())
        evento->acceptProposedAction();
    else
        evento->ignore();
}

void TListaContactos::dropEvent(QDropEvent* evento) {
    if (evento->source() != this) {
        const QModelIndex debajo = indexAt(evento->position().toPoint());
        const QStringList rutas = FicherosArrastrados(evento);
        if (!debajo.isValid() || rutas.isEmpty()) {
            evento->ignore();
            return;
        }
        evento->acceptProposedAction();
        emit FicherosSoltados(debajo.row(), rutas);
        return;
    }
    if (!currentIndex().isValid()) {
        evento->ignore();
        return;
    }
    const QModelIndex debajo = indexAt(evento->position().toPoint());
    const int destino = debajo.isValid() ? debajo.row() : model()->rowCount();
    const int origen = currentIndex().row();
    // Not a move for the view: it must not remove the source row itself.
    evento->setDropAction(Qt::CopyAction);
    evento->accept();
    emit FilaSoltada(origen, destino);
}

void TListaContactos::contextMenuEvent(QContextMenuEvent* evento) {
    const QModelIndex indice = indexAt(evento->pos());
    if (indice.isValid())
        setCurrentIndex(indice);
    else
        clearSelection();
    emit MenuPedido(evento->globalPos());
}

TDelegadoContactos::TDelegadoContactos(const TAgenda& agenda, const TListaContactos& lista,
                                       QObject* padre)
    : QStyledItemDelegate(padre), agenda_(agenda), lista_(lista),
      iconos_{IconoEstado(0), IconoEstado(1)} {}

QSize TDelegadoContactos::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {lista_.AnchoColumnaNick, TListaContactos::kAltoFila};
}

void TDelegadoContactos::paint(QPainter* pintor, const QStyleOptionViewItem& opcion,
                               const QModelIndex& indice) const {
    if (indice.row() >= agenda_.NumeroFilas())
        return;
    const TFilaContacto* fila = agenda_.Fila(indice.row());
    const bool conectado = fila->Icono == 1;
    const TAspectoFila aspecto = AspectoFila(opcion.state & QStyle::State_Selected, conectado,
                                             DeQColor(lista_.palette().color(QPalette::Base)));
    const QRect rectangulo(opcion.rect.left(), opcion.rect.top(), lista_.viewport()->width(),
                           opcion.rect.height());
    pintor->fillRect(rectangulo, AQColor(aspecto.Fondo));
    const QImage& icono = iconos_[conectado ? 1 : 0];
    pintor->drawImage(rectangulo.left() + 1, rectangulo.top(),
                      IconoEnFila(icono, conectado, aspecto.Fondo));
    const int x = rectangulo.left() + icono.width() + 5;
    pintor->save();
    pintor->setClipRect(QRect(rectangulo.left(), rectangulo.top(), lista_.AnchoColumnaNick,
                              rectangulo.height()));
    pintor->setPen(AQColor(aspecto.Texto));
    pintor->drawText(QRect(x, rectangulo.top() + 1, lista_.AnchoColumnaNick, rectangulo.height() - 1),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, fila->Nick);
    pintor->restore();
}
