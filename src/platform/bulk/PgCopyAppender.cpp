#include "platform/bulk/PgCopyAppender.h"

#include <algorithm>
#include <utility>

#include "platform/odbc/NameRules.h"
#include "platform/odbc/OdbcAppender.h"
#include "platform/odbc/ResultReader.h"

namespace mvq::db {

namespace {

// Rows and bytes per batch: one COPY, one verdict, one unit of replay.
constexpr size_t kBatchRows = 50000;
constexpr size_t kBatchBytes = 16 << 20;
// Bytes piled up before they are streamed to the server.
constexpr size_t kStreamBytes = 64 << 10;

const char* const kSavepoint = "SAVEPOINT mvq_copy";
const char* const kRollbackToSavepoint = "ROLLBACK TO SAVEPOINT mvq_copy";
const char* const kReleaseSavepoint = "RELEASE SAVEPOINT mvq_copy";

CopyTarget TargetOf(SQLSMALLINT sqlType) {
  switch (sqlType) {
    case SQL_BIT:
      return CopyTarget::Boolean;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
      return CopyTarget::Bytea;
    default:
      return CopyTarget::Text;
  }
}

bool Lost(const DbError& e) {
  return e.SqlState().starts_with("08");
}

}  // namespace

PgCopyAppender::PgCopyAppender(std::shared_ptr<Session> session, std::shared_ptr<PgLink> link,
                               const std::string& table, size_t columnCount)
    : session_(std::move(session)), link_(std::move(link)) {
  if (columnCount == 0) throw DbError("an appender needs at least one column");
  std::string names;
  const std::string quoted = TableName(*session_, table);
  {
    Statement probe(session_);
    const std::string sql = "select * from " + quoted + " where 1=2";
    probe.Check(session_->calls.ExecDirect(probe.get(), sql), sql);
    auto columns = DescribeResult(probe);
    if (columns.size() < columnCount)
      throw DbError("the table " + table + " has " + std::to_string(columns.size()) +
                    " columns, fewer than the " + std::to_string(columnCount) + " to append");
    for (size_t i = 0; i < columnCount; ++i) {
      names += (i ? ", " : "") + session_->Quote(columns[i].desc.name);
      targets_.push_back(TargetOf(columns[i].sqlType));
    }
  }
  copySql_ = "COPY " + quoted + " (" + names + ") FROM STDIN";
  batchRows_ = AppenderBatchRows(kBatchRows);
  session_->pending.push_back(this);
}

PgCopyAppender::~PgCopyAppender() {
  auto& list = session_->pending;
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
  // Posted rows count as written, as with the ODBC appender.
  try {
    if (!ends_.empty() && session_->open && link_->Usable()) FinishBatch();
  } catch (const DbError&) {
  }
  if (streaming_) link_->AbortCopy();
}

void PgCopyAppender::Append() {
  cells_.resize(targets_.size());
  set_.assign(targets_.size(), false);
  building_ = true;
}

void PgCopyAppender::SetField(size_t i, const Variant& v) {
  if (!building_) throw DbError("no row is being appended");
  if (i >= cells_.size()) throw DbError("Item cannot be found in the collection.");
  // Written as COPY text at once: the cell keeps its buffer from row to row.
  cells_[i].clear();
  AppendCopyField(cells_[i], v, targets_[i]);
  set_[i] = true;
}

std::vector<RowFailure> PgCopyAppender::Post(std::optional<std::string> label) {
  if (!building_) throw DbError("no row is being appended");
  building_ = false;
  for (size_t c = 0; c < cells_.size(); ++c) {
    if (set_[c])
      data_ += cells_[c];
    else
      data_ += "\\N";
    data_ += c + 1 < cells_.size() ? '\t' : '\n';
  }
  ends_.push_back(data_.size());
  labels_.push_back(std::move(label));
  Stream();
  if (ends_.size() >= batchRows_ || data_.size() >= kBatchBytes) return Flush();
  return std::exchange(deferred_, {});
}

void PgCopyAppender::Cancel() {
  building_ = false;
}

std::vector<RowFailure> PgCopyAppender::Flush() {
  auto failures = std::exchange(deferred_, {});
  auto sent = FinishBatch();
  failures.insert(failures.end(), std::make_move_iterator(sent.begin()),
                  std::make_move_iterator(sent.end()));
  return failures;
}

void PgCopyAppender::SendPending() {
  auto sent = FinishBatch();
  deferred_.insert(deferred_.end(), std::make_move_iterator(sent.begin()),
                   std::make_move_iterator(sent.end()));
}

void PgCopyAppender::FinishStream() {
  SendPending();
}

void PgCopyAppender::DiscardPending() {
  if (streaming_) {
    streaming_ = false;
    try {
      link_->AbortCopy();
      if (streamInTransaction_) {
        link_->Exec(kRollbackToSavepoint);
        link_->Exec(kReleaseSavepoint);
      }
    } catch (const DbError&) {
      // The rollback that follows undoes the transaction all the same.
    }
  }
  ClearBatch();
}

std::string_view PgCopyAppender::Lines(size_t begin, size_t end) const {
  size_t from = begin ? ends_[begin - 1] : 0;
  return std::string_view(data_).substr(from, ends_[end - 1] - from);
}

void PgCopyAppender::Stream() {
  if (streamError_) return;
  if (!streaming_) {
    session_->RequireOpen();
    streamInTransaction_ = !session_->autoCommit;
    bool savepoint = false;
    try {
      if (streamInTransaction_) {
        link_->Enlist();
        link_->Exec(kSavepoint);
        savepoint = true;
      }
      link_->BeginCopy(copySql_, this);
    } catch (const DbError& e) {
      if (Lost(e)) throw;
      // The statement itself was refused: the batch is replayed, and its rows reported.
      streamError_ = e;
      if (savepoint) {
        link_->Exec(kRollbackToSavepoint);
        link_->Exec(kReleaseSavepoint);
      }
      return;
    }
    streaming_ = true;
  }
  if (data_.size() - sent_ >= kStreamBytes) {
    link_->PutCopy(std::string_view(data_).substr(sent_));
    sent_ = data_.size();
  }
}

std::vector<RowFailure> PgCopyAppender::FinishBatch() {
  std::vector<RowFailure> failures;
  if (ends_.empty()) {
    if (streaming_) DiscardPending();
    return failures;
  }
  try {
    std::optional<CopyRefusal> refusal;
    if (streaming_) {
      streaming_ = false;
      if (sent_ < data_.size()) link_->PutCopy(std::string_view(data_).substr(sent_));
      sent_ = data_.size();
      refusal = link_->EndCopy();
      if (streamInTransaction_) {
        if (refusal) link_->Exec(kRollbackToSavepoint);
        link_->Exec(kReleaseSavepoint);
      }
    } else if (streamError_) {
      refusal = CopyRefusal{*streamError_, std::nullopt};
    } else {
      refusal = CopyLines(0, ends_.size());
    }
    if (refusal) {
      streamError_ = std::move(refusal->error);
      firstLine_ = refusal->line;
      Replay(failures);
    }
  } catch (...) {
    ClearBatch();
    throw;
  }
  ClearBatch();
  return failures;
}

std::optional<CopyRefusal> PgCopyAppender::CopyLines(size_t begin, size_t end) {
  const bool transaction = !session_->autoCommit;
  if (transaction) {
    link_->Enlist();
    link_->Exec(kSavepoint);
  }
  std::optional<CopyRefusal> refusal;
  try {
    link_->BeginCopy(copySql_, nullptr);
  } catch (const DbError& e) {
    if (Lost(e)) throw;
    refusal = CopyRefusal{e, std::nullopt};
  }
  if (!refusal) {
    link_->PutCopy(Lines(begin, end));
    refusal = link_->EndCopy();
  }
  if (transaction) {
    if (refusal) link_->Exec(kRollbackToSavepoint);
    link_->Exec(kReleaseSavepoint);
  }
  return refusal;
}

void PgCopyAppender::Replay(std::vector<RowFailure>& failures) {
  const size_t n = ends_.size();
  // The batch's own verdict stands for the first attempt: all n rows.
  std::optional<CopyRefusal> known = CopyRefusal{*streamError_, firstLine_};
  size_t p = 0, window = n;
  while (p < n) {
    const size_t count = std::min(window, n - p);
    std::optional<CopyRefusal> refusal;
    if (known) {
      refusal = std::move(known);
      known.reset();
    } else {
      refusal = CopyLines(p, p + count);
    }
    if (!refusal) {
      p += count;
      window = std::min(n, window * 2);
      continue;
    }
    if (refusal->line && *refusal->line >= 1 && *refusal->line <= count) {
      const size_t good = *refusal->line - 1;
      if (good > 0) {
        // The rows before the refused one go again on their own.
        window = good;
      } else {
        failures.push_back({labels_[p], std::move(refusal->error)});
        ++p;
        window = std::max<size_t>(1, window / 2);
      }
      continue;
    }
    // No line named: the rows go one at a time until one gets through.
    if (count == 1) {
      failures.push_back({labels_[p], std::move(refusal->error)});
      ++p;
    }
    window = 1;
  }
}

void PgCopyAppender::ClearBatch() {
  data_.clear();
  ends_.clear();
  labels_.clear();
  sent_ = 0;
  streaming_ = false;
  streamError_.reset();
  firstLine_.reset();
}

}  // namespace mvq::db
