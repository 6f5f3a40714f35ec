#include "platform/odbc/Variant.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace mvq::db {

namespace {
// Fixed-width decimal digits, written by hand: these texts are made for every date of a copy.
void Digits(std::string& out, unsigned v, int width) {
  char b[10];
  for (int i = width - 1; i >= 0; --i) {
    b[i] = static_cast<char>('0' + v % 10);
    v /= 10;
  }
  out.append(b, static_cast<size_t>(width));
}
// A year before Christ is written as its number; the caller adds the era at the end.
void AppendDate(std::string& out, const Date& d) {
  if (d.year < 0 && d.year > -10000 && d.month <= 99 && d.day <= 99) {
    AppendDate(out, Date{static_cast<int16_t>(-d.year), d.month, d.day});
    return;
  }
  if (d.year < 0 || d.year > 9999 || d.month > 99 || d.day > 99) {
    char b[32];
    std::snprintf(b, sizeof b, "%04d-%02u-%02u", d.year, d.month, d.day);
    out += b;
    return;
  }
  Digits(out, static_cast<unsigned>(d.year), 4);
  out += '-';
  Digits(out, d.month, 2);
  out += '-';
  Digits(out, d.day, 2);
}
void AppendEra(std::string& out, const Date& d) {
  if (d.year < 0 && d.year > -10000) out += " BC";
}
std::string DateText(const Date& d) {
  std::string s;
  AppendDate(s, d);
  AppendEra(s, d);
  return s;
}
void AppendTime(std::string& out, const Time& t) {
  Digits(out, t.hour % 100, 2);
  out += ':';
  Digits(out, t.minute % 100, 2);
  out += ':';
  Digits(out, t.second % 100, 2);
}
std::string TimeText(const Time& t) {
  std::string s;
  AppendTime(s, t);
  return s;
}
std::string DoubleText(double v) {
  if (std::isfinite(v) && v == std::floor(v) && std::fabs(v) < 1e15) {
    char b[32];
    std::snprintf(b, sizeof b, "%.0f", v);
    return b;
  }
  char b[40];
  std::snprintf(b, sizeof b, "%.15g", v);
  // Widen until it reads back exactly.
  if (std::strtod(b, nullptr) != v) std::snprintf(b, sizeof b, "%.17g", v);
  return b;
}
}  // namespace

bool Variant::AsBool() const {
  switch (kind()) {
    case Kind::Bool: return std::get<bool>(v_);
    case Kind::Int: return std::get<int64_t>(v_) != 0;
    case Kind::Double: return std::get<double>(v_) != 0;
    case Kind::String: {
      const auto& s = Str();
      return !(s.empty() || s == "0" || s == "False" || s == "false" || s == "FALSE");
    }
    case Kind::Decimal: return std::strtod(Dec().text.c_str(), nullptr) != 0;
    default: return false;
  }
}

int64_t Variant::AsInt() const {
  switch (kind()) {
    case Kind::Bool: return std::get<bool>(v_) ? 1 : 0;
    case Kind::Int: return std::get<int64_t>(v_);
    case Kind::Double: return static_cast<int64_t>(std::get<double>(v_));
    case Kind::Decimal: return std::strtoll(Dec().text.c_str(), nullptr, 10);
    case Kind::String: return std::strtoll(Str().c_str(), nullptr, 10);
    default: return 0;
  }
}

double Variant::AsDouble() const {
  switch (kind()) {
    case Kind::Bool: return std::get<bool>(v_) ? 1 : 0;
    case Kind::Int: return static_cast<double>(std::get<int64_t>(v_));
    case Kind::Double: return std::get<double>(v_);
    case Kind::Decimal: return std::strtod(Dec().text.c_str(), nullptr);
    case Kind::String: return std::strtod(Str().c_str(), nullptr);
    default: return 0;
  }
}

std::string Variant::AsText() const {
  switch (kind()) {
    case Kind::Null: return {};
    case Kind::Bool: return std::get<bool>(v_) ? "True" : "False";
    case Kind::Int: return std::to_string(std::get<int64_t>(v_));
    case Kind::Double: return DoubleText(std::get<double>(v_));
    case Kind::Decimal: return Dec().text;
    case Kind::String: return Str();
    case Kind::Bytes: return std::string(Blob().begin(), Blob().end());
    case Kind::Date: return DateText(AsDate());
    case Kind::Time: return TimeText(AsTime());
    case Kind::DateTime: {
      const auto& dt = AsDateTime();
      std::string s;
      s.reserve(32);
      AppendDate(s, dt.date);
      s += ' ';
      AppendTime(s, dt.time);
      if (dt.fraction >= 1000000000u) {
        // More than a second of nanoseconds (a driver's reading): every digit.
        char b[16];
        std::snprintf(b, sizeof b, ".%09u", dt.fraction);
        s += b;
      } else if (dt.fraction != 0) {
        s += '.';
        Digits(s, dt.fraction, 9);
      }
      while (dt.fraction != 0 && s.back() == '0') s.pop_back();
      AppendEra(s, dt.date);
      return s;
    }
  }
  return {};
}

}  // namespace mvq::db
