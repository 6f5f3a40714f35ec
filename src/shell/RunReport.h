#pragma once
// What an export run did, table by table, as its run-log lines tell it: the lines each table
// added to the log and the outcome read from them. The batch runner prints it and turns it
// into its exit code.
#include <cstdint>
#include <string>
#include <vector>

namespace mvq {

enum class TableStatus {
  NotExported,  // not reached: the run was cancelled or ended before it
  Exported,     // every counted row written (or every sheet written)
  Partial,      // fewer rows written than counted
  Failed,       // no report of a copy: skipped as existing, a failed delete or drop
  Error,        // an error ended the run during this table
};

// Named apart from the engine's TableOutcome, which is a different type: one name for two
// layouts would let the linker mix up their members' code.
struct LoggedTable {
  std::string table;
  TableStatus status = TableStatus::NotExported;
  std::vector<std::string> log;  // the table's run-log entries, without time stamps
};
using TableOutcome = LoggedTable;

struct ExportRunReport {
  bool started = false;              // the export list held tables
  bool connected = false;            // every gateway of the direction connected
  bool cancelled = false;            // the user confirmed the cancel button
  bool workbook = false;             // the tables went into a workbook
  std::vector<TableOutcome> tables;  // the export list, in run order
  std::string error;                 // the error that ended the run, if one did
};

// The outcome of one table from its log entries. A database direction reports
// "导出成功:表T，总的记录数…全部完成" or "导出部分成功:表T…"; a workbook one line per sheet.
TableStatus ClassifyTable(const std::string& table, const std::vector<std::string>& log,
                          bool workbook);

// The table's report lines as one line: the copy's closing line, the sheets' lines joined
// with " | ", or the last line the table logged.
std::string ReportLine(const TableOutcome& outcome, bool workbook);

// Reads the entries the run log gained since the last mark: time stamps removed, an entry
// whose text held line breaks joined back with CR LF.
class RunLogCursor {
 public:
  // Marks the log's current end.
  RunLogCursor() { Mark(); }
  void Mark();
  // The entries after the mark; the mark moves to the end.
  std::vector<std::string> Take();

 private:
  std::string path_;
  uint64_t offset_ = 0;
};

// Entries of run-log text (UTF-8): "YYYY.mm.DD hh:nn:ss text" lines ended by CR LF.
std::vector<std::string> SplitLogEntries(const std::string& text);

}  // namespace mvq
