#include "platform/xls/Unicode.h"

#include "platform/text/Utf8.h"

namespace mvq::xls {

char32_t NextCodePoint(std::string_view s, size_t& i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char c = byte(i);
  if (c < 0x80) {
    ++i;
    return c;
  }
  size_t len = 0;
  char32_t cp = 0;
  if ((c & 0xE0) == 0xC0) {
    len = 2;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    len = 3;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    len = 4;
    cp = c & 0x07;
  }
  if (len == 0 || i + len > s.size()) {
    ++i;
    return 0xFFFD;
  }
  for (size_t k = 1; k < len; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (byte(i + k) & 0x3F);
  }
  static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return 0xFFFD;
  }
  i += len;
  return cp;
}

void ToUtf16(std::string_view utf8, std::u16string& out) {
  out.clear();
  size_t i = 0;
  while (i < utf8.size()) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {  // the common case, without the decoder
      out += static_cast<char16_t>(c);
      ++i;
      continue;
    }
    text::AppendUtf16(out, NextCodePoint(utf8, i));
  }
}

size_t Utf16Length(std::string_view utf8) {
  size_t n = 0;
  for (size_t i = 0; i < utf8.size();) n += NextCodePoint(utf8, i) >= 0x10000 ? 2 : 1;
  return n;
}

namespace {

bool IsWide(char32_t cp) {
  return (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
         (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
         (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
         (cp >= 0xFFE0 && cp <= 0xFFE6) || (cp >= 0x1F300 && cp <= 0x1FAFF) ||
         (cp >= 0x20000 && cp <= 0x3FFFD);
}

char32_t FoldCodePoint(char32_t cp) {
  if (cp >= 'A' && cp <= 'Z') return cp + 32;
  if ((cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) || (cp >= 0x410 && cp <= 0x42F)) return cp + 32;
  if (cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2) return cp + 32;  // Greek capitals
  if (cp >= 0x400 && cp <= 0x40F) return cp + 80;                 // Cyrillic Ѐ..Џ
  if (cp >= 0xFF21 && cp <= 0xFF3A) return cp + 32;               // full-width A..Z
  if (cp >= 0x100 && cp <= 0x17F && cp != 0x130 && cp != 0x131 && cp != 0x138 && cp != 0x149 &&
      cp != 0x17F) {
    // Latin Extended-A pairs letters as (even, odd) except in 0x139..0x148 and 0x179..0x17E.
    const bool oddUpper = (cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E);
    if (oddUpper ? (cp % 2 == 1) : (cp % 2 == 0)) return cp + 1;
  }
  return cp;
}

}  // namespace

size_t DisplayWidth(std::string_view utf8) {
  size_t w = 0;
  for (size_t i = 0; i < utf8.size();) w += IsWide(NextCodePoint(utf8, i)) ? 2 : 1;
  return w;
}

std::string FoldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) text::AppendUtf8(out, FoldCodePoint(NextCodePoint(utf8, i)));
  return out;
}

}  // namespace mvq::xls
