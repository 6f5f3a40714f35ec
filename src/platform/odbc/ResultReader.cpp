#include "platform/odbc/ResultReader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

#include "platform/odbc/DateText.h"
#include "platform/odbc/WideText.h"
#include "platform/text/AsciiCase.h"

namespace mvq::db {

namespace {

// Text wider than this, in characters, is read in pieces rather than into a buffer.
constexpr SQLULEN kMaxBoundText = 4000;
constexpr SQLULEN kMaxBoundBytes = 8000;
// Digits an unconstrained decimal may have (PostgreSQL: 131072 before the point, 16383 after).
constexpr SQLULEN kUnconstrainedDigits = 147455;
// Bytes of bound buffers per block of rows.
constexpr size_t kBlockBytes = 1 << 20;
// Bytes of a date or time stamp's text: "-infinity", "4713-01-01 10:00:00.123456789+00 BC".
constexpr size_t kDateTextBytes = 64;
// Bytes per SQLGetData piece; the first is small, since most values are, and a driver may
// fill the whole buffer it is given (sqliteodbc pads it with strncpy).
constexpr size_t kFirstPieceBytes = 512;
constexpr size_t kPieceBytes = 64 * 1024;

int PrecisionOf(SQLSMALLINT sqlType, SQLULEN size) {
  switch (sqlType) {
    case SQL_TINYINT:
      return 3;
    case SQL_SMALLINT:
      return 5;
    case SQL_INTEGER:
      return 10;
    case SQL_BIGINT:
      return 19;
    case SQL_REAL:
      return 7;
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return 15;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
      return static_cast<int>(size);
    default:
      return 0;
  }
}

size_t BoundWidth(const ResultColumn& c) {
  if (c.dateText) return kDateTextBytes;
  switch (c.valueClass) {
    case ValueClass::Bool:
      return 1;
    case ValueClass::Int:
      return sizeof(SQLINTEGER);
    case ValueClass::BigInt:
      return sizeof(SQLBIGINT);
    case ValueClass::Double:
      return sizeof(double);
    case ValueClass::Decimal:
      return std::max<size_t>(c.size + 4, 48);
    // Up to two UTF-16 units (four UTF-8 bytes) per character, and the terminator.
    case ValueClass::Text:
      return c.utf8Text ? c.size * 4 + 1 : (c.size * 2 + 1) * sizeof(SQLWCHAR);
    case ValueClass::Bytes:
      return std::max<size_t>(c.size, 1);
    case ValueClass::Date:
      return sizeof(SQL_DATE_STRUCT);
    case ValueClass::Time:
      return sizeof(SQL_TIME_STRUCT);
    case ValueClass::Timestamp:
      return sizeof(SQL_TIMESTAMP_STRUCT);
  }
  return 8;
}

SQLSMALLINT ReadCType(const ResultColumn& c) {
  if (c.dateText) return SQL_C_CHAR;
  switch (c.valueClass) {
    case ValueClass::Bool:
      return SQL_C_BIT;
    case ValueClass::Int:
      return SQL_C_SLONG;
    case ValueClass::BigInt:
      return SQL_C_SBIGINT;
    case ValueClass::Double:
      return SQL_C_DOUBLE;
    case ValueClass::Decimal:
      return SQL_C_CHAR;
    case ValueClass::Text:
      return c.utf8Text ? SQL_C_CHAR : SQL_C_WCHAR;
    case ValueClass::Bytes:
      return SQL_C_BINARY;
    case ValueClass::Date:
      return SQL_C_TYPE_DATE;
    case ValueClass::Time:
      return SQL_C_TYPE_TIME;
    case ValueClass::Timestamp:
      return SQL_C_TYPE_TIMESTAMP;
  }
  return SQL_C_WCHAR;
}

// A value from a buffer holding one element of the column's C type.
Variant Convert(const ResultColumn& c, const char* data, SQLLEN length) {
  if (length == SQL_NULL_DATA) return Variant();
  if (c.dateText) {
    std::string_view text(data, static_cast<size_t>(length));
    if (c.valueClass == ValueClass::Date) {
      if (auto d = ParseDateText(text)) return Variant(*d);
    } else if (auto dt = ParseDateTimeText(text)) {
      return Variant(*dt);
    }
    // "infinity" and the like: carried as the engine's text, for the target to take or refuse.
    return Variant(std::string(text));
  }
  switch (c.valueClass) {
    case ValueClass::Bool:
      return Variant(data[0] != 0);
    case ValueClass::Int: {
      SQLINTEGER n;
      std::memcpy(&n, data, sizeof n);
      return Variant(static_cast<int64_t>(n));
    }
    case ValueClass::BigInt: {
      SQLBIGINT n;
      std::memcpy(&n, data, sizeof n);
      return Variant(static_cast<int64_t>(n));
    }
    case ValueClass::Double: {
      double d;
      std::memcpy(&d, data, sizeof d);
      return Variant(d);
    }
    case ValueClass::Decimal: {
      std::string text(data, static_cast<size_t>(length));
      while (!text.empty() && text.back() == ' ') text.pop_back();
      return Variant(Decimal{PlainDecimalText(text)});
    }
    case ValueClass::Text:
      if (c.utf8Text) return Variant(std::string(data, static_cast<size_t>(length)));
      return Variant(ToUtf8(reinterpret_cast<const char16_t*>(data),
                            static_cast<size_t>(length) / sizeof(SQLWCHAR)));
    case ValueClass::Bytes: {
      auto p = reinterpret_cast<const uint8_t*>(data);
      return Variant(Bytes(p, p + length));
    }
    case ValueClass::Date: {
      SQL_DATE_STRUCT d;
      std::memcpy(&d, data, sizeof d);
      return Variant(Date{d.year, d.month, d.day});
    }
    case ValueClass::Time: {
      SQL_TIME_STRUCT t;
      std::memcpy(&t, data, sizeof t);
      return Variant(Time{t.hour, t.minute, t.second});
    }
    case ValueClass::Timestamp: {
      SQL_TIMESTAMP_STRUCT ts;
      std::memcpy(&ts, data, sizeof ts);
      return Variant(DateTime{{ts.year, ts.month, ts.day},
                              {ts.hour, ts.minute, ts.second},
                              static_cast<uint32_t>(ts.fraction)});
    }
  }
  return Variant();
}

// Bytes of a value that fit a bound element: text buffers keep room for their terminator.
size_t Room(const ResultColumn& c, size_t width) {
  if (c.dateText) return width - 1;
  switch (c.valueClass) {
    case ValueClass::Text:
      return width - (c.utf8Text ? 1 : sizeof(SQLWCHAR));
    case ValueClass::Decimal:
      return width - 1;
    default:
      return width;
  }
}

}  // namespace

std::vector<ResultColumn> DescribeResult(Statement& stmt) {
  SQLSMALLINT count = 0;
  stmt.Check(SQLNumResultCols(stmt.get(), &count), "counting result columns");
  const OdbcCalls& calls = stmt.calls();
  Session& session = stmt.session();
  const Quirks& quirks = session.quirks;
  std::vector<ResultColumn> columns;
  std::map<std::string, std::map<std::string, std::string>> declaredTypes;  // by table
  for (SQLUSMALLINT i = 1; i <= count; ++i) {
    ColumnDescription d = calls.DescribeColumn(stmt.get(), i);
    ResultColumn c;
    c.sqlType = d.sqlType;
    c.size = d.size;
    c.digits = d.digits;
    c.isUnsigned =
        calls.ColumnNumber(stmt.get(), i, SQL_DESC_UNSIGNED).value_or(SQL_FALSE) == SQL_TRUE;
    // Character types report "unsigned" on some drivers; only numbers can be unsigned.
    if (c.sqlType != SQL_TINYINT && c.sqlType != SQL_SMALLINT && c.sqlType != SQL_INTEGER &&
        c.sqlType != SQL_BIGINT)
      c.isUnsigned = false;
    c.desc.name = d.name;
    c.desc.typeName = calls.ColumnText(stmt.get(), i, SQL_DESC_TYPE_NAME);
    c.desc.autoIncrement =
        calls.ColumnNumber(stmt.get(), i, SQL_DESC_AUTO_UNIQUE_VALUE).value_or(SQL_FALSE) ==
        SQL_TRUE;

    // The declared type text of the column in its base table; empty when not known.
    auto declaredType = [&]() -> std::string {
      std::string table = calls.ColumnText(stmt.get(), i, SQL_DESC_BASE_TABLE_NAME);
      std::string column = calls.ColumnText(stmt.get(), i, SQL_DESC_BASE_COLUMN_NAME);
      if (table.empty() || column.empty()) return {};
      auto known = declaredTypes.find(table);
      if (known == declaredTypes.end())
        known = declaredTypes.emplace(table, session.DeclaredTypes(table)).first;
      return known->second.count(column) ? known->second.at(column) : "";
    };
    bool unconstrained = false;
    const std::string type = text::AsciiLower(c.desc.typeName);
    if (quirks.decimalsNeedDeclaredType && (type == "numeric" || type == "decimal")) {
      std::string declared = declaredType();
      if (auto dec = ParseDeclaredDecimal(declared)) {
        c.sqlType = SQL_NUMERIC;
        c.size = static_cast<SQLULEN>(dec->precision);
        c.digits = static_cast<SQLSMALLINT>(dec->scale);
        c.desc.typeName = declared;
      }
    }
    if (!quirks.declaredTypesQuery.empty() && c.sqlType == SQL_NUMERIC && type == "numeric" &&
        c.size == 28 && c.digits == 6 && text::AsciiLower(declaredType()) == "numeric") {
      unconstrained = true;
      c.size = kUnconstrainedDigits;
      c.digits = 0;
    }
    if (quirks.integerAffinityIs64Bit && HasIntegerAffinity(c.desc.typeName)) {
      c.sqlType = SQL_BIGINT;
      c.size = 19;
      c.digits = 0;
      c.isUnsigned = false;
    }
    if (quirks.blobDescribedAsShortBinary && c.sqlType == SQL_BINARY) {
      c.sqlType = SQL_LONGVARBINARY;
      c.size = 2147483647;
    }

    c.valueClass = ValueClassOf(c.sqlType, c.isUnsigned);
    c.utf8Text = quirks.readsTextAsUtf8 && c.valueClass == ValueClass::Text;
    c.dateText = quirks.datesReadAsText &&
                 (c.valueClass == ValueClass::Date || c.valueClass == ValueClass::Timestamp);
    // A decimal of any length is OLE DB's varying numeric.
    c.desc.adoType = unconstrained ? adVarNumeric : AdoTypeOf(c.sqlType, c.isUnsigned);
    c.desc.definedSize = static_cast<int64_t>(c.size);
    if (quirks.textSizeInBytes && (c.sqlType == SQL_VARCHAR || c.sqlType == SQL_CHAR))
      c.desc.definedSize /= 2;
    // Precision 0: a decimal without a declared precision.
    c.desc.precision = unconstrained ? 0 : PrecisionOf(c.sqlType, c.size);
    c.desc.scale = (c.sqlType == SQL_NUMERIC || c.sqlType == SQL_DECIMAL) ? c.digits : 0;
    c.desc.category =
        ClassifyField(c.desc.adoType, c.desc.precision, c.desc.scale, c.desc.autoIncrement)
            .value_or(ftUnknown);

    const bool variableWidth = c.valueClass == ValueClass::Text ||
                               c.valueClass == ValueClass::Bytes ||
                               c.valueClass == ValueClass::Decimal;
    c.longData = IsLongType(c.sqlType) || (variableWidth && c.size == 0) ||
                 (c.valueClass == ValueClass::Text && c.size > kMaxBoundText) ||
                 (c.valueClass == ValueClass::Bytes && c.size > kMaxBoundBytes) ||
                 (c.valueClass == ValueClass::Decimal && c.size > 100) ||
                 (quirks.declaredLengthsNotEnforced && variableWidth);
    columns.push_back(std::move(c));
  }
  return columns;
}

ResultReader::ResultReader(Statement& stmt, std::vector<ResultColumn> columns, size_t blockRows)
    : stmt_(stmt), columns_(std::move(columns)) {
  const bool anyLong = std::any_of(columns_.begin(), columns_.end(),
                                   [](const ResultColumn& c) { return c.longData; });
  if (!anyLong && !columns_.empty() && !stmt_.session().quirks.noBlockFetch) SetUpBlocks(blockRows);
}

void ResultReader::SetUpBlocks(size_t blockRows) {
  size_t rowBytes = 0;
  for (const auto& c : columns_) rowBytes += BoundWidth(c) + sizeof(SQLLEN);
  rows_ = std::clamp<size_t>(kBlockBytes / std::max<size_t>(rowBytes, 1), 1, blockRows);
  SQLHSTMT h = stmt_.get();
  if (!SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROW_BIND_TYPE,
                                    reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0)) ||
      !SQL_SUCCEEDED(SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE,
                                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(rows_)),
                                    0))) {
    // Row at a time, then.
    SQLSetStmtAttr(h, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(SQLULEN{1}), 0);
    rows_ = 1;
    return;
  }
  rowStatus_.assign(rows_, SQL_ROW_NOROW);
  stmt_.Check(SQLSetStmtAttr(h, SQL_ATTR_ROW_STATUS_PTR, rowStatus_.data(), 0), "row status");
  stmt_.Check(SQLSetStmtAttr(h, SQL_ATTR_ROWS_FETCHED_PTR, &fetched_, 0), "rows fetched");
  buffers_.resize(columns_.size());
  for (size_t i = 0; i < columns_.size(); ++i) {
    Buffer& b = buffers_[i];
    b.width = BoundWidth(columns_[i]);
    b.data.assign(b.width * rows_, '\0');
    b.indicators.assign(rows_, 0);
    stmt_.Check(SQLBindCol(h, static_cast<SQLUSMALLINT>(i + 1), ReadCType(columns_[i]),
                           b.data.data(), static_cast<SQLLEN>(b.width), b.indicators.data()),
                "binding a column");
  }
  bound_ = true;
}

