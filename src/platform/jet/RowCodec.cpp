#include "platform/jet/RowCodec.h"

#include <algorithm>

namespace mvq::jet {

namespace {
// Column numbers and variable slots may have gaps where Access dropped columns.
size_t MaskColumns(const TableSchema& t) {
  size_t n = 0;
  for (const Column& c : t.columns) n = std::max<size_t>(n, c.number + 1u);
  return n;
}
uint16_t VarSlots(const TableSchema& t) {
  uint16_t n = 0;
  for (const Column& c : t.columns)
    if (!c.IsFixed()) n = std::max<uint16_t>(n, uint16_t(c.varIndex + 1));
  return n;
}
uint16_t FixedArea(const TableSchema& t) {
  uint16_t n = 0;
  for (const Column& c : t.columns)
    if (c.IsFixed()) n = std::max<uint16_t>(n, uint16_t(c.fixedOffset + FixedSizeOf(c.type)));
  return n;
}
}  // namespace

Bytes EncodeRow(const TableSchema& t, const std::vector<Cell>& cells) {
  const size_t n = t.columns.size(), maskColumns = MaskColumns(t);
  const uint16_t fixedSize = FixedArea(t), varCount = VarSlots(t);
  Bytes row(2 + fixedSize, 0);
  Put16(row.data(), uint16_t(maskColumns));
  Bytes mask((maskColumns + 7) / 8, 0);
  std::vector<uint16_t> varOffsets(varCount, 0);
  for (size_t i = 0; i < n; ++i) {
    const Column& c = t.columns[i];
    const Cell& cell = cells[i];
    const size_t bit = c.number;
    if (c.type == ColType::Bool) {
      if (!cell.null && cell.bit) mask[bit / 8] |= uint8_t(1u << (bit % 8));
      continue;
    }
    if (!cell.null) mask[bit / 8] |= uint8_t(1u << (bit % 8));
    if (c.IsFixed() && !cell.null)
      std::memcpy(&row[2 + c.fixedOffset], cell.bytes.data(), cell.bytes.size());
  }
  // Variable values in slot order; an absent slot gets the offset of the next value.
  std::vector<int> slotColumn(varCount, -1);
  for (size_t i = 0; i < n; ++i)
    if (!t.columns[i].IsFixed()) slotColumn[t.columns[i].varIndex] = int(i);
  for (uint16_t k = 0; k < varCount; ++k) {
    varOffsets[k] = uint16_t(row.size());
    int i = slotColumn[k];
    if (i >= 0 && !cells[i].null)
      row.insert(row.end(), cells[i].bytes.begin(), cells[i].bytes.end());
  }
  if (varCount > 0) {
    if (row.size() > 0xffff) throw JetError("row over the 4,060 bytes Jet allows");
    uint16_t eod = uint16_t(row.size());
    ByteWriter w{row};
    w.U16(eod);
    for (size_t k = varCount; k-- > 0;) w.U16(varOffsets[k]);
    w.U16(varCount);
  }
  row.insert(row.end(), mask.begin(), mask.end());
  if (row.size() > kMaxRowSize)
    throw JetError("row of " + std::to_string(row.size()) +
                   " bytes over the 4,060 bytes Jet allows");
  return row;
}

std::vector<Cell> DecodeRow(const TableSchema& t, const Bytes& row) {
  const size_t n = t.columns.size();
  if (row.size() < 2) throw JetError("row too short");
  const size_t maskSize = (size_t(Get16(row.data())) + 7) / 8;
  if (row.size() < 2 + maskSize) throw JetError("row too short");
  const uint8_t* mask = &row[row.size() - maskSize];
  std::vector<Cell> cells(n);
  const uint16_t varCount = VarSlots(t);
  std::vector<uint16_t> starts;
  uint16_t eod = 0;
  size_t dataEnd = row.size() - maskSize;
  if (varCount && row.size() >= maskSize + 4) {
    size_t at = row.size() - maskSize - 2;
    uint16_t stored = Get16(&row[at]);
    if (2 * (size_t(stored) + 1) <= at) {
      for (uint16_t k = 0; k < stored; ++k) starts.push_back(Get16(&row[at - 2 * (k + 1)]));
      eod = Get16(&row[at - 2 * (stored + 1)]);
      dataEnd = at - 2 * (size_t(stored) + 1);
    }
  }
  for (size_t i = 0; i < n; ++i) {
    const Column& c = t.columns[i];
    bool set = c.number < maskSize * 8 && (mask[c.number / 8] & (1u << (c.number % 8)));
    Cell& cell = cells[i];
    if (c.type == ColType::Bool) {
      cell.null = false;
      cell.bit = set;
      continue;
    }
    cell.null = !set;
    if (!set) continue;
    // Bounds are checked: rows written before a column was added are shorter.
    if (c.IsFixed()) {
      size_t from = 2 + size_t(c.fixedOffset), to = from + FixedSizeOf(c.type);
      if (to <= dataEnd)
        cell.bytes.assign(row.begin() + long(from), row.begin() + long(to));
      else
        cell.null = true;
    } else if (c.varIndex < starts.size()) {
      uint16_t b = starts[c.varIndex];
      uint16_t e = c.varIndex + 1u < starts.size() ? starts[c.varIndex + 1] : eod;
      if (b <= e && e <= dataEnd)
        cell.bytes.assign(row.begin() + b, row.begin() + e);
      else
        cell.null = true;
    } else {
      cell.null = true;
    }
  }
  return cells;
}

}  // namespace mvq::jet
