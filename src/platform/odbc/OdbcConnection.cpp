#include "platform/odbc/OdbcConnection.h"

#include "platform/odbc/Drivers.h"

#include <filesystem>

#include "platform/bulk/BulkAppenders.h"
#include "platform/odbc/ConnectionString.h"
#include "platform/odbc/KeyRangeQuery.h"
#include "platform/odbc/NameRules.h"
#include "platform/odbc/OdbcAppender.h"
#include "platform/odbc/OdbcQuery.h"
#include "platform/odbc/SchemaRowsets.h"
#include "platform/odbc/WideText.h"

namespace mvq::db {

namespace {

// The message for a driver that refuses a connection and says nothing (MDBTools only
// prints to standard error).
std::string SilentRefusal(const std::string& odbc) {
  std::string file =
      AttributeValue(odbc, "DBQ").value_or(AttributeValue(odbc, "Database").value_or(""));
  std::error_code ignored;
  if (!file.empty() && !std::filesystem::exists(file, ignored))
    return "the database file " + file + " does not exist";
  return "the driver " + DriverOf(odbc) + " refused the connection without giving a reason";
}

class OdbcConnection : public Connection {
 public:
  OdbcConnection() : session_(std::make_shared<Session>()) {}
  ~OdbcConnection() override { Close(); }

  void Open(const std::string& connectionString) override;
  bool IsOpen() const override { return session_->open; }
  void Close() override;

  int BeginTrans() override;
  void CommitTrans() override;
  void RollbackTrans() override;
  bool InTransaction() const override { return session_->transactionLevel > 0; }
  void SetAutoCommit(bool on) override;

  int64_t Execute(const std::string& sql, const Params& params) override {
    return OdbcQuery(session_).Execute(sql, params);
  }
  std::unique_ptr<Query> CreateQuery() override { return std::make_unique<OdbcQuery>(session_); }
  std::unique_ptr<Query> StreamTable(const std::string& table) override;
  const Session& session() const { return *session_; }
  std::unique_ptr<Appender> CreateAppender(const std::string& table, size_t columns) override {
    if (auto bulk = CreateBulkAppender(Opened(), table, columns)) return bulk;
    return std::make_unique<OdbcAppender>(session_, table, columns);
  }
  Variant CallFunction(const std::string& name, const Params& inputs) override;

  std::vector<TableRow> SchemaTables() override { return ReadTables(Opened()); }
  std::vector<PrimaryKeyRow> SchemaPrimaryKeys() override { return ReadPrimaryKeys(Opened()); }
  std::vector<ProviderTypeRow> SchemaProviderTypes() override {
    return ReadProviderTypes(Opened());
  }

  std::string ProviderName() const override { return session_->quirks.providerName; }
  std::string CurrentCatalog() const override {
    return session_->open ? ReadCurrentCatalog(*session_) : std::string();
  }
  Dbms dbms() const override { return session_->dbms; }
  std::string DbmsVersion() const override { return session_->dbmsVersion; }
  void SetMarkerStyle(MarkerStyle style) override { session_->markers = style; }

 private:
  const std::shared_ptr<Session>& Opened() const {
    session_->RequireOpen();
    return session_;
  }
  void SendPendingRows();
  std::string TransactionSavepoint(int level) const { return "mvq_tx" + std::to_string(level); }

