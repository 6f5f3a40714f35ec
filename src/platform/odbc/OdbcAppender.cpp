#include "platform/odbc/OdbcAppender.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <utility>

#include "platform/odbc/DateText.h"
#include "platform/odbc/NameRules.h"
#include "platform/odbc/OdbcConnection.h"
#include "platform/odbc/ParamBinding.h"
#include "platform/odbc/ResultReader.h"
#include "platform/odbc/StatementCancel.h"

namespace mvq::db {

namespace {

// Bytes of parameter buffers per array: long values make arrays shorter.
constexpr size_t kArrayBytes = 8 << 20;

size_t& BatchRowsOverride() {
  static size_t rows = 0;
  return rows;
}

bool& SendAheadSetting() {
  static bool on = true;
  return on;
}

// Rough buffer bytes of one row, to cut arrays before they grow too large.
size_t RowBytes(const std::vector<Variant>& row) {
  size_t bytes = 0;
  for (const auto& v : row) {
    switch (v.kind()) {
      case Variant::Kind::String:
        bytes += 2 * v.Str().size() + 2;
        break;
      case Variant::Kind::Bytes:
        bytes += v.Blob().size();
        break;
      case Variant::Kind::Decimal:
        bytes += v.Dec().text.size() + 1;
        break;
      default:
        bytes += 16;
    }
  }
  return bytes;
}

void AddAll(std::vector<RowFailure>& to, std::vector<RowFailure> from) {
  to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}

bool IsCharTarget(SQLSMALLINT type) {
  auto c = ValueClassOf(type, false);
  return c == ValueClass::Text || c == ValueClass::Bytes;
}

}  // namespace

void SetAppenderBatchRows(size_t rows) {
  BatchRowsOverride() = rows;
}

void SetAppenderSendsAhead(bool on) {
  SendAheadSetting() = on;
}

size_t AppenderBatchRows(size_t engineDefault) {
  return BatchRowsOverride() ? BatchRowsOverride() : engineDefault;
}

OdbcAppender::OdbcAppender(std::shared_ptr<Session> session, const std::string& table,
                           size_t columnCount)
    : session_(std::move(session)) {
  if (columnCount == 0) throw DbError("an appender needs at least one column");
  const std::string quoted = TableName(*session_, table);
  {
    session_->RefreshSchema();
    Statement probe(session_);
    const std::string sql = "select * from " + quoted + " where 1=2";
    probe.Check(session_->calls.ExecDirect(probe.get(), sql), sql);
    auto columns = DescribeResult(probe);
    if (columns.size() < columnCount)
      throw DbError("the table " + table + " has " + std::to_string(columns.size()) +
                    " columns, fewer than the " + std::to_string(columnCount) + " to append");
    for (size_t i = 0; i < columnCount; ++i)
      targets_.push_back(
          {columns[i].desc.name, columns[i].sqlType, columns[i].size, columns[i].digits});
  }
  std::string names, markers;
  for (size_t i = 0; i < targets_.size(); ++i) {
    names += (i ? ", " : "") + session_->Quote(targets_[i].name);
    markers += i ? ", ?" : "?";
  }
  insertSql_ = "INSERT INTO " + quoted + " (" + names + ") VALUES (" + markers + ")";
  batchRows_ = AppenderBatchRows(session_->quirks.batchRows);
  arrayBytes_ = kArrayBytes;
  if (const std::string& query = session_->quirks.packetLimitQuery; !query.empty()) {
    // A quarter of the packet, since row sizes here are estimates; when the server does not
    // say, the default stands.
    try {
      auto limit = static_cast<size_t>(std::max<int64_t>(session_->QueryInteger(query), 0));
      if (limit > 0) arrayBytes_ = std::min(kArrayBytes, std::max<size_t>(limit / 4, 1));
    } catch (const DbError&) {
    }
  }
  // Without savepoints a failed array inside the caller's transaction cannot be undone.
  useArrays_ = !session_->quirks.noParameterArrays && session_->HasSavepoints();
  // Rows sent one at a time gain little from a thread: the arrays of a server do.
  sendAhead_ = useArrays_ && SendAheadSetting();
  session_->pending.push_back(this);
}

OdbcAppender::~OdbcAppender() {
  auto& list = session_->pending;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  // Posted rows count as written: send what is left. Failures have nobody to go to here;
  // callers that care call Flush first.
  try {
    TakeSent();
    if (session_->open) SendQueued();
  } catch (...) {
  }
  insert_.reset();
}

void OdbcAppender::Append() {
  row_.assign(targets_.size(), Variant());
  building_ = true;
}

void OdbcAppender::SetField(size_t i, const Variant& v) {
  if (!building_) throw DbError("no row is being appended");
  if (i >= row_.size()) throw DbError("Item cannot be found in the collection.");
  row_[i] = v;
}

std::vector<RowFailure> OdbcAppender::Post(std::optional<std::string> label) {
  if (!building_) throw DbError("no row is being appended");
  building_ = false;
  if (auto refusal = Unheld(row_)) {
    // The engine would store something else (SQLite turns NaN into NULL): refused here.
    deferred_.push_back({std::move(label), DbError(*refusal, "22003")});
    row_.clear();
    return std::exchange(deferred_, {});
  }
  size_t bytes = RowBytes(row_);
  pending_.push_back({std::move(row_), std::move(label), bytes});
  pendingBytes_ += bytes;
  if (pending_.size() < batchRows_ && pendingBytes_ < arrayBytes_)
    return std::exchange(deferred_, {});
  if (!sendAhead_) return Flush();
  auto failures = std::exchange(deferred_, {});
  // The arrays of rows that go as one are filled while the server still works on the send
  // before; the sender only binds and executes them.
  std::vector<ColumnArray> arrays;
  if (pending_.size() > 1 && ChunkEnd(pending_, 0) == pending_.size())
    arrays = BuildArrays(pending_, 0, pending_.size());
  AddAll(failures, TakeSent());
  SendAhead(std::move(arrays));
  return failures;
}

void OdbcAppender::Cancel() {
  building_ = false;
}

std::optional<std::string> OdbcAppender::Unheld(const std::vector<Variant>& row) const {
  const Quirks& q = session_->quirks;
  for (size_t i = 0; i < row.size() && i < targets_.size(); ++i) {
    if (row[i].kind() == Variant::Kind::Date || row[i].kind() == Variant::Kind::DateTime) {
      const auto c = ValueClassOf(targets_[i].sqlType, false);
      if (c != ValueClass::Date && c != ValueClass::Timestamp) continue;
      const Date& d =
          row[i].kind() == Variant::Kind::Date ? row[i].AsDate() : row[i].AsDateTime().date;
      if ((d.year < 0 && !q.holdsDatesBeforeChrist) || (HasZeroParts(d) && !q.holdsZeroDates))
        return "目标列" + targets_[i].name + "不能保存值" + row[i].AsText();
      continue;
    }
    if (row[i].kind() != Variant::Kind::Double) continue;
    const SQLSMALLINT t = targets_[i].sqlType;
    if (t != SQL_REAL && t != SQL_FLOAT && t != SQL_DOUBLE && t != SQL_NUMERIC && t != SQL_DECIMAL)
      continue;
    const double d = row[i].AsDouble();
    if ((std::isnan(d) && !q.holdsNaN) || (std::isinf(d) && !q.holdsInfinity))
      return "目标列" + targets_[i].name + "不能保存值" + row[i].AsText();
  }
  return std::nullopt;
}

std::vector<RowFailure> OdbcAppender::Flush() {
  auto failures = std::exchange(deferred_, {});
  AddAll(failures, TakeSent());
  AddAll(failures, SendQueued());
  return failures;
}

void OdbcAppender::SendPending() {
  AddAll(deferred_, Flush());
}

void OdbcAppender::DiscardPending() {
  // What the sender has belongs to the transaction being undone; the rows it refused are
  // still reported, as they would have been had it been sent in turn.
  try {
    AddAll(deferred_, TakeSent());
  } catch (const DbError&) {
  }
  pending_.clear();
  pendingBytes_ = 0;
}

void OdbcAppender::Settle() {
  if (sender_.joinable()) sender_.join();
}

void OdbcAppender::SendAhead(std::vector<ColumnArray> arrays) {
  sending_ = std::exchange(pending_, {});
  pendingBytes_ = 0;
  auto send = [this, arrays = std::move(arrays)]() mutable {
    try {
      sentFailures_ = SendAll(sending_, std::move(arrays));
    } catch (...) {
      sendError_ = std::current_exception();
    }
  };
  try {
    sender_ = std::thread([send = std::move(send)]() mutable {
      SessionSender inSender;
      send();
    });
  } catch (const std::system_error&) {
    send();  // no thread to be had: send here and now
  }
}

std::vector<RowFailure> OdbcAppender::TakeSent() {
  Settle();
  sending_.clear();
  if (auto error = std::exchange(sendError_, nullptr)) {
    // The rows queued since go nowhere: the send before them failed.
    pending_.clear();
    pendingBytes_ = 0;
    std::rethrow_exception(error);
  }
  return std::exchange(sentFailures_, {});
}

std::vector<RowFailure> OdbcAppender::SendQueued() {
  Rows rows = std::exchange(pending_, {});
  pendingBytes_ = 0;
  return SendAll(rows);
}

size_t OdbcAppender::ChunkEnd(const Rows& rows, size_t begin) const {
  size_t end = begin, bytes = 0;
  while (end < rows.size() && end - begin < batchRows_ &&
         (end == begin || bytes + rows[end].bytes <= arrayBytes_))
    bytes += rows[end++].bytes;
  return end;
}

std::vector<RowFailure> OdbcAppender::SendAll(const Rows& rows,
                                              std::vector<ColumnArray> firstArrays) {
  std::vector<RowFailure> failures;
  if (rows.empty()) return failures;
  session_->RequireOpen();
  for (size_t begin = 0; begin < rows.size();) {
    size_t end = ChunkEnd(rows, begin);
    SendChunk(rows, begin, end, std::exchange(firstArrays, {}), failures);
    begin = end;
  }
  return failures;
}

void OdbcAppender::Savepoint(const std::string& pattern, const std::string& name) {
  std::string sql = session_->SavepointSql(pattern, name);
  if (!sql.empty()) session_->ExecuteDirect(sql);
}

void OdbcAppender::SendChunk(const Rows& rows, size_t begin, size_t end,
                             std::vector<ColumnArray> arrays, std::vector<RowFailure>& failures) {
  Session& s = *session_;
  const Quirks& q = s.quirks;
  // With autocommit off the caller's work is under way: only savepoints may be used then.
  const bool ownTransaction = s.autoCommit;
  const bool array = useArrays_ && end - begin > 1;
  // One row in autocommit commits or fails by itself, and in a transaction the row guards
  // itself where a failure would spoil the transaction.
  if (end - begin == 1 && !array) {
    ReplayRows(rows, begin, end, !ownTransaction, failures);
    return;
  }
  // The chunk runs in a transaction of its own (fast, and undoable), or under a savepoint
  // of the caller's transaction unless the driver undoes a failed array itself.
  std::string savepoint;
  if (ownTransaction) {
    s.SetAutoCommit(false);
  } else if (array && !q.undoesFailedStatements) {
    savepoint = s.NewSavepointName();
    Savepoint(q.savepoint, savepoint);
  }
  try {
    if (!array) {
      ReplayRows(rows, begin, end, true, failures);
    } else if (ExecuteArrays(arrays.empty() ? BuildArrays(rows, begin, end) : std::move(arrays),
                             end - begin)) {
      // Undo whatever part of the array the driver wrote, then find the failing rows.
      if (ownTransaction)
        s.EndTransaction(false);
      else if (!savepoint.empty())
        Savepoint(q.rollbackToSavepoint, savepoint);
      ReplayRows(rows, begin, end, true, failures);
    }
    if (ownTransaction) {
      s.EndTransaction(true);
      s.SetAutoCommit(true);
    } else if (!savepoint.empty()) {
      Savepoint(q.releaseSavepoint, savepoint);
    }
  } catch (...) {
    if (ownTransaction) {
      try {
        s.EndTransaction(false);
        s.SetAutoCommit(true);
      } catch (const DbError&) {
      }
    }
    throw;
  }
}

bool OdbcAppender::TransactionRolledBack() const {
  const std::string& query = session_->quirks.transactionOpenQuery;
  return !session_->autoCommit && !query.empty() && session_->QueryInteger(query) == 0;
}

void OdbcAppender::ReplayRows(const Rows& rows, size_t begin, size_t end, bool inTransaction,
                              std::vector<RowFailure>& failures) {
  const Quirks& q = session_->quirks;
  const bool guard =
      inTransaction && q.failedStatementAbortsTransaction && session_->HasSavepoints();
  for (size_t r = begin; r < end; ++r) {
    std::string savepoint;
    if (guard) {
      savepoint = session_->NewSavepointName();
      Savepoint(q.savepoint, savepoint);
    }
    if (auto error = ExecuteArrays(BuildArrays(rows, r, r + 1), 1)) {
      failures.push_back({rows[r].label, *error});
      if (guard) Savepoint(q.rollbackToSavepoint, savepoint);
    }
    if (guard) Savepoint(q.releaseSavepoint, savepoint);
  }
}

std::vector<ColumnArray> OdbcAppender::BuildArrays(const Rows& rows, size_t begin,
                                                   size_t end) const {
  std::vector<ColumnArray> arrays;
  arrays.reserve(targets_.size());
  std::vector<const Variant*> values(end - begin);
  for (size_t c = 0; c < targets_.size(); ++c) {
    for (size_t r = begin; r < end; ++r) values[r - begin] = &rows[r].row[c];
    arrays.push_back(BuildColumnArray(values, session_->Binding()));
  }
  return arrays;
}

std::optional<DbError> OdbcAppender::ExecuteArrays(std::vector<ColumnArray> arrays, size_t count) {
  const OdbcCalls& calls = session_->calls;
  if (!insert_) {
    auto stmt = std::make_unique<Statement>(session_);
    stmt->Check(calls.Prepare(stmt->get(), insertSql_), insertSql_);
    insert_ = std::move(stmt);
  }
  SQLHSTMT h = insert_->get();
  const bool wroteBefore = session_->wroteInTransaction;
  if (!session_->autoCommit) session_->wroteInTransaction = true;
  insert_->Check(SQLFreeStmt(h, SQL_RESET_PARAMS), "resetting parameters");
  std::vector<SQLUSMALLINT> status(count, SQL_PARAM_UNUSED);
  SQLULEN processed = 0;
  insert_->Check(SQLSetStmtAttr(h, SQL_ATTR_PARAM_BIND_TYPE,
                                reinterpret_cast<SQLPOINTER>(SQL_PARAM_BIND_BY_COLUMN), 0),
                 "parameter binding");
  insert_->Check(SQLSetStmtAttr(h, SQL_ATTR_PARAMSET_SIZE,
                                reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(count)), 0),
                 "parameter array size");
  insert_->Check(SQLSetStmtAttr(h, SQL_ATTR_PARAM_STATUS_PTR, status.data(), 0), "status");
  insert_->Check(SQLSetStmtAttr(h, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0), "processed");

