#pragma once
// Index entries: each key column as a flag byte and bytes that sort as the values do
// (ascending), then the row's page (3 bytes, big-endian) and row number.
#include <vector>

#include "platform/jet/RowCodec.h"

namespace mvq::jet {

struct IndexEntry {
  Bytes key;  // the key columns, without the row pointer
  RowRef row;
  Bytes Full() const;  // key then the row pointer: what a page stores
  friend bool operator<(const IndexEntry& a, const IndexEntry& b) {
    if (a.key != b.key) return a.key < b.key;
    return a.row.Packed() < b.row.Packed();
  }
};

Bytes IndexKeyOf(const TableSchema& t, const Index& ix, const std::vector<Cell>& cells);
// Text in the General sort order: letters without regard to case, then digits' codes.
void AppendGeneralText(Bytes& out, const Bytes& storedText);

}  // namespace mvq::jet
