#pragma once
// The pages next has left, for the back button. It holds six entries; a walk needs two. Full,
// it drops the oldest entry above the first, so the page the walk began on stays reachable.
#include <array>
#include <cstddef>
#include <cstdint>

namespace mvq {

class PageHistory {
 public:
  static constexpr int32_t kCapacity = 6;

  void Push(int32_t page);
  // The most recent page, removed; -1 when empty.
  int32_t Pop();
  void Clear() { top_ = -1; }

  // -1 when empty.
  int32_t Top() const { return top_; }
  bool Empty() const { return top_ < 0; }
  int32_t At(int32_t index) const { return pages_.at(static_cast<size_t>(index)); }

 private:
  std::array<int32_t, kCapacity> pages_{};
  int32_t top_ = -1;
};

}  // namespace mvq
