#pragma once
// Walks a Jet file the way a reader would and reports what does not hold: every page owned
// at most once (by the header, the global map, a table's definition, maps, data, long values or
// index, or free), usage maps naming pages of the right kind and owner, stored row counts
// equal to the rows on the data pages, one index entry per row, in order.
#include <string>
#include <vector>

namespace mvq::jet {

struct CheckReport {
  std::vector<std::string> problems;  // empty: the file is sound
  // Pages neither owned nor free: space lost (a write killed within a commit leaves some),
  // which no reader sees and which is no fault of the tables.
  std::vector<uint32_t> unowned;
  size_t tables = 0, dataPages = 0, rows = 0;
  double dataFill = 0;  // average share of a data page's room that rows use
};

CheckReport CheckFile(const std::string& path);

}  // namespace mvq::jet
