#pragma once
// Appender over ODBC: rows are queued and sent in chunks, each in a transaction of its own
// or under a savepoint of the caller's, as one parameter array of an INSERT. None of the
// drivers measured here says which row of a failed array was at fault (SQLite stops at it
// and leaves the rows before it written, psqlODBC and MariaDB undo the whole array, none
// fills the status array), so a failed array is undone to a savepoint (or its own
// transaction, or by psqlODBC or the MariaDB server itself) and replayed row by row: the
// failing rows are reported, the others written.
//
// Arrays are sent on a thread of their own while the caller gathers the next rows, so that
// the server's work and ours overlap (the copy otherwise waits for one, then the other).
// Only one thread uses the connection at a time: every other use of the session first waits
// for the send under way (Session::Settle). Rows a send refused are reported by the next
// Post or Flush; an error it raised is thrown there.
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/odbc/ParamBinding.h"
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
  void Settle() override;

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

  using Rows = std::vector<Pending>;
  // Why the target cannot hold a value of row as it is (NaN where the engine has none), or
  // nothing.
  std::optional<std::string> Unheld(const std::vector<Variant>& row) const;
  // Sends the queued rows here and now.
  std::vector<RowFailure> SendQueued();
  // Sends rows in chunks of one array each; firstArrays: those of the first chunk, when
  // already filled.
  std::vector<RowFailure> SendAll(const Rows& rows, std::vector<ColumnArray> firstArrays = {});
  // The end of the chunk that starts at begin.
  size_t ChunkEnd(const Rows& rows, size_t begin) const;
  void SendChunk(const Rows& rows, size_t begin, size_t end, std::vector<ColumnArray> arrays,
                 std::vector<RowFailure>& failures);
  // Sends rows one at a time; inTransaction: a failing row must not spoil it.
  void ReplayRows(const Rows& rows, size_t begin, size_t end, bool inTransaction,
                  std::vector<RowFailure>& failures);
  std::vector<ColumnArray> BuildArrays(const Rows& rows, size_t begin, size_t end) const;
  // Executes count rows of arrays as one parameter array; the error when it failed.
  std::optional<DbError> ExecuteArrays(std::vector<ColumnArray> arrays, size_t count);
  // Hands the queued rows to the sender thread, with their arrays when filled already.
  void SendAhead(std::vector<ColumnArray> arrays);
  // Waits for the send under way: the rows it refused. Throws the error it raised, and then
  // drops the rows queued after it.
  std::vector<RowFailure> TakeSent();
  void Savepoint(const std::string& pattern, const std::string& name);
  // After a failed statement: the server rolled the whole transaction back by itself.
  bool TransactionRolledBack() const;

  std::shared_ptr<Session> session_;
  std::string insertSql_;
  std::vector<Target> targets_;
  std::unique_ptr<Statement> insert_;
  size_t batchRows_;   // rows per chunk: one transaction or savepoint
  size_t arrayBytes_;  // estimated buffer bytes per chunk at most
  bool useArrays_;     // a chunk goes as one parameter array
  bool building_ = false;
  std::vector<Variant> row_;
  Rows pending_;
  size_t pendingBytes_ = 0;
  std::vector<RowFailure> deferred_;  // from sends the caller did not ask for (commit)
  bool sendAhead_;                    // arrays go from the sender thread
  std::thread sender_;
  Rows sending_;  // the rows the sender has, until TakeSent
  std::vector<RowFailure> sentFailures_;
  std::exception_ptr sendError_;
};

}  // namespace mvq::db
