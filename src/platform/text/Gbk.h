#pragma once
// Code page 936 <-> UTF-8. Strings are UTF-8 inside the program; the run log and the
// settings file hold GBK bytes.
#include <string>
#include <string_view>

namespace mvq::text {

// Characters GBK cannot hold become "?".
std::string Utf8ToGbk(std::string_view utf8);
// Bytes that are not valid GBK become U+FFFD.
std::string GbkToUtf8(std::string_view gbk);

}  // namespace mvq::text
