#include "platform/bulk/PgLink.h"

#include <odbcinst.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/odbc/ConnectionString.h"

namespace mvq::db {

namespace {

// Seconds a connection attempt may take, as for the ODBC connection.
constexpr const char* kConnectTimeout = "5";

std::string Trimmed(std::string s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.pop_back();
  return s;
}

// The value of the first of keys in the connection string, else in the data source.
std::optional<std::string> Setting(const std::string& odbc, const std::string& dsn,
                                   std::initializer_list<const char*> keys) {
  for (const char* key : keys)
    if (auto v = AttributeValue(odbc, key); v && !v->empty()) return v;
  if (dsn.empty()) return std::nullopt;
  for (const char* key : keys) {
    char value[1024] = {};
    int n = SQLGetPrivateProfileString(dsn.c_str(), key, "", value, sizeof value, "odbc.ini");
    if (n > 0) return std::string(value, static_cast<size_t>(n));
  }
  return std::nullopt;
}

// The error of a result, worded as psqlODBC words it, so that a row refused through COPY
// is logged as the same row refused through an INSERT would be.
DbError ResultError(const PGresult* result, PGconn* conn) {
  const char* primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
  if (!primary) {
    std::string message = Trimmed(PQerrorMessage(conn));
    if (message.empty()) message = "the server connection failed";
    return DbError(message, PQstatus(conn) == CONNECTION_BAD ? "08S01" : "HY000");
  }
  const char* severity = PQresultErrorField(result, PG_DIAG_SEVERITY);
  const char* detail = PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL);
  const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
  std::string message = std::string(severity ? severity : "ERROR") + ": " + primary;
  if (detail) message += std::string("\nDETAIL: ") + detail;
  message += ";\nError while executing the query";
  return DbError(message, state ? state : "HY000");
}

// Frees a result when it goes.
struct Result {
  PGresult* r;
  ~Result() { PQclear(r); }
};

}  // namespace

std::vector<std::pair<std::string, std::string>> PgConnectParams(const std::string& odbc) {
  const std::string dsn = AttributeValue(odbc, "DSN").value_or("");
  std::vector<std::pair<std::string, std::string>> params;
  auto add = [&](const char* name, std::initializer_list<const char*> keys) {
    if (auto v = Setting(odbc, dsn, keys)) params.emplace_back(name, *v);
  };
  add("host", {"Server", "Servername"});
  add("port", {"Port"});
  add("dbname", {"Database"});
  add("user", {"UID", "Username", "User"});
  add("password", {"PWD", "Password"});
  add("sslmode", {"SSLmode"});
  params.emplace_back("client_encoding", "UTF8");
  params.emplace_back("connect_timeout", kConnectTimeout);
  params.emplace_back("application_name", "mvq");
  // As the ODBC sessions (Quirks::sessionSetup): time stamps with a zone keep their instant.
  params.emplace_back("options", "-c TimeZone=UTC");
  return params;
}

std::optional<size_t> CopyLineFromContext(std::string_view context) {
  static constexpr std::string_view kLine = ", line ";
  size_t at = context.find(kLine);
  if (!context.starts_with("COPY ") || at == std::string_view::npos) return std::nullopt;
  at += kLine.size();
  size_t line = 0, digits = 0;
  while (at < context.size() && std::isdigit(static_cast<unsigned char>(context[at]))) {
    line = line * 10 + static_cast<size_t>(context[at++] - '0');
    ++digits;
  }
  if (digits == 0 || line == 0) return std::nullopt;
  return line;
}

PgLink::PgLink(const std::string& odbcConnectionString) {
  auto params = PgConnectParams(odbcConnectionString);
  std::vector<const char*> keys, values;
  for (const auto& [k, v] : params) {
    keys.push_back(k.c_str());
    values.push_back(v.c_str());
  }
  keys.push_back(nullptr);
  values.push_back(nullptr);
  conn_ = PQconnectdbParams(keys.data(), values.data(), 0);
  if (!conn_ || PQstatus(conn_) != CONNECTION_OK) {
    std::string message = conn_ ? Trimmed(PQerrorMessage(conn_)) : "out of memory";
    if (conn_) PQfinish(conn_);
    conn_ = nullptr;
    throw DbError(message, "08001");
  }
  // PQcancel is safe from any thread: a COPY waiting on the server can be stopped.
  cancel_ = PQgetCancel(conn_);
  if (cancel_) {
    cancelHook_ = std::make_unique<CancelHook>([cancel = cancel_] {
      char reason[256];
      PQcancel(cancel, reason, sizeof reason);
    });
  }
}

PgLink::~PgLink() {
  Close();
}

bool PgLink::Usable() const {
  return conn_ && PQstatus(conn_) == CONNECTION_OK;
}

