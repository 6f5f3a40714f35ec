#pragma once
// The sheets of a BIFF8 .xls file: its Workbook stream inside the compound file, read for
// the records our writer emits (BOUNDSHEET, SST with CONTINUE, LABELSST, LABEL, NUMBER, RK,
// MULRK, BOOLERR, BLANK, MULBLANK).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/xls/WorkbookReader.h"

namespace mvq::xls {

std::vector<ReadSheet> ReadXls(const std::string& path);

// The sheets of a Workbook stream already in memory.
std::vector<ReadSheet> ReadBiff8Stream(std::span<const uint8_t> stream);

}  // namespace mvq::xls
