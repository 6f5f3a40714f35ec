#pragma once
// A list box of table names showing a TableList: the list keeps the order, selection,
// focus item and top item; the view draws them and reports what the user does with them.
// Items are dragged between (and within) views; the drop names the list it came from.
#include <QListWidget>

#include "shell/TableList.h"

namespace mvq {

class TableListView : public QListWidget {
  Q_OBJECT
 public:
  // The MIME type of a drag: its data is the object name of the list it started from.
  static constexpr const char* kDragFormat = "application/x-mvq-table-list";

  explicit TableListView(const QString& objectName, QWidget* parent = nullptr);

  // Draws the list: items, selection, focus item, top item.
  void ShowList(const TableList& list);
  // Takes what the user changed back into the list: selection, focus item, top item.
  void ReadList(TableList& list) const;

  // A drop of this drag's data at a point of the list's viewport: announced with the item
  // under the point. False for data that is not a list's drag.
  bool DropAt(const QMimeData* data, QPoint position);

 signals:
  // Items of the list named sourceName were dropped here; dropIndex is the item under the
  // drop point, -1 when the point is not on an item.
  void itemsDropped(const QString& sourceName, int dropIndex);

 protected:
  void startDrag(Qt::DropActions supportedActions) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

}  // namespace mvq
