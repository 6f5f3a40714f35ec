#include "platform/xls/SheetName.h"

#include <string>

#include "platform/text/Utf8.h"
#include "platform/xls/Unicode.h"
#include "platform/xls/XlsError.h"

namespace mvq::xls {
namespace {

constexpr std::string_view kRefused = "[]:*?/\\";

}  // namespace

bool SameSheetName(std::string_view a, std::string_view b) {
  return a == b || FoldCase(a) == FoldCase(b);
}

void CheckSheetName(std::string_view name) {
  const std::string quoted = "\"" + std::string(name) + "\"";
  if (name.empty()) throw XlsError(XlsErrorCode::kSheetNameEmpty, "Sheet name is empty");
  if (text::Utf16Length(name) > kMaxSheetNameChars)
    throw XlsError(XlsErrorCode::kSheetNameTooLong,
                   "Sheet name " + quoted + " is longer than 31 characters");
  if (name.find_first_of(kRefused) != std::string_view::npos)
    throw XlsError(XlsErrorCode::kSheetNameInvalidChar,
                   "Sheet name " + quoted + " holds one of the characters []:*?/\\");
  if (name.front() == '\'' || name.back() == '\'')
    throw XlsError(XlsErrorCode::kSheetNameInvalidChar,
                   "Sheet name " + quoted + " starts or ends with an apostrophe");
  if (SameSheetName(name, "History"))
    throw XlsError(XlsErrorCode::kSheetNameReserved, "Sheet name History is reserved");
}

std::string MakeSheetName(std::string_view wanted,
                          const std::function<bool(std::string_view)>& taken) {
  std::string base(wanted);
  for (char& c : base)
    if (kRefused.find(c) != std::string_view::npos) c = '_';
  while (!base.empty() && base.front() == '\'') base.erase(0, 1);
  while (!base.empty() && base.back() == '\'') base.pop_back();
  if (base.empty()) base = "Sheet";
  if (SameSheetName(base, "History")) base += "_";
  const auto cut = [&](size_t chars) {
    std::string s(text::CutToUtf16Units(base, chars));
    while (!s.empty() && s.back() == '\'') s.pop_back();
    return s;
  };
  std::string name = cut(kMaxSheetNameChars);
  for (int n = 2; taken(name); ++n) {
    const std::string suffix = " (" + std::to_string(n) + ")";
    name = cut(kMaxSheetNameChars - suffix.size()) + suffix;
  }
  return name;
}

}  // namespace mvq::xls
