#pragma once
// The row copy of one table: read the source page by page, append each row to the target by
// field position, commit the target at every source page and at the end, log each refused
// row, step the progress bar, and close with the report line. The four variants differ only
// in their source, their target and the order of the checks after each row.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/TableOutcome.h"
#include "platform/odbc/Connection.h"

namespace mvq {

class TADODataGate;
class TComDBConn;

// Where the rows come from, one row at a time.
class RowSource {
 public:
  virtual ~RowSource() = default;
  // Opens the table and counts it; errors rise.
  virtual void Open(const std::string& table) = 0;
  virtual int64_t Total() const = 0;
  virtual bool AtEnd() const { return false; }
  virtual const std::vector<db::FieldDesc>& Fields() const = 0;
  virtual const db::Variant& Value(size_t i) const = 0;
  // Moves on; true at the end. pageChanged is set when a new page was loaded.
  virtual bool Next(bool& pageChanged) = 0;
};

// Where the rows go: a transaction and an appender.
class RowTarget {
 public:
  virtual ~RowTarget() = default;
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  // Opens (or, at a new page, reopens) what the rows are appended to; a failure is logged
  // by the gate and every row then fails with its text.
  virtual void Open() = 0;
  size_t columns = 0;                // the source's field count, set before Open
  db::Appender* appender = nullptr;  // null when the target did not open
  std::string openError;             // why, for the line of every row that then fails
};

enum class CopyOrder {
  ProgressFirst,  // step, then move the source (Access/SQL Server targets)
  SourceFirst,    // move the source, then step (Oracle target)
};

struct CopyPlan {
  CopyOrder order = CopyOrder::ProgressFirst;
  bool reopenTargetOnNewPage = false;  // the Oracle source reopens the target at each page
  bool bytesAsText1 = false;           // byte-string fields arrive in Oracle as the text "1"
  bool openBeforeBegin = false;        // the Oracle target opens, then begins
  bool transactWhenEmpty = false;      // the custom copy begins and commits even for 0 rows
};

// The whole frame of one table: open and count the source, start the clock and progress
// bar, open the target, copy, commit on every way out, and write the report line (also when
// an error escapes, which then rises). The counts and the report go into outcome.
void ExportTableRows(RowSource& source, RowTarget& target, const CopyPlan& plan,
                     const std::string& table, TableOutcome& outcome);

// Also commit after every `rows` rows within a page, so that a long unpaged copy keeps what
// it wrote; 0 (the default, the window's) commits only at each source page and at the end.
void SetCommitEveryRows(int64_t rows);

// The variants used by the pipeline.
void CopyRowsAdoToAdo(TADODataGate& source, TADODataGate& target, const std::string& table,
                      TableOutcome& outcome);
void CopyRowsAdoToOracle(TADODataGate& source, TComDBConn& target, const std::string& table,
                         TableOutcome& outcome);
void CopyRowsOracleToAdo(TComDBConn& source, TADODataGate& target, const std::string& table,
                         TableOutcome& outcome);
void CopyRowsCustom(TADODataGate& source, TADODataGate& target, const std::string& table,
                    TableOutcome& outcome);

}  // namespace mvq
