#pragma once
// UTF-8 <-> UTF-16 for the wide ODBC calls. Invalid input never throws: a broken UTF-8
// sequence or a lone surrogate becomes U+FFFD (platform/text/Utf8.h), so a bad byte cannot
// abort a copy.
#include <cstddef>
#include <string>
#include <string_view>

#include "platform/text/Utf8.h"

namespace mvq::db {

inline std::u16string ToUtf16(std::string_view utf8) {
  return text::Utf8ToUtf16(utf8);
}
inline std::string ToUtf8(const char16_t* text, size_t units) {
  return text::Utf16ToUtf8({text, units});
}
inline std::string ToUtf8(const std::u16string& text) {
  return text::Utf16ToUtf8(text);
}

}  // namespace mvq::db
