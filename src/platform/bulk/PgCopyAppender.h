#pragma once
// Appender into PostgreSQL by COPY ... FROM STDIN over the connection's libpq partner
// session. Rows are written as COPY text lines into a batch and streamed to the server as
// the batch fills, so that the server parses while the next rows are read; the batch ends
// with the server's verdict. A refused batch is undone (its own transaction, or a savepoint
// in the connection's transaction) and sent again around the refused rows: the server
// names the line it stopped at, the rows before it go again as one COPY, the refused row is
// reported, and the rest follow. Each row is reported with its label and the server's
// message, as the ODBC appender reports it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/bulk/PgCopyText.h"
#include "platform/bulk/PgLink.h"

namespace mvq::db {

class PgCopyAppender : public Appender, public PendingRows, public CopyStreamer {
 public:
  // Probes "select * from table where 1=2" on the ODBC connection (the same checks and
  // errors as the ODBC appender); throws DbError.
  PgCopyAppender(std::shared_ptr<Session> session, std::shared_ptr<PgLink> link,
                 const std::string& table, size_t columnCount);
  ~PgCopyAppender() override;

  void Append() override;
  void SetField(size_t i, const Variant& v) override;
  std::vector<RowFailure> Post(std::optional<std::string> label) override;
  void Cancel() override;
  std::vector<RowFailure> Flush() override;

  void SendPending() override;
  void DiscardPending() override;
  void FinishStream() override;

 private:
  // Starts the batch's COPY when its first row comes; sends what has piled up.
  void Stream();
  // Ends the batch: the server's verdict, and the replay around refused rows.
  std::vector<RowFailure> FinishBatch();
  // Sends lines [begin, end) as one COPY (under a savepoint in a transaction).
  std::optional<CopyRefusal> CopyLines(size_t begin, size_t end);
  void Replay(std::vector<RowFailure>& failures);
  void ClearBatch();
  std::string_view Lines(size_t begin, size_t end) const;

  std::shared_ptr<Session> session_;
  std::shared_ptr<PgLink> link_;
  std::string copySql_;
  std::vector<CopyTarget> targets_;
  bool building_ = false;
  std::vector<std::string> cells_;  // the row being built, each field as COPY text
  std::vector<bool> set_;

  // The batch: its lines, where each ends, and each row's label.
  std::string data_;
  std::vector<size_t> ends_;
  std::vector<std::optional<std::string>> labels_;
  size_t sent_ = 0;                     // bytes of data_ already streamed
  bool streaming_ = false;              // the batch's COPY is open on the link
  bool streamInTransaction_ = false;    // ... under a savepoint of the transaction
  std::optional<DbError> streamError_;  // the COPY could not start, or the batch was refused
  std::optional<size_t> firstLine_;     // the line the batch was refused at
  std::vector<RowFailure> deferred_;    // from sends the caller did not ask for
  size_t batchRows_;
};

}  // namespace mvq::db
