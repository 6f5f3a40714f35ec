#pragma once
// Appender over ODBC: rows are queued and sent in chunks, each in a transaction of its own
// or under a savepoint of the caller's, as one parameter array of an INSERT. None of the
// drivers measured here says which row of a failed array was at fault (SQLite stops at it
// and leaves the rows before it written, psqlODBC and MariaDB undo the whole array, none
// fills the status array), so a failed array is undone to a savepoint (or its own
// transaction) and replayed row by row: the failing rows are reported, the others written.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/Session.h"

namespace mvq::db {

// Rows per batch for an appender whose own choice is engineDefault: the choice set by
// SetAppenderBatchRows when there is one.
size_t AppenderBatchRows(size_t engineDefault);

class OdbcAppender : public Appender, public PendingRows {
 public:
  // Probes "select * from table where 1=2" for the first columnCount columns; throws DbError.
  OdbcAppender(std::shared_ptr<Session> session, const std::string& table, size_t columnCount);
  ~OdbcAppender() override;

  void Append() override;
  void SetField(size_t i, const Variant& v) override;
  std::vector<RowFailure> Post(std::optional<std::string> label) override;
  void Cancel() override;
  std::vector<RowFailure> Flush() override;

  void SendPending() override;
  void DiscardPending() override;

 private:
  struct Target {
    std::string name;
    SQLSMALLINT sqlType = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
  };
  struct Pending {
    std::vector<Variant> row;
    std::optional<std::string> label;
    size_t bytes = 0;
  };

  std::vector<RowFailure> SendAll();
  void SendChunk(size_t begin, size_t end, std::vector<RowFailure>& failures);
  // Sends rows one at a time; inTransaction: a failing row must not spoil it.
  void ReplayRows(size_t begin, size_t end, bool inTransaction, std::vector<RowFailure>& failures);
  // Executes rows [begin, end) as one parameter array; the error when it failed.
  std::optional<DbError> ExecuteRows(size_t begin, size_t end);
  void Savepoint(const std::string& pattern, const std::string& name);

  std::shared_ptr<Session> session_;
  std::string insertSql_;
  std::vector<Target> targets_;
  std::unique_ptr<Statement> insert_;
  size_t batchRows_;  // rows per chunk: one transaction or savepoint
  bool useArrays_;    // a chunk goes as one parameter array
  bool building_ = false;
  std::vector<Variant> row_;
  std::vector<Pending> pending_;
  size_t pendingBytes_ = 0;
  std::vector<RowFailure> deferred_;  // from sends the caller did not ask for (commit)
};

}  // namespace mvq::db
