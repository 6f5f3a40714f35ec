#pragma once
// mvqcli --plan: what the run would do to each table, printed on stdout, the target left as
// it is.
#include <vector>

#include "engine/TableOutcome.h"
#include "shell/Connecting.h"

namespace mvq::cli {

// Plans each table and prints it; each outcome keeps its plan for the run's summary. False
// when the gateways did not connect.
bool PlanAndPrint(ShellContext& c, const std::vector<TableOutcome*>& tables);

}  // namespace mvq::cli
