#pragma once
// Sheet names as Excel accepts them: 1 to 31 characters, none of []:*?/\, no apostrophe
// at either end, not "History", unique without regard to case.
#include <functional>
#include <string>
#include <string_view>

namespace mvq::xls {

inline constexpr size_t kMaxSheetNameChars = 31;

// True when Excel would take the two names for the same sheet.
bool SameSheetName(std::string_view a, std::string_view b);

// Throws XlsError (kSheetNameEmpty, kSheetNameTooLong, kSheetNameInvalidChar or
// kSheetNameReserved) when Excel would refuse the name; duplicates are the workbook's check.
void CheckSheetName(std::string_view name);

// A name Excel accepts, as close to `wanted` as can be: refused characters become '_',
// apostrophes at either end are dropped, the name is cut to 31 characters, and when
// `taken` says it is in use a suffix " (2)", " (3)" ... makes it unique.
std::string MakeSheetName(std::string_view wanted,
                          const std::function<bool(std::string_view)>& taken);

}  // namespace mvq::xls
