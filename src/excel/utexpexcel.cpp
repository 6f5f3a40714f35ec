#include "excel/utexpexcel.h"

#include <functional>
#include <stdexcept>
#include <vector>

#include "engine/DirectionTable.h"
#include "engine/Gateways.h"
#include "engine/StrFormat.h"
#include "engine/TableRun.h"
#include "excel/SheetCells.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/utconnection.h"
#include "platform/files/ReplacingFile.h"
#include "platform/text/Utf8.h"
#include "platform/xls/SheetName.h"
#include "platform/xls/Unicode.h"
#include "platform/xls/XlsError.h"
#include "support/CurrentDirection.h"
#include "support/Messages.h"
#include "support/utLog.h"

namespace mvq {
namespace {

constexpr const char* kNoGateway = "转换的数据连接没有打开";
// The three sheets a new workbook comes with; Excel matches names without regard to case.
constexpr const char* kInitialSheets[] = {"sheet1", "sheet2", "sheet3"};

template <typename Gate>
Gate& Require(const std::unique_ptr<Gate>& slot) {
  if (!slot) throw RunEndingError(kNoGateway);
  return *slot;
}

int Elapsed(uint32_t start) {
  return static_cast<int>(GetTickCount() - start);
}

// Names the table being exported in the renaming lines while it lasts.
class TableScope {
 public:
  TableScope(std::string& slot, const std::string& table) : slot_(slot) { slot_ = table; }
  ~TableScope() { slot_.clear(); }
  TableScope(const TableScope&) = delete;
  TableScope& operator=(const TableScope&) = delete;

