#include "gates/oracle/utconnection.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "platform/text/AsciiCase.h"
#include "support/TableErrorNote.h"
#include "support/utLog.h"

namespace mvq {

std::string LoginUser;

namespace {

constexpr const char* kHostAddressSql = "select utl_inaddr.get_host_address from dual";
constexpr const char* kDatabaseNameSql = "select name from v$database";
constexpr const char* kTableExistsSql =
    "select count(*) from tab t where t.tabtype='TABLE' and t.tname=upper(:1)";
// A name kept in the case it was given (created quoted) is looked up as it is.
constexpr const char* kTableExistsExactSql =
    "select count(*) from tab t where t.tabtype='TABLE' and t.tname=:1";
constexpr const char* kColumnsOwnerSql =
    "select COLUMN_NAME from all_tab_columns c where c.TABLE_NAME =:1 and owner=:2";
constexpr const char* kColumnsUserSql =
    "select COLUMN_NAME from user_tab_columns c where c.TABLE_NAME =:1";
constexpr const char* kBlobColumnsOwnerSql =
    "select COLUMN_NAME from all_tab_columns c where c.DATA_TYPE='BLOB' and  c.TABLE_NAME =:1 "
    "and owner=:2";
constexpr const char* kBlobColumnsUserSql =
    "select COLUMN_NAME from user_tab_columns c where c.DATA_TYPE='BLOB' and c.TABLE_NAME =:1";
constexpr const char* kPrimaryKeyOwnerSql =
    "select   nvl(max(Column_name),'fzok999')   from   all_cons_columns where constraint_name "
    "= (select constraint_name from user_constraints where table_name = :1 and owner=:2  and  "
    "constraint_type = 'P')";
constexpr const char* kPrimaryKeyUserSql =
    "select   nvl(max(Column_name),'fzok999')   from   user_cons_columns where constraint_name "
    "= (select constraint_name from user_constraints where table_name = :1 and constraint_type "
    "= 'P')";
constexpr const char* kKeyColumnsOwnerSql =
    "select cc.COLUMN_NAME from all_cons_columns cc, all_constraints c where c.TABLE_NAME =:1 "
    "and c.OWNER=:2 and c.CONSTRAINT_TYPE='P' and cc.OWNER=c.OWNER and "
    "cc.CONSTRAINT_NAME=c.CONSTRAINT_NAME order by cc.POSITION";
constexpr const char* kKeyColumnsUserSql =
    "select cc.COLUMN_NAME from user_cons_columns cc, user_constraints c where c.TABLE_NAME "
    "=:1 and c.CONSTRAINT_TYPE='P' and cc.CONSTRAINT_NAME=c.CONSTRAINT_NAME order by "
    "cc.POSITION";
constexpr const char* kNoKeyMarker = "fzok999";

std::string ErrorText(const std::exception& e) {
  if (const auto* db = dynamic_cast<const db::DbError*>(&e)) return db->DriverMessage();
  return e.what();
}

// The first n characters of UTF-8 text (whole characters, never a cut sequence).
std::string Utf8Prefix(const std::string& s, size_t n) {
  size_t i = 0;
  for (size_t count = 0; i < s.size() && count < n; ++count) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
  }
  return s.substr(0, i);
}

}  // namespace

TComDBConn::TComDBConn(const ora::ConnectSettings& settings, const std::string& installScript,
                       const std::string& dropFunctionName) {
  Connect(settings, installScript, dropFunctionName);
}

std::unique_ptr<TComDBConn> TComDBConn::ConnectOracle(
    const std::string& host, const std::string& sid, const std::string& user,
    const std::string& password, const std::string& port, const std::string& installScript,
    const std::string& dropFunctionName) {
  ora::ConnectSettings settings;
  settings.host = host;
  settings.sid = sid;
  settings.user = user;
  settings.password = password;
  settings.port = port;
  return std::make_unique<TComDBConn>(settings, installScript, dropFunctionName);
}

