#include "shell/PlanRun.h"

#include <filesystem>
#include <stdexcept>

#include "engine/DirectionTable.h"
#include "engine/utConvertDb.h"
#include "platform/odbc/ConnectionString.h"
#include "shell/VerifyRun.h"
#include "support/CurrentDirection.h"

namespace mvq {

bool CanPlan(int32_t direction, bool customToWorkbook) {
  return CanVerify(direction, customToWorkbook);
}

std::string MissingTargetFile(const FormState& form, int32_t direction) {
  const Endpoint target = DirectionOf(direction).target;
  if (target == Endpoint::Access)
    return std::filesystem::exists(form.edtfilename) ? std::string() : form.edtfilename;
  if (target == Endpoint::Custom) return db::MissingDatabaseFile(form.edtDest);
  return {};
}

std::string PlanWithoutTargetMessage(const std::string& file) {
  return "the target file " + file + " does not exist; a run would create it, a plan does not";
}

std::optional<std::vector<TablePlan>> PlanTables(ShellContext& c,
                                                 const std::vector<std::string>& tables) {
  const int32_t direction = CurrentDirection;
  if (!CanPlan(direction, c.customToWorkbook))
    throw std::logic_error("a workbook target has no plan");
  const DirectionRow& row = DirectionOf(direction);
  if (const std::string missing = MissingTargetFile(c.form, direction); !missing.empty()) {
    c.ui.Message(PlanWithoutTargetMessage(missing));
    return std::nullopt;
  }
  // The server functions go in only where they write the CREATE TABLE text.
  const bool install = FromServerFunction(row.createText);
  const auto mode = static_cast<TTableMode>(c.form.RGtableMode);
  std::vector<TablePlan> plans;
  if (!WithDirectionGateways(c, install, [&] {
        for (const std::string& t : tables) plans.push_back(PlanTable(t, mode));
      }))
    return std::nullopt;
  return plans;
}

}  // namespace mvq
