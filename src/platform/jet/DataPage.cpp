#include "platform/jet/DataPage.h"

namespace mvq::jet {

namespace {
constexpr uint16_t kOffsetMask = 0x1fff;
constexpr uint16_t kDeletedFlag = 0x8000;
constexpr uint16_t kOverflowFlag = 0x4000;  // the row moved; its place holds a pointer
}  // namespace

DataPage::DataPage(uint32_t owner) : bytes_(kPageSize, 0) {
  bytes_[0] = uint8_t(PageKind::Data);
  bytes_[1] = 1;
  Put16(&bytes_[2], kPageSize - kHeaderSize);
  Put32(&bytes_[4], owner);
}

DataPage DataPage::FromBytes(const Page& bytes) {
  DataPage p(0);
  p.bytes_ = bytes;
  return p;
}

uint8_t DataPage::Add(const Bytes& row) {
  uint16_t n = RowCount();
  uint32_t end = n == 0 ? kPageSize : (Get16(&bytes_[kHeaderSize + 2 * (n - 1)]) & kOffsetMask);
  uint32_t start = end - uint32_t(row.size());
  std::memcpy(&bytes_[start], row.data(), row.size());
  Put16(&bytes_[kHeaderSize + 2 * n], uint16_t(start));
  Put16(&bytes_[12], uint16_t(n + 1));
  Put16(&bytes_[2], uint16_t(FreeSpace() - row.size() - 2));
  return uint8_t(n);
}

Bytes DataPage::Row(uint8_t r) const {
  uint16_t raw = Get16(&bytes_[kHeaderSize + 2 * r]);
  if (raw & (kDeletedFlag | kOverflowFlag)) return {};
  return StoredRow(r);
}

Bytes DataPage::StoredRow(uint8_t r) const {
  if (r >= RowCount()) throw JetError("row " + std::to_string(r) + " past a data page's rows");
  uint32_t start = Get16(&bytes_[kHeaderSize + 2 * r]) & kOffsetMask;
  uint32_t end = r == 0 ? kPageSize : (Get16(&bytes_[kHeaderSize + 2 * (r - 1)]) & kOffsetMask);
  // Rows lie between the offset table and the page's end, each before the one added earlier.
  if (start < kHeaderSize + 2u * RowCount() || start > end || end > kPageSize)
    throw JetError("row " + std::to_string(r) + " of a data page is damaged");
  return Bytes(bytes_.begin() + start, bytes_.begin() + end);
}

std::optional<RowRef> DataPage::MovedTo(uint8_t r) const {
  uint16_t raw = Get16(&bytes_[kHeaderSize + 2 * r]);
  if ((raw & kDeletedFlag) || !(raw & kOverflowFlag)) return std::nullopt;
  Bytes pointer = StoredRow(r);
  if (pointer.size() < 4) throw JetError("moved row " + std::to_string(r) + " has no pointer");
  // The row number, then the page in three bytes.
  return RowRef{Get32(pointer.data()) >> 8, pointer[0]};
}

std::optional<Bytes> LiveRow(const DataPage& page, uint8_t r, uint32_t owner,
                             const std::function<Page(uint32_t)>& read) {
  auto moved = page.MovedTo(r);
  if (!moved) {
    Bytes row = page.Row(r);
    if (row.empty()) return std::nullopt;
    return row;
  }
  // A row may move again; a chain longer than a few steps is a loop in a damaged file.
  for (int step = 0; step < 8; ++step) {
    Page bytes = read(moved->page);
    if (bytes[0] != uint8_t(PageKind::Data) || Get32(&bytes[4]) != owner)
      throw JetError("moved row points to page " + std::to_string(moved->page) +
                     ", which is no data page of its table");
    DataPage there = DataPage::FromBytes(bytes);
    auto next = there.MovedTo(moved->row);
    if (!next) return there.StoredRow(moved->row);
    moved = next;
  }
  throw JetError("moved row leads round in a circle");
}

}  // namespace mvq::jet
