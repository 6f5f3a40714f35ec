#include "engine/TableRun.h"

#include "platform/odbc/DbError.h"
#include "support/Messages.h"
#include "support/TableErrorNote.h"
#include "support/utLog.h"

namespace mvq {
namespace {

bool* Ending = nullptr;  // the flag of the table RunTable is running

}  // namespace

void MarkRunEnding() {
  if (Ending) *Ending = true;
}

bool EndsTheRun(const std::exception& e) {
  if (const auto* db = dynamic_cast<const db::DbError*>(&e)) return db->ConnectionLost();
  return dynamic_cast<const RunEndingError*>(&e) || dynamic_cast<const std::logic_error*>(&e);
}

std::string TableFailureLine(const std::string& table, const std::string& error) {
  return "失败-----------因" + error + ":无法导出表" + table;
}

void SettleStatus(TableOutcome& o, bool stopped) {
  if (o.status == OutcomeStatus::Skipped || o.status == OutcomeStatus::Failed) return;
  const bool whole = !stopped && o.firstError.empty() && o.rowsWritten >= o.rowsCounted;
  o.status = whole                 ? OutcomeStatus::Exported
             : o.rowsWritten > 0   ? OutcomeStatus::Partial
             : o.sheetsWritten > 0 ? OutcomeStatus::Partial
                                   : OutcomeStatus::Failed;
}

void RunTable(TableOutcome& outcome, const std::function<void()>& work) {
  bool lost = false, ending = false;
  const TableErrorScope scope(outcome.firstError, lost);
  bool* const outer = Ending;
  Ending = &ending;
  struct Restore {
    bool* outer;
    ~Restore() { Ending = outer; }
  } restore{outer};
  const uint32_t start = GetTickCount();
  auto settle = [&](bool stopped) {
    outcome.ms = static_cast<int64_t>(GetTickCount() - start);
    SettleStatus(outcome, stopped);
  };
  try {
    work();
  } catch (const std::exception& e) {
    NoteTableError(e.what());
    // A gate may have logged the lost connection and left a closed result to fail later.
    if (ending || EndsTheRun(e)) {
      settle(true);
      throw;
    }
    if (lost) {
      settle(true);
      throw RunEndingError(outcome.firstError);
    }
    const std::string line = TableFailureLine(outcome.table, e.what());
    WriteLog(line);
    if (outcome.report.empty()) outcome.report = line;
    settle(true);
    return;
  } catch (...) {
    settle(true);
    throw;
  }
  settle(lost);
  if (lost) throw RunEndingError(outcome.firstError);
}

}  // namespace mvq
