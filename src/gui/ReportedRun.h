#pragma once
// How an export run ended, as the window's summary is handed it from the export report. It
// names neither the report's table type nor the engine's, so the report's side and the
// summary's side each include it.
#include <string>
#include <vector>

#include "shell/UserInterface.h"

class QWidget;

namespace mvq {

// The engine's OutcomeStatus, value for value.
enum class ReportedStatus { NotReached, Exported, Partial, Skipped, Failed };

struct ReportedTable {
  std::string table;
  ReportedStatus status = ReportedStatus::NotReached;
  std::string firstError;
};

struct ReportedRun {
  std::vector<ReportedTable> tables;
  bool cancelled = false;
  std::string error;  // the error that ended the run, in the words the error box used
};

// The summary dialog over parent for such a run (RunSummaryDialog.cpp).
void ShowReportedRun(const ReportedRun& run, const std::string& logPath, UserInterface& ui,
                     QWidget* parent);

}  // namespace mvq
