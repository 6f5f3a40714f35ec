#include "shell/RunReport.h"

#include <algorithm>

namespace mvq {

bool EveryTableDone(const ExportRunReport& run) {
  return std::all_of(run.tables.begin(), run.tables.end(), [](const TableOutcome& t) {
    return t.status == OutcomeStatus::Exported || t.status == OutcomeStatus::Skipped;
  });
}

}  // namespace mvq
