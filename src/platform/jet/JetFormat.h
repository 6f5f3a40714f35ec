#pragma once
// Jet 4 (Access 2000-2003) page layout: the page size, page kinds, column type codes and the
// byte helpers every page writer shares. Little-endian unless a helper says otherwise.
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace mvq::jet {

inline constexpr uint32_t kPageSize = 4096;
inline constexpr uint64_t kMaxFileSize = 2147483648ull;  // Jet refuses to grow past 2 GB
inline constexpr uint32_t kMaxRowSize = 4060;            // Jet 4's largest row
inline constexpr uint32_t kMaxRowsPerPage = 255;         // a row number is one byte
inline constexpr uint32_t kMaxColumns = 255;
inline constexpr uint32_t kMaxNameLength = 64;
inline constexpr uint16_t kGeneralSortOrder = 0x0409;
inline constexpr uint16_t kCodePage = 936;  // the ANSI code page of the systems this serves

using Page = std::vector<uint8_t>;
using Bytes = std::vector<uint8_t>;

enum class PageKind : uint8_t {
  Header = 0,
  Data = 1,
  TableDef = 2,
  IndexNode = 3,
  IndexLeaf = 4,
  UsageMap = 5
};

enum class ColType : uint8_t {
  Bool = 1,
  Byte = 2,
  Int = 3,
  Long = 4,
  Money = 5,
  Float = 6,
  Double = 7,
  DateTime = 8,
  Binary = 9,
  Text = 10,
  Ole = 11,
  Memo = 12,
  Guid = 15,
  Numeric = 16
};

// A value or a definition the format cannot hold; the message says which limit.
class JetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A row on a data page: page number and row number packed as Jet stores it.
struct RowRef {
  uint32_t page = 0;
  uint8_t row = 0;
  uint32_t Packed() const { return (page << 8) | row; }
};

inline void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline void Put64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline uint16_t Get16(const uint8_t* p) {
  return uint16_t(p[0] | (p[1] << 8));
}
inline uint32_t Get32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}

// Appends little-endian values to a byte buffer.
class ByteWriter {
 public:
  Bytes& out;
  void U8(uint8_t v) { out.push_back(v); }
  void U16(uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(v >> (8 * i)));
  }
  void Raw(const Bytes& b) { out.insert(out.end(), b.begin(), b.end()); }
  void Zeros(size_t n) { out.insert(out.end(), n, 0); }
};

}  // namespace mvq::jet
