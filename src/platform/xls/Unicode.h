#pragma once
// The Unicode operations the workbook writers need beyond platform/text/Utf8.h: display
// widths and sheet-name case folding.
#include <cstddef>
#include <string>
#include <string_view>

namespace mvq::xls {

// Width in character cells of the default font: East Asian wide characters count two.
size_t DisplayWidth(std::string_view utf8);

// Folds letters the way Excel ignores case in sheet names (Latin, Greek, Cyrillic and
// full-width Latin; scripts without case pass unchanged).
std::string FoldCase(std::string_view utf8);

}  // namespace mvq::xls
