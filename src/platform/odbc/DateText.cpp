#include "platform/odbc/DateText.h"

#include <charconv>
#include <cstdint>

namespace mvq::db {

namespace {

// Reads exactly `width` digits (at least `width` when width is negative) at text[at].
bool Number(std::string_view text, size_t& at, int width, int64_t& out) {
  const size_t begin = at;
  while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
  const size_t n = at - begin;
  if (n == 0 || (width > 0 && n != static_cast<size_t>(width)) ||
      (width < 0 && n < static_cast<size_t>(-width)) || n > 9)
    return false;
  std::from_chars(text.data() + begin, text.data() + at, out);
  return true;
}

bool Take(std::string_view text, size_t& at, char c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

// "YYYY-MM-DD" from at; the era is read by the caller, at the end of the text.
bool DatePart(std::string_view text, size_t& at, Date& d) {
  int64_t y = 0, m = 0, day = 0;
  if (!Number(text, at, -4, y) || !Take(text, at, '-') || !Number(text, at, 2, m) ||
      !Take(text, at, '-') || !Number(text, at, 2, day))
    return false;
  if (y > INT16_MAX || m > 12 || day > 31) return false;
  d = {static_cast<int16_t>(y), static_cast<uint16_t>(m), static_cast<uint16_t>(day)};
  return true;
}

// " BC" at the end makes the year negative; true when the text ends there.
bool Era(std::string_view text, size_t at, Date& d) {
  std::string_view rest = text.substr(at);
  if (rest == " BC") {
    if (d.year == 0) return false;
    d.year = static_cast<int16_t>(-d.year);
    return true;
  }
  return rest.empty();
}

}  // namespace

std::optional<Date> ParseDateText(std::string_view text) {
  size_t at = 0;
  Date d;
  if (!DatePart(text, at, d) || !Era(text, at, d)) return std::nullopt;
  return d;
}

std::optional<DateTime> ParseDateTimeText(std::string_view text) {
  size_t at = 0;
  DateTime dt;
  int64_t h = 0, m = 0, s = 0;
  if (!DatePart(text, at, dt.date) || !(Take(text, at, ' ') || Take(text, at, 'T')) ||
      !Number(text, at, 2, h) || !Take(text, at, ':') || !Number(text, at, 2, m) ||
      !Take(text, at, ':') || !Number(text, at, 2, s) || h > 24 || m > 59 || s > 60)
    return std::nullopt;
  dt.time = {static_cast<uint16_t>(h), static_cast<uint16_t>(m), static_cast<uint16_t>(s)};
  if (Take(text, at, '.')) {
    uint32_t fraction = 0, scale = 0;
    const size_t begin = at;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
      if (scale == 9) continue;  // beyond nanoseconds: no engine here keeps those
      fraction = fraction * 10 + static_cast<uint32_t>(text[at] - '0');
      ++scale;
    }
    if (at == begin) return std::nullopt;
    for (; scale < 9; ++scale) fraction *= 10;
    dt.fraction = fraction;
  }
  // A zero offset, as a UTC session writes it.
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    size_t z = at + 1;
    int64_t hours = 0, minutes = 0;
    if (!Number(text, z, 2, hours)) return std::nullopt;
    if (Take(text, z, ':') && !Number(text, z, 2, minutes)) return std::nullopt;
    if (hours != 0 || minutes != 0) return std::nullopt;
    at = z;
  }
  if (!Era(text, at, dt.date)) return std::nullopt;
  return dt;
}

bool HasZeroParts(const Date& d) {
  return d.year == 0 || d.month == 0 || d.day == 0;
}

}  // namespace mvq::db
