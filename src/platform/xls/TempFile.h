#pragma once
// An unnamed temporary file with a write buffer: where sheet rows, the shared string table
// and finished sheet streams wait until the workbook file is assembled, so that memory
// stays bounded whatever the number of rows.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace mvq::xls {

class TempFile {
 public:
  TempFile();  // in $TMPDIR or /tmp; throws XlsError(kIo)
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  void Append(const void* data, size_t size);
  uint64_t Size() const { return flushed_ + buffer_.size(); }
  // Overwrites bytes already appended.
  void WriteAt(uint64_t offset, const void* data, size_t size);
  // Reads up to size bytes at offset; returns the count read.
  size_t ReadAt(uint64_t offset, void* data, size_t size);
  // Hands [offset, offset + size) to sink in chunks.
  void CopyTo(uint64_t offset, uint64_t size,
              const std::function<void(const uint8_t*, size_t)>& sink);
  void Flush();

 private:
  int fd_ = -1;
  uint64_t flushed_ = 0;
  std::vector<uint8_t> buffer_;
};

}  // namespace mvq::xls