  for (size_t c = 0; c < targets_.size(); ++c) {
    ColumnArray& a = arrays[c];
    const Target& t = targets_[c];
    SQLSMALLINT sqlType = t.sqlType ? t.sqlType : SQL_VARCHAR;
    SQLULEN size = t.size;
    SQLSMALLINT digits = t.digits;
    const ValueClass target = ValueClassOf(sqlType, false);
    const bool dateTarget = target == ValueClass::Date || target == ValueClass::Timestamp;
    if (dateTarget && session_->quirks.leaksDateParameters &&
        (a.kind == CKind::NarrowText || a.kind == CKind::WideText)) {
      // Dates sent as text are typed as text too: the server reads them (the driver's own
      // reading of them is slow).
      sqlType = a.kind == CKind::NarrowText ? SQL_VARCHAR : SQL_WVARCHAR;
    }
    if (IsCharTarget(sqlType)) {
      size = a.maxSize;
      digits = 0;
    } else if (ValueClassOf(sqlType, false) == ValueClass::Decimal) {
      if (size == 0) size = std::max<SQLULEN>(a.maxSize, 1);
    } else if (ValueClassOf(sqlType, false) == ValueClass::Timestamp) {
      // Keep the values' fractions rather than let the declared digits drop them.
      digits = std::max(digits, a.maxDigits);
      size = 19 + (digits ? digits + 1 : 0);
    }
    SQLRETURN rc = SQLBindParameter(h, static_cast<SQLUSMALLINT>(c + 1), SQL_PARAM_INPUT,
                                    CTypeOf(a.kind), sqlType, std::max<SQLULEN>(size, 1), digits,
                                    a.data.data(), static_cast<SQLLEN>(a.width), a.lengths.data());
    insert_->Check(rc, "binding a parameter array");
  }
  SQLRETURN rc = SQL_SUCCESS;
  {
    const ExecutingStatement executing(h);
    rc = SQLExecute(h);
  }
  std::optional<DbError> error;
  if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) {
    auto records = calls.Diagnostics(SQL_HANDLE_STMT, h);
    if (records.empty()) records.push_back({"HY000", 0, "the row was refused"});
    error = DbError(std::move(records));
  } else if (rc == SQL_SUCCESS_WITH_INFO &&
             std::count(status.begin(), status.end(), SQL_PARAM_ERROR) > 0) {
    error = DbError(calls.Diagnostics(SQL_HANDLE_STMT, h));
  }
  SQLFreeStmt(h, SQL_CLOSE);
  // Buffers are about to go: no pointer into them may stay with the statement.
  SQLFreeStmt(h, SQL_RESET_PARAMS);
  SQLSetStmtAttr(h, SQL_ATTR_PARAM_STATUS_PTR, nullptr, 0);
  SQLSetStmtAttr(h, SQL_ATTR_PARAMS_PROCESSED_PTR, nullptr, 0);
  // A lost connection is no row's fault, nor is a transaction the server rolled back whole:
  // what it had written is gone, and rows sent after it would go into a new one.
  if (error && (error->ConnectionLost() || (wroteBefore && TransactionRolledBack()))) {
    session_->Note(*error);
    throw *error;
  }
  return error;
}

}  // namespace mvq::db
