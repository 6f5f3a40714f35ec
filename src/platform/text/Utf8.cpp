#include "platform/text/Utf8.h"

namespace mvq::text {

char32_t NextCodePoint(std::string_view s, size_t& i, bool* broken) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i++);
  if (broken) *broken = false;
  if (lead < 0x80) return lead;
  // The well-formed sequences: the lead byte decides how many follow and the range of the
  // first of them (which is what rules out overlong forms, surrogates and values past U+10FFFF).
  size_t extra = 0;
  char32_t cp = 0;
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    extra = 1;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    extra = 2;
    cp = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    extra = 3;
    cp = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  bool wellFormed = extra != 0;
  for (size_t k = 0; wellFormed && k < extra; ++k) {
    wellFormed = i < s.size() && byte(i) >= low && byte(i) <= high;
    if (wellFormed) cp = (cp << 6) | (byte(i++) & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  if (!wellFormed) {
    if (broken) *broken = true;
    return kReplacementCharacter;
  }
  return cp;
}

bool IsValidUtf8(std::string_view utf8) {
  for (size_t i = 0; i < utf8.size();) {
    bool broken = false;
    NextCodePoint(utf8, i, &broken);
    if (broken) return false;
  }
  return true;
}

size_t Utf16Length(std::string_view utf8) {
  size_t n = 0;
  for (size_t i = 0; i < utf8.size();) n += NextCodePoint(utf8, i) >= 0x10000 ? 2 : 1;
  return n;
}

std::string_view CutToUtf16Units(std::string_view utf8, size_t units) {
  size_t at = 0, used = 0;
  while (at < utf8.size()) {
    size_t next = at;
    const size_t n = NextCodePoint(utf8, next) >= 0x10000 ? 2 : 1;
    if (used + n > units) break;
    used += n;
    at = next;
  }
  return utf8.substr(0, at);
}

void Utf8ToUtf16(std::string_view utf8, std::u16string& out) {
  out.clear();
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {  // the common case, without the decoder
      out += static_cast<char16_t>(c);
      ++i;
    } else {
      AppendUtf16(out, NextCodePoint(utf8, i));
    }
  }
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  Utf8ToUtf16(utf8, out);
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s, LoneSurrogates lone) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t c = s[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    else if (c >= 0xD800 && c <= 0xDFFF && lone == LoneSurrogates::Replace)
      c = kReplacementCharacter;
    AppendUtf8(out, c);
  }
  return out;
}

}  // namespace mvq::text
