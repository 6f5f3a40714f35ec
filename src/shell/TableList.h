#pragma once
// A list of table names as the export page shows them: kept sorted on adding, while an item
// inserted at a position stays there; multi-selection, a current (focus) item, a top item,
// and a number attached to each item that travels with it.
#include <cstdint>
#include <string>
#include <vector>

namespace mvq {

class TableList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }

  const std::string& Text(int index) const { return items_.at(Pos(index)).text; }
  int64_t Object(int index) const { return items_.at(Pos(index)).object; }
  bool Selected(int index) const { return items_.at(Pos(index)).selected; }
  void SetSelected(int index, bool selected) { items_.at(Pos(index)).selected = selected; }

  // The focus item, -1 when there is none. Setting clamps into the list.
  int Current() const { return current_; }
  void SetCurrent(int index);
  // The item shown first; scrolling puts an item here.
  int TopIndex() const { return top_; }
  void SetTopIndex(int index);

  // Adds at the sorted place (after equal names) and answers the index.
  int Add(const std::string& text, int64_t object = 0);
  // Inserts at the position (an index outside the list appends) without sorting.
  void Insert(int index, const std::string& text, int64_t object = 0);
  void Delete(int index);
  void Clear();

  std::vector<std::string> Texts() const;
  // Replaces the whole list, adding each name at its sorted place.
  void SetTexts(const std::vector<std::string>& texts);

  // The order a sorted list keeps: letter case ignored, Chinese by its code page 936 order
  // (pinyin for the common characters), the exact bytes breaking ties.
  static bool SortsBefore(const std::string& a, const std::string& b);

 private:
  struct Item {
    std::string text;
    std::string key;  // SortKey(text), kept to spare conversions on every comparison
    int64_t object = 0;
    bool selected = false;
  };

  static std::string SortKey(const std::string& text);
  static bool KeyBefore(const Item& a, const Item& b);
  static size_t Pos(int index) { return static_cast<size_t>(index); }
  void InsertItem(int index, Item item);

  std::vector<Item> items_;
  int current_ = -1;
  int top_ = 0;
};

}  // namespace mvq
