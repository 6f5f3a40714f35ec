#include "platform/odbc/SqliteFileReader.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/odbc/TypeMapping.h"

namespace mvq::db {

namespace {

// Seconds to wait for a writer's lock, as the driver waits.
constexpr int kBusyMilliseconds = 10000;

size_t SkipSpace(std::string_view s, size_t at = 0) {
  while (at < s.size() && std::isspace(static_cast<unsigned char>(s[at]))) ++at;
  return at;
}

// A text that is a decimal integer and nothing else (blanks around it aside), in range.
std::optional<int64_t> WholeInteger(std::string_view s) {
  size_t at = SkipSpace(s), end = s.size();
  while (end > at && std::isspace(static_cast<unsigned char>(s[end - 1]))) --end;
  if (at < end && s[at] == '+') ++at;
  int64_t n = 0;
  auto r = std::from_chars(s.data() + at, s.data() + end, n);
  if (at == end || r.ec != std::errc() || r.ptr != s.data() + end) return std::nullopt;
  return n;
}

// strtod's reading in the "C" locale, whatever the process's; nothing without a number.
// used: how many characters the number took.
std::optional<double> LeadingDouble(const std::string& text, size_t* used = nullptr) {
  static locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
  char* end = nullptr;
  double d = strtod_l(text.c_str(), &end, c);
  if (end == text.c_str()) return std::nullopt;
  if (used) *used = static_cast<size_t>(end - text.c_str());
  return d;
}

// A text that is a finite decimal number and nothing else (blanks around it aside); one
// that a double holds only approximately counts, as SQLite's REAL affinity takes it.
std::optional<double> WholeDouble(std::string_view s) {
  std::string text(s.substr(SkipSpace(s)));
  size_t used = 0;
  auto d = LeadingDouble(text, &used);
  if (!d || !std::isfinite(*d) || SkipSpace(text, used) != text.size()) return std::nullopt;
  // Hexadecimal numbers, infinities and NaN are strtod's, not SQLite's.
  for (size_t k = 0; k < used; ++k)
    if (std::isalpha(static_cast<unsigned char>(text[k])) && text[k] != 'e' && text[k] != 'E')
      return std::nullopt;
  return d;
}

// A run of digits at s[at...]: its value, and at moved past it.
std::optional<unsigned> Number(std::string_view s, size_t& at, size_t maxDigits) {
  size_t start = at;
  unsigned v = 0;
  while (at < s.size() && at - start < maxDigits && std::isdigit(static_cast<unsigned char>(s[at])))
    v = v * 10 + static_cast<unsigned>(s[at++] - '0');
  if (at == start) return std::nullopt;
  return v;
}

// "YYYY-MM-DD", the rest of the text after it left at `at`.
std::optional<Date> ParseDate(std::string_view s, size_t& at) {
  at = SkipSpace(s);
  auto y = Number(s, at, 5);
  if (!y || at >= s.size() || s[at++] != '-') return std::nullopt;
  auto m = Number(s, at, 2);
  if (!m || at >= s.size() || s[at++] != '-') return std::nullopt;
  auto d = Number(s, at, 2);
  static const unsigned kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (!d || *m < 1 || *m > 12 || *d < 1 || *d > kDays[*m - 1]) return std::nullopt;
  const bool leap = (*y % 4 == 0 && *y % 100 != 0) || *y % 400 == 0;
  if (*m == 2 && *d == 29 && !leap) return std::nullopt;
  return Date{static_cast<int16_t>(*y), static_cast<uint16_t>(*m), static_cast<uint16_t>(*d)};
}

// "YYYY-MM-DD[( |T)HH:MM[:SS[.fraction]]]", read as leniently as the driver reads it:
// blanks before the time, and whatever follows it (a zone, a stray point), are passed over.
std::optional<DateTime> ToDateTime(std::string_view s, bool dateOnly) {
  size_t at = 0;
  auto date = ParseDate(s, at);
  if (!date) return std::nullopt;
  DateTime dt{*date, {}, 0};
  if (dateOnly) return dt;
  while (at < s.size() && (s[at] == ' ' || s[at] == 'T')) ++at;
  if (at >= s.size() || !std::isdigit(static_cast<unsigned char>(s[at]))) return dt;
  // A time that is not at least "HH:MM" leaves the date at midnight.
  auto h = Number(s, at, 2);
  if (!h || at >= s.size() || s[at++] != ':') return dt;
  auto m = Number(s, at, 2);
  if (!m) return dt;
  unsigned sec = 0;
  if (at < s.size() && s[at] == ':') {
    ++at;
    auto v = Number(s, at, 2);
    if (!v) return std::nullopt;
    sec = *v;
    if (at < s.size() && s[at] == '.') {
      // The driver takes every digit as the count of nanoseconds, scaled up when there
      // are fewer than nine.
      ++at;
      size_t start = at;
      uint64_t fraction = 0;
      while (at < s.size() && std::isdigit(static_cast<unsigned char>(s[at]))) {
        if (fraction < UINT64_MAX / 100)
          fraction = fraction * 10 + static_cast<uint64_t>(s[at] - '0');
        ++at;
      }
      if (at > start)
        for (size_t n = at - start; n < 9; ++n) fraction *= 10;
      dt.fraction = static_cast<uint32_t>(fraction);
    }
  }
  if (*h > 23 || *m > 59 || sec > 59) return std::nullopt;
  dt.time = {static_cast<uint16_t>(*h), static_cast<uint16_t>(*m), static_cast<uint16_t>(sec)};
  return dt;
}

// The driver's truth test: the text starts with Y, T or a non-zero digit.
bool ToBool(std::string_view s) {
  return !s.empty() && s[0] != '\0' && std::strchr("Yy123456789Tt", s[0]) != nullptr;
}

// SQLite's own text of a double ("%!.15g": 15 significant digits, a point always), made
// without its printf where that is sure to give the same: a value between 1e-4 and 1e15 whose
// shortest exact form has at most 15 digits prints as that form. False elsewhere.
bool FastDoubleText(double d, std::string& out) {
  const double a = d < 0 ? -d : d;
  if (!(a >= 1e-4 && a < 1e15)) return false;
  char b[64];
  auto r = std::to_chars(b, b + sizeof b, d, std::chars_format::fixed);
  if (r.ec != std::errc()) return false;
  int significant = 0;
  bool started = false, point = false;
  for (const char* p = b; p < r.ptr; ++p) {
    if (*p == '.') {
      point = true;
    } else if (*p >= '0' && *p <= '9') {
      started = started || *p != '0';
      if (started) ++significant;
    }
  }
  // Trailing zeros of an integer count for to_chars but not for %g: keep to plain cases.
  if (significant > 15) return false;
  out.assign(b, r.ptr);
  if (!point) out += ".0";
  return true;
}

// A REAL's text where FastDoubleText gives none: SQLite's own text (own) where it reads back
// as the same double, else the shortest exact form.
void ExactDoubleText(double d, const std::string& own, std::string& out) {
  char b[32];
  auto r = std::to_chars(b, b + sizeof b, d);
  out.assign(b, r.ptr);
  if (LeadingDouble(own) == d) out = own;
}

}  // namespace

Variant ConvertSqliteValue(const ResultColumn& c, const SqliteValue& v) {
  if (v.storage == SQLITE_NULL) return Variant();
  const std::string_view text = v.text;
  // The value as SQLite holds it.
  auto stored = [&]() -> Variant {
    switch (v.storage) {
      case SQLITE_INTEGER:
        return Variant(v.integer);
      case SQLITE_FLOAT:
        return Variant(v.real);
      case SQLITE_BLOB: {
        auto p = reinterpret_cast<const uint8_t*>(text.data());
        return Variant(Bytes(p, p + text.size()));
      }
      default:
        return Variant(std::string(text));
    }
  };
  switch (c.valueClass) {
    case ValueClass::Bool:
      return Variant(ToBool(text));
    case ValueClass::Int:
    case ValueClass::BigInt: {
      if (v.storage == SQLITE_INTEGER) {
        // The driver reads 32-bit columns into 32 bits.
        if (c.valueClass == ValueClass::Int)
          return Variant(int64_t{static_cast<int32_t>(v.integer)});
        return Variant(v.integer);
      }
      if (v.storage == SQLITE_TEXT)
        if (auto n = WholeInteger(text)) return Variant(*n);
      return stored();
    }
    case ValueClass::Double: {
      if (v.storage == SQLITE_FLOAT) return Variant(v.real);
      if (v.storage == SQLITE_INTEGER) {
        // Integers beyond 2^53 have no double of their own.
        auto d = static_cast<double>(v.integer);
        if (d < 0x1p63 && static_cast<int64_t>(d) == v.integer) return Variant(d);
        return stored();
      }
      if (v.storage == SQLITE_TEXT)
        if (auto d = WholeDouble(text)) return Variant(*d);
      return stored();
    }
    case ValueClass::Decimal: {
      if (v.storage == SQLITE_FLOAT) {
        char b[32];
        auto r = std::to_chars(b, b + sizeof b, v.real);
        return Variant(Decimal{PlainDecimalText(std::string_view(b, r.ptr - b))});
      }
      if (v.storage == SQLITE_BLOB) return stored();
      std::string_view t = text;
      while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
      return Variant(Decimal{PlainDecimalText(t)});
    }
    case ValueClass::Text:
      return Variant(std::string(text));
    case ValueClass::Bytes: {
      auto p = reinterpret_cast<const uint8_t*>(text.data());
      return Variant(Bytes(p, p + text.size()));
    }
    case ValueClass::Date: {
      auto dt = v.storage == SQLITE_TEXT ? ToDateTime(text, true) : std::nullopt;
      return dt ? Variant(dt->date) : stored();
    }
    case ValueClass::Timestamp: {
      auto dt = v.storage == SQLITE_TEXT ? ToDateTime(text, false) : std::nullopt;
      return dt ? Variant(*dt) : stored();
    }
    case ValueClass::Time:
      break;
  }
  return Variant();
}

namespace {
SqliteReads& ReadsSetting() {
  static SqliteReads reads = SqliteReads::FileOrLiterals;
  return reads;
}
}  // namespace

void SetSqliteReads(SqliteReads reads) {
  ReadsSetting() = reads;
}

SqliteReads SqliteReadsSetting() {
  return ReadsSetting();
}

std::string SqliteExactExpression(const std::string& quotedColumn) {
  const std::string& c = quotedColumn;
  // "%!.20e" reads back as the same double, even where SQLite's quote() does not (below
  // 1e-290); only the sign of a negative zero is lost.
  return "case typeof(" + c + ") when 'real' then printf('%!.20e', " + c + ") || ' ' || cast(" + c +
         " as text) else quote(" + c + ") end";
}

Variant ConvertSqliteLiteral(const ResultColumn& c, std::string_view literal) {
  SqliteValue v;
  std::string text;
  if (literal == "NULL") {
    v.storage = SQLITE_NULL;
  } else if (literal.starts_with('\'')) {
    v.storage = SQLITE_TEXT;
    for (size_t at = 1; at + 1 < literal.size(); ++at) {
      text += literal[at];
      if (literal[at] == '\'') ++at;  // doubled
    }
  } else if (literal.starts_with("X'") && c.valueClass == ValueClass::Text) {
    // The driver shows a blob in a text column as its literal.
    v.storage = SQLITE_BLOB;
    text = literal;
  } else if (literal.starts_with("X'") && literal.size() >= 3) {
    v.storage = SQLITE_BLOB;
    auto nibble = [](char h) { return h <= '9' ? h - '0' : (h | 0x20) - 'a' + 10; };
    for (size_t at = 2; at + 2 < literal.size(); at += 2)
      text += static_cast<char>(nibble(literal[at]) << 4 | nibble(literal[at + 1]));
  } else if (size_t space = literal.find(' '); space != std::string_view::npos) {
    v.storage = SQLITE_FLOAT;
    std::string digits(literal.substr(0, space));
    v.real = LeadingDouble(digits).value_or(0);
    // In a binary column SQLite's own text, as the file reader gives it.
    if (c.valueClass == ValueClass::Bytes)
      text = literal.substr(space + 1);
    else if (!FastDoubleText(v.real, text))
      ExactDoubleText(v.real, std::string(literal.substr(space + 1)), text);
  } else {
    v.storage = SQLITE_INTEGER;
    std::from_chars(literal.data(), literal.data() + literal.size(), v.integer);
    text = literal;
  }
  v.text = text;
  return ConvertSqliteValue(c, v);
}

SqliteFileReader::SqliteFileReader(sqlite3* db, sqlite3_stmt* stmt,
                                   std::vector<ResultColumn> columns)
    : db_(db), stmt_(stmt), columns_(std::move(columns)) {}

SqliteFileReader::~SqliteFileReader() {
  if (thread_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  sqlite3_finalize(stmt_);
  sqlite3_close_v2(db_);
}

std::unique_ptr<SqliteFileReader> SqliteFileReader::Open(const std::string& file,
                                                         const std::string& sql,
                                                         const std::vector<ResultColumn>& columns) {
  if (SqliteReadsSetting() == SqliteReads::Literals || file.empty() || file == ":memory:" ||
      columns.empty())
    return nullptr;
  // Times have conversions of their own in the driver (a number is an hour); such results
  // stay with it.
  for (const auto& c : columns)
    if (c.valueClass == ValueClass::Time) return nullptr;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
      SQLITE_OK) {
    sqlite3_close_v2(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, kBusyMilliseconds);
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) !=
          SQLITE_OK ||
      !stmt || static_cast<size_t>(sqlite3_column_count(stmt)) != columns.size()) {
    sqlite3_finalize(stmt);
    sqlite3_close_v2(db);
    return nullptr;
  }
  return std::unique_ptr<SqliteFileReader>(new SqliteFileReader(db, stmt, columns));
}

