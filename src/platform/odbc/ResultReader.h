#pragma once
// Reading a result set: the column descriptions (with the ADO codes and field categories
// the gates reason with) and the rows as Variants. Short columns are fetched in blocks of
// rows into bound buffers; a result with a long column (memo, blob) is read row by row with
// SQLGetData in pieces, so any length fits.
#include <vector>

#include "platform/odbc/Session.h"
#include "platform/odbc/TypeMapping.h"

namespace mvq::db {

struct ResultColumn {
  FieldDesc desc;
  SQLSMALLINT sqlType = 0;  // after the engine's quirks are corrected
  SQLULEN size = 0;
  SQLSMALLINT digits = 0;
  bool isUnsigned = false;
  ValueClass valueClass = ValueClass::Text;
  bool utf8Text = false;  // text read as SQL_C_CHAR in UTF-8 rather than as UTF-16
  bool longData = false;  // read with SQLGetData in pieces
  bool dateText = false;  // a date or time stamp read as text (Quirks::datesReadAsText)
};

// Describes the open result of stmt (no columns: a statement without a result).
std::vector<ResultColumn> DescribeResult(Statement& stmt);

class ResultReader {
 public:
  // stmt has been executed; at most blockRows rows are fetched per call.
  ResultReader(Statement& stmt, std::vector<ResultColumn> columns, size_t blockRows);
  const std::vector<ResultColumn>& Columns() const { return columns_; }
  // Appends the next block of rows to out; false once the result is exhausted.
  bool FetchBlock(std::vector<std::vector<Variant>>& out);

 private:
  void SetUpBlocks(size_t blockRows);
  bool FetchBound(std::vector<std::vector<Variant>>& out);
  bool FetchRow(std::vector<std::vector<Variant>>& out);
  Variant ReadInPieces(SQLUSMALLINT column, const ResultColumn& c);
  // A bound value that did not fit: row and column (0-based) of the current block.
  Variant ReadTruncated(SQLULEN row, size_t column);
  Variant ReadFixed(SQLUSMALLINT column, const ResultColumn& c);

  Statement& stmt_;
  std::vector<ResultColumn> columns_;
  bool bound_ = false;
  bool done_ = false;
  size_t rows_ = 1;
  SQLULEN fetched_ = 0;
  std::vector<SQLUSMALLINT> rowStatus_;
  struct Buffer {
    std::vector<char> data;
    std::vector<SQLLEN> indicators;
    size_t width = 0;
  };
  std::vector<Buffer> buffers_;
  std::vector<char> scratch_;  // for values read with SQLGetData
};

}  // namespace mvq::db
