#pragma once
// Writes a workbook as .xlsx through libxlsxwriter in its constant-memory mode.
#include <string>

namespace mvq::xls {

class Workbook;

// Throws XlsError when a sheet passes the .xlsx limits or libxlsxwriter fails; a partial file
// at path is left for the caller.
void WriteXlsx(Workbook& book, const std::string& path);

}  // namespace mvq::xls
