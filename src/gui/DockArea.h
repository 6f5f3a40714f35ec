#pragma once
// A panel that places its groups as the settings page needs them: a group docked at the
// top takes its height across the full width, one docked left takes half the window's
// width, and the group that fills takes what is left. Hidden groups take nothing.
#include <QWidget>
#include <vector>

#include "shell/Directions.h"

namespace mvq {

class DockArea : public QWidget {
  Q_OBJECT
 public:
  explicit DockArea(const QString& objectName, QWidget* parent = nullptr);

  // Adds a child group (placed in the order added within each dock kind).
  void AddGroup(QWidget* group);
  void SetPlacement(QWidget* group, GroupPlacement placement);
  GroupPlacement Placement(const QWidget* group) const;
  // Places the groups again at the current size.
  void Arrange();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Entry {
    QWidget* group;
    GroupPlacement placement;
  };
  std::vector<Entry> groups_;
};

}  // namespace mvq
