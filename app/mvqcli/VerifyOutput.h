#pragma once
// mvqcli --verify and --verify-only: the tables compared with their sources, a line per
// table on stdout.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/TableOutcome.h"
#include "shell/Connecting.h"

namespace mvq::cli {

enum class VerifyVerdict { AllMatch, Mismatch, NotConnected };

// Compares each table and prints "match" or what differs, one line per table; each outcome
// keeps its result for the run's summary. The rows the copy refused explain a short target.
VerifyVerdict VerifyAndPrint(ShellContext& c, const std::vector<TableOutcome*>& tables);

}  // namespace mvq::cli
