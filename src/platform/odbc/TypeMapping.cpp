#include "platform/odbc/TypeMapping.h"

#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <cctype>
#include <cstdlib>

#include "platform/odbc/FieldTypes.h"
#include "platform/text/AsciiCase.h"

namespace mvq::db {

namespace {
// OLE DB DBTYPE codes used by the provider-types rowset.
enum DbType : int {
  DBTYPE_I2 = 2,
  DBTYPE_I4 = 3,
  DBTYPE_R4 = 4,
  DBTYPE_R8 = 5,
  DBTYPE_BOOL = 11,
  DBTYPE_I1 = 16,
  DBTYPE_UI1 = 17,
  DBTYPE_UI2 = 18,
  DBTYPE_UI4 = 19,
  DBTYPE_I8 = 20,
  DBTYPE_UI8 = 21,
  DBTYPE_GUID = 72,
  DBTYPE_BYTES = 128,
  DBTYPE_STR = 129,
  DBTYPE_WSTR = 130,
  DBTYPE_NUMERIC = 131,
  DBTYPE_DBDATE = 133,
  DBTYPE_DBTIME = 134,
  DBTYPE_DBTIMESTAMP = 135,
};
}  // namespace

int AdoTypeOf(int sqlType, bool isUnsigned) {
  switch (sqlType) {
    case SQL_VARCHAR:
      return adVarChar;
    case SQL_WVARCHAR:
      return adVarWChar;
    case SQL_CHAR:
      return adChar;
    case SQL_WCHAR:
      return adWChar;
    case SQL_LONGVARCHAR:
      return adLongVarChar;
    case SQL_WLONGVARCHAR:
      return adLongVarWChar;
    case SQL_INTEGER:
      return isUnsigned ? adUnsignedInt : adInteger;
    case SQL_SMALLINT:
      return isUnsigned ? adUnsignedSmallInt : adSmallInt;
    case SQL_TINYINT:
      return isUnsigned ? adUnsignedTinyInt : adTinyInt;
    case SQL_BIGINT:
      return isUnsigned ? adUnsignedBigInt : adBigInt;
    case SQL_REAL:
      return adSingle;
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return adDouble;
    case SQL_DECIMAL:
      return adDecimal;
    case SQL_NUMERIC:
      return adNumeric;
    case SQL_BIT:
      return adBoolean;
    case SQL_TYPE_DATE:
    case SQL_DATE:
      return adDBDate;
    case SQL_TYPE_TIME:
    case SQL_TIME:
      return adDBTime;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
      return adDBTimeStamp;
    case SQL_BINARY:
      return adBinary;
    case SQL_VARBINARY:
      return adVarBinary;
    case SQL_LONGVARBINARY:
      return adLongVarBinary;
    case SQL_GUID:
      return adGUID;
    default:
      return adEmpty;
  }
}

std::optional<int> DbTypeOf(int sqlType, bool isUnsigned) {
  switch (sqlType) {
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
      return DBTYPE_STR;
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
      return DBTYPE_WSTR;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return DBTYPE_BYTES;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
      return DBTYPE_NUMERIC;
    case SQL_INTEGER:
      return isUnsigned ? DBTYPE_UI4 : DBTYPE_I4;
    case SQL_SMALLINT:
      return isUnsigned ? DBTYPE_UI2 : DBTYPE_I2;
    case SQL_TINYINT:
      return isUnsigned ? DBTYPE_UI1 : DBTYPE_I1;
    case SQL_BIGINT:
      return isUnsigned ? DBTYPE_UI8 : DBTYPE_I8;
    case SQL_REAL:
      return DBTYPE_R4;
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return DBTYPE_R8;
    case SQL_BIT:
      return DBTYPE_BOOL;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
      return DBTYPE_DBTIMESTAMP;
    case SQL_TYPE_DATE:
    case SQL_DATE:
      return DBTYPE_DBDATE;
    case SQL_TYPE_TIME:
    case SQL_TIME:
      return DBTYPE_DBTIME;
    case SQL_GUID:
      return DBTYPE_GUID;
    default:
      return std::nullopt;
  }
}

bool IsFixedLengthType(int sqlType) {
  switch (sqlType) {
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return false;
    default:
      return true;
  }
}

ValueClass ValueClassOf(int sqlType, bool isUnsigned) {
  switch (sqlType) {
    case SQL_BIT:
      return ValueClass::Bool;
    case SQL_TINYINT:
    case SQL_SMALLINT:
      return ValueClass::Int;
    case SQL_INTEGER:
      return isUnsigned ? ValueClass::BigInt : ValueClass::Int;
    // An unsigned bigint may exceed the signed range; its text stays exact.
    case SQL_BIGINT:
      return isUnsigned ? ValueClass::Decimal : ValueClass::BigInt;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
      return ValueClass::Double;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
      return ValueClass::Decimal;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return ValueClass::Bytes;
    case SQL_TYPE_DATE:
    case SQL_DATE:
      return ValueClass::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
      return ValueClass::Time;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
      return ValueClass::Timestamp;
    default:
      return ValueClass::Text;
  }
}

bool IsLongType(int sqlType) {
  return sqlType == SQL_LONGVARCHAR || sqlType == SQL_WLONGVARCHAR || sqlType == SQL_LONGVARBINARY;
}

std::optional<DeclaredDecimal> ParseDeclaredDecimal(std::string_view t) {
  const std::string lower = text::AsciiLower(t);
  size_t i = 0;
  if (lower.starts_with("numeric"))
    i = 7;
  else if (lower.starts_with("decimal"))
    i = 7;
  else
    return std::nullopt;
  while (i < lower.size() && lower[i] == ' ') ++i;
  if (i >= lower.size() || lower[i] != '(') return std::nullopt;
  const char* start = lower.c_str() + i + 1;
  char* end = nullptr;
  long p = std::strtol(start, &end, 10);
  if (end == start || p <= 0 || p > 1000) return std::nullopt;
  DeclaredDecimal d{static_cast<int>(p), 0};
  while (*end == ' ') ++end;
  if (*end == ',') {
    const char* s = end + 1;
    long scale = std::strtol(s, &end, 10);
    if (end == s || scale < 0 || scale > p) return std::nullopt;
    d.scale = static_cast<int>(scale);
    while (*end == ' ') ++end;
  }
  if (*end != ')') return std::nullopt;
  return d;
}

bool HasIntegerAffinity(std::string_view t) {
  for (size_t i = 0; i + 3 <= t.size(); ++i) {
    if (text::SameIgnoringCase(t.substr(i, 3), "INT")) return true;
  }
  return false;
}

std::string PlainDecimalText(std::string_view text) {
  size_t e = text.find_first_of("eE");
  if (e == std::string_view::npos) return std::string(text);
  std::string_view mantissa = text.substr(0, e);
  const char* expStart = text.data() + e + 1;
  char* expEnd = nullptr;
  long exponent = std::strtol(expStart, &expEnd, 10);
  if (expEnd == expStart || expEnd != text.data() + text.size() || exponent > 400 ||
      exponent < -400)
    return std::string(text);
  std::string sign;
  if (!mantissa.empty() && (mantissa[0] == '-' || mantissa[0] == '+')) {
    if (mantissa[0] == '-') sign = "-";
    mantissa.remove_prefix(1);
  }
  std::string digits;
  long pointPos = -1;
  for (char c : mantissa) {
    if (c == '.') {
      if (pointPos >= 0) return std::string(text);
      pointPos = static_cast<long>(digits.size());
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      digits += c;
    } else {
      return std::string(text);
    }
  }
  if (digits.empty()) return std::string(text);
  if (pointPos < 0) pointPos = static_cast<long>(digits.size());
  long point = pointPos + exponent;  // digits before the decimal point
  std::string out;
  if (point <= 0) {
    out = "0." + std::string(static_cast<size_t>(-point), '0') + digits;
  } else if (point >= static_cast<long>(digits.size())) {
    out = digits + std::string(static_cast<size_t>(point) - digits.size(), '0');
  } else {
    out = digits.substr(0, point) + "." + digits.substr(point);
  }
  // Leading zeros of the integer part and trailing zeros of the fraction carry nothing.
  size_t firstNonZero = out.find_first_not_of('0');
  if (firstNonZero == std::string::npos) return "0";
  if (out[firstNonZero] == '.') --firstNonZero;
  out.erase(0, firstNonZero);
  if (out.find('.') != std::string::npos) {
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
  }
  return out == "0" ? out : sign + out;
}

}  // namespace mvq::db
