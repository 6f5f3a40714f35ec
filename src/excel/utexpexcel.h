#pragma once
// Texpexcel: writes the tables of an export run into one workbook, one sheet per page of a
// table, read from the source of the current direction as its DirectionRow says: Oracle,
// SQL Server, an Access file or the custom source.
//
// Sheets go in front of the active one, so the tabs run in the reverse order of writing.
// The first sheet of a table is named after it, the next ones "%s%d" with the table and
// 1, 2 ...; a name Excel would refuse or one already taken is made valid and unique, and a
// run-log line says which table went to which sheet.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/TableOutcome.h"
#include "platform/odbc/Connection.h"
#include "platform/xls/Workbook.h"
#include "support/ArgumentList.h"

namespace mvq {

class TADODataGate;

class Texpexcel {
 public:
  // A new workbook (Sheet1, Sheet2, Sheet3) to be saved as fileName, whose extension
  // (.xls or .xlsx) chooses the format; any other throws xls::XlsError at once.
  explicit Texpexcel(const std::string& fileName);
  // Closes the workbook when Close was not called.
  ~Texpexcel();
  Texpexcel(const Texpexcel&) = delete;
  Texpexcel& operator=(const Texpexcel&) = delete;

  // Deletes the three initial sheets when a sheet was added and saves under FileName, which
  // is replaced only by a complete file. The sheets' success lines go to the run log once the
  // file is saved; when the save fails, a failure line per sheet and SaveError() go there
  // instead and the error rises. After the first call nothing more is done.
  void Close();
  bool Closed() const { return Closed_; }
  // "保存Excel文件%s失败:%s" with the path and the cause, after a failed Close; else empty.
  const std::string& SaveError() const { return SaveError_; }

  // One table from the source of CurrentDirection, its sheets and rows counted in outcome.
  // A failure of the table alone (it cannot be read, it is wider than a sheet) is logged
  // and settles the outcome; a missing gateway, a lost connection or a closed workbook
  // rise, the outcome settled.
  void ExportTable(TableOutcome& outcome);
  TableOutcome ExportTable(const std::string& tableName);
  // Oracle: the gateway's pages as text values without large-object columns; later pages
  // carry the page query's ROWNUM_ column.
  void ExportOracleTable(const std::string& tableName);
  // SQL Server or Access: the gate's paged read, typed values. query holds the page being
  // written. A page the gate read whole is cut into sheets of PageSize rows.
  void ExportAdoTable(TADODataGate& gate, const std::string& tableName,
                      std::unique_ptr<db::Query>& query);
  // The custom source (CustomSourceGate, any connection string): "select * from" the table
  // read as one stream, typed values, CustomRowsPerSheet() rows per sheet.
  void ExportCustomTable(const std::string& tableName);

  // The sheet writers start at the dataset's current row and stop after maxRows rows or at
  // its end; they answer whether rows remain. A closed dataset raises.
  //
  // Header row of the field names (large objects left out), then the values as text, and
  // at Close the log line "导出成功:表%s，导出数据%d条，全部完成,用时%dms".
  bool WriteSheetFromDataSet(db::Query& dataSet, const std::string& sheetName,
                             int64_t maxRows = PageSize);
  // WriteSheetFromRecordset with the header row.
  bool WriteSheetFromAdoQuery(db::Query& query, const std::string& sheetName,
                              int64_t maxRows = PageSize);
  // Every field with its own value type, columns fitted to their content, and at Close the
  // log line "导出成功:表%s，全部完成,用时%dms".
  bool WriteSheetFromRecordset(db::Query& recordset, const std::string& sheetName,
                               bool withFieldNames, int64_t maxRows = PageSize);

  // Letters of the 1-based column n in A1 notation (1 A, 27 AA, 256 IV); "" for n < 1.
  static std::string ColumnLetters(int n);

  // Data rows per sheet on the custom path: 65,535 in a .xls workbook, so that a sheet
  // holds a page and its header; 1,048,575 in a .xlsx workbook, so that a table stays on
  // one sheet until that sheet is full.
  int64_t CustomRowsPerSheet() const;

  const std::string& FileName() const { return FileName_; }
  // The workbook, as filled so far or as saved.
  xls::Workbook& Workbook() { return *Workbook_; }

 private:
  // The name the sheet of page `page` of the current table gets ("" suffix for page 0).
  std::string PageSheetName(const std::string& table, int page);
  // wanted + suffix when Excel takes it and no sheet has it, else a valid unique name
  // close to it, announced in the run log.
  std::string UsableSheetName(const std::string& wanted, const std::string& suffix);
  // A new sheet for `columns` columns; XlsError when the format's sheets hold fewer.
  xls::Worksheet& NewSheet(const std::string& sheetName, size_t columns);
  static void RequireOpen(const db::Query& query);
  // A sheet of rows was written and logged with line.
  void SheetWritten(const std::string& sheet, int64_t rows, const std::string& line);
  // The table could not be read; its gateway logged why.
  void SourceUnread();
  // The workbook while sheets may still be added; std::logic_error after Close.
  xls::Workbook& Writable();

  // A written sheet and the line that reports it once the save has decided its fate.
  struct PendingSheet {
    std::string sheet, line;
  };
  void SheetDone(const std::string& sheetName, std::string line);

  std::unique_ptr<xls::Workbook> Workbook_;
  bool Closed_ = false;
  std::string SaveError_;
  std::vector<PendingSheet> Pending_;
  std::string FileName_;
  std::string CurrentTable_;         // the table being exported, for the renaming line
  TableOutcome* Outcome_ = nullptr;  // and its outcome, while ExportTable runs
};

}  // namespace mvq
