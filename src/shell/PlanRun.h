#pragma once
// A look at what an export run would do, before it runs: the direction's gateways opened as
// the run opens them, each table planned by the engine's own steps, the gateways released.
// The target is read, never written.
#include <optional>
#include <string>
#include <vector>

#include "engine/TableOutcome.h"
#include "shell/Connecting.h"

namespace mvq {

// Whether the direction writes into a database, whose tables a plan can describe.
bool CanPlan(int32_t direction, bool customToWorkbook);

// The database file the direction's target names when it does not exist (connecting, even
// to check the settings, would create it); empty otherwise.
std::string MissingTargetFile(const FormState& form, int32_t direction);
std::string PlanWithoutTargetMessage(const std::string& file);

// One plan per table, in order; nullopt when the gateways did not connect (each failure
// has had its message).
std::optional<std::vector<TablePlan>> PlanTables(ShellContext& c,
                                                 const std::vector<std::string>& tables);

}  // namespace mvq
