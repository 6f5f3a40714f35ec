#pragma once
// The few Unicode operations the workbook writers need: UTF-8 to UTF-16 for BIFF8
// strings, Excel's character counts, display widths and sheet-name case folding.
#include <cstddef>
#include <string>
#include <string_view>

namespace mvq::xls {

// The code point at utf8[i], advancing i; malformed bytes give U+FFFD and advance one byte.
char32_t NextCodePoint(std::string_view utf8, size_t& i);

// Replaces `out` with the UTF-16 code units of utf8 (reusing its storage).
void ToUtf16(std::string_view utf8, std::u16string& out);

// Characters as Excel counts them in its limits: UTF-16 code units.
size_t Utf16Length(std::string_view utf8);

// Width in character cells of the default font: East Asian wide characters count two.
size_t DisplayWidth(std::string_view utf8);

// Folds letters the way Excel ignores case in sheet names (Latin, Greek, Cyrillic and
// full-width Latin; scripts without case pass unchanged).
std::string FoldCase(std::string_view utf8);

}  // namespace mvq::xls
