// The paged read of whole tables and the generated INSERT/UPDATE/DELETE texts of
// TComDBConn, with the appender that posts rows through the generated INSERT.
#include <algorithm>

#include "gates/oracle/utconnection.h"
#include "platform/text/AsciiCase.h"

namespace mvq {

namespace {

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

bool IsBlob(const std::string& column, const std::vector<std::string>& blobColumns) {
  return std::any_of(blobColumns.begin(), blobColumns.end(),
                     [&](const std::string& b) { return text::SameIgnoringCase(b, column); });
}

std::string KeyCondition(const std::vector<std::string>& keyColumns) {
  std::string condition;
  for (const auto& key : keyColumns) {
    if (!condition.empty()) condition += " and ";
    condition += key + "=:OLD_" + key;
  }
  return condition;
}

}  // namespace

void TComDBConn::OpenTablePaged(const std::string& table, db::Query& dataSet) {
  PagedDataSet_ = &dataSet;
  PagedTable_ = table;
  // A failed count gives 0: the first page is then the whole-table statement and the read
  // ends at the first NextRow.
  RowCount_ = QueryValue("select count(*) from " + table).AsInt();
  std::string sql = RowCount_ > PageSize
                        ? "select * from " + table + " where rownum<" + std::to_string(PageSize + 1)
                        : "select * from " + table;
  RowNo_ = 1;
  OpenSql(sql, dataSet);
  PageNo_ = 1;
}

bool TComDBConn::OpenNextPage(db::Query& dataSet) {
  std::string sql = "select * from ( select row_.*, rownum rownum_ from (select * from " +
                    PagedTable_ + ") row_ where rownum <=:1) where rownum_ >:2";
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
  auto [owner, table] = SplitOwner(Upper(tableName));
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
  for (const auto& column : columns) {
    if (!names.empty()) {
      names += ",";
      values += ",";
    }
    names += column;
    values += IsBlob(column, blobColumns) ? "empty_blob()" : ":" + column;
  }
  return "INSERT INTO " + table + "(" + names + ") VALUES (" + values + ")" +
         BuildReturningClause(blobColumns);
}

std::string TComDBConn::BuildUpdateSql(const std::string& table,
                                       const std::vector<std::string>& columns,
                                       const std::vector<std::string>& blobColumns,
                                       const std::vector<std::string>& keyColumns) {
  std::string assignments;
  for (const auto& column : columns) {
    if (!assignments.empty()) assignments += ",";
    assignments += column + (IsBlob(column, blobColumns) ? "=empty_blob()" : "=:" + column);
  }
  return "UPDATE " + table + " set " + assignments + " where " + KeyCondition(keyColumns) +
         BuildReturningClause(blobColumns);
}

std::string TComDBConn::BuildReturningClause(const std::vector<std::string>& blobColumns) {
  if (blobColumns.empty()) return {};
  std::string names, targets;
  for (const auto& blob : blobColumns) {
    if (!names.empty()) {
      names += ",";
      targets += ",";
    }
    names += blob;
    targets += ":" + blob;
  }
  return " RETURNING " + names + " into " + targets;
}

std::string TComDBConn::BuildDeleteSql(const std::string& table,
                                       const std::vector<std::string>& keyColumns) {
  return "DELETE FROM " + table + " where " + KeyCondition(keyColumns);
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
  for (const auto& column : UpdateSql_->Columns) {
    plan.binds.push_back(column);
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
