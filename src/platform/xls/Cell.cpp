#include "platform/xls/Cell.h"

#include <cmath>
#include <cstdio>

#include "platform/text/Calendar.h"

namespace mvq::xls {
namespace {

using text::DaysFromCivil;
using text::IsCalendarDate;

double DayFraction(int hour, int minute, int second, uint32_t nanos) {
  return (hour * 3600.0 + minute * 60.0 + second + nanos / 1e9) / 86400.0;
}

std::string FractionText(uint32_t nanos) {
  if (nanos == 0) return {};
  char buf[16];
  std::snprintf(buf, sizeof buf, ".%09u", nanos);
  std::string s(buf);
  while (s.back() == '0') s.pop_back();
  return s;
}

}  // namespace

double DateSerial(int year, int month, int day) {
  if (year < 1900 || year > 9999 || !IsCalendarDate(year, month, day)) return -1;
  const int64_t days = DaysFromCivil(year, month, day);
  // Excel counts a 1900-02-29 that never was, so serials before March 1900 are one lower.
  const int64_t base =
      (year == 1900 && month <= 2) ? DaysFromCivil(1899, 12, 31) : DaysFromCivil(1899, 12, 30);
  return static_cast<double>(days - base);
}

Cell Cell::Text(std::string text) {
  Cell c;
  c.kind = CellKind::kText;
  c.text = std::move(text);
  return c;
}

Cell Cell::Number(double value) {
  if (std::isnan(value)) return Text("NaN");
  if (std::isinf(value)) return Text(value > 0 ? "Infinity" : "-Infinity");
  Cell c;
  c.kind = CellKind::kNumber;
  c.number = value;
  return c;
}

Cell Cell::Bool(bool value) {
  Cell c;
  c.kind = CellKind::kBool;
  c.number = value ? 1 : 0;
  return c;
}

Cell Cell::Date(int year, int month, int day) {
  const double serial = DateSerial(year, month, day);
  if (serial < 0) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", year, month, day);
    return Text(buf);
  }
  Cell c;
  c.kind = CellKind::kDate;
  c.number = serial;
  return c;
}

Cell Cell::DateTime(int year, int month, int day, int hour, int minute, int second,
                    uint32_t nanos) {
  const double serial = DateSerial(year, month, day);
  if (serial < 0) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute,
                  second);
    return Text(buf + FractionText(nanos));
  }
  Cell c;
  c.kind = CellKind::kDateTime;
  c.number = serial + DayFraction(hour, minute, second, nanos);
  return c;
}

Cell Cell::Time(int hour, int minute, int second, uint32_t nanos) {
  Cell c;
  c.kind = CellKind::kTime;
  c.number = DayFraction(hour, minute, second, nanos);
  return c;
}

}  // namespace mvq::xls
