#include "gui/DockArea.h"

namespace mvq {

DockArea::DockArea(const QString& objectName, QWidget* parent) : QWidget(parent) {
  setObjectName(objectName);
}

void DockArea::AddGroup(QWidget* group) {
  group->setParent(this);
  groups_.push_back({group, {Dock::Fill}});
}

void DockArea::SetPlacement(QWidget* group, GroupPlacement placement) {
  for (Entry& entry : groups_) {
    if (entry.group == group) entry.placement = placement;
  }
  Arrange();
}

GroupPlacement DockArea::Placement(const QWidget* group) const {
  for (const Entry& entry : groups_) {
    if (entry.group == group) return entry.placement;
  }
  return {};
}

void DockArea::Arrange() {
  QRect free = contentsRect();
  // Tops first, then lefts, then the fill: the order in which docked controls take space.
  for (Dock dock : {Dock::Top, Dock::Left, Dock::Fill}) {
    for (const Entry& entry : groups_) {
      if (entry.placement.dock != dock) continue;
      QRect area = free;
      if (dock == Dock::Top) {
        area.setHeight(std::min(entry.placement.height, free.height()));
        free.setTop(area.bottom() + 1);
      } else if (dock == Dock::Left) {
        area.setWidth(std::min(window()->width() / 2, free.width()));
        free.setLeft(area.right() + 1);
      } else {
        free = QRect();
      }
      entry.group->setGeometry(area);
    }
  }
  for (const Entry& entry : groups_) entry.group->setVisible(entry.placement.Visible());
}

void DockArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Arrange();
}

}  // namespace mvq
