#pragma once
// The one place that allocates, frees, reads and writes pages of a Jet file. Freed pages are
// handed out again only after the commit that stopped using them (Sync), so that a crash
// never leaves a committed table pointing at a page that was reused.
#include <cstdint>
#include <set>
#include <string>

#include "platform/jet/JetFormat.h"

namespace mvq::jet {

class PageFile {
 public:
  // Opens (create: makes, truncating) the file and locks it for writing; throws JetError when
  // it cannot be opened or another process holds it.
  PageFile(const std::string& path, bool create);
  ~PageFile();
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

  uint32_t PageCount() const { return pageCount_; }
  // A page for new content: a reusable free page, else one past the end. Throws JetError
  // when the file would pass 2 GB.
  uint32_t Allocate();
  // Marks a page free; it is reused after the next Sync.
  void Free(uint32_t page);
  Page Read(uint32_t page) const;
  void Write(uint32_t page, const Page& bytes);
  // Makes every write so far durable.
  void Sync();
  // Pages free for reuse, and those freed since the last Sync.
  std::set<uint32_t> FreePages() const;
  void SetFreePages(std::set<uint32_t> free) { free_ = std::move(free); }

 private:
  int fd_ = -1;
  uint32_t pageCount_ = 0;
  std::set<uint32_t> free_, freedSinceSync_;
};

}  // namespace mvq::jet
