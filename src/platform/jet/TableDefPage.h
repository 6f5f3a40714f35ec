#pragma once
// The table definition (kind 2): row count, next autonumber, the columns, the indexes with
// their root pages and usage maps, the long-value columns' maps. Spans further pages, each
// linked from the one before, when it outgrows one.
#include <functional>
#include <vector>

#include "platform/jet/TableSchema.h"

namespace mvq::jet {

struct TableDefState {
  uint32_t rowCount = 0;
  uint32_t nextAutoNumber = 0;
  RowRef usedMap, freeMap;
  struct IndexState {
    RowRef map;
    uint32_t root = 0;
  };
  std::vector<IndexState> indexes;  // one per schema index
  struct LongState {
    RowRef used, free;
  };
  std::vector<LongState> longColumns;  // one per long-value column, in column order
};

// The definition as it continues across pages: the bytes of the first page and of each
// continuation page in turn, the links still zero.
std::vector<Page> EncodeTableDef(const TableSchema& t, const TableDefState& s);
// The pages of the definition that begins on page first, following its links; throws
// JetError when one is no definition page.
std::vector<std::pair<uint32_t, Page>> ReadTableDefPages(uint32_t first,
                                                         const std::function<Page(uint32_t)>& read);
// Joins a definition's pages back into one buffer (continuation headers dropped).
Bytes JoinTableDef(const std::vector<Page>& pages);
// The schema a definition describes (columns in number order, indexes by logical order).
TableSchema DecodeTableSchema(const Bytes& joined);
// Reads the counts, maps and roots of a definition.
TableDefState DecodeTableDefState(const Bytes& joined, const TableSchema& t);

}  // namespace mvq::jet
