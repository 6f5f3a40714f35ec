#pragma once
// What a table is made of, as the table definition page records it: columns with their
// types and places in a row, and indexes over them.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/jet/JetFormat.h"

namespace mvq::jet {

struct Column {
  std::string name;
  ColType type = ColType::Long;
  uint16_t length = 0;               // bytes: Text(n) is 2n, fixed types their size, long values 0
  uint8_t precision = 0, scale = 0;  // Decimal
  bool autoNumber = false;           // Counter
  bool hiddenFlag = false;           // the flag Jet's own binary columns carry
  bool compressed = true;            // text stored in the compressed form where shorter
  // The order text sorts in, as read; every definition this writer writes declares General,
  // the order its index keys are built in (a table of another order is rewritten to it).
  uint16_t sortOrder = kGeneralSortOrder;
  // Filled by Layout():
  uint16_t number = 0;       // position in the row's null mask
  uint16_t varIndex = 0;     // slot in the variable-length offset table
  uint16_t fixedOffset = 0;  // place in the fixed area
  bool IsFixed() const;
  bool IsLongValue() const { return type == ColType::Memo || type == ColType::Ole; }
  bool IsTextual() const { return type == ColType::Text || type == ColType::Memo; }
};

struct Index {
  std::string name;
  std::vector<uint16_t> columns;  // column numbers, ascending order each
  bool primary = false, unique = false, ignoreNulls = false, required = false;
};

struct TableSchema {
  std::string name;
  bool system = false;
  std::vector<Column> columns;
  std::vector<Index> indexes;

  // Numbers the columns and places them in the row; throws JetError over a limit.
  void Layout();
  uint16_t VarCount() const;
  uint16_t FixedSize() const;  // bytes of the fixed area
};

// The fixed size a type takes in a row (0 for variable-length and Yes/No).
uint16_t FixedSizeOf(ColType t);
// Why Access would refuse this name; empty when it takes it.
std::string NameProblem(const std::string& name);

}  // namespace mvq::jet
