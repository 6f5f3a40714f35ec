#pragma once
// A tagged field value, the way values travel between a source row and a target row:
// null stays null, numbers and dates keep their type, decimals keep every digit as text,
// blobs and long texts are carried whole.
#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace mvq::db {

struct Date {
  int16_t year = 0;  // negative before Christ, without a year 0 (4713 BC is -4713)
  uint16_t month = 0, day = 0;
  friend bool operator==(const Date&, const Date&) = default;
};
struct Time {
  uint16_t hour = 0, minute = 0, second = 0;
  friend bool operator==(const Time&, const Time&) = default;
};
struct DateTime {
  Date date;
  Time time;
  uint32_t fraction = 0;  // nanoseconds
  friend bool operator==(const DateTime&, const DateTime&) = default;
};
// Exact decimal in its plain text form ("-12345.678"), never through a double.
struct Decimal {
  std::string text;
  friend bool operator==(const Decimal&, const Decimal&) = default;
};
using Bytes = std::vector<uint8_t>;

class Variant {
 public:
  enum class Kind { Null, Bool, Int, Double, Decimal, String, Bytes, Date, Time, DateTime };

  Variant() = default;
  Variant(std::nullptr_t) {}
  Variant(bool v) : v_(v) {}
  Variant(int v) : v_(int64_t{v}) {}
  Variant(int64_t v) : v_(v) {}
  Variant(double v) : v_(v) {}
  Variant(Decimal v) : v_(std::move(v)) {}
  Variant(std::string v) : v_(std::move(v)) {}
  Variant(const char* v) : v_(std::string(v)) {}
  Variant(Bytes v) : v_(std::move(v)) {}
  Variant(Date v) : v_(v) {}
  Variant(Time v) : v_(v) {}
  Variant(DateTime v) : v_(v) {}

  Kind kind() const { return static_cast<Kind>(v_.index()); }
  bool IsNull() const { return kind() == Kind::Null; }

  bool AsBool() const;
  // Integer value; text and decimals are parsed, doubles truncated, null gives 0.
  int64_t AsInt() const;
  double AsDouble() const;
  // Text form: what log lines and text cells show. Null gives "", dates "YYYY-MM-DD",
  // timestamps "YYYY-MM-DD hh:mm:ss[.fraction]", a year before Christ (negative) with " BC"
  // after it, bytes as the raw bytes.
  std::string AsText() const;
  const std::string& Str() const { return std::get<std::string>(v_); }
  const Bytes& Blob() const { return std::get<Bytes>(v_); }
  const Decimal& Dec() const { return std::get<Decimal>(v_); }
  const Date& AsDate() const { return std::get<Date>(v_); }
  const Time& AsTime() const { return std::get<Time>(v_); }
  const DateTime& AsDateTime() const { return std::get<DateTime>(v_); }

  friend bool operator==(const Variant&, const Variant&) = default;

 private:
  std::variant<std::monostate, bool, int64_t, double, Decimal, std::string, Bytes, Date, Time,
               DateTime>
      v_;
};

}  // namespace mvq::db
