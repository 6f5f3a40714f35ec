#include "platform/odbc/Session.h"

namespace mvq::db {

namespace {
thread_local bool insideSender = false;
}  // namespace

SessionSender::SessionSender() {
  insideSender = true;
}

SessionSender::~SessionSender() {
  insideSender = false;
}

void Session::Settle() {
  if (insideSender) return;
  for (PendingRows* p : pending) p->Settle();
}

Statement::Statement(std::shared_ptr<Session> session) : session_(std::move(session)) {
  session_->RequireOpen();
  session_->Settle();
  handle_ = Handle(SQL_HANDLE_STMT, session_->dbc.get());
}

Statement::~Statement() {
  if (!session_->open) handle_.Abandon();
}

SQLHSTMT Statement::get() const {
  if (!session_->open)
    throw DbError("Operation is not allowed when the object is closed.", "08003");
  return handle_.get();
}

const OdbcCalls& Statement::calls() const {
  return session_->calls;
}

void Statement::Check(SQLRETURN rc, std::string_view what) const {
  session_->Check(rc, SQL_HANDLE_STMT, handle_.get(), what);
}

void Session::RequireOpen() const {
  if (!open) throw DbError("Operation is not allowed when the object is closed.", "08003");
}

void Session::ExecuteDirect(const std::string& sql) {
  Statement stmt(shared_from_this());
  stmt.Check(calls.ExecDirect(stmt.get(), sql), sql);
}

void Session::Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, std::string_view what) {
  try {
    calls.Check(rc, type, handle, what);
  } catch (const DbError& e) {
    Note(e);
    throw;
  }
}

int64_t Session::QueryInteger(const std::string& sql) {
  Statement stmt(shared_from_this());
  stmt.Check(calls.ExecDirect(stmt.get(), sql), sql);
  SQLBIGINT value = 0;
  SQLLEN indicator = 0;
  SQLRETURN rc = SQLFetch(stmt.get());
  if (rc == SQL_NO_DATA) return 0;
  stmt.Check(rc, sql);
  stmt.Check(SQLGetData(stmt.get(), 1, SQL_C_SBIGINT, &value, 0, &indicator), sql);
  return indicator == SQL_NULL_DATA ? 0 : static_cast<int64_t>(value);
}

void Session::Note(const DbError& error) {
  if (error.ConnectionLost()) lost = true;
}

void Session::RefreshSchema() {
  if (quirks.refreshSchema.empty()) return;
  Statement stmt(shared_from_this());
  stmt.Check(calls.ExecDirect(stmt.get(), quirks.refreshSchema), quirks.refreshSchema);
  // The schema is read when the statement first steps, which the driver leaves to the fetch.
  SQLFetch(stmt.get());
}

void Session::SetAutoCommit(bool on) {
  RequireOpen();
  Settle();
  SQLRETURN rc = SQLSetConnectAttr(dbc.get(), SQL_ATTR_AUTOCOMMIT,
                                   reinterpret_cast<SQLPOINTER>(static_cast<uintptr_t>(
                                       on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF)),
                                   SQL_IS_UINTEGER);
  Check(rc, SQL_HANDLE_DBC, dbc.get(), "setting autocommit");
  autoCommit = on;
  if (on) wroteInTransaction = false;
}

void Session::EndTransaction(bool commit) {
  RequireOpen();
  Settle();
  if (commit && lost)
    throw DbError("the connection to the server was lost: the transaction is not committed",
                  "08S01");
  SQLRETURN rc = SQLEndTran(SQL_HANDLE_DBC, dbc.get(), commit ? SQL_COMMIT : SQL_ROLLBACK);
  wroteInTransaction = false;
  Check(rc, SQL_HANDLE_DBC, dbc.get(), commit ? "commit" : "rollback");
}

std::string Session::NewSavepointName() {
  return "mvq_sp" + std::to_string(++savepointCounter_);
}

std::string Session::SavepointSql(const std::string& pattern, const std::string& name) const {
  auto at = pattern.find("%s");
  if (at == std::string::npos) return {};
  std::string sql = pattern;
  sql.replace(at, 2, name);
  return sql;
}

std::map<std::string, std::string> Session::DeclaredTypes(const std::string& table) {
  std::map<std::string, std::string> types;
  try {
    Statement stmt(shared_from_this());
    if (!quirks.declaredTypesQuery.empty()) {
      std::string literal;
      for (char c : table) literal += c == '\'' ? std::string("''") : std::string(1, c);
      std::string sql = quirks.declaredTypesQuery;
      sql.replace(sql.find("%s"), 2, literal);
      if (SQL_SUCCEEDED(calls.ExecDirect(stmt.get(), sql))) {
        while (SQL_SUCCEEDED(SQLFetch(stmt.get()))) {
          char name[512] = {}, type[512] = {};
          SQLLEN nameLength = 0, typeLength = 0;
          SQLGetData(stmt.get(), 1, SQL_C_CHAR, name, sizeof name, &nameLength);
          SQLGetData(stmt.get(), 2, SQL_C_CHAR, type, sizeof type, &typeLength);
          if (nameLength > 0 && typeLength > 0) types[name] = type;
        }
      }
      return types;
    }
    if (SQL_SUCCEEDED(calls.Columns(stmt.get(), table, "%"))) {
      while (SQL_SUCCEEDED(SQLFetch(stmt.get()))) {
        // SQLColumns takes a pattern ("_" matches any character): keep this table's rows.
        char owner[512] = {}, name[512] = {}, type[512] = {};
        SQLLEN ownerLength = 0, nameLength = 0, typeLength = 0;
        SQLGetData(stmt.get(), 3, SQL_C_CHAR, owner, sizeof owner, &ownerLength);
        SQLGetData(stmt.get(), 4, SQL_C_CHAR, name, sizeof name, &nameLength);
        SQLGetData(stmt.get(), 6, SQL_C_CHAR, type, sizeof type, &typeLength);
        if (ownerLength > 0 && table == owner && nameLength > 0 && typeLength > 0)
          types[name] = type;
      }
    }
  } catch (const DbError&) {
    // No declared types: the reported types stand.
  }
  return types;
}

std::string Session::Quote(const std::string& identifier) const {
  std::string out = quoteOpen;
  for (char c : identifier) {
    out += c;
    // A closing quote inside the name is written twice.
    if (quoteClose.size() == 1 && c == quoteClose[0]) out += c;
  }
  return out + quoteClose;
}

}  // namespace mvq::db
