#pragma once
// The check of copied tables against their sources, after an export run or instead of one:
// the direction's gateways opened again (without the server functions), each table compared
// on both ends, the gateways released.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/TableOutcome.h"
#include "shell/Connecting.h"

namespace mvq {

struct VerifyRequest {
  std::string table;
  int64_t rowsRefused = 0;          // rows the copy refused, known from its outcome
  std::vector<std::string> sheets;  // workbook target: the sheets the run wrote, if known
};

// Whether the direction's target can be read back here (a database, not a workbook).
bool CanVerify(int32_t direction, bool customToWorkbook);

// One result per request, in order; nullopt when the gateways did not connect (each
// failure has had its message). A workbook target is read back from its file.
std::optional<std::vector<VerifyResult>> VerifyTables(ShellContext& c,
                                                      const std::vector<VerifyRequest>& tables);

}  // namespace mvq
