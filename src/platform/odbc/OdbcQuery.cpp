#include "platform/odbc/OdbcQuery.h"

#include <algorithm>
#include <cctype>

#include "platform/odbc/ConnectionString.h"
#include "platform/odbc/Markers.h"
#include "platform/odbc/SchemaRowsets.h"

namespace mvq::db {

namespace {
// Rows per block fetch.
constexpr size_t kFetchRows = 1000;

// Rows per key range of a whole-table read.
constexpr size_t kRangeRows = 20000;

// The table of a statement that reads a whole table as it stands ("select * from T", T
// bare or in backquotes), else nothing.
std::optional<std::string> WholeTableRead(const std::string& sql) {
  size_t at = sql.find_first_not_of(" \t\r\n");
  if (at == std::string::npos) return std::nullopt;
  std::string head = sql.substr(at, 14);
  for (auto& c : head) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (head != "select * from ") return std::nullopt;
  at += 14;
  std::string table;
  if (at < sql.size() && sql[at] == '`') {
    size_t close = sql.find('`', at + 1);
    if (close == std::string::npos) return std::nullopt;
    table = sql.substr(at + 1, close - at - 1);
    at = close + 1;
  } else {
    while (at < sql.size()) {
      auto c = static_cast<unsigned char>(sql[at]);
      if (!std::isalnum(c) && c != '_' && c != '$' && c < 0x80) break;
      table += sql[at++];
    }
  }
  if (table.empty() || sql.find_first_not_of(" \t\r\n;", at) != std::string::npos)
    return std::nullopt;
  return table;
}

bool IsQueryText(const std::string& sql) {
  size_t at = sql.find_first_not_of(" \t\r\n(");
  if (at == std::string::npos || sql.size() - at < 6) return false;
  std::string word = sql.substr(at, 6);
  for (auto& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return word == "select";
}
}  // namespace

std::unique_ptr<Statement> RunStatement(const std::shared_ptr<Session>& session,
                                        const std::string& sql, const Params& params,
                                        ParamBuffers& buffers, SQLRETURN* rc) {
  auto stmt = std::make_unique<Statement>(session);
  const OdbcCalls& calls = session->calls;
  if (!session->autoCommit && !IsQueryText(sql)) session->wroteInTransaction = true;
  if (params.empty() && session->markers == MarkerStyle::Question) {
    *rc = calls.ExecDirect(stmt->get(), sql);
  } else {
    MarkedStatement marked = session->markers == MarkerStyle::Colon
                                 ? TranslateColonMarkers(sql, params)
                                 : MarkedStatement{sql, params};
    if (marked.params.empty()) {
      *rc = calls.ExecDirect(stmt->get(), marked.sql);
    } else {
      stmt->Check(calls.Prepare(stmt->get(), marked.sql), "preparing a statement");
      buffers.Bind(stmt->get(), marked.params, calls, session->Binding(),
                   session->quirks.describeNullParameters);
      *rc = SQLExecute(stmt->get());
    }
  }
  stmt->Check(*rc, "executing a statement");
  return stmt;
}

int64_t RowsAffected(Statement& stmt, SQLRETURN executeResult) {
  if (executeResult == SQL_NO_DATA) return 0;
  SQLLEN count = -1;
  if (!SQL_SUCCEEDED(SQLRowCount(stmt.get(), &count))) return -1;
  return count;
}

OdbcQuery::~OdbcQuery() = default;

bool OdbcQuery::PlanKeyRanges(const std::string& sql) {
  auto table = WholeTableRead(sql);
  if (!table) return false;
  auto key = ReadTableKey(session_, *table);
  if (key.size() != 1) return false;
  KeyRanges r;
  r.table = session_->Quote(*table);
  r.keyName = key[0];
  r.key = session_->Quote(key[0]);
  ranges_ = std::move(r);
  return true;
}

std::string OdbcQuery::RangeSql(bool first) const {
  const KeyRanges& r = *ranges_;
  std::string marker = session_->markers == MarkerStyle::Colon ? ":1" : "?";
  return "select * from " + r.table + (first ? "" : " where " + r.key + " > " + marker) +
         " order by " + r.key + " limit " + std::to_string(kRangeRows);
}

void OdbcQuery::Open(const std::string& sql, const Params& params, Fetch fetch) {
  Close();
  try {
    SQLRETURN rc = SQL_SUCCESS;
    session_->RefreshSchema();
    // A driver that would hold the whole result reads a keyed table range by range, so
    // that no more than one range is held. (A table without a one-column key is read whole.)
    const bool ranges = fetch == Fetch::Stream && params.empty() &&
                        session_->quirks.wholeResultsInMemory && PlanKeyRanges(sql);
    stmt_ = RunStatement(session_, ranges ? RangeSql(true) : sql, params, buffers_, &rc);
    std::vector<ResultColumn> columns = DescribeResult(*stmt_);
    for (const auto& c : columns) fields_.push_back(c.desc);
    if (ranges_) {
      auto key = std::find_if(fields_.begin(), fields_.end(),
                              [&](const FieldDesc& f) { return f.name == ranges_->keyName; });
      if (key == fields_.end())
        throw DbError("the key column " + ranges_->keyName + " is not read");
      ranges_->keyIndex = static_cast<size_t>(key - fields_.begin());
    }
    streaming_ = fetch == Fetch::Stream;
    // Inside a transaction of this connection the file may not yet hold what it wrote.
    if (streaming_ && params.empty() && session_->quirks.streamsFromTheFile &&
        session_->autoCommit) {
      fileReader_ = SqliteFileReader::Open(
          AttributeValue(session_->connectionString, "Database").value_or(""), sql, columns);
      if (fileReader_) {
        stmt_.reset();
        FillBlock();
        open_ = true;
        return;
      }
    }
    reader_ = std::make_unique<ResultReader>(*stmt_, std::move(columns), kFetchRows);
    if (streaming_) {
      FillBlock();
    } else {
      while (reader_->FetchBlock(rows_)) {
      }
      reader_.reset();
      stmt_.reset();
    }
  } catch (...) {
    Close();
    throw;
  }
  open_ = true;
}

int64_t OdbcQuery::Execute(const std::string& sql, const Params& params) {
  Close();
  SQLRETURN rc = SQL_SUCCESS;
  auto stmt = RunStatement(session_, sql, params, buffers_, &rc);
  return RowsAffected(*stmt, rc);
}

void OdbcQuery::Close() {
  fileReader_.reset();
  reader_.reset();
  stmt_.reset();
  ranges_.reset();
  open_ = false;
  fields_.clear();
  rows_.clear();
  pos_ = 0;
}

void OdbcQuery::FillBlock() {
  rows_.clear();
  pos_ = 0;
  if (fileReader_) {
    while (rows_.empty() && fileReader_->FetchBlock(rows_, kFetchRows)) {
    }
    if (rows_.empty()) fileReader_.reset();
    return;
  }
  for (;;) {
    while (rows_.empty() && reader_ && reader_->FetchBlock(rows_)) {
    }
    if (!rows_.empty()) {
      if (ranges_) {
        ranges_->rows += rows_.size();
        ranges_->last = rows_.back()[ranges_->keyIndex];
      }
      return;
    }
    // The result is exhausted: the statement is no longer needed.
    reader_.reset();
    stmt_.reset();
    // A full range may have more after it.
    if (!ranges_ || ranges_->rows < kRangeRows) return;
    ranges_->rows = 0;
    SQLRETURN rc = SQL_SUCCESS;
    stmt_ = RunStatement(session_, RangeSql(false), {{ranges_->last, ""}}, buffers_, &rc);
    reader_ = std::make_unique<ResultReader>(*stmt_, DescribeResult(*stmt_), kFetchRows);
  }
}

void OdbcQuery::RequireOpen() const {
  if (!open_) throw DbError("Operation is not allowed when the object is closed.");
}

bool OdbcQuery::Eof() const {
  return !open_ || pos_ >= rows_.size();
}

void OdbcQuery::Next() {
  RequireOpen();
  if (pos_ >= rows_.size()) return;
  ++pos_;
  if (streaming_ && pos_ >= rows_.size()) {
    try {
      FillBlock();
    } catch (...) {
      Close();
      throw;
    }
  }
}

void OdbcQuery::First() {
  RequireOpen();
  if (streaming_) throw DbError("a streaming result cannot go back to its first row");
  pos_ = 0;
}

const Variant& OdbcQuery::Value(size_t i) const {
  if (!open_ || pos_ >= rows_.size())
    throw DbError("Either BOF or EOF is True, or the current record has been deleted.");
  const auto& row = rows_[pos_];
  if (i >= row.size()) throw DbError("Item cannot be found in the collection.");
  return row[i];
}

int64_t OdbcQuery::RecordCount() const {
  RequireOpen();
  return streaming_ ? -1 : static_cast<int64_t>(rows_.size());
}

}  // namespace mvq::db