DbError PgLink::LostError(std::string_view what) const {
  std::string message = conn_ ? Trimmed(PQerrorMessage(conn_)) : std::string();
  if (message.empty()) message = "the server connection was lost while " + std::string(what);
  return DbError(message, "08S01");
}

void PgLink::Settle() {
  if (streamer_) streamer_->FinishStream();
  // A streamer that could not finish leaves nothing behind.
  if (streamer_) AbortCopy();
}

void PgLink::Exec(const std::string& sql) {
  Settle();
  if (!conn_) throw LostError("running " + sql);
  Result r{PQexec(conn_, sql.c_str())};
  if (PQresultStatus(r.r) != PGRES_COMMAND_OK) throw ResultError(r.r, conn_);
}

void PgLink::Enlist() {
  if (inTransaction_) return;
  Exec("BEGIN");
  inTransaction_ = true;
}

void PgLink::BeginCopy(const std::string& sql, CopyStreamer* streamer) {
  Settle();
  if (!conn_) throw LostError("starting a copy");
  Result r{PQexec(conn_, sql.c_str())};
  if (PQresultStatus(r.r) != PGRES_COPY_IN) throw ResultError(r.r, conn_);
  streamer_ = streamer;
}

void PgLink::PutCopy(std::string_view data) {
  if (PQputCopyData(conn_, data.data(), static_cast<int>(data.size())) != 1)
    throw LostError("sending rows");
}

std::optional<CopyRefusal> PgLink::EndCopy() {
  streamer_ = nullptr;
  if (PQputCopyEnd(conn_, nullptr) != 1) throw LostError("ending a copy");
  std::optional<CopyRefusal> refusal;
  while (PGresult* r = PQgetResult(conn_)) {
    Result owned{r};
    ExecStatusType status = PQresultStatus(r);
    if (status == PGRES_COMMAND_OK || refusal) continue;
    if (status == PGRES_COPY_IN) {
      // Still in copy state: the end did not arrive.
      throw LostError("ending a copy");
    }
    DbError error = ResultError(r, conn_);
    if (error.SqlState().starts_with("08")) throw error;
    const char* context = PQresultErrorField(r, PG_DIAG_CONTEXT);
    refusal = CopyRefusal{error, context ? CopyLineFromContext(context) : std::nullopt};
  }
  if (!Usable()) throw LostError("ending a copy");
  return refusal;
}

void PgLink::AbortCopy() {
  streamer_ = nullptr;
  if (!conn_ || PQputCopyEnd(conn_, "the rows were discarded") != 1) return;
  while (PGresult* r = PQgetResult(conn_)) PQclear(r);
}

void PgLink::Begun(int level) {
  if (!inTransaction_) return;
  Exec("SAVEPOINT mvq_tx" + std::to_string(level));
  savepoints_.push_back(level);
}

void PgLink::Commit(int level) {
  Settle();
  if (!inTransaction_) return;
  if (level > 1) {
    if (!savepoints_.empty() && savepoints_.back() == level) {
      savepoints_.pop_back();
      Exec("RELEASE SAVEPOINT mvq_tx" + std::to_string(level));
    }
    return;
  }
  savepoints_.clear();
  inTransaction_ = false;
  if (!conn_) throw LostError("committing");
  Result r{PQexec(conn_, "COMMIT")};
  if (PQresultStatus(r.r) != PGRES_COMMAND_OK) throw ResultError(r.r, conn_);
  // A transaction that had failed answers COMMIT with ROLLBACK: its rows are gone.
  if (std::strcmp(PQcmdStatus(r.r), "COMMIT") != 0)
    throw DbError("the rows of the transaction were rolled back by the server", "40000");
}

void PgLink::Rollback(int level) {
  if (streamer_) AbortCopy();
  if (!inTransaction_) return;
  try {
    if (level > 1 && !savepoints_.empty() && savepoints_.back() == level) {
      savepoints_.pop_back();
      const std::string name = "mvq_tx" + std::to_string(level);
      Exec("ROLLBACK TO SAVEPOINT " + name);
      Exec("RELEASE SAVEPOINT " + name);
      return;
    }
    // The level began before the rows came here: everything here belongs to it.
    savepoints_.clear();
    inTransaction_ = false;
    Exec("ROLLBACK");
  } catch (const DbError&) {
    // A lost session has nothing left to undo.
    inTransaction_ = false;
    savepoints_.clear();
  }
}

void PgLink::Close() {
  if (!conn_) return;
  if (streamer_) AbortCopy();
  cancelHook_.reset();
  if (cancel_) PQfreeCancel(cancel_);
  cancel_ = nullptr;
  PQfinish(conn_);  // an open transaction ends with the session, undone
  conn_ = nullptr;
  inTransaction_ = false;
  savepoints_.clear();
}

}  // namespace mvq::db
