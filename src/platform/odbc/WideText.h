#pragma once
// UTF-8 <-> UTF-16 for the wide ODBC calls. Invalid input never throws: a broken UTF-8
// sequence or a lone surrogate becomes U+FFFD, so a bad byte cannot abort a copy.
#include <cstddef>
#include <string>
#include <string_view>

namespace mvq::db {

std::u16string ToUtf16(std::string_view utf8);
std::string ToUtf8(const char16_t* text, size_t units);
inline std::string ToUtf8(const std::u16string& text) {
  return ToUtf8(text.data(), text.size());
}

}  // namespace mvq::db
