#pragma once
// One table of an export run as a unit of work: its clock, its first error, the status its
// counts give, and the line between a failure that belongs to the table (logged, the run
// goes on) and one that ends every later table too (rethrown, the run ends).
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

#include "engine/TableOutcome.h"
#include "support/TableErrorNote.h"

namespace mvq {

// An error no later table can escape either: a gateway the run did not open, or a server
// function the source lacks.
class RunEndingError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Marks the error now rising from the table being run as one that ends the run, whatever
// its type.
void MarkRunEnding();

// A lost connection, a RunEndingError, or a fault of the program itself (std::logic_error).
bool EndsTheRun(const std::exception& e);

// "失败-----------因" + error + ":无法导出表" + table: a table-level error nobody logged.
std::string TableFailureLine(const std::string& table, const std::string& error);

// Runs work for outcome.table and settles the outcome. A table-level error gets its
// failure line and the run goes on; a run-ending one leaves the outcome settled and rises.
void RunTable(TableOutcome& outcome, const std::function<void()>& work);

// The status the counts give, unless a step already decided it (skipped, failed):
// everything counted written without an error is exported, something written partial,
// nothing written failed.
void SettleStatus(TableOutcome& outcome, bool stopped);

}  // namespace mvq