bool SqliteFileReader::FetchBlock(std::vector<std::vector<Variant>>& out, size_t maxRows) {
  if (!thread_.joinable() && !finished_)
    thread_ = std::thread([this, maxRows] { ReadAhead(maxRows); });
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !ready_.empty() || finished_; });
  if (ready_.empty()) {
    if (error_) std::rethrow_exception(error_);
    return false;
  }
  Block block = std::move(ready_.front());
  ready_.pop_front();
  lock.unlock();
  changed_.notify_all();
  if (out.empty()) {
    out = std::move(block);
  } else {
    for (auto& row : block) out.push_back(std::move(row));
  }
  return true;
}

void SqliteFileReader::ReadAhead(size_t blockRows) {
  constexpr size_t kReadAhead = 2;
  for (;;) {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return ready_.size() < kReadAhead || stop_; });
      if (stop_) break;
    }
    Block block;
    bool more = false;
    try {
      more = ReadBlock(block, blockRows);
    } catch (...) {
      std::lock_guard lock(mutex_);
      error_ = std::current_exception();
      more = false;
    }
    {
      std::lock_guard lock(mutex_);
      if (!block.empty()) ready_.push_back(std::move(block));
      if (!more) finished_ = true;
    }
    changed_.notify_all();
    if (!more) break;
  }
}