bool ResultReader::FetchBlock(std::vector<std::vector<Variant>>& out) {
  if (done_ || columns_.empty()) return false;
  return bound_ ? FetchBound(out) : FetchRow(out);
}

bool ResultReader::FetchBound(std::vector<std::vector<Variant>>& out) {
  fetched_ = 0;
  SQLRETURN rc = SQLFetch(stmt_.get());
  if (rc == SQL_NO_DATA) {
    done_ = true;
    return false;
  }
  stmt_.Check(rc, "fetching rows");
  for (SQLULEN r = 0; r < fetched_; ++r) {
    if (rowStatus_[r] == SQL_ROW_ERROR) stmt_.calls().Throw(SQL_HANDLE_STMT, stmt_.get(), "a row");
    if (rowStatus_[r] == SQL_ROW_NOROW || rowStatus_[r] == SQL_ROW_DELETED) continue;
    std::vector<Variant> row;
    row.reserve(columns_.size());
    for (size_t i = 0; i < columns_.size(); ++i) {
      const Buffer& b = buffers_[i];
      SQLLEN length = b.indicators[r];
      if (length != SQL_NULL_DATA &&
          (length < 0 || static_cast<size_t>(length) > Room(columns_[i], b.width))) {
        // Longer than the driver said its column could be (psqlODBC gives an unsized
        // varchar 255 characters): read this value whole.
        row.push_back(ReadTruncated(r, i));
        continue;
      }
      row.push_back(Convert(columns_[i], b.data.data() + r * b.width, length));
    }
    out.push_back(std::move(row));
  }
  return true;
}

