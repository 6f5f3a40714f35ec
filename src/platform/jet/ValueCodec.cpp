#include "platform/jet/ValueCodec.h"

#include <cctype>
#include <cfloat>
#include <cmath>
#include <limits>

#include "platform/jet/JetText.h"
#include "platform/text/AsciiCase.h"
#include "platform/text/Calendar.h"
#include "platform/text/Utf8.h"

namespace mvq::jet {

namespace {

__extension__ typedef unsigned __int128 U128;  // the 96-bit magnitudes of decimals

[[noreturn]] void OutOfRange(const Column& c, const db::Variant& v) {
  throw JetError("value " + v.AsText() + " out of range for column " + c.name);
}

int64_t CheckedInt(const Column& c, const db::Variant& v, int64_t lo, int64_t hi) {
  if (v.kind() == db::Variant::Kind::Double) {
    double d = std::nearbyint(v.AsDouble());
    if (!(d >= double(lo) && d <= double(hi))) OutOfRange(c, v);
    return int64_t(d);
  }
  if (v.kind() == db::Variant::Kind::Decimal || v.kind() == db::Variant::Kind::String) {
    const std::string& t = v.kind() == db::Variant::Kind::Decimal ? v.Dec().text : v.Str();
    char* end = nullptr;
    errno = 0;
    double d = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || errno == ERANGE)
      throw JetError("not a number for column " + c.name + ": " + t);
    d = std::nearbyint(d);
    if (!(d >= double(lo) && d <= double(hi))) OutOfRange(c, v);
    return int64_t(d);
  }
  int64_t i = v.AsInt();
  if (i < lo || i > hi) OutOfRange(c, v);
  return i;
}

// Digits of a plain decimal text as an integer scaled to `scale` places, rounding half away
// from zero; throws when it has more than maxDigits digits.
struct Scaled {
  bool negative = false;
  U128 magnitude = 0;
  int digits = 0;
};

Scaled ScaleDecimal(const Column& c, const std::string& text, int scale) {
  Scaled s;
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) s.negative = text[i++] == '-';
  int frac = -1;
  bool roundUp = false, any = false;
  for (; i < text.size(); ++i) {
    char ch = text[i];
    if (ch == '.' && frac < 0) {
      frac = 0;
      continue;
    }
    if (ch < '0' || ch > '9') throw JetError("not a number for column " + c.name + ": " + text);
    any = true;
    if (frac >= scale) {
      if (frac == scale) roundUp = ch >= '5';
      ++frac;
      continue;
    }
    if (frac >= 0) ++frac;
    s.magnitude = s.magnitude * 10 + unsigned(ch - '0');
    if (s.magnitude > (U128)(~uint64_t(0)) * 1000000000000ull)
      throw JetError("value " + text + " out of range for column " + c.name);
  }
  if (!any) throw JetError("not a number for column " + c.name + ": " + text);
  for (int k = std::max(frac, 0); k < scale; ++k) s.magnitude *= 10;
  if (roundUp) s.magnitude += 1;
  for (U128 m = s.magnitude; m; m /= 10) ++s.digits;
  return s;
}

std::string DecimalText(const db::Variant& v) {
  if (v.kind() == db::Variant::Kind::Decimal) return v.Dec().text;
  if (v.kind() == db::Variant::Kind::Double) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v.AsDouble());
    return buf;
  }
  return v.AsText();
}

// Text that is no valid UTF-8 (a source's broken bytes) would reach the file with U+FFFD
// in place of what it held: its row is refused instead.
std::u16string Utf16Of(const Column& c, const db::Variant& v) {
  const std::string t = v.AsText();
  if (!text::IsValidUtf8(t)) throw JetError("text that is no valid UTF-8 for column " + c.name);
  return text::Utf8ToUtf16(t);
}

}  // namespace

double JetDate(const db::DateTime& t) {
  int64_t days = text::DaysFromCivil(t.date.year, t.date.month, t.date.day) -
                 text::DaysFromCivil(1899, 12, 30);
  // To the millisecond, the most a day's fraction in a double holds at every date.
  int64_t ms = (t.time.hour * 3600 + t.time.minute * 60 + t.time.second) * 1000 +
               std::llround(t.fraction / 1e6);
  if (ms >= 86400000) {
    ms -= 86400000;
    ++days;
  }
  const double frac = double(ms) / 86400000.0;
  return days < 0 ? double(days) - frac : double(days) + frac;
}

bool EncodeBool(const db::Variant& v) {
  if (v.kind() == db::Variant::Kind::String) {
    const std::string& s = v.Str();
    return !(s.empty() || s == "0" || text::SameIgnoringCase(s, "false") ||
             text::SameIgnoringCase(s, "no"));
  }
  return v.AsBool();
}

