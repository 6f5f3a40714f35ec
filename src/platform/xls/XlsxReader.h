#pragma once
// The sheets of a .xlsx file: the zip's workbook part, its relationships, the shared
// strings and each worksheet's cells (shared, inline and formula strings, numbers, booleans).
#include <string>
#include <vector>

#include "platform/xls/WorkbookReader.h"

namespace mvq::xls {

std::vector<ReadSheet> ReadXlsx(const std::string& path);

}  // namespace mvq::xls
