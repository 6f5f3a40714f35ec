#include "platform/xls/Unicode.h"

#include "platform/text/Utf8.h"

namespace mvq::xls {

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
  for (size_t i = 0; i < utf8.size();) w += IsWide(text::NextCodePoint(utf8, i)) ? 2 : 1;
  return w;
}

std::string FoldCase(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();)
    text::AppendUtf8(out, FoldCodePoint(text::NextCodePoint(utf8, i)));
  return out;
}

}  // namespace mvq::xls