Bytes EncodeFixed(const Column& c, const db::Variant& v) {
  Bytes out(FixedSizeOf(c.type), 0);
  switch (c.type) {
    case ColType::Byte:
      out[0] = uint8_t(CheckedInt(c, v, 0, 255));
      break;
    case ColType::Int:
      Put16(out.data(), uint16_t(CheckedInt(c, v, INT16_MIN, INT16_MAX)));
      break;
    case ColType::Long:
      Put32(out.data(), uint32_t(CheckedInt(c, v, INT32_MIN, INT32_MAX)));
      break;
    case ColType::Float: {
      double d = v.AsDouble();
      if (std::isfinite(d) && std::fabs(d) > FLT_MAX) OutOfRange(c, v);
      float f = float(d);
      std::memcpy(out.data(), &f, 4);
      break;
    }
    case ColType::Double: {
      double d = v.AsDouble();
      std::memcpy(out.data(), &d, 8);
      break;
    }
    case ColType::Money: {
      Scaled s = ScaleDecimal(c, DecimalText(v), 4);
      if (s.magnitude > (U128)INT64_MAX + (s.negative ? 1 : 0)) OutOfRange(c, v);
      uint64_t m = uint64_t(s.magnitude);
      Put64(out.data(), s.negative ? uint64_t(0) - m : m);
      break;
    }
    case ColType::Numeric: {
      Scaled s = ScaleDecimal(c, DecimalText(v), c.scale);
      if (s.digits > c.precision) OutOfRange(c, v);
      out[0] = s.negative && s.magnitude ? 0x80 : 0;
      // Four 32-bit little-endian words, the most significant first.
      for (int w = 0; w < 4; ++w) Put32(&out[1 + 4 * (3 - w)], uint32_t(s.magnitude >> (32 * w)));
      break;
    }
    case ColType::DateTime: {
      db::DateTime t;
      if (v.kind() == db::Variant::Kind::DateTime)
        t = v.AsDateTime();
      else if (v.kind() == db::Variant::Kind::Date)
        t.date = v.AsDate();
      else if (v.kind() == db::Variant::Kind::Time) {
        t.date = {1899, 12, 30};
        t.time = v.AsTime();
      } else
        throw JetError("not a date for column " + c.name + ": " + v.AsText());
      if (t.date.year < 100 || t.date.year > 9999) OutOfRange(c, v);
      // A zero month or day (MariaDB's '2024-00-15') would count back into another date.
      if (!text::IsCalendarDate(t.date.year, t.date.month, t.date.day) || t.time.hour > 23 ||
          t.time.minute > 59 || t.time.second > 59)
        throw JetError("not a date for column " + c.name + ": " + v.AsText());
      double d = JetDate(t);
      std::memcpy(out.data(), &d, 8);
      break;
    }
    case ColType::Guid: {
      // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}": the first three groups little-endian.
      std::string hex;
      for (char ch : v.AsText())
        if (std::isxdigit(static_cast<unsigned char>(ch))) hex += ch;
      if (hex.size() != 32) throw JetError("not a GUID for column " + c.name + ": " + v.AsText());
      uint8_t raw[16];
      for (int i = 0; i < 16; ++i)
        raw[i] = uint8_t(std::stoi(hex.substr(2 * size_t(i), 2), nullptr, 16));
      const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
      for (int i = 0; i < 16; ++i) out[size_t(i)] = raw[order[i]];
      break;
    }
    default:
      throw JetError("column " + c.name + " has no fixed value");
  }
  return out;
}

Bytes EncodeVariable(const Column& c, const db::Variant& v) {
  if (c.type == ColType::Binary) {
    Bytes b = v.kind() == db::Variant::Kind::Bytes ? v.Blob()
                                                   : Bytes(v.AsText().begin(), v.AsText().end());
    if (b.size() > c.length) throw JetError("value longer than column " + c.name + " holds");
    return b;
  }
  std::u16string s = Utf16Of(c, v);
  if (s.size() * 2 > c.length)
    throw JetError("text of " + std::to_string(s.size()) + " characters longer than column " +
                   c.name + " (" + std::to_string(c.length / 2) + ")");
  return c.compressed ? CompressedText(s) : Utf16Le(s);
}

Bytes EncodeLongValue(const Column& c, const db::Variant& v) {
  if (c.type == ColType::Ole) {
    if (v.kind() == db::Variant::Kind::Bytes) return v.Blob();
    std::string t = v.AsText();
    return Bytes(t.begin(), t.end());
  }
  return Utf16Le(Utf16Of(c, v));
}

}  // namespace mvq::jet
