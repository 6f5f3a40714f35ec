#pragma once
// A row as a data page stores it: the column count, the fixed area, the variable-length
// values, their offsets (last first), and the null mask in which Yes/No values live.
#include <optional>
#include <vector>

#include "platform/jet/TableSchema.h"

namespace mvq::jet {

// One column's stored form in a row: null, a Yes/No bit, or bytes (fixed or variable).
struct Cell {
  bool null = true;
  bool bit = false;
  Bytes bytes;
};

// Throws JetError when the row passes Jet's row size.
Bytes EncodeRow(const TableSchema& t, const std::vector<Cell>& cells);
// The cells back from a stored row (long values as their 12-byte reference).
std::vector<Cell> DecodeRow(const TableSchema& t, const Bytes& row);

}  // namespace mvq::jet
