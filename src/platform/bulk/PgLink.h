#pragma once
// A libpq session beside an ODBC connection to PostgreSQL, over which rows go by COPY. Its
// work is part of the ODBC connection's transaction: it joins it when rows go while one is
// under way, and commits and rolls back with it (nested levels as savepoints). Outside a
// transaction each COPY commits by itself, as a parameter array would.
#include <libpq-fe.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/odbc/Session.h"
#include "platform/odbc/StatementCancel.h"

namespace mvq::db {

// What streams rows over a link: asked to finish before the link does anything else.
class CopyStreamer {
 public:
  virtual ~CopyStreamer() = default;
  virtual void FinishStream() = 0;
};

// The server's refusal of a COPY: the error, and the data line (1-based) it stopped at
// when it names one.
struct CopyRefusal {
  DbError error;
  std::optional<size_t> line;
};

// libpq connection parameters for an ODBC connection string to psqlODBC: its Server, Port,
// Database, UID and PWD attributes (or their long names), else its data source's entries.
std::vector<std::pair<std::string, std::string>> PgConnectParams(const std::string& odbc);

// The line number in a COPY error's context ("COPY t, line 12, column c: ...").
std::optional<size_t> CopyLineFromContext(std::string_view context);

class PgLink : public TransactionPartner {
 public:
  // Connects; throws DbError.
  explicit PgLink(const std::string& odbcConnectionString);
  ~PgLink() override;
  PgLink(const PgLink&) = delete;
  PgLink& operator=(const PgLink&) = delete;

  // Connected and not lost.
  bool Usable() const;
  bool InTransaction() const { return inTransaction_; }
  // Joins the connection's transaction (BEGIN unless already in it).
  void Enlist();
  // Runs a statement without result; throws DbError.
  void Exec(const std::string& sql);

  // COPY ... FROM STDIN. Begin throws DbError when the statement is refused; Put sends
  // data (throws only when the session is lost); End answers the server's verdict.
  void BeginCopy(const std::string& sql, CopyStreamer* streamer);
  void PutCopy(std::string_view data);
  std::optional<CopyRefusal> EndCopy();
  // Ends a COPY in progress without keeping its rows.
  void AbortCopy();
  bool Copying() const { return streamer_ != nullptr; }

  void Begun(int level) override;
  void Commit(int level) override;
  void Rollback(int level) override;
  void Close() override;

 private:
  // Has whoever streams finish first.
  void Settle();
  DbError LostError(std::string_view what) const;

  PGconn* conn_ = nullptr;
  PGcancel* cancel_ = nullptr;
  std::unique_ptr<CancelHook> cancelHook_;  // reaches the server while a COPY waits
  CopyStreamer* streamer_ = nullptr;
  bool inTransaction_ = false;
  std::vector<int> savepoints_;  // nesting levels with a savepoint here
};

}  // namespace mvq::db
