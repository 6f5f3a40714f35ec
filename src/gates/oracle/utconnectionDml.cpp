// The paged read of whole tables and the generated INSERT/UPDATE/DELETE texts of
// TComDBConn, with the appender that posts rows through the generated INSERT.
#include <algorithm>

#include "gates/oracle/utconnection.h"
#include "platform/odbc/NameRules.h"
#include "platform/text/AsciiCase.h"

namespace mvq {

namespace {

bool IsBlob(const std::string& column, const std::vector<std::string>& blobColumns) {
  return std::any_of(blobColumns.begin(), blobColumns.end(),
                     [&](const std::string& b) { return text::SameIgnoringCase(b, column); });
}

// A table or column as the dictionary holds it, written so that Oracle finds it.
std::string Stored(const std::string& name) {
  return db::QuoteStoredName(TComDBConn::Names(), name);
}

// The marker of a column's value: its own name where that is a plain name, else one made
// from its position (a marker cannot be quoted).
std::string Marker(const std::string& column, size_t i, const char* made = "MVQ_C") {
  if (Stored(column) == column) return column;
  return made + std::to_string(i + 1);
}

std::string KeyCondition(const std::vector<std::string>& keyColumns) {
  std::string condition;
  for (size_t i = 0; i < keyColumns.size(); ++i) {
    if (!condition.empty()) condition += " and ";
    condition += Stored(keyColumns[i]) + "=:OLD_" + Marker(keyColumns[i], i);
  }
  return condition;
}

}  // namespace

void TComDBConn::OpenTablePaged(const std::string& table, db::Query& dataSet) {
  PagedDataSet_ = &dataSet;
  PagedTable_ = table;
  // A failed count gives 0: the first page is then the whole-table statement and the read
  // ends at the first NextRow.
  const std::string from = "select * from " + QuotedName(table);
  RowCount_ = QueryValue("select count(*) from " + QuotedName(table)).AsInt();
  std::string sql =
      RowCount_ > PageSize ? from + " where rownum<" + std::to_string(PageSize + 1) : from;
  RowNo_ = 1;
  OpenSql(sql, dataSet);
  PageNo_ = 1;
}

bool TComDBConn::OpenNextPage(db::Query& dataSet) {
  std::string sql = "select * from ( select row_.*, rownum rownum_ from (select * from " +
                    QuotedName(PagedTable_) + ") row_ where rownum <=:1) where rownum_ >:2";
  dataSet.Close();
  const int64_t upper = PageNo_ * PageSize + PageSize;
  const int64_t lower = PageNo_ * PageSize;
  db::Params params{{db::Variant(upper), {}}, {db::Variant(lower), {}}};
  OpenWith(sql, dataSet, params,
           " 参数0=" + std::to_string(upper) + " 参数1=" + std::to_string(lower));
  ++PageNo_;
  // A page that failed to open is closed, and a closed dataset counts as empty.
  return !dataSet.IsOpen() || dataSet.RecordCount() == 0;
}

bool TComDBConn::NextRow(bool& pageLoaded) {
  pageLoaded = false;
  ++RowNo_;
  if (RowCount_ < RowNo_) return true;  // rows added after the count are not read
  if (!PagedDataSet_ || !PagedDataSet_->IsOpen()) return true;
  PagedDataSet_->Next();
  if (!PagedDataSet_->Eof()) return false;
  bool empty = OpenNextPage(*PagedDataSet_);
  pageLoaded = true;
  return empty;
}

std::vector<std::string> TComDBConn::KeyColumns(const std::string& table,
                                                const std::string& owner) {
  std::string greatest = GetPrimaryKey(table, owner);  // raises without a primary key
  auto columns = GetPrimaryKeyColumns(table, owner);
  if (columns.empty()) columns.push_back(greatest);
  return columns;
}

void TComDBConn::PrepareUpdateSql(db::Query& dataSet, const std::string& tableName, bool withDelete,
                                  bool withInsert, bool withModify) {
  if (!UpdateSql_) throw db::DbError("the Oracle session is not connected");
  auto [owner, table] = SplitOwner(db::StoredName(Names(), tableName));
  std::vector<std::string> columns, blobColumns;
  GetColumnNames(table, owner, columns);
  GetBlobColumnNames(table, owner, blobColumns);
  UpdateSql_->DataSet = &dataSet;
  if (withDelete) UpdateSql_->DeleteSql = BuildDeleteSql(table, KeyColumns(table, owner));
  if (withInsert) {
    UpdateSql_->InsertSql = BuildInsertSql(table, columns, blobColumns);
    UpdateSql_->Table = table;
    UpdateSql_->Columns = columns;
    UpdateSql_->BlobColumns = blobColumns;
  }
  if (withModify)
    UpdateSql_->ModifySql = BuildUpdateSql(table, columns, blobColumns, KeyColumns(table, owner));
}

std::string TComDBConn::BuildInsertSql(const std::string& table,
                                       const std::vector<std::string>& columns,
                                       const std::vector<std::string>& blobColumns) {
  std::string names, values;
  for (size_t i = 0; i < columns.size(); ++i) {
    const std::string& column = columns[i];
    if (!names.empty()) {
      names += ",";
      values += ",";
    }
    names += Stored(column);
    values += IsBlob(column, blobColumns) ? "empty_blob()" : ":" + Marker(column, i);
  }
  return "INSERT INTO " + Stored(table) + "(" + names + ") VALUES (" + values + ")" +
         BuildReturningClause(blobColumns);
}

std::string TComDBConn::BuildUpdateSql(const std::string& table,
                                       const std::vector<std::string>& columns,
                                       const std::vector<std::string>& blobColumns,
                                       const std::vector<std::string>& keyColumns) {
  std::string assignments;
  for (size_t i = 0; i < columns.size(); ++i) {
    const std::string& column = columns[i];
    if (!assignments.empty()) assignments += ",";
    assignments +=
        Stored(column) + (IsBlob(column, blobColumns) ? "=empty_blob()" : "=:" + Marker(column, i));
  }
  return "UPDATE " + Stored(table) + " set " + assignments + " where " + KeyCondition(keyColumns) +
         BuildReturningClause(blobColumns);
}

std::string TComDBConn::BuildReturningClause(const std::vector<std::string>& blobColumns) {
  if (blobColumns.empty()) return {};
  std::string names, targets;
  for (size_t i = 0; i < blobColumns.size(); ++i) {
    const std::string& blob = blobColumns[i];
    if (!names.empty()) {
      names += ",";
      targets += ",";
    }
    // The BLOB list may spell a column in another case than the column list does.
    const std::string written = TComDBConn::QuotedName(blob);
    names += written;
    targets += ":" + (written == blob ? blob : "MVQ_L" + std::to_string(i + 1));
  }
  return " RETURNING " + names + " into " + targets;
}

std::string TComDBConn::BuildDeleteSql(const std::string& table,
                                       const std::vector<std::string>& keyColumns) {
  return "DELETE FROM " + Stored(table) + " where " + KeyCondition(keyColumns);
}

// The insert kept in the update object is the text that describes the row: BLOB columns as
// empty_blob() filled through RETURNING into locators. Posting runs its equivalent that binds
// every column by name, BLOBs included, with the BLOB's bytes as one long binary value:
// Oracle's ODBC driver hands a long binary parameter to a BLOB column whole (OCI binds it
// as LONG RAW into the LOB), so a BLOB of several megabytes is written by the INSERT itself,
// in the row's own statement and transaction, without a locator round trip.
std::unique_ptr<db::Appender> TComDBConn::CreateAppender(const db::Query& dataSet,
                                                         ora::BatchLimits limits) {
  if (!UpdateSql_ || UpdateSql_->DataSet != &dataSet || UpdateSql_->InsertSql.empty())
    throw db::DbError("no INSERT statement is prepared for this dataset");
  const auto& fields = dataSet.Fields();
  ora::InsertPlan plan;
  plan.sql = BuildInsertSql(UpdateSql_->Table, UpdateSql_->Columns, {});
  plan.fieldCount = fields.size();
  for (size_t i = 0; i < UpdateSql_->Columns.size(); ++i) {
    const std::string& column = UpdateSql_->Columns[i];
    plan.binds.push_back(Marker(column, i));
    plan.blob.push_back(IsBlob(column, UpdateSql_->BlobColumns));
    auto it = std::find_if(fields.begin(), fields.end(), [&](const db::FieldDesc& f) {
      return text::SameIgnoringCase(f.name, column);
    });
    plan.field.push_back(it == fields.end()
                             ? std::nullopt
                             : std::optional<size_t>(static_cast<size_t>(it - fields.begin())));
  }
  return ora::CreateInsertAppender(NewQuery(), std::move(plan), limits);
}

}  // namespace mvq
