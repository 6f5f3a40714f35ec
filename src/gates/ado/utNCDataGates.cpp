#include "gates/ado/utNCDataGates.h"

#include <limits>

#include "gates/ado/CreateTableBuilder.h"
#include "platform/text/AsciiCase.h"
#include "support/TableErrorNote.h"
#include "support/utLog.h"

namespace mvq {

namespace {

const char* const kNoConnection = "the gate has no database connection";

// The query handed out where no query can be made (no connection, or the connection refused
// one): every attempt to run it fails like a statement would, with the reason, and it stays
// closed.
class UnusableQuery : public db::Query {
 public:
  explicit UnusableQuery(std::string reason) : reason_(std::move(reason)) {}
  void Open(const std::string&, const db::Params&, db::Fetch) override {
    throw db::DbError(reason_);
  }
  int64_t Execute(const std::string&, const db::Params&) override { throw db::DbError(reason_); }
  bool IsOpen() const override { return false; }
  void Close() override {}
  const std::vector<db::FieldDesc>& Fields() const override { return fields_; }
  bool Eof() const override { return true; }
  void Next() override { Closed(); }
  void First() override { Closed(); }
  const db::Variant& Value(size_t) const override { Closed(); }
  int64_t RecordCount() const override { Closed(); }

 private:
  [[noreturn]] static void Closed() {
    throw db::DbError("Operation is not allowed when the object is closed.");
  }
  std::string reason_;
  std::vector<db::FieldDesc> fields_;
};

// The value QueryValue answers for a missing or null first value.
db::Variant EmptyValueFor(const db::Query& query) {
  const auto& fields = query.Fields();
  if (!fields.empty() &&
      (fields[0].category == db::ftString || fields[0].category == db::ftWideString)) {
    return db::Variant(std::string());
  }
  return db::Variant(int64_t{0});
}

std::string Format(const char* pattern, const std::string& a) {
  std::string out = pattern;
  out.replace(out.find("%s"), 2, a);
  return out;
}

}  // namespace

int ClampRows(int64_t rows) {
  if (rows > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (rows < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(rows);
}

TADODataGate::TADODataGate(std::unique_ptr<db::Connection> connection)
    : connection_(std::move(connection)) {}

TADODataGate::~TADODataGate() {
  try {
    if (connection_ && connection_->IsOpen()) connection_->Close();
  } catch (const db::DbError&) {
    // A connection that fails to close is released all the same.
  }
}

void TADODataGate::SetConnection(std::unique_ptr<db::Connection> connection) {
  connection_ = std::move(connection);
}

bool TADODataGate::IsConnected() const {
  return connection_ && connection_->IsOpen();
}

db::Connection& TADODataGate::Connection() const {
  if (!connection_) throw db::DbError(kNoConnection);
  return *connection_;
}

int TADODataGate::BeginTransaction() {
  return Connection().BeginTrans();
}
void TADODataGate::CommitTransaction() {
  Connection().CommitTrans();
}
void TADODataGate::RollbackTransaction() {
  Connection().RollbackTrans();
}
bool TADODataGate::InTransaction() const {
  return connection_ && connection_->InTransaction();
}

void TADODataGate::LogSqlError(const std::string& message, const std::string& statement) const {
  WriteLog("失败-----------因" + message + ":无法执行" + statement);
  NoteTableError(message);
}

void TADODataGate::LogConnectFailure(const std::string& message) {
  WriteLog("失败因" + message + ":无法建立数据连接" + std::string(48, '-'));
}

std::unique_ptr<db::Query> TADODataGate::NewQuery() const {
  if (!connection_) return std::make_unique<UnusableQuery>(kNoConnection);
  try {
    return connection_->CreateQuery();
  } catch (const db::DbError& e) {
    return std::make_unique<UnusableQuery>(e.DriverMessage());
  }
}

void TADODataGate::OpenQuery(const std::string& sql, std::unique_ptr<db::Query>& query,
                             db::Fetch fetch) {
  query = NewQuery();
  try {
    query->Open(sql, {}, fetch);
  } catch (const db::DbError& e) {
    LogSqlError(e.DriverMessage(), sql);
    NoteIfConnectionLost(e);
  }
}

void TADODataGate::OpenSql(const std::string& sql, std::unique_ptr<db::Query>& query,
                           const ArgumentList& args) {
  if (connectFailed_) {
    if (!query) query = NewQuery();
    return;
  }
  query = NewQuery();
  db::Params params;
  std::string description = BindArguments(args, params);
  try {
    query->Open(sql, params, db::Fetch::All);
  } catch (const db::DbError& e) {
    LogSqlError(e.DriverMessage(), sql + description);
    NoteIfConnectionLost(e);
  }
}

db::NameRules TADODataGate::Names() const {
  return connection_ ? db::NamesOf(*connection_) : db::NameRules{};
}

std::string TADODataGate::QuotedName(const std::string& name) const {
  return db::QuoteName(Names(), name);
}

void TADODataGate::OpenTableStream(const std::string& table, std::unique_ptr<db::Query>& query) {
  try {
    query = Connection().StreamTable(table);
  } catch (const db::DbError& e) {
    LogSqlError(e.DriverMessage(), "select * from " + QuotedName(table));
    NoteIfConnectionLost(e);
    query = NewQuery();
  }
}

std::string TADODataGate::BindArguments(const ArgumentList& args, db::Params& params) {
  params = ToParams(args);
  return DescribeArguments(args);
}

db::Variant TADODataGate::QueryValue(const std::string& sql) {
  std::unique_ptr<db::Query> query;
  OpenQuery(sql, query);
  return FirstValue(*query);
}

db::Variant TADODataGate::FirstValue(db::Query& query) {
  // Asking a closed result for its count raises: a failed statement reaches the caller.
  if (query.RecordCount() > 0 && !query.Value(0).IsNull()) return query.Value(0);
  return EmptyValueFor(query);
}

void TADODataGate::FillList(const std::string& sql, TStringList& list) {
  std::unique_ptr<db::Query> query;
  OpenSql(sql, query);
  FillListFromDataSet(*query, list);
}

void TADODataGate::FillListFromDataSet(db::Query& query, TStringList& list) {
  if (!query.IsOpen()) return;
  bool pairs = query.Fields().size() == 2;
  for (query.First(); !query.Eof(); query.Next()) {
    if (pairs) {
      list.Add(query.Value(1).AsText(), query.Value(0).AsInt());
    } else {
      list.Add(query.Value(0).AsText());
    }
  }
}

bool TADODataGate::TableExists(const std::string& table) {
  std::string wanted = text::AsciiUpper(table);
  for (const auto& row : Connection().SchemaTables()) {
    if ((row.TABLE_TYPE == "TABLE" || row.TABLE_TYPE == "VIEW") &&
        text::AsciiUpper(row.TABLE_NAME) == wanted) {
      return true;
    }
  }
  return false;
}

int TADODataGate::GetTableList(TStringList& list) {
  auto rows = Connection().SchemaTables();
  list.Clear();
  for (const auto& row : rows) {
    if (row.TABLE_TYPE != "TABLE") continue;
    // Without a catalog (an Oracle provider), only the connecting user's own tables.
    if (!row.TABLE_CATALOG.empty() || row.TABLE_SCHEMA == userId_) list.Add(row.TABLE_NAME);
  }
  return list.Count();
}

std::string TADODataGate::GetPrimaryKeys(const std::string& table) {
  std::string wanted = text::AsciiUpper(table);
  std::string keys;
  for (const auto& row : Connection().SchemaPrimaryKeys()) {
    if (text::AsciiUpper(row.TABLE_NAME) == wanted) keys += row.COLUMN_NAME + ",";
  }
  if (!keys.empty()) keys.pop_back();
  return text::AsciiLower(keys);
}

void TADODataGate::ParseUserId(const std::string& connectionString) {
  static const std::string kKey = "User ID=";
  auto at = connectionString.find(kKey);
  if (at == std::string::npos) {
    userId_.clear();
    return;
  }
  at += kKey.size();
  auto end = connectionString.find(';', at);
  userId_ =
      text::AsciiUpper(connectionString.substr(at, end == std::string::npos ? end : end - at));
}

bool TADODataGate::CanPageByKey() const {
  if (!connection_) return true;
  switch (connection_->dbms()) {
    // The page statements are SQL Server's ("top", bracketed names); these engines refuse
    // them, and a table larger than a page is streamed whole instead.
    case db::Dbms::Access:
    case db::Dbms::SQLite:
    case db::Dbms::PostgreSQL:
    case db::Dbms::MariaDB:
    case db::Dbms::Oracle:
      return false;
    default:
      return true;
  }
}

bool TADODataGate::OpenTablePaged(const std::string& table, std::unique_ptr<db::Query>& query) {
  pagedTable_ = table;
  const std::string quoted = QuotedName(table);
  rowCount_ = QueryValue("select count(*) from " + quoted).AsInt();
  bool whole = false;
  if (!CanPageByKey()) {
    // The key is unknown here, not absent: the table is read in one statement, and only a
    // table that would have needed pages is worth a line.
    keyColumns_.clear();
    whole = true;
    if (rowCount_ > PageSize) WriteLog(Format("因无法取得表%s的主键,整表一次读取", table));
  } else {
    keyColumns_ = GetPrimaryKeys(table);
    if (keyColumns_.empty()) {
      WriteLog(Format("因表%s无主键,程序有所影响", table));
      whole = true;
    } else if (keyColumns_.find(',') != std::string::npos) {
      WriteLog("因表" + table + ",有多个" + keyColumns_ + "主键,程序有所影响");
      whole = true;
    }
  }
  // The page statements are SQL Server's, and so are the brackets.
  keyColumns_ = db::Quoted(db::NameRulesFor(db::Dbms::SqlServer), keyColumns_);
  pagedByKey_ = !whole;

  rowNo_ = 1;
  if (rowCount_ <= PageSize || whole) {
    // A whole table larger than a page is streamed, so that memory stays bounded; the end
    // of the read is decided by the count, never by the result's own row count.
    if (rowCount_ > PageSize)
      OpenTableStream(table, query);
    else
      OpenQuery("select * from " + quoted, query);
  } else {
    OpenQuery(
        "select top " + std::to_string(PageSize) + " * from " + quoted + " order by " + keyColumns_,
        query);
  }
  pageNo_ = 1;
  return true;
}

bool TADODataGate::OpenNextPage(std::unique_ptr<db::Query>& query) {
  if (!pagedByKey_) {
    // The first statement read the whole table: there is no further page, and a page
    // statement on "[]" or on several keys could only fail.
    query = NewQuery();
    return true;
  }
  const std::string page = std::to_string(PageSize);
  const std::string& k = keyColumns_;
  const std::string table = QuotedName(pagedTable_);
  std::string sql = "select top " + page + " * from " + table + " where (" + k + ">(select max(" +
                    k + ") from (select top " + std::to_string(pageNo_ * PageSize) + " " + k +
                    " from " + table + " order by " + k + " ) as t)) order by " + k;
  OpenQuery(sql, query);
  ++pageNo_;
  return query->RecordCount() == 0;
}

bool TADODataGate::NextRow(bool& pageChanged, std::unique_ptr<db::Query>& query) {
  pageChanged = false;
  if (++rowNo_ > rowCount_) return true;
  query->Next();
  if (!query->Eof()) return false;
  query = NewQuery();
  bool empty = OpenNextPage(query);
  pageChanged = true;
  return empty;
}

std::vector<db::FieldDesc> TADODataGate::ProbeColumns(const std::string& table) {
  std::unique_ptr<db::Query> query;
  OpenQuery("select * from " + QuotedName(table) + " where 1=2", query);
  return query->Fields();
}

std::string TADODataGate::BuildCreateSql(const std::string& table) {
  return ddl::BuildCreateTable(table, ProbeColumns(table), ddl::SqlServerDialect());
}

}  // namespace mvq
