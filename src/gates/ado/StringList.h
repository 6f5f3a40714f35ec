#pragma once
// The lists the gates fill for the shell (table lists, the catalog list): texts in order,
// each optionally tagged with an integer, as two-column results of FillList are.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mvq {

class TStringList {
 public:
  void Add(std::string text, std::optional<int64_t> tag = std::nullopt) {
    texts_.push_back(std::move(text));
    tags_.push_back(tag);
  }
  void Clear() {
    texts_.clear();
    tags_.clear();
  }
  int Count() const { return static_cast<int>(texts_.size()); }
  const std::string& operator[](size_t i) const { return texts_.at(i); }
  std::optional<int64_t> Tag(size_t i) const { return tags_.at(i); }
  const std::vector<std::string>& Strings() const { return texts_; }

 private:
  std::vector<std::string> texts_;
  std::vector<std::optional<int64_t>> tags_;
};

}  // namespace mvq
