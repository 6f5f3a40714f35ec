#include "platform/xls/TempFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/xls/XlsError.h"

namespace mvq::xls {
namespace {

constexpr size_t kBufferSize = 1 << 20;

[[noreturn]] void Fail(const std::string& what) {
  throw XlsError(XlsErrorCode::kIo, "Temporary file: " + what + ": " + std::strerror(errno));
}

}  // namespace

TempFile::TempFile() {
  const char* dir = std::getenv("TMPDIR");
  std::string path = std::string(dir && *dir ? dir : "/tmp") + "/mvq-xls-XXXXXX";
  fd_ = ::mkstemp(path.data());
  if (fd_ < 0) Fail("cannot create in " + path.substr(0, path.rfind('/')));
  ::unlink(path.c_str());  // gone from the directory; the space returns when fd_ closes
  buffer_.reserve(kBufferSize);
}

TempFile::~TempFile() {
  if (fd_ >= 0) ::close(fd_);
}

void TempFile::Append(const void* data, size_t size) {
  if (buffer_.size() + size > kBufferSize) Flush();
  if (size >= kBufferSize) {
    const auto* p = static_cast<const uint8_t*>(data);
    for (size_t done = 0; done < size;) {
      const ssize_t n = ::pwrite(fd_, p + done, size - done, static_cast<off_t>(flushed_));
      if (n < 0) {
        if (errno == EINTR) continue;
        Fail("write");
      }
      done += static_cast<size_t>(n);
      flushed_ += static_cast<uint64_t>(n);
    }
    return;
  }
  const auto* p = static_cast<const uint8_t*>(data);
  buffer_.insert(buffer_.end(), p, p + size);
}

void TempFile::Flush() {
  size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n =
        ::pwrite(fd_, buffer_.data() + done, buffer_.size() - done, static_cast<off_t>(flushed_));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("write");
    }
    done += static_cast<size_t>(n);
    flushed_ += static_cast<uint64_t>(n);
  }
  buffer_.clear();
}

void TempFile::WriteAt(uint64_t offset, const void* data, size_t size) {
  Flush();
  const auto* p = static_cast<const uint8_t*>(data);
  for (size_t done = 0; done < size;) {
    const ssize_t n = ::pwrite(fd_, p + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("write");
    }
    done += static_cast<size_t>(n);
  }
}

size_t TempFile::ReadAt(uint64_t offset, void* data, size_t size) {
  if (!buffer_.empty()) Flush();
  auto* p = static_cast<uint8_t*>(data);
  size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd_, p + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("read");
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

void TempFile::CopyTo(uint64_t offset, uint64_t size,
                      const std::function<void(const uint8_t*, size_t)>& sink) {
  std::vector<uint8_t> chunk(kBufferSize);
  while (size > 0) {
    const size_t want = size < chunk.size() ? static_cast<size_t>(size) : chunk.size();
    const size_t got = ReadAt(offset, chunk.data(), want);
    if (got == 0) {
      errno = EIO;
      Fail("read past end");
    }
    sink(chunk.data(), got);
    offset += got;
    size -= got;
  }
}

}  // namespace mvq::xls
