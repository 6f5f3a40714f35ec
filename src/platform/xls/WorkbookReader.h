#pragma once
// Reading back the workbooks our writers write, to check them against their sources: each
// sheet's name and its rows of text, number and boolean cells. Date cells come back as the
// serial numbers they are stored as.
#include <string>
#include <vector>

#include "platform/xls/Cell.h"

namespace mvq::xls {

struct ReadSheet {
  std::string name;
  std::vector<std::vector<Cell>> rows;  // row 1 first; a row without cells is empty
};

// The sheets of a .xls or .xlsx file (by its extension), in tab order. Throws XlsError
// (kIo) when the file cannot be opened or is not a workbook of that format.
std::vector<ReadSheet> ReadWorkbookFile(const std::string& path);

// Places a cell at (row, col), both 0-based, growing the sheet as needed.
void PutCell(ReadSheet& sheet, size_t row, size_t col, Cell cell);

}  // namespace mvq::xls
