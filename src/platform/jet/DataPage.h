#pragma once
// A data page (kind 1): rows packed from the end of the page towards a table of row
// offsets after the 14-byte header. Table rows name their table's definition page; long
// values ("LVAL") and usage-map rows use the same layout.
#include <cstdint>
#include <functional>
#include <optional>

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
  // The bytes of row r; empty for a deleted row and for the pointer left where a row moved.
  Bytes Row(uint8_t r) const;
  // Where row r moved, when its place holds only a pointer: Access moves a row that outgrew
  // its page, and flags the row's new place deleted so that page scans pass it by.
  std::optional<RowRef> MovedTo(uint8_t r) const;
  // The bytes at row r whatever its flags (a moved row's new place).
  Bytes StoredRow(uint8_t r) const;
  const Page& Image() const { return bytes_; }

 private:
  Page bytes_;
};

// The row at place r of page (a data page of table owner), followed to where it moved;
// nullopt for a deleted row. Throws JetError for a move that leads nowhere.
std::optional<Bytes> LiveRow(const DataPage& page, uint8_t r, uint32_t owner,
                             const std::function<Page(uint32_t)>& read);

}  // namespace mvq::jet
