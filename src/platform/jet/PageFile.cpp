#include "platform/jet/PageFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace mvq::jet {

PageFile::PageFile(const std::string& path, bool create) {
  fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0), 0644);
  if (fd_ < 0) throw JetError("cannot open " + path + ": " + std::strerror(errno));
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd_);
    throw JetError("file already in use: " + path);
  }
  if (create && ::ftruncate(fd_, 0) != 0) {
    ::close(fd_);
    throw JetError("cannot truncate " + path + ": " + std::strerror(errno));
  }
  struct stat st {};
  ::fstat(fd_, &st);
  pageCount_ = syncedCount_ = uint32_t(st.st_size / kPageSize);
}

PageFile::~PageFile() {
  if (fd_ >= 0) ::close(fd_);
}

uint32_t PageFile::Allocate(uint32_t headroom) {
  const uint64_t room =
      uint64_t(pageLimit_ > pageCount_ ? pageLimit_ - pageCount_ : 0) + free_.size();
  if (room < uint64_t(headroom) + 1)
    throw JetError("the file would pass the 2 GB an Access file can hold");
  if (!free_.empty()) {
    uint32_t p = *free_.begin();
    free_.erase(free_.begin());
    return p;
  }
  return pageCount_++;
}

void PageFile::Free(uint32_t page) {
  freedSinceSync_.insert(page);
}

Page PageFile::Read(uint32_t page) const {
  Page p(kPageSize, 0);
  ssize_t n = ::pread(fd_, p.data(), kPageSize, off_t(page) * kPageSize);
  if (n < 0) throw JetError(std::string("read failed: ") + std::strerror(errno));
  return p;
}

void PageFile::Write(uint32_t page, const Page& bytes) {
  size_t done = 0;
  while (done < kPageSize) {
    ssize_t n =
        ::pwrite(fd_, bytes.data() + done, kPageSize - done, off_t(page) * kPageSize + off_t(done));
    if (n < 0) {
      if (errno == EINTR) continue;
      throw JetError(std::string("write failed: ") + std::strerror(errno));
    }
    done += size_t(n);
  }
  if (page >= pageCount_) pageCount_ = page + 1;
}

void PageFile::Barrier() {
  if (::fdatasync(fd_) != 0) throw JetError(std::string("sync failed: ") + std::strerror(errno));
}

void PageFile::Sync() {
  Barrier();
  free_.insert(freedSinceSync_.begin(), freedSinceSync_.end());
  freedSinceSync_.clear();
  syncedFree_ = free_;
  syncedCount_ = pageCount_;
}

void PageFile::Rollback() {
  // Pages past the synced end hold only what the rollback forgets.
  free_ = syncedFree_;
  freedSinceSync_.clear();
  pageCount_ = syncedCount_;
  if (::ftruncate(fd_, off_t(pageCount_) * kPageSize) != 0)
    throw JetError(std::string("cannot truncate: ") + std::strerror(errno));
}

std::set<uint32_t> PageFile::FreePages(bool withFreed) const {
  std::set<uint32_t> all = free_;
  all.insert(listedFree_.begin(), listedFree_.end());
  if (withFreed) all.insert(freedSinceSync_.begin(), freedSinceSync_.end());
  return all;
}

}  // namespace mvq::jet
