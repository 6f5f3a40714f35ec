#include "shell/TableList.h"

#include <algorithm>
#include <stdexcept>

#include "platform/text/AsciiCase.h"
#include "platform/text/Gbk.h"

namespace mvq {

std::string TableList::SortKey(const std::string& text) {
  std::string key = text::Utf8ToGbk(text);
  // Lower-case only single ASCII bytes; a GBK trail byte can look like a letter.
  for (size_t i = 0; i < key.size(); ++i) {
    const auto c = static_cast<unsigned char>(key[i]);
    if (c >= 0x80) {
      ++i;  // skip the trail byte of a double-byte character
    } else {
      key[i] = text::AsciiLower(key[i]);
    }
  }
  return key;
}

bool TableList::KeyBefore(const Item& a, const Item& b) {
  const auto bytes = [](const std::string& s) {
    return std::basic_string_view<unsigned char>(reinterpret_cast<const unsigned char*>(s.data()),
                                                 s.size());
  };
  if (a.key != b.key) return bytes(a.key) < bytes(b.key);
  return bytes(a.text) < bytes(b.text);
}

bool TableList::SortsBefore(const std::string& a, const std::string& b) {
  return KeyBefore(Item{a, SortKey(a)}, Item{b, SortKey(b)});
}

void TableList::SetCurrent(int index) {
  current_ = items_.empty() ? -1 : std::clamp(index, -1, Count() - 1);
}

void TableList::SetTopIndex(int index) {
  top_ = items_.empty() ? 0 : std::clamp(index, 0, Count() - 1);
}

void TableList::InsertItem(int index, Item item) {
  items_.insert(items_.begin() + index, std::move(item));
  // The focus and the top stay on the items they were on.
  if (current_ >= index) ++current_;
  if (top_ > index) ++top_;
}

int TableList::Add(const std::string& text, int64_t object) {
  Item item{text, SortKey(text), object, false};
  const auto at = std::upper_bound(items_.begin(), items_.end(), item, KeyBefore);
  const int index = static_cast<int>(at - items_.begin());
  InsertItem(index, std::move(item));
  return index;
}

void TableList::Insert(int index, const std::string& text, int64_t object) {
  if (index < 0 || index > Count()) index = Count();
  InsertItem(index, Item{text, SortKey(text), object, false});
}

void TableList::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("list index out of range");
  items_.erase(items_.begin() + index);
  if (current_ > index) --current_;
  if (top_ > index) --top_;
  SetCurrent(current_);
  SetTopIndex(top_);
}

void TableList::Clear() {
  items_.clear();
  current_ = -1;
  top_ = 0;
}

std::vector<std::string> TableList::Texts() const {
  std::vector<std::string> texts;
  texts.reserve(items_.size());
  for (const Item& item : items_) texts.push_back(item.text);
  return texts;
}

void TableList::SetTexts(const std::vector<std::string>& texts) {
  Clear();
  for (const std::string& text : texts) Add(text);
}

}  // namespace mvq