bool SqliteFileReader::ReadBlock(Block& out, size_t maxRows) {
  if (done_) return false;
  static const char kHex[] = "0123456789ABCDEF";
  for (size_t n = 0; n < maxRows; ++n) {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_DONE) {
      done_ = true;
      return n > 0;
    }
    if (rc != SQLITE_ROW) throw DbError(sqlite3_errmsg(db_), "HY000", rc);
    std::vector<Variant> row;
    row.reserve(columns_.size());
    for (size_t i = 0; i < columns_.size(); ++i) {
      const ResultColumn& c = columns_[i];
      const int col = static_cast<int>(i);
      SqliteValue v;
      v.storage = sqlite3_column_type(stmt_, col);
      const bool binary = c.valueClass == ValueClass::Bytes;
      switch (v.storage) {
        case SQLITE_NULL:
          break;
        case SQLITE_INTEGER: {
          v.integer = sqlite3_column_int64(stmt_, col);
          const bool number = c.valueClass == ValueClass::Int ||
                              c.valueClass == ValueClass::BigInt ||
                              c.valueClass == ValueClass::Double;
          if (!number) {
            char b[24];
            auto r = std::to_chars(b, b + sizeof b, v.integer);
            scratch_.assign(b, r.ptr);
            v.text = scratch_;
          }
          break;
        }
        case SQLITE_BLOB:
          if (c.valueClass == ValueClass::Text) {
            // The driver shows a blob in a text column as X'hex'.
            auto p = static_cast<const uint8_t*>(sqlite3_column_blob(stmt_, col));
            size_t size = static_cast<size_t>(sqlite3_column_bytes(stmt_, col));
            scratch_ = "X'";
            for (size_t k = 0; k < size; ++k) {
              scratch_ += kHex[p[k] >> 4];
              scratch_ += kHex[p[k] & 15];
            }
            scratch_ += '\'';
            v.text = scratch_;
            break;
          }
          {
            // Its bytes, in any other column.
            auto p = static_cast<const char*>(sqlite3_column_blob(stmt_, col));
            v.text = std::string_view(
                p ? p : "", p ? static_cast<size_t>(sqlite3_column_bytes(stmt_, col)) : 0);
          }
          break;
        case SQLITE_FLOAT:
          v.real = sqlite3_column_double(stmt_, col);
          if (!binary) {
            // SQLite's own text has 15 digits; a double that needs more gets its shortest
            // exact form.
            if (!FastDoubleText(v.real, scratch_))
              ExactDoubleText(
                  v.real, reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col)), scratch_);
            v.text = scratch_;
            break;
          }
          [[fallthrough]];
        default: {
          // Text, or a number the way SQLite writes it (15 digits for doubles).
          auto p = binary ? static_cast<const char*>(sqlite3_column_blob(stmt_, col))
                          : reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
          size_t size = static_cast<size_t>(sqlite3_column_bytes(stmt_, col));
          v.text = std::string_view(p ? p : "", p ? size : 0);
        }
      }
      row.push_back(ConvertSqliteValue(c, v));
    }
    out.push_back(std::move(row));
  }
  return true;
}

}  // namespace mvq::db
