#pragma once
// Writes a workbook as a BIFF8 .xls: the Workbook stream of an OLE2 compound file.
#include <string>

namespace mvq::xls {

class Workbook;

// Throws XlsError when a sheet passes the .xls limits or the file cannot be written.
void WriteXls(Workbook& book, const std::string& path);

}  // namespace mvq::xls