void TComDBConn::Connect(const ora::ConnectSettings& settings, const std::string& installScript,
                         const std::string& dropFunctionName) {
  LoginUser = settings.user;
  try {
    Session_ = std::make_unique<ora::OraSession>();
    Session_->Connect(settings);
    WorkQuery_ = Session_->CreateQuery();
    // A probe of the new session; a user without rights on either only gets a log line.
    GetHostAddress();
    GetDatabaseName();
    UpdateSql_ = std::make_unique<OraUpdateSql>();
    if (!installScript.empty()) ExecuteSql(installScript);
    DropFunctionName_ = dropFunctionName;
  } catch (const std::exception& e) {
    ConnectError_ = ErrorText(e);
    try {
      WriteLog("失败因" + ConnectError_ + ":无法建立数据连接" + std::string(48, '-'));
    } catch (...) {
      // Nothing can be reported when the log itself fails; the object still comes back.
    }
    WorkQuery_.reset();
    UpdateSql_.reset();
    if (Session_) Session_->Disconnect();
  }
}

TComDBConn::~TComDBConn() {
  try {
    if (!DropFunctionName_.empty()) ExecuteSql("drop function " + DropFunctionName_);
  } catch (...) {
    // Only the log can fail here, and a destructor has nobody to tell.
  }
  WorkQuery_.reset();
  Session_.reset();
  UpdateSql_.reset();
}

bool TComDBConn::IsConnected() const {
  return Session_ && Session_->IsConnected();
}

db::Query& TComDBConn::Work() {
  if (!WorkQuery_) throw db::DbError("the Oracle session is not connected");
  return *WorkQuery_;
}

std::unique_ptr<db::Query> TComDBConn::NewQuery() {
  if (!Session_) throw db::DbError("the Oracle session is not connected");
  return Session_->CreateQuery();
}

std::string TComDBConn::BindArguments(const ArgumentList& arguments, db::Params& params) {
  params = ToParams(arguments);
  return DescribeArguments(arguments);
}

void TComDBConn::LogSqlError(const std::string& message, const std::string& statementText) {
  WriteLog(":失败-----------因" + message + ":无法执行" + statementText);
  NoteTableError(message);
}

int TComDBConn::ExecuteSql(const std::string& sql, const ArgumentList& arguments) {
  std::string text = sql;
  try {
    db::Query& query = Work();
    query.Close();
    db::Params params;
    text += BindArguments(arguments, params);
    query.Execute(sql, params);
    return 1;
  } catch (const std::exception& e) {
    LogSqlError(ErrorText(e), text);
    NoteIfConnectionLost(e);
    return -1;
  }
}

void TComDBConn::OpenSql(const std::string& sql, db::Query& dataSet,
                         const ArgumentList& arguments) {
  db::Params params;
  std::string description = BindArguments(arguments, params);
  OpenWith(sql, dataSet, params, description);
}

void TComDBConn::OpenWith(const std::string& sql, db::Query& dataSet, const db::Params& params,
                          const std::string& description) {
  try {
    dataSet.Open(sql, params, db::Fetch::All);
  } catch (const std::exception& e) {
    dataSet.Close();
    LogSqlError(ErrorText(e), sql + description);
    NoteIfConnectionLost(e);
  }
}

db::Variant TComDBConn::QueryValue(const std::string& sql, const ArgumentList& arguments) {
  try {
    db::Query& query = Work();
    query.Close();
    db::Params params;
    BindArguments(arguments, params);
    query.Open(sql, params, db::Fetch::All);
    if (query.Eof() || query.Fields().empty()) return {};
    return query.Value(0);
  } catch (const std::exception& e) {
    LogSqlError(ErrorText(e), sql);
    NoteIfConnectionLost(e);
    return {};
  }
}

void TComDBConn::FillList(const std::string& sql, StringList& list) {
  auto query = NewQuery();
  OpenSql(sql, *query);
  FillListFromDataSet(*query, list);
}

