#pragma once
// What the export page's buttons, popup menu and drag and drop do to the two table lists.
#include <string>
#include <string_view>

#include "shell/TableList.h"
#include "shell/UserInterface.h"

namespace mvq {

void SelectAllItems(TableList& list, bool selected);
void InvertSelection(TableList& list);

// Moves the selected items (with their numbers) to the other list's sorted places.
void MoveSelectedItems(TableList& from, TableList& to);
// "全部添加" / "全部删除": every item goes over, then the first list is emptied.
void MoveAllItems(TableList& from, TableList& to);

// The first item from the current one (item 0 when there is none) to the last whose text
// contains the search text, ASCII letters compared without case; -1 when none. No wrap.
int FindItem(std::string_view text, const TableList& list);

// Drops the selected items of source onto target (the same list moves them within it).
// dropIndex is the item under the drop point, -1 below the last item: -1 adds them at their
// sorted places; otherwise they are inserted there in their top-down order, and the item
// then at dropIndex is selected. Nothing happens when nothing is selected.
void DropItems(TableList& target, TableList& source, int dropIndex);

// The popup menu's search state: the list the menu was last opened on (the source list
// until then) and the last text searched for.
class ListSearch {
 public:
  // The source list (and any list the menu opens on) must outlive the search.
  explicit ListSearch(TableList& sourceList) : sourceList_(sourceList) {}

  // The menu opens on this list; answers whether "查找下一个" is enabled.
  bool MenuOpened(TableList& list);

  TableList& PopupList() { return popupList_ ? *popupList_ : sourceList_; }
  const std::string& SearchText() const { return searchText_; }

  void SelectAll(bool selected) { SelectAllItems(PopupList(), selected); }
  void Invert() { InvertSelection(PopupList()); }

  // "查找": asks for a text (cancel clears it) and selects the first match from the current
  // item on, or says "没有找到类似" + text.
  void Find(UserInterface& ui);
  // "查找下一个": searches again from the item after the current one (the last item when
  // already there) and scrolls the match to the top, or says "没有找到下一个类似" + text
  // and leaves the list as it was.
  void FindNext(UserInterface& ui);

 private:
  void SelectOnly(TableList& list, int index);

  TableList& sourceList_;
  TableList* popupList_ = nullptr;
  std::string searchText_;
};

}  // namespace mvq
