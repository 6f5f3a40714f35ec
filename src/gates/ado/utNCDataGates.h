#pragma once
// TADODataGate: the common base of the Access, SQL Server and custom gates. It wraps one
// connection and gives the shell, the engine, the row copy and the workbook writer what they
// need from a non-Oracle database: transactions, statements, table lists, existence tests,
// primary keys and a page-by-page read of large tables. Statement failures go to the run log
// and are not raised; schema failures are raised.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gates/ado/StringList.h"
#include "platform/odbc/Connection.h"
#include "platform/odbc/NameRules.h"
#include "support/ArgumentList.h"

namespace mvq {

class TADODataGate {
 public:
  // Takes the connection (open or not) as AdoConnection; the gate owns it from now on.
  explicit TADODataGate(std::unique_ptr<db::Connection> connection);
  virtual ~TADODataGate();
  TADODataGate(const TADODataGate&) = delete;
  TADODataGate& operator=(const TADODataGate&) = delete;

  // False without a connection, else the connection's open state.
  bool IsConnected() const;

  int BeginTransaction();  // nesting level after the call
  void CommitTransaction();
  void RollbackTransaction();
  bool InTransaction() const;

  // Run-log line "失败-----------因" + message + ":无法执行" + statement.
  void LogSqlError(const std::string& message, const std::string& statement) const;

  // Puts a fresh query on AdoConnection in `query` and opens sql on it. A failure is logged
  // and leaves the query closed; it is never raised.
  void OpenQuery(const std::string& sql, std::unique_ptr<db::Query>& query,
                 db::Fetch fetch = db::Fetch::All);
  // As OpenQuery with positional arguments; the failure line adds their description. On a
  // gate whose constructor failed to connect nothing is run.
  void OpenSql(const std::string& sql, std::unique_ptr<db::Query>& query,
               const ArgumentList& args = {});
  // How this gate's engine writes names, and a table or column name as the source spells
  // it, quoted for that engine.
  virtual db::NameRules Names() const;
  std::string QuotedName(const std::string& name) const;
  // Every row of table streamed in bounded memory (see db::Connection::StreamTable); a
  // failure is logged as OpenQuery logs it and leaves the query closed.
  void OpenTableStream(const std::string& table, std::unique_ptr<db::Query>& query);
  // Fills params from args in order; returns " 参数0=.. 参数1=.." for failure lines.
  static std::string BindArguments(const ArgumentList& args, db::Params& params);

  // First column of the first row. No row, or null: "" for a text column, 0 otherwise.
  // When the statement failed, the closed result's error is raised.
  db::Variant QueryValue(const std::string& sql);

  // Adds every row of sql's result to list (not cleared first); see FillListFromDataSet.
  void FillList(const std::string& sql, TStringList& list);
  // Two columns: the second's text tagged with the first's integer; otherwise the first
  // column's text. A closed query adds nothing.
  static void FillListFromDataSet(db::Query& query, TStringList& list);

  // Whether a table or view of that name exists in any schema, letter case ignored.
  virtual bool TableExists(const std::string& table);
  // The tables (never views or system tables) a user may pick; returns the list's count.
  int GetTableList(TStringList& list);
  // The primary-key columns of table, comma-separated, in lower case.
  std::string GetPrimaryKeys(const std::string& table);
  // UserId := upper-cased "User ID=" value of the connection string, or empty.
  void ParseUserId(const std::string& connectionString);

  // The paged read. OpenTablePaged counts the table and opens its first page; NextRow moves
  // one row on, loading the next page when one is used up (pageChanged then true), and
  // answers true at the end of the counted rows; OpenNextPage loads the next page into a
  // fresh query and answers whether it is empty.
  bool OpenTablePaged(const std::string& table, std::unique_ptr<db::Query>& query);
  bool OpenNextPage(std::unique_ptr<db::Query>& query);
  bool NextRow(bool& pageChanged, std::unique_ptr<db::Query>& query);

  // CREATE TABLE text in the SQL Server dialect from this gate's columns of table.
  std::string BuildCreateSql(const std::string& table);

  db::Connection* AdoConnection() const { return connection_.get(); }
  bool ConnectFailed() const { return connectFailed_; }
  // The driver's reason when connecting failed, for the user's message; empty otherwise.
  const std::string& ConnectError() const { return connectError_; }
  const std::string& UserId() const { return userId_; }

  const std::string& PagedTable() const { return pagedTable_; }
  int64_t PageNo() const { return pageNo_; }
  int64_t RowNo() const { return rowNo_; }
  int64_t RowCount() const { return rowCount_; }
  const std::string& KeyColumns() const { return keyColumns_; }

 protected:
  TADODataGate() = default;  // for gates that connect in their own constructor
  void SetConnection(std::unique_ptr<db::Connection> connection);
  void SetConnectFailed(bool failed) { connectFailed_ = failed; }
  void SetConnectError(std::string reason) { connectError_ = std::move(reason); }
  // "失败因" + message + ":无法建立数据连接" + 48 hyphens.
  static void LogConnectFailure(const std::string& message);
  // A query on AdoConnection; where none can be made, one that fails to open with the reason.
  std::unique_ptr<db::Query> NewQuery() const;
  // AdoConnection, or a DbError when the gate has none.
  db::Connection& Connection() const;
  // QueryValue's answer from an opened query; a closed one raises.
  static db::Variant FirstValue(db::Query& query);
  // Column descriptions of table, from "select * from %s where 1=2"; none when it failed.
  std::vector<db::FieldDesc> ProbeColumns(const std::string& table);

  // Whether the table's key can be known and the paging statements ("top" ... "order by"
  // the key) run. Access drivers over ODBC report no primary keys, and MDBTools cannot
  // order rows at all, so an Access table is never paged by key; SQLite, PostgreSQL,
  // MariaDB and Oracle know no "top".
  virtual bool CanPageByKey() const;

 private:
  std::unique_ptr<db::Connection> connection_;
  bool connectFailed_ = false;
  std::string connectError_;
  std::string userId_;

  std::string pagedTable_;
  int64_t pageNo_ = 0;
  int64_t rowNo_ = 0;
  int64_t rowCount_ = 0;
  std::string keyColumns_;
  bool pagedByKey_ = false;  // false: the first statement read the whole table
};

// A rows-affected count as the gates' 32-bit results carry it.
int ClampRows(int64_t rows);

}  // namespace mvq
