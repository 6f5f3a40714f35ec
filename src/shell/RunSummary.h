#pragma once
// An export run as JSON for scripts: one object with the run's direction, times, run log and
// end, and one object per table of its export list. README's mvqcli section names each field.
#include <string>

#include "shell/RunReport.h"

namespace mvq {

// The summary of run, which the batch runner ended with exitCode. UTF-8, one line.
std::string RunSummaryJson(const ExportRunReport& run, int exitCode);

}  // namespace mvq