 private:
  std::string& slot_;
};

}  // namespace

Texpexcel::Texpexcel(const std::string& fileName)
    : Workbook_(std::make_unique<xls::Workbook>(xls::FormatOfPath(fileName))),
      FileName_(fileName) {}

Texpexcel::~Texpexcel() {
  try {
    Close();
  } catch (...) {  // logged by Close
  }
}

void Texpexcel::Close() {
  if (Closed_) return;
  Closed_ = true;  // a failed save is not tried again
  try {
    if (Workbook_->Count() > 3) {
      for (const char* name : kInitialSheets)
        if (Workbook_->FindSheet(name)) Workbook_->DeleteSheet(name);
    }
    Workbook_->Save(FileName_);
  } catch (const std::exception& e) {
    const auto* failure = dynamic_cast<const SaveFailure*>(&e);
    SaveError_ = StrFormat("保存Excel文件%s失败:%s", FileName_.c_str(),
                           failure ? failure->Cause().c_str() : e.what());
    // No sheet reached the file: each one's line says so instead of its success line.
    for (PendingSheet& sheet : Pending_) {
      sheet.line = "失败-----------因" + SaveError_ + ":无法保存工作表" + sheet.sheet;
      WriteLog(sheet.line);
    }
    WriteLog(SaveError_);
    throw;
  }
  for (const PendingSheet& sheet : Pending_) WriteLog(sheet.line);
}

void Texpexcel::SheetDone(const std::string& sheetName, std::string line) {
  Pending_.push_back({sheetName, std::move(line)});
}

xls::Workbook& Texpexcel::Writable() {
  if (Closed_) throw std::logic_error("the workbook " + FileName_ + " is already closed");
  return *Workbook_;
}

int64_t Texpexcel::CustomRowsPerSheet() const {
  return xls::LimitsOf(Workbook_->Format()).rows - 1;
}

void Texpexcel::ExportTable(TableOutcome& outcome) {
  const std::string& tableName = outcome.table;
  std::function<void()> work;
  switch (DirectionOf(CurrentDirection).workbook) {
    case WorkbookReader::SqlServerPages:
      work = [this, &gate = Require(SqlGate), &tableName] {
        std::unique_ptr<db::Query> query;
        ExportAdoTable(gate, tableName, query);
      };
      break;
    case WorkbookReader::AccessPages:
      work = [this, &gate = Require(MdbGate), &tableName] {
        std::unique_ptr<db::Query> query;
        ExportAdoTable(gate, tableName, query);
      };
      break;
    case WorkbookReader::CustomStream:
      (void)Require(CustomSourceGate);
      work = [this, &tableName] { ExportCustomTable(tableName); };
      break;
    case WorkbookReader::OraclePages:
      (void)Require(OracleGate);
      work = [this, &tableName] { ExportOracleTable(tableName); };
      break;
  }
  (void)Writable();  // raises after Close
  Outcome_ = &outcome;
  struct Done {
    TableOutcome*& slot;
    ~Done() { slot = nullptr; }
  } done{Outcome_};
  RunTable(outcome, work);
}

TableOutcome Texpexcel::ExportTable(const std::string& tableName) {
  TableOutcome outcome;
  outcome.table = tableName;
  ExportTable(outcome);
  return outcome;
}

void Texpexcel::SheetWritten(const std::string& sheet, int64_t rows, const std::string& line) {
  if (!Outcome_) return;
  ++Outcome_->sheetsWritten;
  Outcome_->sheets.push_back(sheet);
  Outcome_->rowsWritten += rows;
  Outcome_->rowsCounted = Outcome_->rowsWritten;  // a workbook counts the rows it read
  if (!Outcome_->report.empty()) Outcome_->report += " | ";
  Outcome_->report += line;
}

void Texpexcel::SourceUnread() {
  if (Outcome_) Outcome_->status = OutcomeStatus::Failed;
}

void Texpexcel::ExportOracleTable(const std::string& tableName) {
  TComDBConn& gate = Require(OracleGate);
  (void)Writable();
  const TableScope scope(CurrentTable_, tableName);
  std::unique_ptr<db::Query> dataSet = gate.NewQuery();
  gate.OpenTablePaged(tableName, *dataSet);
  // A page that failed to open is closed; the gateway has logged why.
  if (!dataSet->IsOpen()) return SourceUnread();
  int page = 0;
  while (WriteSheetFromDataSet(*dataSet, PageSheetName(tableName, page++))) {
  }
  // Up to one page the first statement read the whole table: a page query now could only
  // repeat rows that arrived after the count.
  if (gate.RowCount() <= PageSize) return;
  while (!gate.OpenNextPage(*dataSet)) {
    while (WriteSheetFromDataSet(*dataSet, PageSheetName(tableName, page++))) {
    }
  }
}

void Texpexcel::ExportAdoTable(TADODataGate& gate, const std::string& tableName,
                               std::unique_ptr<db::Query>& query) {
  (void)Writable();
  const TableScope scope(CurrentTable_, tableName);
  gate.OpenTablePaged(tableName, query);
  if (!query || !query->IsOpen()) return SourceUnread();  // logged by the gate
  int page = 0;
  // A table without a usable key comes as one stream of every row: it is cut into sheets
  // of a page each as it arrives.
  while (WriteSheetFromAdoQuery(*query, PageSheetName(tableName, page++))) {
  }
  // Each page goes into a fresh query, releasing the one before.
  while (!gate.OpenNextPage(query)) {
    while (WriteSheetFromAdoQuery(*query, PageSheetName(tableName, page++))) {
    }
  }
}

void Texpexcel::ExportCustomTable(const std::string& tableName) {
  TADOConn& gate = Require(CustomSourceGate);
  (void)Writable();
  const TableScope scope(CurrentTable_, tableName);
  // Paging statements differ between engines ("top" is SQL Server's): one streamed read
  // works on every engine and keeps memory bounded.
  std::unique_ptr<db::Query> query;
  gate.OpenQuery("select * from " + gate.QuotedName(tableName), query, db::Fetch::Stream);
  if (!query->IsOpen()) return SourceUnread();  // logged by the gate
  int page = 0;
  while (WriteSheetFromRecordset(*query, PageSheetName(tableName, page++), true,
                                 CustomRowsPerSheet())) {
  }
}

bool Texpexcel::WriteSheetFromDataSet(db::Query& dataSet, const std::string& sheetName,
                                      int64_t maxRows) {
  RequireOpen(dataSet);
  std::vector<size_t> kept;
  std::vector<xls::Cell> row;
  const auto& fields = dataSet.Fields();
  for (size_t i = 0; i < fields.size(); ++i) {
    if (excel::IsLargeObject(fields[i])) continue;
    kept.push_back(i);
    row.push_back(xls::Cell::Text(fields[i].name));
  }
  xls::Worksheet& sheet = NewSheet(sheetName, kept.size());
  const uint32_t start = GetTickCount();
  sheet.AppendRow(row);

  excel::SheetChanges changes;
  int64_t rows = 0;
  for (; rows < maxRows && !dataSet.Eof(); ++rows, dataSet.Next()) {
    for (size_t c = 0; c < kept.size(); ++c) {
      const db::Variant& value = dataSet.Value(kept[c]);
      row[c] = excel::TextCell(value);
      changes.Apply(value, row[c], false);
    }
    sheet.AppendRow(row);
  }
  changes.Report(sheet.Name());
  const std::string line = StrFormat("导出成功:表%s，导出数据%d条，全部完成,用时%dms",
                                     sheet.Name().c_str(), static_cast<int>(rows), Elapsed(start));
  SheetWritten(sheet.Name(), rows, line);
  SheetDone(sheet.Name(), line);
  return !dataSet.Eof();
}

bool Texpexcel::WriteSheetFromAdoQuery(db::Query& query, const std::string& sheetName,
                                       int64_t maxRows) {
  return WriteSheetFromRecordset(query, sheetName, true, maxRows);
}

bool Texpexcel::WriteSheetFromRecordset(db::Query& recordset, const std::string& sheetName,
                                        bool withFieldNames, int64_t maxRows) {
  RequireOpen(recordset);
  const auto& fields = recordset.Fields();
  xls::Worksheet& sheet = NewSheet(sheetName, fields.size());
  const uint32_t start = GetTickCount();
  sheet.FitColumnWidths();

  std::vector<xls::Cell> row(fields.size());
  if (withFieldNames) {
    for (size_t i = 0; i < fields.size(); ++i) row[i] = xls::Cell::Text(fields[i].name);
    sheet.AppendRow(row);
  }
  excel::SheetChanges changes;
  int64_t rows = 0;
  for (; rows < maxRows && !recordset.Eof(); ++rows, recordset.Next()) {
    for (size_t i = 0; i < fields.size(); ++i) {
      const db::Variant& value = recordset.Value(i);
      row[i] = excel::TypedCell(value);
      changes.Apply(value, row[i], true);
    }
    sheet.AppendRow(row);
  }
  changes.Report(sheet.Name());
  const std::string line =
      StrFormat("导出成功:表%s，全部完成,用时%dms", sheet.Name().c_str(), Elapsed(start));
  SheetWritten(sheet.Name(), rows, line);
  SheetDone(sheet.Name(), line);
  return !recordset.Eof();
}

std::string Texpexcel::ColumnLetters(int n) {
  std::string letters;
  for (; n > 0; n = (n - 1) / 26) letters.insert(letters.begin(), char('A' + (n - 1) % 26));
  return letters;
}

std::string Texpexcel::PageSheetName(const std::string& table, int page) {
  return UsableSheetName(table, page == 0 ? std::string() : std::to_string(page));
}

std::string Texpexcel::UsableSheetName(const std::string& wanted, const std::string& suffix) {
  xls::Workbook& book = Writable();
  const std::string name = wanted + suffix;
  std::string reason;
  try {
    xls::CheckSheetName(name);
    if (!book.FindSheet(name)) return name;
    reason = StrFormat("已有名为%s的工作表", name.c_str());
  } catch (const xls::XlsError&) {
    reason = StrFormat("%s不能用作工作表名", name.c_str());
  }
  // Cut the table's part, not the page number, when the name is too long.
  const size_t room = xls::kMaxSheetNameChars - suffix.size();
  const std::string usable =
      book.UniqueSheetName(text::Utf16Length(name) > xls::kMaxSheetNameChars
                               ? std::string(text::CutToUtf16Units(wanted, room)) + suffix
                               : name);
  const std::string& table = CurrentTable_.empty() ? name : CurrentTable_;
  WriteLog(StrFormat("表%s写入工作表%s,因%s", table.c_str(), usable.c_str(), reason.c_str()));
  return usable;
}

xls::Worksheet& Texpexcel::NewSheet(const std::string& sheetName, size_t columns) {
  xls::Workbook& book = Writable();
  // Refused before the sheet exists, so that no empty sheet is left behind.
  const uint32_t limit = xls::LimitsOf(book.Format()).columns;
  if (columns > limit)
    throw xls::XlsError(xls::XlsErrorCode::kColumnLimit,
                        StrFormat("表%s有%d列,超过工作表的%d列", sheetName.c_str(),
                                  static_cast<int>(columns), static_cast<int>(limit)));
  return book.AddSheet(UsableSheetName(sheetName, ""));
}

void Texpexcel::RequireOpen(const db::Query& query) {
  if (!query.IsOpen()) throw db::DbError("Cannot perform this operation on a closed dataset");
}

}  // namespace mvq
