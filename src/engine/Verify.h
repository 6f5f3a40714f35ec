#pragma once
// Checking a copied table against its source: the row counts and, per column, a checksum
// over all rows that does not depend on row order, summed from values normalised by type so
// that the same data read from two engines gives the same sum.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/TableOutcome.h"
#include "platform/odbc/Connection.h"

namespace mvq {

class TADODataGate;
class TComDBConn;

// How a column's values are normalised, decided from both ends' descriptions so that each
// end is read to the precision both of them hold.
struct ColumnRule {
  enum class Kind { Number, Float, DateTime, Date, Time, Text, Bytes };
  Kind kind = Kind::Text;
  // Float: doubles to 15 significant digits; where an end is single precision, both ends'
  // values as the float they round to, in the 9 digits that tell any two floats apart (a
  // driver may give a float4 in its shortest text: 1e-45 for 1.4012985e-45).
  int significantDigits = 15;
  bool single = false;
  int fractionDigits = 9;  // DateTime, Time: digits of the second both ends keep
  bool padded = false;     // Text: an end is fixed-length, so trailing blanks are padding
};

ColumnRule RuleFor(const db::FieldDesc& source, const db::FieldDesc& target);

// The normalised form of a value under a rule; nullopt for NULL. A value that does not read
// as the rule's kind (text in a number column) keeps its own text.
std::optional<std::string> NormalisedValue(const db::Variant& value, const ColumnRule& rule);

struct ColumnDigest {
  int64_t nulls = 0;
  uint64_t sum1 = 0, sum2 = 0;  // two independent hashes of the values, summed mod 2^64
  // Counts one normalised value; nullopt is a NULL.
  void Add(const std::optional<std::string>& value);
  bool operator==(const ColumnDigest&) const = default;
};

struct TableDigest {
  int64_t rows = 0;
  std::vector<ColumnDigest> columns;
};

// Reads rows to their end, summing the first rules.size() columns.
TableDigest DigestRows(db::Query& rows, const std::vector<ColumnRule>& rules);

// Opens every row of a table on one end, streamed. Errors rise as db::DbError.
using TableRowsOpener = std::function<std::unique_ptr<db::Query>(const std::string& table)>;
TableRowsOpener RowsOn(TADODataGate& gate);
TableRowsOpener RowsOn(TComDBConn& gate);

// "a, b, c".
std::string JoinNames(const std::vector<std::string>& names);

// Compares table on both ends. rowsRefused, the rows the copy refused, explains a target
// short of exactly that many rows; the result then says so instead of naming columns.
VerifyResult CompareTable(const std::string& table, const TableRowsOpener& source,
                          const TableRowsOpener& target, int64_t rowsRefused);

}  // namespace mvq
