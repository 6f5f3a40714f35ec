#pragma once
// Parameter values into ODBC buffers: one row for queries, column-wise arrays for the
// appender. A column's values are written in one C type; the driver converts them to the
// parameter's SQL type.
#include <memory>
#include <vector>

#include "platform/odbc/Connection.h"
#include "platform/odbc/OdbcCalls.h"

namespace mvq::db {

// The C type values of one parameter travel in.
enum class CKind {
  Null,
  Bit,
  BigInt,
  Double,
  DecimalText,
  WideText,
  NarrowText,
  Binary,
  Date,
  Time,
  Timestamp
};

// How values are put to a driver.
struct BindOptions {
  bool narrow = false;  // text as UTF-8 bytes rather than UTF-16
  bool doublesAndTimestampsAsText = false;
  bool datesAsText = false;  // dates and timestamps as their text
};

// The natural C kind of one value.
CKind NaturalKind(const Variant& v, const BindOptions& options);
// One C kind for a column of values: their common kind, or text when they differ.
CKind CommonKind(const std::vector<const Variant*>& values, const BindOptions& options);

SQLSMALLINT CTypeOf(CKind kind);
// Bytes one value needs in a buffer of the given kind, terminator included.
size_t ElementBytes(CKind kind, const Variant& v);
// Writes v into dst (width bytes) as kind; sets the length/indicator.
void WriteElement(CKind kind, const Variant& v, char* dst, size_t width, SQLLEN* indicator);
// Characters (text), bytes (binary) or digits (decimal) of v as a parameter's column size.
SQLULEN ColumnSizeOf(CKind kind, const Variant& v);
// Fractional digits a timestamp or decimal value carries.
SQLSMALLINT DecimalDigitsOf(CKind kind, const Variant& v);

// One parameter's values for a parameter array, in one C kind.
struct ColumnArray {
  CKind kind = CKind::Null;
  size_t width = 0;        // bytes per element
  std::vector<char> data;  // rows * width
  std::vector<SQLLEN> lengths;
  SQLULEN maxSize = 1;        // largest ColumnSizeOf of the values
  SQLSMALLINT maxDigits = 0;  // largest DecimalDigitsOf of the values
};
ColumnArray BuildColumnArray(const std::vector<const Variant*>& values, const BindOptions& options);

// Binds one row of values as input parameters first, first+1, ...; the buffers live as
// long as this object. describeNulls: ask the driver what type a null parameter has.
class ParamBuffers {
 public:
  void Bind(SQLHSTMT stmt, const Params& params, const OdbcCalls& calls, const BindOptions& options,
            bool describeNulls, SQLUSMALLINT first = 1);

 private:
  struct Slot {
    std::vector<char> data;
    SQLLEN indicator = 0;
  };
  std::vector<std::unique_ptr<Slot>> slots_;
};

}  // namespace mvq::db