  std::shared_ptr<Session> session_;
};

void OdbcConnection::Open(const std::string& connectionString) {
  Close();
  const std::string odbc = TranslateConnectionString(connectionString, InstalledOdbcDrivers());
  auto session = std::make_shared<Session>();
  session->markers = session_->markers;
  const std::string driver = DriverOf(odbc);
  session->calls = OdbcCalls(DriverNeedsNarrowCalls(driver), DriverPrintsItsErrors(driver));
  session->connectionString = odbc;
  session->dbc = Handle(SQL_HANDLE_DBC, Environment());
  SQLHDBC dbc = session->dbc.get();
  SQLSetConnectAttr(dbc, SQL_ATTR_LOGIN_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(kLoginTimeoutSeconds)), 0);
  SQLRETURN rc = session->calls.DriverConnect(dbc, odbc);
  if (!SQL_SUCCEEDED(rc)) {
    auto records = session->calls.Diagnostics(SQL_HANDLE_DBC, dbc);
    if (records.empty()) records.push_back({"08001", 0, SilentRefusal(odbc)});
    // A driver may quote the string or the password back; the message goes to the log.
    const std::vector<std::string> secrets = PasswordsOf(odbc);
    for (Diagnostic& record : records) record.message = HideSecrets(record.message, secrets);
    throw DbError(std::move(records));
  }
  session->open = true;
  const std::string driverName =
      session->calls.InfoText(dbc, SQL_DRIVER_NAME).value_or(DriverOf(odbc));
  // A data source name hides the driver until now.
  if (!session->calls.narrow() && DriverNeedsNarrowCalls(driverName))
    session->calls = OdbcCalls(true, DriverPrintsItsErrors(driverName));
  const OdbcCalls& calls = session->calls;
  ServerInfo server{driverName, calls.InfoText(dbc, SQL_DBMS_NAME).value_or(""),
                    calls.InfoText(dbc, SQL_DBMS_VER).value_or("")};
  session->dbms = DetectDbms(server.dbmsName, driverName);
  session->dbmsVersion = server.dbmsVersion;
  session->quirks = QuirksFor(session->dbms, odbc, server);
  SQLUINTEGER getData = 0;
  if (SQL_SUCCEEDED(SQLGetInfo(dbc, SQL_GETDATA_EXTENSIONS, &getData, sizeof getData, nullptr)))
    session->canReadBoundColumnsOfARowset =
        (getData & SQL_GD_BLOCK) != 0 && (getData & SQL_GD_BOUND) != 0;
  if (!session->quirks.quoteOpen.empty()) {
    session->quoteOpen = session->quirks.quoteOpen;
    session->quoteClose = session->quirks.quoteClose;
  } else if (auto quote = calls.InfoText(dbc, SQL_IDENTIFIER_QUOTE_CHAR);
             quote && quote->size() == 1 && *quote != " ") {
    session->quoteOpen = session->quoteClose = *quote;
  }
  if (!session->quirks.sessionSetup.empty()) session->ExecuteDirect(session->quirks.sessionSetup);
  session_ = std::move(session);
}

void OdbcConnection::Close() {
  Session& s = *session_;
  if (!s.open) return;
  try {
    SendPendingRows();
  } catch (const DbError&) {
    // Closing goes on; the rows of a broken connection cannot be saved.
  }
  // Work not committed is undone (also after SetAutoCommit(false) without a commit).
  if (s.partner) {
    s.partner->Close();
    s.partner.reset();
  }
  SQLEndTran(SQL_HANDLE_DBC, s.dbc.get(), SQL_ROLLBACK);
  s.transactionLevel = 0;
  SQLDisconnect(s.dbc.get());
  s.open = false;
  // Keep the markers and nothing else for the next Open.
  auto fresh = std::make_shared<Session>();
  fresh->markers = s.markers;
  session_ = std::move(fresh);
}

void OdbcConnection::SendPendingRows() {
  // Copy: an appender may go away while another sends.
  auto pending = session_->pending;
  for (PendingRows* p : pending) p->SendPending();
}

int OdbcConnection::BeginTrans() {
  Session& s = *Opened();
  SendPendingRows();
  if (s.transactionLevel == 0) {
    s.SetAutoCommit(false);
  } else if (s.HasSavepoints()) {
    s.ExecuteDirect(
        s.SavepointSql(s.quirks.savepoint, TransactionSavepoint(s.transactionLevel + 1)));
  }
  ++s.transactionLevel;
  if (s.partner) s.partner->Begun(s.transactionLevel);
  return s.transactionLevel;
}

void OdbcConnection::CommitTrans() {
  Session& s = *Opened();
  if (s.transactionLevel == 0) throw DbError("No transaction is active.", "25000");
  SendPendingRows();
  if (s.transactionLevel > 1) {
    std::string release =
        s.SavepointSql(s.quirks.releaseSavepoint, TransactionSavepoint(s.transactionLevel));
    if (s.partner) s.partner->Commit(s.transactionLevel);
    --s.transactionLevel;
    if (!release.empty()) s.ExecuteDirect(release);
    return;
  }
  s.transactionLevel = 0;
  try {
    // The partner's rows first: a page whose rows fail to commit takes the rest with it.
    if (s.partner) s.partner->Commit(1);
    s.EndTransaction(true);
  } catch (const DbError&) {
    // A commit that failed leaves nothing half done: roll back and go back to autocommit.
    try {
      if (s.partner) s.partner->Rollback(1);
      s.EndTransaction(false);
      s.SetAutoCommit(true);
    } catch (const DbError&) {
    }
    throw;
  }
  s.SetAutoCommit(true);
}

void OdbcConnection::RollbackTrans() {
  Session& s = *Opened();
  if (s.transactionLevel == 0) throw DbError("No transaction is active.", "25000");
  for (PendingRows* p : s.pending) p->DiscardPending();
  if (s.partner) s.partner->Rollback(std::max(s.transactionLevel, 1));
  if (s.transactionLevel > 1) {
    std::string name = TransactionSavepoint(s.transactionLevel);
    --s.transactionLevel;
    if (s.HasSavepoints()) {
      s.ExecuteDirect(s.SavepointSql(s.quirks.rollbackToSavepoint, name));
      std::string release = s.SavepointSql(s.quirks.releaseSavepoint, name);
      if (!release.empty()) s.ExecuteDirect(release);
    }
    return;
  }
  s.transactionLevel = 0;
  s.EndTransaction(false);
  s.SetAutoCommit(true);
}

std::unique_ptr<Query> OdbcConnection::StreamTable(const std::string& table) {
  const auto& session = Opened();
  if (session->quirks.keyRangeRows > 0) {
    auto keys = ReadKeyColumns(session, table);
    if (keys.size() == 1)
      return std::make_unique<KeyRangeQuery>(session, table, keys[0], session->quirks.keyRangeRows);
  }
  // Without one key column the driver's own reading is all there is.
  return Connection::StreamTable(TableName(*session, table));
}

void OdbcConnection::SetAutoCommit(bool on) {
  Session& s = *session_;
  // Turning autocommit on commits the transaction under way, the partner's part first.
  if (on && !s.autoCommit && s.open && s.transactionLevel == 0) {
    SendPendingRows();
    if (s.partner) s.partner->Commit(1);
  }
  if (!on && s.autoCommit && s.open) SendPendingRows();
  s.SetAutoCommit(on);
}

Variant OdbcConnection::CallFunction(const std::string& name, const Params& inputs) {
  const auto& session = Opened();
  const OdbcCalls& calls = session->calls;
  std::string markers;
  for (size_t i = 0; i < inputs.size(); ++i) markers += i ? ", ?" : "?";
  // The text is built here with "?" markers, whatever style the caller writes in.
  Statement stmt(session);
  ParamBuffers buffers;
  if (!session->quirks.callsFunctionsWithEscape) {
    std::string sql = "select " + name + "(" + markers + ")" + session->quirks.selectFunctionSuffix;
    stmt.Check(calls.Prepare(stmt.get(), sql), sql);
    buffers.Bind(stmt.get(), inputs, calls, session->Binding(),
                 session->quirks.describeNullParameters);
    stmt.Check(SQLExecute(stmt.get()), sql);
    std::vector<std::vector<Variant>> rows;
    ResultReader reader(stmt, DescribeResult(stmt), 1);
    reader.FetchBlock(rows);
    return rows.empty() || rows[0].empty() ? Variant() : rows[0][0];
  }
  // The ODBC call escape with a return value: "{? = call name(?, ...)}".
  std::string sql = "{? = call " + name + "(" + markers + ")}";
  stmt.Check(calls.Prepare(stmt.get(), sql), sql);
  constexpr SQLULEN kReturnChars = 8000;
  std::vector<SQLWCHAR> result(kReturnChars + 1, 0);
  SQLLEN resultLength = 0;
  stmt.Check(SQLBindParameter(stmt.get(), 1, SQL_PARAM_OUTPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                              kReturnChars, 0, result.data(),
                              static_cast<SQLLEN>(result.size() * sizeof(SQLWCHAR)), &resultLength),
             "binding the return value");
  buffers.Bind(stmt.get(), inputs, calls, session->Binding(),
               session->quirks.describeNullParameters, 2);
  stmt.Check(SQLExecute(stmt.get()), sql);
  // Output parameters are set once every result has been consumed.
  while (SQL_SUCCEEDED(SQLMoreResults(stmt.get()))) {
  }
  if (resultLength == SQL_NULL_DATA) return Variant();
  size_t units = std::min<size_t>(
      static_cast<size_t>(std::max<SQLLEN>(resultLength, 0)) / sizeof(SQLWCHAR), kReturnChars);
  return Variant(ToUtf8(reinterpret_cast<const char16_t*>(result.data()), units));
}

}  // namespace

NameRules NamesOf(const Connection& connection) {
  if (const auto* odbc = dynamic_cast<const OdbcConnection*>(&connection))
    return NamesOf(odbc->session());
  return NameRulesFor(connection.dbms(), {}, connection.DbmsVersion());
}

std::unique_ptr<Connection> CreateOdbcConnection() {
  return std::make_unique<OdbcConnection>();
}

}  // namespace mvq::db
