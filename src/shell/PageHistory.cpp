#include "shell/PageHistory.h"

#include <algorithm>

namespace mvq {

void PageHistory::Push(int32_t page) {
  if (top_ == kCapacity - 1) {
    std::copy(pages_.begin() + 2, pages_.end(), pages_.begin() + 1);
    --top_;
  }
  pages_[static_cast<size_t>(++top_)] = page;
}

int32_t PageHistory::Pop() {
  if (top_ < 0) return -1;
  return pages_[static_cast<size_t>(top_--)];
}

}  // namespace mvq
