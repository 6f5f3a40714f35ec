#pragma once
// How one table of an export run ended, as a value: the run log, the terminal, the window's
// summary and the JSON summary are views of it, so none of them reads the log back.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gates/ado/ColumnLoss.h"

namespace mvq {

// What the existing-table step did before the copy.
enum class ExistingStep {
  None,       // the step did not run (not reached, or the table failed before it)
  Created,    // the table was absent and was created
  Skipped,    // it existed and the user chose to skip existing tables
  Emptied,    // it existed and its rows were deleted
  Recreated,  // it existed and was dropped and created again
  Kept,       // it existed and the rows were appended to it as it was
};

enum class OutcomeStatus {
  NotReached,  // the run was cancelled or ended before the table
  Exported,    // every counted row written (or every sheet written)
  Partial,     // some rows or sheets written, fewer than counted
  Skipped,     // left alone as the user asked (an existing table in skip mode)
  Failed,      // nothing of the table arrived, or its step failed
};

// The result of checking a copied table against its source, when one was asked for.
struct VerifyResult {
  bool match = false;
  int64_t sourceRows = 0;
  int64_t targetRows = 0;
  std::vector<std::string> columnsDiffering;  // source column names whose checksums differ
  std::string detail;                         // one line for the terminal when not matching
};

// What an export run would do with a table, found without changing the target.
struct TablePlan {
  std::string refused;                     // why the target cannot hold the name; empty if it can
  bool exists = false;                     // the table is in the target now
  ExistingStep step = ExistingStep::None;  // what the existing-table step would do
  bool copies = false;                     // rows would be copied after the step
  std::vector<std::string> statements;     // what the existing-table step would execute
  std::string createSql;                   // the CREATE TABLE text; empty when none would run
  std::vector<ddl::ColumnLoss> losses;     // the columns of createSql that lose something
  std::string error;                       // why the plan could not be made, empty when it was
};

struct TableOutcome {
  std::string table;
  ExistingStep existing = ExistingStep::None;
  OutcomeStatus status = OutcomeStatus::NotReached;
  int64_t rowsCounted = 0;
  int64_t rowsWritten = 0;
  int64_t rowsRefused = 0;
  int sheetsWritten = 0;            // workbook targets only
  std::vector<std::string> sheets;  // workbook targets: the sheets written, in order
  int64_t ms = 0;
  std::string firstError;  // the first error's text, empty when none
  // The line (the sheets' lines joined with " | ") that concluded the table in the run log:
  // the copy's report, the existing-table step's refusal, or the failure that stopped it.
  std::string report;
  std::optional<VerifyResult> verify;
  std::optional<TablePlan> plan;  // --plan: what the run would do, instead of a run
};

// Stable names for scripts: "exported", "partial", "skipped", "failed", "not_reached".
const char* StatusName(OutcomeStatus status);
// "none", "created", "skipped", "emptied", "recreated", "kept".
const char* ExistingStepName(ExistingStep step);

}  // namespace mvq
