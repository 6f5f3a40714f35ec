#include "engine/RowCopy.h"

#include <exception>

#include "engine/utConvertpub.h"
#include "support/Messages.h"
#include "support/utProgress.h"

namespace mvq {

namespace {

int64_t g_commitEveryRows = 0;

int32_t ClampCount(int64_t n) {
  return n > INT32_MAX ? INT32_MAX : n < 0 ? 0 : static_cast<int32_t>(n);
}

// Counts what reached the target: rows posted, less those a batch later refused, and what
// of that the last commit made durable.
struct Tally {
  int64_t posted = 0;
  int64_t refused = 0;  // by the target after posting
  int64_t failed = 0;   // before posting: a value or an append the target did not take
  int32_t committed = 0;
  // The appender failed while sending: which of its queued rows reached the target is
  // unknown, so only what an earlier commit made durable is counted.
  bool unsure = false;
  void Refused(const std::vector<db::RowFailure>& failures) {
    for (const auto& f : failures) {
      ++refused;
      LogRowFailure(f.error.DriverMessage(), f.label);
    }
  }
  int32_t Written() const { return ClampCount(posted - refused); }
};

// One row into the target inside its own error trap: a refused row is logged and skipped,
// and its pending insert is dropped so that it never drags the next row down. The appender
// reports refused rows as failures; an error it raises while sending is no row's fault (a
// lost connection): the rows it was sending are gone, so it ends the table.
void CopyOneRow(RowSource& source, RowTarget& target, const CopyPlan& plan, Tally& tally) {
  const auto& fields = source.Fields();
  std::optional<std::string> label;
  try {
    if (!fields.empty()) label = RowLabel(fields[0], source.Value(0));
    if (!target.appender) throw db::DbError(target.openError);
    target.appender->Append();
    for (size_t i = 0; i < fields.size(); ++i) {
      bool bytes = fields[i].category == db::ftBytes || fields[i].category == db::ftVarBytes;
      target.appender->SetField(i, plan.bytesAsText1 && bytes ? db::Variant("1") : source.Value(i));
    }
  } catch (const std::exception& e) {
    if (target.appender) target.appender->Cancel();
    ++tally.failed;
    LogRowFailure(e.what(), label);
    return;
  }
  std::vector<db::RowFailure> failures;
  try {
    failures = target.appender->Post(label);
  } catch (...) {
    tally.unsure = true;
    throw;
  }
  ++tally.posted;
  tally.Refused(failures);
}

// Sends what is queued and commits; refused rows are logged before the commit.
void FlushAndCommit(RowTarget& target, Tally& tally) {
  if (target.appender) {
    try {
      tally.Refused(target.appender->Flush());
    } catch (...) {
      tally.unsure = true;
      throw;
    }
  }
  target.Commit();
  if (!tally.unsure) tally.committed = tally.Written();
}

void OpenTarget(RowTarget& target, const CopyPlan& plan) {
  if (plan.openBeforeBegin) {
    target.Open();
    target.Begin();
  } else {
    target.Begin();
    target.Open();
  }
}

void CopyLoop(RowSource& source, RowTarget& target, const CopyPlan& plan, Tally& tally) {
  if (source.AtEnd()) return;
  int64_t sinceCommit = 0;
  for (;;) {
    CopyOneRow(source, target, plan, tally);
    ++sinceCommit;
    bool pageChanged = false;
    if (plan.order == CopyOrder::ProgressFirst && ProgressStep(1)) return;
    if (source.Next(pageChanged)) return;
    if (pageChanged) {
      FlushAndCommit(target, tally);
      if (plan.reopenTargetOnNewPage) target.Open();
      target.Begin();
      sinceCommit = 0;
    } else if (g_commitEveryRows > 0 && sinceCommit >= g_commitEveryRows) {
      FlushAndCommit(target, tally);
      target.Begin();
      sinceCommit = 0;
    }
    if (plan.order == CopyOrder::SourceFirst && ProgressStep(1)) return;
  }
}

}  // namespace

void SetCommitEveryRows(int64_t rows) {
  g_commitEveryRows = rows > 0 ? rows : 0;
}

void ExportTableRows(RowSource& source, RowTarget& target, const CopyPlan& plan,
                     const std::string& table, TableOutcome& outcome) {
  Tally tally;
  std::exception_ptr error;
  // A table whose source cannot even be counted still gets its report line, with the
  // counts of this table rather than the previous one's.
  ExportTotalRows = 0;
  ExportStartTick = GetTickCount();
  bool transacting = false;
  try {
    source.Open(table);
    bool hasRows = BeginTableExport(ClampCount(source.Total()), table);
    if (hasRows || plan.transactWhenEmpty) {
      transacting = true;
      target.columns = source.Fields().size();
      OpenTarget(target, plan);
      if (hasRows) CopyLoop(source, target, plan, tally);
    }
  } catch (...) {
    error = std::current_exception();
  }
  if (transacting) {
    // Committed on every way out, so rows written before a cancel or an error stay; a
    // failure here must not hide the error that ended the loop.
    try {
      FlushAndCommit(target, tally);
    } catch (...) {
      if (!error) error = std::current_exception();
    }
    ProgressClose(false);
  }
  // After a failed send or commit only what a commit made durable is counted.
  const int32_t written = transacting ? tally.committed : tally.Written();
  outcome.rowsCounted = ExportTotalRows;
  outcome.rowsWritten = written;
  outcome.rowsRefused = tally.refused + tally.failed;
  outcome.report = ReportTableExport(table, written, error != nullptr);
  if (error) std::rethrow_exception(error);
}

}  // namespace mvq
