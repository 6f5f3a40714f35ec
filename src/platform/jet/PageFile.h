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
  // when the file would pass 2 GB, or would leave fewer than headroom pages for a commit.
  uint32_t Allocate(uint32_t headroom = 0);
  // The most pages the file may have: 2 GB of them unless lowered.
  void SetPageLimit(uint32_t pages) { pageLimit_ = pages; }
  uint32_t PageLimit() const { return pageLimit_; }
  // Marks a page free; it is reused after the next Sync.
  void Free(uint32_t page);
  Page Read(uint32_t page) const;
  void Write(uint32_t page, const Page& bytes);
  // Makes every write so far durable, and the state now the one Rollback returns to.
  void Sync();
  // Makes every write so far durable without ending the commit: what a commit writes after
  // it may only refer to pages written before.
  void Barrier();
  // Forgets allocations and frees since the last Sync; pages written since are unowned.
  void Rollback();
  // Pages free for reuse, with those freed since the last Sync when withFreed.
  std::set<uint32_t> FreePages(bool withFreed) const;
  // Pages an opened file lists free: listed so again, never handed out (a map another
  // program wrote is not trusted with our rows).
  void KeepListedFree(std::set<uint32_t> pages) { listedFree_ = std::move(pages); }

 private:
  int fd_ = -1;
  uint32_t pageCount_ = 0, syncedCount_ = 0;
  uint32_t pageLimit_ = uint32_t(kMaxFileSize / kPageSize);
  std::set<uint32_t> free_, freedSinceSync_, syncedFree_, listedFree_;
};

}  // namespace mvq::jet