void TComDBConn::FillListFromDataSet(db::Query& dataSet, StringList& list) {
  if (!dataSet.IsOpen()) throw db::DbError("Cannot perform this operation on a closed dataset");
  dataSet.First();
  const size_t fieldCount = dataSet.Fields().size();
  while (!dataSet.Eof()) {
    if (fieldCount == 2) {
      list.push_back({dataSet.Value(1).AsText(), dataSet.Value(0).AsInt()});
    } else {
      list.push_back({dataSet.Value(0).AsText(), std::nullopt});
    }
    dataSet.Next();
  }
}

void TComDBConn::BeginTransaction() {
  if (!Session_) throw db::DbError("the Oracle session is not connected");
  Session_->SetAutoCommit(false);
  Session_->StartTransaction();
}

void TComDBConn::CommitTransaction() {
  if (!Session_) throw db::DbError("the Oracle session is not connected");
  Session_->Commit();
  Session_->SetAutoCommit(true);
}

std::string TComDBConn::GetHostAddress() {
  return QueryValue(kHostAddressSql).AsText();
}

std::string TComDBConn::GetDatabaseName() {
  return QueryValue(kDatabaseNameSql).AsText();
}

bool TComDBConn::TableExists(const std::string& table) {
  std::string stored = db::StoredName(Names(), table);
  if (stored == text::AsciiUpper(table)) return QueryValue(kTableExistsSql, {table}).AsInt() > 0;
  return QueryValue(kTableExistsExactSql, {stored}).AsInt() > 0;
}

const db::NameRules& TComDBConn::Names() {
  static const db::NameRules rules = db::NameRulesFor(db::Dbms::Oracle);
  return rules;
}

db::NameRules TComDBConn::ServerNames() {
  return Session_ ? db::NameRulesFor(db::Dbms::Oracle, {}, Session_->Connection().DbmsVersion())
                  : Names();
}

std::string TComDBConn::QuotedName(const std::string& name) {
  return db::QuoteName(Names(), name);
}

std::vector<std::string> TComDBConn::ColumnList(const std::string& sql,
                                                const ArgumentList& arguments) {
  std::vector<std::string> names;
  auto query = NewQuery();
  OpenSql(sql, *query, arguments);
  if (!query->IsOpen()) return names;
  for (query->First(); !query->Eof(); query->Next()) names.push_back(query->Value(0).AsText());
  return names;
}

void TComDBConn::GetColumnNames(const std::string& table, const std::string& owner,
                                std::vector<std::string>& list) {
  auto names = owner.empty() ? ColumnList(kColumnsUserSql, {table})
                             : ColumnList(kColumnsOwnerSql, {table, owner});
  list.insert(list.end(), names.begin(), names.end());
}

void TComDBConn::GetBlobColumnNames(const std::string& table, const std::string& owner,
                                    std::vector<std::string>& list) {
  auto names = owner.empty() ? ColumnList(kBlobColumnsUserSql, {table})
                             : ColumnList(kBlobColumnsOwnerSql, {table, owner});
  list.insert(list.end(), names.begin(), names.end());
}

std::string TComDBConn::GetPrimaryKey(const std::string& table, const std::string& owner) {
  db::Variant key = owner.empty() ? QueryValue(kPrimaryKeyUserSql, {table})
                                  : QueryValue(kPrimaryKeyOwnerSql, {table, owner});
  std::string name = key.AsText();
  if (name == kNoKeyMarker) throw std::runtime_error("表" + table + "没有定义主键");
  return name;
}

std::vector<std::string> TComDBConn::GetPrimaryKeyColumns(const std::string& table,
                                                          const std::string& owner) {
  return owner.empty() ? ColumnList(kKeyColumnsUserSql, {table})
                       : ColumnList(kKeyColumnsOwnerSql, {table, owner});
}

std::pair<std::string, std::string> TComDBConn::SplitOwner(const std::string& name) {
  size_t dot = name.find('.');
  if (dot == std::string::npos) return {text::AsciiUpper(LoginUser), name};
  return {name.substr(0, dot), Utf8Prefix(name.substr(dot + 1), 100)};
}

}  // namespace mvq
