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
  uint32_t start = raw & kOffsetMask;
  uint32_t end = r == 0 ? kPageSize : (Get16(&bytes_[kHeaderSize + 2 * (r - 1)]) & kOffsetMask);
  // Rows lie between the offset table and the page's end, each before the one added earlier.
  if (start < kHeaderSize + 2u * RowCount() || start > end || end > kPageSize)
    throw JetError("row " + std::to_string(r) + " of a data page is damaged");
  return Bytes(bytes_.begin() + start, bytes_.begin() + end);
}

}  // namespace mvq::jet
