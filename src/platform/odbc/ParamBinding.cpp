#include "platform/odbc/ParamBinding.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/odbc/WideText.h"

namespace mvq::db {

namespace {

using Kind = Variant::Kind;

// Text a value is sent as when its column mixes kinds; booleans as 1/0 so that numeric
// targets take them.
std::string BindText(const Variant& v) {
  if (v.kind() == Kind::Bool) return v.AsBool() ? "1" : "0";
  // An infinity as the literal that overflows to it: engines that read numbers from text
  // (SQLite) take "inf" for a word.
  if (v.kind() == Kind::Double && std::isinf(v.AsDouble()))
    return v.AsDouble() > 0 ? "1e999" : "-1e999";
  return v.AsText();
}

SQL_TIMESTAMP_STRUCT ToTimestamp(const Variant& v) {
  SQL_TIMESTAMP_STRUCT ts{};
  if (v.kind() == Kind::DateTime) {
    const auto& dt = v.AsDateTime();
    ts.year = dt.date.year;
    ts.month = dt.date.month;
    ts.day = dt.date.day;
    ts.hour = dt.time.hour;
    ts.minute = dt.time.minute;
    ts.second = dt.time.second;
    ts.fraction = dt.fraction;
  } else if (v.kind() == Kind::Date) {
    ts.year = v.AsDate().year;
    ts.month = v.AsDate().month;
    ts.day = v.AsDate().day;
  } else if (v.kind() == Kind::Time) {
    ts.hour = v.AsTime().hour;
    ts.minute = v.AsTime().minute;
    ts.second = v.AsTime().second;
  }
  return ts;
}

}  // namespace

CKind NaturalKind(const Variant& v, const BindOptions& options) {
  const CKind text = options.narrow ? CKind::NarrowText : CKind::WideText;
  switch (v.kind()) {
    case Kind::Null:
      return CKind::Null;
    case Kind::Bool:
      return CKind::Bit;
    case Kind::Int:
      return CKind::BigInt;
    case Kind::Double:
      return options.doublesAndTimestampsAsText ? text : CKind::Double;
    case Kind::Decimal:
      return CKind::DecimalText;
    case Kind::String:
      return text;
    case Kind::Bytes:
      return CKind::Binary;
    case Kind::Date:
      return options.datesAsText ? text : CKind::Date;
    case Kind::Time:
      return CKind::Time;
    case Kind::DateTime:
      return options.doublesAndTimestampsAsText || options.datesAsText ? text : CKind::Timestamp;
  }
  return CKind::Null;
}

CKind CommonKind(const std::vector<const Variant*>& values, const BindOptions& options) {
  CKind kind = CKind::Null;
  const CKind text = options.narrow ? CKind::NarrowText : CKind::WideText;
  for (const Variant* v : values) {
    CKind k = NaturalKind(*v, options);
    if (k == CKind::Null || k == kind) continue;
    if (kind == CKind::Null) {
      kind = k;
      continue;
    }
    auto either = [&](CKind a, CKind b) { return (kind == a && k == b) || (kind == b && k == a); };
    if (either(CKind::Bit, CKind::BigInt)) {
      kind = CKind::BigInt;
    } else if (either(CKind::Date, CKind::Timestamp)) {
      kind = CKind::Timestamp;
    } else if (options.doublesAndTimestampsAsText && either(CKind::Date, text)) {
      kind = text;
    } else if (either(CKind::DecimalText, CKind::BigInt) ||
               either(CKind::DecimalText, CKind::Bit) ||
               either(CKind::DecimalText, CKind::Double) || either(CKind::BigInt, CKind::Double)) {
      // Exact digits survive as decimal text; doubles write their shortest exact form.
      kind = CKind::DecimalText;
    } else {
      return text;
    }
  }
  return kind;
}

SQLSMALLINT CTypeOf(CKind kind) {
  switch (kind) {
    case CKind::Null:
      return SQL_C_CHAR;
    case CKind::Bit:
      return SQL_C_BIT;
    case CKind::BigInt:
      return SQL_C_SBIGINT;
    case CKind::Double:
      return SQL_C_DOUBLE;
    case CKind::DecimalText:
      return SQL_C_CHAR;
    case CKind::WideText:
      return SQL_C_WCHAR;
    case CKind::NarrowText:
      return SQL_C_CHAR;
    case CKind::Binary:
      return SQL_C_BINARY;
    case CKind::Date:
      return SQL_C_TYPE_DATE;
    case CKind::Time:
      return SQL_C_TYPE_TIME;
    case CKind::Timestamp:
      return SQL_C_TYPE_TIMESTAMP;
  }
  return SQL_C_CHAR;
}

size_t ElementBytes(CKind kind, const Variant& v) {
  switch (kind) {
    case CKind::Null:
      return 1;
    case CKind::Bit:
      return sizeof(unsigned char);
    case CKind::BigInt:
      return sizeof(SQLBIGINT);
    case CKind::Double:
      return sizeof(double);
    case CKind::Date:
      return sizeof(SQL_DATE_STRUCT);
    case CKind::Time:
      return sizeof(SQL_TIME_STRUCT);
    case CKind::Timestamp:
      return sizeof(SQL_TIMESTAMP_STRUCT);
    case CKind::DecimalText:
    case CKind::NarrowText:
      return v.IsNull() ? 1 : BindText(v).size() + 1;
    case CKind::WideText:
      return v.IsNull() ? sizeof(SQLWCHAR) : (ToUtf16(BindText(v)).size() + 1) * sizeof(SQLWCHAR);
    case CKind::Binary:
      if (v.kind() == Kind::Bytes) return std::max<size_t>(v.Blob().size(), 1);
      return v.IsNull() ? 1 : std::max<size_t>(BindText(v).size(), 1);
  }
  return 1;
}

void WriteElement(CKind kind, const Variant& v, char* dst, size_t width, SQLLEN* indicator) {
  if (v.IsNull() || kind == CKind::Null) {
    *indicator = SQL_NULL_DATA;
    return;
  }
  switch (kind) {
    case CKind::Null:
      break;
    case CKind::Bit: {
      unsigned char b = v.AsBool() ? 1 : 0;
      std::memcpy(dst, &b, sizeof b);
      *indicator = sizeof b;
      break;
    }
    case CKind::BigInt: {
      SQLBIGINT n = v.AsInt();
      std::memcpy(dst, &n, sizeof n);
      *indicator = sizeof n;
      break;
    }
    case CKind::Double: {
      double d = v.AsDouble();
      std::memcpy(dst, &d, sizeof d);
      *indicator = sizeof d;
      break;
    }
    case CKind::DecimalText:
    case CKind::NarrowText: {
      std::string s = BindText(v);
      size_t n = std::min(s.size(), width - 1);
      std::memcpy(dst, s.data(), n);
      dst[n] = '\0';
      *indicator = static_cast<SQLLEN>(n);
      break;
    }
    case CKind::WideText: {
      std::u16string s = ToUtf16(BindText(v));
      size_t units = std::min(s.size(), width / sizeof(SQLWCHAR) - 1);
      std::memcpy(dst, s.data(), units * sizeof(SQLWCHAR));
      std::memset(dst + units * sizeof(SQLWCHAR), 0, sizeof(SQLWCHAR));
      *indicator = static_cast<SQLLEN>(units * sizeof(SQLWCHAR));
      break;
    }
    case CKind::Binary: {
      size_t n;
      if (v.kind() == Kind::Bytes) {
        n = std::min(v.Blob().size(), width);
        if (n) std::memcpy(dst, v.Blob().data(), n);
      } else {
        std::string s = BindText(v);
        n = std::min(s.size(), width);
        std::memcpy(dst, s.data(), n);
      }
      *indicator = static_cast<SQLLEN>(n);
      break;
    }
    case CKind::Date: {
      SQL_TIMESTAMP_STRUCT ts = ToTimestamp(v);
      SQL_DATE_STRUCT d{ts.year, ts.month, ts.day};
      std::memcpy(dst, &d, sizeof d);
      *indicator = sizeof d;
      break;
    }
    case CKind::Time: {
      SQL_TIMESTAMP_STRUCT ts = ToTimestamp(v);
      SQL_TIME_STRUCT t{ts.hour, ts.minute, ts.second};
      std::memcpy(dst, &t, sizeof t);
      *indicator = sizeof t;
      break;
    }
    case CKind::Timestamp: {
      SQL_TIMESTAMP_STRUCT ts = ToTimestamp(v);
      std::memcpy(dst, &ts, sizeof ts);
      *indicator = sizeof ts;
      break;
    }
  }
}

SQLULEN ColumnSizeOf(CKind kind, const Variant& v) {
  if (v.IsNull()) return 1;
  switch (kind) {
    case CKind::WideText:
      return std::max<SQLULEN>(ToUtf16(BindText(v)).size(), 1);
    case CKind::NarrowText:
      return std::max<SQLULEN>(v.kind() == Kind::String ? v.Str().size() : BindText(v).size(), 1);
    case CKind::Binary:
      return ElementBytes(kind, v);
    case CKind::DecimalText: {
      SQLULEN digits = 0;
      for (char c : BindText(v)) digits += (c >= '0' && c <= '9');
      return std::max<SQLULEN>(digits, 1);
    }
    case CKind::Date:
      return 10;
    case CKind::Time:
      return 8;
    case CKind::Timestamp: {
      SQLSMALLINT d = DecimalDigitsOf(kind, v);
      return 19 + (d ? d + 1 : 0);
    }
    case CKind::BigInt:
      return 19;
    case CKind::Double:
      return 15;
    default:
      return 1;
  }
}

SQLSMALLINT DecimalDigitsOf(CKind kind, const Variant& v) {
  if (v.IsNull()) return 0;
  if (kind == CKind::Timestamp && v.kind() == Kind::DateTime) {
    uint32_t f = v.AsDateTime().fraction;
    if (f == 0) return 0;
    if (f % 1000000 == 0) return 3;
    if (f % 1000 == 0) return 6;
    return 9;
  }
  if (kind == CKind::DecimalText) {
    std::string s = BindText(v);
    auto point = s.find('.');
    if (point == std::string::npos || s.find_first_of("eE") != std::string::npos) return 0;
    return static_cast<SQLSMALLINT>(s.size() - point - 1);
  }
  return 0;
}

ColumnArray BuildColumnArray(const std::vector<const Variant*>& values,
                             const BindOptions& options) {
  ColumnArray a;
  a.kind = CommonKind(values, options);
  a.lengths.assign(values.size(), SQL_NULL_DATA);
  if (a.kind == CKind::WideText) {
    // Each text is converted once: its size, then its bytes.
    std::vector<std::u16string> texts(values.size());
    size_t units = 1;
    for (size_t r = 0; r < values.size(); ++r) {
      if (values[r]->IsNull()) continue;
      texts[r] = ToUtf16(BindText(*values[r]));
      units = std::max(units, texts[r].size() + 1);
      a.maxSize = std::max<SQLULEN>(a.maxSize, texts[r].size());
    }
    a.width = units * sizeof(SQLWCHAR);
    a.data.assign(a.width * values.size(), '\0');
    for (size_t r = 0; r < values.size(); ++r) {
      if (values[r]->IsNull()) continue;
      std::memcpy(a.data.data() + r * a.width, texts[r].data(), texts[r].size() * sizeof(SQLWCHAR));
      a.lengths[r] = static_cast<SQLLEN>(texts[r].size() * sizeof(SQLWCHAR));
    }
    return a;
  }
  if (a.kind == CKind::NarrowText || a.kind == CKind::DecimalText) {
    // Each value's text once; strings are used where they are.
    std::vector<std::string> owned(values.size());
    std::vector<std::string_view> texts(values.size());
    size_t width = 1;
    for (size_t r = 0; r < values.size(); ++r) {
      const Variant& v = *values[r];
      if (v.IsNull()) continue;
      if (v.kind() == Kind::String) {
        texts[r] = v.Str();
      } else {
        owned[r] = BindText(v);
        texts[r] = owned[r];
      }
      const std::string_view t = texts[r];
      width = std::max(width, t.size() + 1);
      if (a.kind == CKind::NarrowText) {
        a.maxSize = std::max<SQLULEN>(a.maxSize, t.size());
      } else {
        // As ColumnSizeOf and DecimalDigitsOf count them, from the same text.
        SQLULEN digits = 0;
        for (char c : t) digits += (c >= '0' && c <= '9');
        a.maxSize = std::max<SQLULEN>(a.maxSize, std::max<SQLULEN>(digits, 1));
        auto point = t.find('.');
        if (point != std::string_view::npos && t.find_first_of("eE") == std::string_view::npos)
          a.maxDigits = std::max(a.maxDigits, static_cast<SQLSMALLINT>(t.size() - point - 1));
      }
    }
    a.width = width;
    a.data.assign(a.width * values.size(), '\0');
    for (size_t r = 0; r < values.size(); ++r) {
      if (values[r]->IsNull()) continue;
      std::memcpy(a.data.data() + r * a.width, texts[r].data(), texts[r].size());
      a.lengths[r] = static_cast<SQLLEN>(texts[r].size());
    }
    return a;
  }
  a.width = 1;
  for (const Variant* v : values) {
    if (v->IsNull()) continue;
    a.width = std::max(a.width, ElementBytes(a.kind, *v));
    a.maxSize = std::max(a.maxSize, ColumnSizeOf(a.kind, *v));
    a.maxDigits = std::max(a.maxDigits, DecimalDigitsOf(a.kind, *v));
  }
  a.data.assign(a.width * values.size(), '\0');
  for (size_t r = 0; r < values.size(); ++r)
    WriteElement(a.kind, *values[r], a.data.data() + r * a.width, a.width, &a.lengths[r]);
  return a;
}

void ParamBuffers::Bind(SQLHSTMT stmt, const Params& params, const OdbcCalls& calls,
                        const BindOptions& options, bool describeNulls, SQLUSMALLINT first) {
  slots_.clear();
  for (size_t i = 0; i < params.size(); ++i) {
    const Variant& v = params[i].value;
    const auto number = static_cast<SQLUSMALLINT>(first + i);
    CKind kind = NaturalKind(v, options);
    auto slot = std::make_unique<Slot>();
    size_t width = ElementBytes(kind, v);
    slot->data.assign(width, '\0');
    WriteElement(kind, v, slot->data.data(), width, &slot->indicator);
    SQLSMALLINT sqlType;
    SQLULEN size = ColumnSizeOf(kind, v);
    SQLSMALLINT digits = DecimalDigitsOf(kind, v);
    switch (kind) {
      case CKind::Null: {
        sqlType = SQL_VARCHAR;
        SQLSMALLINT described = 0, describedDigits = 0, nullable = 0;
        SQLULEN describedSize = 0;
        if (describeNulls &&
            SQL_SUCCEEDED(SQLDescribeParam(stmt, number, &described, &describedSize,
                                           &describedDigits, &nullable))) {
          sqlType = described;
          size = describedSize;
          digits = describedDigits;
        }
        break;
      }
      case CKind::Bit:
        sqlType = SQL_BIT;
        break;
      case CKind::BigInt:
        sqlType = SQL_BIGINT;
        break;
      case CKind::Double:
        sqlType = SQL_DOUBLE;
        break;
      case CKind::DecimalText:
        sqlType = SQL_NUMERIC;
        break;
      case CKind::WideText:
        sqlType = size > 4000 ? SQL_WLONGVARCHAR : SQL_WVARCHAR;
        break;
      case CKind::NarrowText:
        sqlType = size > 8000 ? SQL_LONGVARCHAR : SQL_VARCHAR;
        break;
      case CKind::Binary:
        sqlType = size > 8000 ? SQL_LONGVARBINARY : SQL_VARBINARY;
        break;
      case CKind::Date:
        sqlType = SQL_TYPE_DATE;
        break;
      case CKind::Time:
        sqlType = SQL_TYPE_TIME;
        break;
      case CKind::Timestamp:
        sqlType = SQL_TYPE_TIMESTAMP;
        break;
      default:
        sqlType = SQL_VARCHAR;
    }
    SQLRETURN rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, CTypeOf(kind), sqlType, size,
                                    digits, slot->data.data(),
                                    static_cast<SQLLEN>(slot->data.size()), &slot->indicator);
    calls.Check(rc, SQL_HANDLE_STMT, stmt, "binding a parameter");
    slots_.push_back(std::move(slot));
  }
}

}  // namespace mvq::db
