#include "shell/ListCommands.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/text/AsciiCase.h"

namespace mvq {
namespace {}  // namespace

void SelectAllItems(TableList& list, bool selected) {
  for (int i = 0; i < list.Count(); ++i) list.SetSelected(i, selected);
}

void InvertSelection(TableList& list) {
  for (int i = 0; i < list.Count(); ++i) list.SetSelected(i, !list.Selected(i));
}

void MoveSelectedItems(TableList& from, TableList& to) {
  for (int i = from.Count() - 1; i >= 0; --i) {
    if (!from.Selected(i)) continue;
    to.Add(from.Text(i), from.Object(i));
    from.Delete(i);
  }
}

void MoveAllItems(TableList& from, TableList& to) {
  for (int i = 0; i < from.Count(); ++i) to.Add(from.Text(i), from.Object(i));
  from.Clear();
}

int FindItem(std::string_view text, const TableList& list) {
  const std::string wanted = text::AsciiUpper(text);
  for (int i = std::max(list.Current(), 0); i < list.Count(); ++i) {
    if (text::AsciiUpper(list.Text(i)).find(wanted) != std::string::npos) return i;
  }
  return -1;
}

void DropItems(TableList& target, TableList& source, int dropIndex) {
  // Collected bottom-up, so the copies are not disturbed when target is source.
  std::vector<std::pair<std::string, int64_t>> dragged;
  for (int i = source.Count() - 1; i >= 0; --i) {
    if (source.Selected(i)) dragged.emplace_back(source.Text(i), source.Object(i));
  }
  if (dragged.empty()) return;
  if (dropIndex < 0 || dropIndex >= target.Count()) dropIndex = -1;

  if (dropIndex == -1) {
    for (auto it = dragged.rbegin(); it != dragged.rend(); ++it) target.Add(it->first, it->second);
  } else {
    // Inserting bottom-up at one position leaves them in top-down order.
    for (const auto& [text, object] : dragged) target.Insert(dropIndex, text, object);
  }
  // The copies are unselected, so only the dragged originals go.
  for (int i = source.Count() - 1; i >= 0; --i) {
    if (source.Selected(i)) source.Delete(i);
  }
  if (dropIndex != -1) target.SetSelected(dropIndex, true);
}

bool ListSearch::MenuOpened(TableList& list) {
  popupList_ = &list;
  return !searchText_.empty();
}

void ListSearch::SelectOnly(TableList& list, int index) {
  SelectAllItems(list, false);
  list.SetSelected(index, true);
  list.SetCurrent(index);
}

void ListSearch::Find(UserInterface& ui) {
  TableList& list = PopupList();
  searchText_ = ui.InputBox("输入查找的内容", "输入查找的内容", "").value_or("");
  if (searchText_.empty()) return;
  const int found = FindItem(searchText_, list);
  if (found == -1) {
    ui.Message("没有找到类似" + searchText_);
    return;
  }
  SelectOnly(list, found);
}

void ListSearch::FindNext(UserInterface& ui) {
  TableList& list = PopupList();
  if (searchText_.empty()) return;
  const int before = list.Current();
  list.SetCurrent(std::min(before + 1, list.Count() - 1));
  const int found = FindItem(searchText_, list);
  if (found == -1) {
    list.SetCurrent(before);
    ui.Message("没有找到下一个类似" + searchText_);
    return;
  }
  SelectOnly(list, found);
  list.SetTopIndex(found);
}

}  // namespace mvq
