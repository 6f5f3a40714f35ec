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
  pageCount_ = uint32_t(st.st_size / kPageSize);
}

PageFile::~PageFile() {
  if (fd_ >= 0) ::close(fd_);
}

uint32_t PageFile::Allocate() {
  if (!free_.empty()) {
    uint32_t p = *free_.begin();
    free_.erase(free_.begin());
    return p;
  }
  if (uint64_t(pageCount_ + 1) * kPageSize > kMaxFileSize)
    throw JetError("the file would pass the 2 GB an Access file can hold");
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

void PageFile::Sync() {
  if (::fdatasync(fd_) != 0) throw JetError(std::string("sync failed: ") + std::strerror(errno));
  free_.insert(freedSinceSync_.begin(), freedSinceSync_.end());
  freedSinceSync_.clear();
}

std::set<uint32_t> PageFile::FreePages() const {
  std::set<uint32_t> all = free_;
  all.insert(freedSinceSync_.begin(), freedSinceSync_.end());
  return all;
}

}  // namespace mvq::jet
