#pragma once
// An index's pages built whole from its sorted entries: leaf pages (kind 4) linked left to
// right, and node pages (kind 3) above them, each entry of a node naming the child page it
// ends. Entries start at 0x1E0; a bit mask before them marks where each one ends.
#include <vector>

#include "platform/jet/IndexKey.h"

namespace mvq::jet {

class PageFile;

struct BuiltIndex {
  uint32_t root = 0;
  std::vector<uint32_t> pages;  // every page written, leaves first
};

// Writes the pages through file (allocating them there); entries must be sorted.
BuiltIndex WriteIndexPages(PageFile& file, uint32_t tdefPage,
                           const std::vector<IndexEntry>& entries);
// The full entries stored on an index page, in order.
std::vector<Bytes> IndexPageEntries(const Page& page);

}  // namespace mvq::jet