bool ResultReader::FetchRow(std::vector<std::vector<Variant>>& out) {
  SQLRETURN rc = SQLFetch(stmt_.get());
  if (rc == SQL_NO_DATA) {
    done_ = true;
    return false;
  }
  stmt_.Check(rc, "fetching a row");
  std::vector<Variant> row;
  row.reserve(columns_.size());
  for (size_t i = 0; i < columns_.size(); ++i) {
    const auto column = static_cast<SQLUSMALLINT>(i + 1);
    const ValueClass v = columns_[i].valueClass;
    // Text, bytes and decimals are read in pieces whatever their declared size.
    const bool pieces = v == ValueClass::Text || v == ValueClass::Bytes || v == ValueClass::Decimal;
    row.push_back(pieces ? ReadInPieces(column, columns_[i]) : ReadFixed(column, columns_[i]));
  }
  out.push_back(std::move(row));
  return true;
}

Variant ResultReader::ReadTruncated(SQLULEN row, size_t column) {
  if (!stmt_.session().canReadBoundColumnsOfARowset)
    throw DbError(
        "a value is longer than its column's declared size, and the driver cannot "
        "read it again",
        "01004");
  stmt_.Check(
      SQLSetPos(stmt_.get(), static_cast<SQLSETPOSIROW>(row + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE),
      "positioning on a row");
  return ReadInPieces(static_cast<SQLUSMALLINT>(column + 1), columns_[column]);
}

Variant ResultReader::ReadFixed(SQLUSMALLINT column, const ResultColumn& c) {
  const size_t width = BoundWidth(c);
  if (scratch_.size() < width) scratch_.resize(width);
  SQLLEN length = 0;
  SQLRETURN rc = SQLGetData(stmt_.get(), column, ReadCType(c), scratch_.data(),
                            static_cast<SQLLEN>(width), &length);
  stmt_.Check(rc, "reading a value");
  return Convert(c, scratch_.data(), length);
}

Variant ResultReader::ReadInPieces(SQLUSMALLINT column, const ResultColumn& c) {
  const SQLSMALLINT cType = ReadCType(c);
  const size_t terminator = cType == SQL_C_WCHAR ? sizeof(SQLWCHAR) : cType == SQL_C_CHAR ? 1 : 0;
  if (scratch_.size() < kPieceBytes) scratch_.resize(kPieceBytes);
  std::string data;
  bool any = false;
  for (;;) {
    SQLLEN length = 0;
    const size_t piece = any ? kPieceBytes : kFirstPieceBytes;
    SQLRETURN rc = SQLGetData(stmt_.get(), column, cType, scratch_.data(),
                              static_cast<SQLLEN>(piece), &length);
    if (rc == SQL_NO_DATA) break;
    stmt_.Check(rc, "reading a long value");
    if (length == SQL_NULL_DATA) return any ? Convert(c, data.data(), 0) : Variant();
    any = true;
    const size_t room = piece - terminator;
    if (length == SQL_NO_TOTAL || static_cast<size_t>(length) > room) {
      data.append(scratch_.data(), room);
      continue;
    }
    // A value that fits the first piece is converted straight from it.
    if (data.empty()) return Convert(c, scratch_.data(), length);
    data.append(scratch_.data(), static_cast<size_t>(length));
    break;
  }
  return Convert(c, data.data(), static_cast<SQLLEN>(data.size()));
}

}  // namespace mvq::db
