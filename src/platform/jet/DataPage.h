#pragma once
// A data page (kind 1): rows packed from the end of the page towards a table of row
// offsets after the 14-byte header. Table rows name their table's definition page; long
// values ("LVAL") and usage-map rows use the same layout.
#include <cstdint>

#include "platform/jet/JetFormat.h"

namespace mvq::jet {

class DataPage {
 public:
  static constexpr uint32_t kHeaderSize = 14;
  static constexpr uint32_t kLvalOwner = 0x4C41564C;  // "LVAL"
  // The largest row a page holds, with its offset entry.
  static constexpr uint32_t kMaxRowBytes = kPageSize - kHeaderSize - 2;

  explicit DataPage(uint32_t owner);
  static DataPage FromBytes(const Page& bytes);

  uint32_t FreeSpace() const { return Get16(&bytes_[2]); }
  uint16_t RowCount() const { return Get16(&bytes_[12]); }
  bool Fits(size_t rowBytes) const {
    return RowCount() < kMaxRowsPerPage && rowBytes + 2 <= FreeSpace();
  }
  // Adds a row; returns its row number. The caller checks Fits first.
  uint8_t Add(const Bytes& row);
  // The bytes of row r (empty for a deleted row, and for the pointer left where a row moved
  // to another page: that row is counted where it now lives).
  Bytes Row(uint8_t r) const;
  const Page& Image() const { return bytes_; }

 private:
  Page bytes_;
};

}  // namespace mvq::jet
