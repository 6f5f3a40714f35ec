#include "platform/jet/ValueDecode.h"

#include <cmath>
#include <cstdio>

#include "platform/jet/JetText.h"
#include "platform/text/Calendar.h"
#include "platform/text/Utf8.h"

namespace mvq::jet {

namespace {

__extension__ typedef unsigned __int128 U128;

uint64_t Get64(const uint8_t* p) {
  return uint64_t(Get32(p)) | (uint64_t(Get32(p + 4)) << 32);
}

std::string MagnitudeText(U128 m) {
  std::string digits;
  do {
    digits.insert(digits.begin(), char('0' + int(m % 10)));
    m /= 10;
  } while (m);
  return digits;
}

// A scaled integer as plain decimal text without trailing fractional zeros.
std::string ScaledText(bool negative, U128 magnitude, int scale) {
  std::string d = MagnitudeText(magnitude);
  if (scale > 0) {
    if (d.size() <= size_t(scale)) d.insert(0, size_t(scale) + 1 - d.size(), '0');
    d.insert(d.size() - size_t(scale), ".");
    while (d.back() == '0') d.pop_back();
    if (d.back() == '.') d.pop_back();
  }
  return (negative && magnitude ? "-" : "") + d;
}

std::string GuidText(const Bytes& b) {
  const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
  std::string s = "{";
  char hex[3];
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) s += '-';
    std::snprintf(hex, sizeof hex, "%02X", b[size_t(order[i])]);
    s += hex;
  }
  return s + "}";
}

// Access keeps any UTF-16 units, a lone surrogate among them: it is carried in the
// three-byte form UTF-8 refuses, so that a target which takes only valid text refuses its
// row rather than receive another character in its place.
std::string TextOf(const std::u16string& s) {
  return text::Utf16ToUtf8(s, text::LoneSurrogates::Keep);
}

}  // namespace

db::DateTime FromJetDate(double v) {
  if (!std::isfinite(v) || std::fabs(v) > 3.0e6)
    throw JetError("stored date " + std::to_string(v) + " outside any calendar Access shows");
  double whole = std::trunc(v);
  int64_t days = int64_t(whole);
  int64_t ms = std::llround(std::fabs(v - whole) * 86400000.0);
  if (ms >= 86400000) {
    ms -= 86400000;
    ++days;
  }
  text::CivilDay d = text::CivilFromDays(days + text::DaysFromCivil(1899, 12, 30));
  db::DateTime t;
  t.date = {int16_t(d.year), uint16_t(d.month), uint16_t(d.day)};
  t.time = {uint16_t(ms / 3600000), uint16_t(ms / 60000 % 60), uint16_t(ms / 1000 % 60)};
  t.fraction = uint32_t(ms % 1000) * 1000000u;
  return t;
}

db::Variant DecodeValue(const Column& c, const Cell& cell,
                        const std::function<Bytes(const Bytes&)>& longValue) {
  if (c.type == ColType::Bool) return db::Variant(cell.bit);
  if (cell.null) return {};
  const Bytes& b = cell.bytes;
  if (c.IsFixed() && b.size() < FixedSizeOf(c.type))
    throw JetError("column " + c.name + ": stored value cut short");
  switch (c.type) {
    case ColType::Byte:
      return db::Variant(int64_t{b[0]});
    case ColType::Int:
      return db::Variant(int64_t{int16_t(Get16(b.data()))});
    case ColType::Long:
      return db::Variant(int64_t{int32_t(Get32(b.data()))});
    case ColType::Money: {
      // Ten-thousandths in a signed 64-bit integer; the magnitude of its minimum is 2^63.
      const uint64_t u = Get64(b.data());
      const bool negative = u >> 63;
      return db::Variant(db::Decimal{ScaledText(negative, negative ? ~u + 1 : u, 4)});
    }
    case ColType::Float: {
      float f;
      std::memcpy(&f, b.data(), 4);
      return db::Variant(double(f));
    }
    case ColType::Double: {
      double d;
      std::memcpy(&d, b.data(), 8);
      return db::Variant(d);
    }
    case ColType::DateTime: {
      double d;
      std::memcpy(&d, b.data(), 8);
      return db::Variant(FromJetDate(d));
    }
    case ColType::Numeric: {
      U128 m = 0;
      for (int w = 3; w >= 0; --w) m = (m << 32) | Get32(&b[1 + 4 * size_t(3 - w)]);
      return db::Variant(db::Decimal{ScaledText(b[0] & 0x80, m, c.scale)});
    }
    case ColType::Guid:
      return db::Variant(GuidText(b));
    case ColType::Binary:
      return db::Variant(b);
    case ColType::Text:
      return db::Variant(TextOf(StoredText(b)));
    case ColType::Memo:
      return db::Variant(TextOf(StoredText(longValue(b))));
    case ColType::Ole:
      return db::Variant(longValue(b));
    default:
      throw JetError("column " + c.name + " has type " + std::to_string(int(c.type)) +
                     ", which this reader does not know");
  }
}

}  // namespace mvq::jet
