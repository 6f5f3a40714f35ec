#pragma once
// The state one open ODBC connection shares with its queries and appenders. Statements hold
// the session by shared pointer, so a query that outlives its Connection object fails
// cleanly instead of touching a freed handle.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/odbc/Connection.h"
#include "platform/odbc/DriverQuirks.h"
#include "platform/odbc/OdbcCalls.h"
#include "platform/odbc/ParamBinding.h"

namespace mvq::db {

class Session;

// A statement handle of a session. Handles die with their connection at SQLDisconnect; a
// statement of a closed session only forgets its handle.
class Statement {
 public:
  explicit Statement(std::shared_ptr<Session> session);
  ~Statement();
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  SQLHSTMT get() const;
  Session& session() const { return *session_; }
  const OdbcCalls& calls() const;
  void Check(SQLRETURN rc, std::string_view what) const;

 private:
  std::shared_ptr<Session> session_;
  Handle handle_;
};

// Something holding rows the connection must send before a transaction boundary.
class PendingRows {
 public:
  virtual ~PendingRows() = default;
  virtual void SendPending() = 0;     // before begin and commit
  virtual void DiscardPending() = 0;  // at rollback
  virtual void Settle() {}            // waits for a send running on another thread
};

// Marks the current thread, for its lifetime, as one that sends rows for a PendingRows:
// it uses the session while its owner waits, so Session::Settle does not wait for it.
class SessionSender {
 public:
  SessionSender();
  ~SessionSender();
  SessionSender(const SessionSender&) = delete;
  SessionSender& operator=(const SessionSender&) = delete;
};

// A second server session whose work belongs to this connection's transaction (the
// PostgreSQL COPY session): told of every transaction boundary, it begins, commits and
// rolls back with the connection. level: the nesting level begun, committed or undone
// (1 is the outermost transaction).
class TransactionPartner {
 public:
  virtual ~TransactionPartner() = default;
  virtual void Begun(int level) = 0;
  virtual void Commit(int level) = 0;  // before the connection commits; throws DbError
  virtual void Rollback(int level) = 0;
  virtual void Close() = 0;
};

class Session : public std::enable_shared_from_this<Session> {
 public:
  OdbcCalls calls;
  Handle dbc;
  bool open = false;
  std::string connectionString;  // as sent to the driver manager
  Dbms dbms = Dbms::Unknown;
  std::string dbmsVersion;  // SQL_DBMS_VER
  Quirks quirks;
  std::string quoteOpen = "\"", quoteClose = "\"";
  MarkerStyle markers = MarkerStyle::Question;
  // SQLGetData works on bound columns of a row positioned in a block (SQL_GD_BLOCK and
  // SQL_GD_BOUND): a value too long for its bound buffer can be read again.
  bool canReadBoundColumnsOfARowset = false;
  // The connection failed under a statement: nothing since then can be committed, whatever
  // the driver answers (psqlODBC reports a commit on a lost connection as done).
  bool lost = false;
  int transactionLevel = 0;
  bool autoCommit = true;  // false inside BeginTrans, or after SetAutoCommit(false)
  std::vector<PendingRows*> pending;
  // The transaction under way has written through this connection (a statement other than
  // a query, or appended rows): a partner session must not write beside it, since it could
  // wait on this connection's locks.
  bool wroteInTransaction = false;
  std::shared_ptr<TransactionPartner> partner;
  bool partnerUnavailable = false;  // it failed to connect once: not tried again

  // Throws DbError unless the connection is open.
  void RequireOpen() const;
  // Waits for rows being sent on another thread: the connection is used by one thread at
  // a time. Every statement, transaction step and autocommit change does so first.
  void Settle();
  // Throws the handle's diagnostics unless rc succeeded, noting a lost connection.
  void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, std::string_view what);
  // Notes a lost connection when error says so.
  void Note(const DbError& error);
  // Runs a statement without parameters or result (savepoints and the like).
  void ExecuteDirect(const std::string& sql);
  // The integer in the first column of a query's first row (0 when it is null or absent).
  int64_t QueryInteger(const std::string& sql);
  // Before a statement whose result gets described: see Quirks::refreshSchema.
  void RefreshSchema();
  void SetAutoCommit(bool on);
  void EndTransaction(bool commit);
  // A fresh savepoint name, unique within the session.
  std::string NewSavepointName();
  // The statement text of a savepoint operation ("" when the engine has none).
  std::string SavepointSql(const std::string& pattern, const std::string& name) const;
  bool HasSavepoints() const { return !quirks.savepoint.empty(); }
  // The declared type text of each column of a table, by column name (SQLite keeps decimals'
  // precision only there). Asked afresh each time: a table may be created anew.
  std::map<std::string, std::string> DeclaredTypes(const std::string& table);
  std::string Quote(const std::string& identifier) const;
  BindOptions Binding() const {
    return {calls.narrow(), quirks.lossyDoubleAndTimestampParameters, quirks.leaksDateParameters};
  }

 private:
  int savepointCounter_ = 0;
};

}  // namespace mvq::db
