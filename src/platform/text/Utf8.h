#pragma once
// UTF-8 and UTF-16, decoded and encoded in one place. Text is UTF-8 inside the program;
// the wide ODBC calls, BIFF8 strings and Jet pages want UTF-16, and Excel and Jet count
// their limits in UTF-16 units.
//
// A broken UTF-8 sequence never throws and never swallows what follows it: each maximal
// subpart of an ill-formed sequence (the longest start of a well-formed one, else a single
// byte) becomes one U+FFFD, as Unicode recommends. So a character cut short gives one
// U+FFFD, a stray byte one, and an overlong form or an encoded surrogate one per byte.
#include <cstddef>
#include <string>
#include <string_view>

namespace mvq::text {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// The code point at utf8[i], advancing i past it (past the broken part for U+FFFD). `broken`,
// when given, tells a U+FFFD the text spelled from one it did not.
char32_t NextCodePoint(std::string_view utf8, size_t& i, bool* broken = nullptr);

bool IsValidUtf8(std::string_view utf8);

// UTF-16 units of the text, a broken part counting as the one U+FFFD it becomes.
size_t Utf16Length(std::string_view utf8);
// The longest prefix of utf8 with at most `units` UTF-16 units; never ends inside a character.
std::string_view CutToUtf16Units(std::string_view utf8, size_t units);

std::u16string Utf8ToUtf16(std::string_view utf8);
// Replaces `out` with the UTF-16 of utf8, reusing its storage.
void Utf8ToUtf16(std::string_view utf8, std::u16string& out);
// A lone surrogate becomes U+FFFD, or with Keep its own three bytes (which no valid UTF-8
// holds, so that a check of the text finds it).
enum class LoneSurrogates { Replace, Keep };
std::string Utf16ToUtf8(std::u16string_view utf16, LoneSurrogates lone = LoneSurrogates::Replace);

inline void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// A code point above U+FFFF as a surrogate pair.
inline void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out += static_cast<char16_t>(cp);
  } else {
    out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
    out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
  }
}

}  // namespace mvq::text
