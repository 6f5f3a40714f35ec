#include "gui/TableListView.h"

#include <algorithm>

#include <QDrag>
#include <QDragEnterEvent>
#include <QMimeData>

#include "gui/QtUserInterface.h"

namespace mvq {

TableListView::TableListView(const QString& objectName, QWidget* parent) : QListWidget(parent) {
  setObjectName(objectName);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  // A press and a move start the drag; the list model, not Qt, moves the items.
  setDragEnabled(true);
  setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::MoveAction);
  setContextMenuPolicy(Qt::CustomContextMenu);
}

void TableListView::ShowList(const TableList& list) {
  const QSignalBlocker block(this);
  clear();
  for (int i = 0; i < list.Count(); ++i) {
    auto* item = new QListWidgetItem(Q(list.Text(i)), this);
    item->setSelected(list.Selected(i));
  }
  if (list.Current() >= 0) {
    selectionModel()->setCurrentIndex(model()->index(list.Current(), 0),
                                      QItemSelectionModel::NoUpdate);
  } else {
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  }
  if (list.Count() > 0) scrollToItem(item(list.TopIndex()), QAbstractItemView::PositionAtTop);
}

void TableListView::ReadList(TableList& list) const {
  const int n = std::min(count(), list.Count());
  for (int i = 0; i < n; ++i) list.SetSelected(i, item(i)->isSelected());
  list.SetCurrent(currentRow());
  const QModelIndex top = indexAt(QPoint(1, 1));
  list.SetTopIndex(top.isValid() ? top.row() : 0);
}

void TableListView::startDrag(Qt::DropActions /*supportedActions*/) {
  if (selectedItems().isEmpty()) return;
  auto* mime = new QMimeData;
  mime->setData(kDragFormat, objectName().toUtf8());
  auto* drag = new QDrag(this);
  drag->setMimeData(mime);
  // Whatever the drop answers, the items are moved by the drop handler, never here.
  drag->exec(Qt::MoveAction);
}

void TableListView::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasFormat(kDragFormat)) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TableListView::dragMoveEvent(QDragMoveEvent* event) {
  QListWidget::dragMoveEvent(event);  // scrolls a long list when the pointer nears its edge
  // Anywhere on the list, from either list, this one included.
  if (event->mimeData()->hasFormat(kDragFormat)) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TableListView::dropEvent(QDropEvent* event) {
  if (!DropAt(event->mimeData(), event->position().toPoint())) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);  // tells the dragging view to remove nothing
  event->accept();
}

bool TableListView::DropAt(const QMimeData* data, QPoint position) {
  if (!data || !data->hasFormat(kDragFormat)) return false;
  const QString source = QString::fromUtf8(data->data(kDragFormat));
  const QModelIndex at = indexAt(position);
  emit itemsDropped(source, at.isValid() ? at.row() : -1);
  return true;
}

}  // namespace mvq
