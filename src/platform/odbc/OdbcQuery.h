#pragma once
// Query over ODBC: a statement, its parameters and, once opened, its rows.
#include <memory>

#include "platform/odbc/ParamBinding.h"
#include "platform/odbc/ResultReader.h"
#include "platform/odbc/SqliteFileReader.h"

namespace mvq::db {

// Runs sql with params on a fresh statement of the session (markers translated when the
// session uses colon markers). Returns the executed statement.
std::unique_ptr<Statement> RunStatement(const std::shared_ptr<Session>& session,
                                        const std::string& sql, const Params& params,
                                        ParamBuffers& buffers, SQLRETURN* rc);

// Rows affected by an executed statement: 0 for SQL_NO_DATA, -1 when the driver does not
// count.
int64_t RowsAffected(Statement& stmt, SQLRETURN executeResult);

class OdbcQuery : public Query {
 public:
  explicit OdbcQuery(std::shared_ptr<Session> session) : session_(std::move(session)) {}
  ~OdbcQuery() override;

  void Open(const std::string& sql, const Params& params, Fetch fetch) override;
  int64_t Execute(const std::string& sql, const Params& params) override;
  bool IsOpen() const override { return open_; }
  void Close() override;
  const std::vector<FieldDesc>& Fields() const override { return fields_; }
  bool Eof() const override;
  void Next() override;
  void First() override;
  const Variant& Value(size_t i) const override;
  int64_t RecordCount() const override;

 private:
  void RequireOpen() const;
  void FillBlock();
  // Rows read through SqliteExactExpression: each value from its literal.
  void FromLiterals(std::vector<std::vector<Variant>>& rows) const;

  std::shared_ptr<Session> session_;
  std::unique_ptr<Statement> stmt_;
  std::unique_ptr<ResultReader> reader_;
  std::unique_ptr<SqliteFileReader> fileReader_;  // rows from the file rather than the driver
  ParamBuffers buffers_;
  bool open_ = false;
  bool streaming_ = false;
  std::vector<ResultColumn> literalColumns_;  // as described, when values come as literals
  std::vector<FieldDesc> fields_;
  std::vector<std::vector<Variant>> rows_;
  size_t pos_ = 0;
};

}  // namespace mvq::db
