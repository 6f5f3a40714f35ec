#include "platform/xls/WorkbookReader.h"

#include "platform/xls/Workbook.h"
#include "platform/xls/XlsReader.h"
#include "platform/xls/XlsxReader.h"

namespace mvq::xls {

std::vector<ReadSheet> ReadWorkbookFile(const std::string& path) {
  return FormatOfPath(path) == FileFormat::kXls ? ReadXls(path) : ReadXlsx(path);
}

void PutCell(ReadSheet& sheet, size_t row, size_t col, Cell cell) {
  if (sheet.rows.size() <= row) sheet.rows.resize(row + 1);
  std::vector<Cell>& cells = sheet.rows[row];
  if (cells.size() <= col) cells.resize(col + 1);
  cells[col] = std::move(cell);
}

}  // namespace mvq::xls
