#include "platform/odbc/OdbcQuery.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <set>

#include "platform/odbc/ConnectionString.h"
#include "platform/odbc/Markers.h"
#include "platform/odbc/StatementCancel.h"
#include "platform/text/AsciiCase.h"

namespace mvq::db {

namespace {
// Rows per block fetch.
constexpr size_t kFetchRows = 1000;

bool IsQueryText(const std::string& sql) {
  size_t at = sql.find_first_not_of(" \t\r\n(");
  if (at == std::string::npos || sql.size() - at < 6) return false;
  return text::SameIgnoringCase(std::string_view(sql).substr(at, 6), "select");
}
// sql again as "select <expression of each column> from (sql) q"; empty when no column needs
// an expression of its own (expression gives "" for those), or when the columns cannot all
// be named (a name twice, or none).
std::string Rewrapped(
    const Session& session, const std::string& sql, const std::vector<ResultColumn>& columns,
    const std::function<std::string(const ResultColumn&, const std::string&)>& expression) {
  bool any = false;
  std::set<std::string> names;
  std::string list;
  for (const auto& c : columns) {
    if (c.desc.name.empty() || !names.insert(c.desc.name).second) return {};
    const std::string column = "q." + session.Quote(c.desc.name);
    std::string e = expression(c, column);
    any = any || !e.empty();
    list += (list.empty() ? "" : ", ") + (e.empty() ? column : e);
  }
  return any ? "select " + list + " from (" + sql + ") q" : std::string();
}

// Quirks::dateTextNeedsCast: date columns as their text.
std::string DateAsText(const ResultColumn& c, const std::string& column) {
  return c.valueClass == ValueClass::Date ? column + "::text" : std::string();
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
      const ExecutingStatement executing(stmt->get());
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

void OdbcQuery::Open(const std::string& sql, const Params& params, Fetch fetch) {
  Close();
  try {
    SQLRETURN rc = SQL_SUCCESS;
    session_->RefreshSchema();
    stmt_ = RunStatement(session_, sql, params, buffers_, &rc);
    std::vector<ResultColumn> columns = DescribeResult(*stmt_);
    const Quirks& quirks = session_->quirks;
    // Run again in another form, the columns stay as first described.
    auto runAgain = [&](const std::string& again) {
      stmt_.reset();
      stmt_ = RunStatement(session_, again, params, buffers_, &rc);
    };
    if (quirks.dateTextNeedsCast)
      if (std::string cast = Rewrapped(*session_, sql, columns, DateAsText); !cast.empty())
        runAgain(cast);
    for (const auto& c : columns) fields_.push_back(c.desc);
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
    literalColumns_.clear();
    const bool anyTime = std::any_of(columns.begin(), columns.end(), [](const ResultColumn& c) {
      return c.valueClass == ValueClass::Time;
    });
    if (quirks.valuesThroughLiterals && !anyTime &&
        SqliteReadsSetting() != SqliteReads::DriverConversions) {
      auto literal = [](const ResultColumn&, const std::string& column) {
        return SqliteExactExpression(column);
      };
      if (std::string exact = Rewrapped(*session_, sql, columns, literal); !exact.empty()) {
        runAgain(exact);
        literalColumns_ = std::move(columns);
        columns = DescribeResult(*stmt_);
        for (auto& c : columns) {
          c.valueClass = ValueClass::Text;
          c.utf8Text = c.longData = true;
          c.dateText = false;
        }
      }
    }
    reader_ = std::make_unique<ResultReader>(*stmt_, std::move(columns), kFetchRows);
    if (streaming_) {
      FillBlock();
    } else {
      while (reader_->FetchBlock(rows_)) {
      }
      FromLiterals(rows_);
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
  literalColumns_.clear();
  fileReader_.reset();
  reader_.reset();
  stmt_.reset();
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
  while (rows_.empty() && reader_ && reader_->FetchBlock(rows_)) {
  }
  FromLiterals(rows_);
  if (rows_.empty()) {
    // The result is exhausted: the statement is no longer needed.
    reader_.reset();
    stmt_.reset();
  }
}

void OdbcQuery::FromLiterals(std::vector<std::vector<Variant>>& rows) const {
  if (literalColumns_.empty()) return;
  for (auto& row : rows)
    for (size_t i = 0; i < row.size() && i < literalColumns_.size(); ++i)
      row[i] = row[i].kind() == Variant::Kind::String
                   ? ConvertSqliteLiteral(literalColumns_[i], row[i].Str())
                   : Variant();
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
