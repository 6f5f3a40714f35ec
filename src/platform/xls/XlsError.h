#pragma once
// The one error type of the workbook writers: a code per format limit or misuse, and a
// message that names the sheet and the limit.
#include <stdexcept>
#include <string>

namespace mvq::xls {

enum class XlsErrorCode {
  kRowLimit,              // a .xls sheet holds 65,536 rows, a .xlsx sheet 1,048,576
  kColumnLimit,           // a .xls sheet holds 256 columns, a .xlsx sheet 16,384
  kCellTextTooLong,       // a cell holds at most 32,767 characters
  kSheetNameEmpty,        // Excel refuses an empty sheet name
  kSheetNameTooLong,      // sheet names have at most 31 characters
  kSheetNameInvalidChar,  // sheet names may not hold []:*?/\ nor start or end with '
  kSheetNameReserved,     // Excel keeps the name History for itself
  kSheetNameDuplicate,    // sheet names are unique without regard to case
  kSheetNotFound,         // no sheet of that name
  kLastSheet,             // a workbook keeps at least one sheet
  kSheetFinished,         // rows go to a sheet only until the next sheet starts
  kUnsupportedExtension,  // only .xls and .xlsx are written
  kWorkbookTooLarge,      // a BIFF8 stream addresses at most 4 GiB
  kIo,                    // the file or a temporary file could not be written
  kXlsxLibrary,           // libxlsxwriter reported an error
};

class XlsError : public std::runtime_error {
 public:
  XlsError(XlsErrorCode code, const std::string& message)
      : std::runtime_error(message), code_(code) {}
  XlsErrorCode code() const { return code_; }

 private:
  XlsErrorCode code_;
};

}  // namespace mvq::xls
