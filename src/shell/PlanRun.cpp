#include "shell/PlanRun.h"

#include <stdexcept>

#include "engine/DirectionTable.h"
#include "engine/utConvertDb.h"
#include "shell/VerifyRun.h"
#include "support/CurrentDirection.h"

namespace mvq {

bool CanPlan(int32_t direction, bool customToWorkbook) {
  return CanVerify(direction, customToWorkbook);
}

std::optional<std::vector<TablePlan>> PlanTables(ShellContext& c,
                                                 const std::vector<std::string>& tables) {
  const int32_t direction = CurrentDirection;
  if (!CanPlan(direction, c.customToWorkbook))
    throw std::logic_error("a workbook target has no plan");
  // The server functions go in only where they write the CREATE TABLE text.
  const bool install = FromServerFunction(DirectionOf(direction).createText);
  const auto mode = static_cast<TTableMode>(c.form.RGtableMode);
  std::vector<TablePlan> plans;
  if (!WithDirectionGateways(c, install, [&] {
        for (const std::string& t : tables) plans.push_back(PlanTable(t, mode));
      }))
    return std::nullopt;
  return plans;
}

}  // namespace mvq
