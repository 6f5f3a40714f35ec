#pragma once
// TComDBConn: the gateway to one Oracle server. Statements with positional arguments whose
// failures become run-log lines, dictionary queries, a paged read of whole tables, and
// generated INSERT/UPDATE texts through which rows are posted to a target table.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/odbc/Connection.h"
#include "platform/odbc/NameRules.h"
#include "platform/oracle/OraInsertAppender.h"
#include "platform/oracle/OraSession.h"
#include "support/ArgumentList.h"

namespace mvq {

// The user name of the most recent connect: the default owner of the dictionary queries.
extern std::string LoginUser;

// An item of a listing: its text and, for two-column results, the number attached to it.
struct ListItem {
  std::string text;
  std::optional<int64_t> number;
  friend bool operator==(const ListItem&, const ListItem&) = default;
};
using StringList = std::vector<ListItem>;

// The update object: generated statements and the dataset they are attached to.
struct OraUpdateSql {
  std::string ModifySql, InsertSql, DeleteSql;
  const db::Query* DataSet = nullptr;
  // What the insert text was built from, kept for posting rows.
  std::string Table;
  std::vector<std::string> Columns, BlobColumns;
};

class TComDBConn {
 public:
  // Connects (the shell's ConnectOracle): never throws; IsConnected tells the outcome, and
  // a failure is one run-log line. A non-empty installScript runs after the connect;
  // dropFunctionName is dropped again by the destructor, but only after a successful connect.
  TComDBConn(const ora::ConnectSettings& settings, const std::string& installScript,
             const std::string& dropFunctionName);
  static std::unique_ptr<TComDBConn> ConnectOracle(const std::string& host, const std::string& sid,
                                                   const std::string& user,
                                                   const std::string& password,
                                                   const std::string& port,
                                                   const std::string& installScript,
                                                   const std::string& dropFunctionName);
  ~TComDBConn();
  TComDBConn(const TComDBConn&) = delete;
  TComDBConn& operator=(const TComDBConn&) = delete;

  bool IsConnected() const;
  // The reason connecting failed, for the user's message; empty otherwise.
  const std::string& ConnectError() const { return ConnectError_; }

  // 1 on success, -1 after a failure line.
  int ExecuteSql(const std::string& sql, const ArgumentList& arguments = {});
  // Opens the dataset on a SELECT with the whole result fetched; closed after a failure line.
  void OpenSql(const std::string& sql, db::Query& dataSet, const ArgumentList& arguments = {});
  // First column of the first row; null after a failure line (which omits the arguments)
  // and for an empty result.
  db::Variant QueryValue(const std::string& sql, const ArgumentList& arguments = {});
  // Appends the rows of a SELECT; a failed SELECT is logged and then raised as the
  // closed-dataset error.
  void FillList(const std::string& sql, StringList& list);
  // Two fields: field 1's text with field 0's number attached; otherwise field 0's text.
  static void FillListFromDataSet(db::Query& dataSet, StringList& list);

  // Autocommit off and a transaction begun / committed and autocommit back on. Errors rise.
  void BeginTransaction();
  void CommitTransaction();

  std::string GetHostAddress();
  std::string GetDatabaseName();
  // Whether the table exists, under the spelling QuotedName gives it.
  bool TableExists(const std::string& table);
  // How Oracle writes and holds names, and a name as the source spells it, quoted for Oracle.
  static const db::NameRules& Names();
  // Names() with the longest name this server takes, which depends on its version.
  db::NameRules ServerNames();
  static std::string QuotedName(const std::string& name);
  void GetColumnNames(const std::string& table, const std::string& owner,
                      std::vector<std::string>& list);
  void GetBlobColumnNames(const std::string& table, const std::string& owner,
                          std::vector<std::string>& list);
  // The key column (the greatest name of a composite key); raises "表%s没有定义主键".
  std::string GetPrimaryKey(const std::string& table, const std::string& owner);
  // Every column of the primary key in key order; empty when the query fails or finds none.
  std::vector<std::string> GetPrimaryKeyColumns(const std::string& table, const std::string& owner);
  // (owner, table): "SCOTT.EMP" -> (SCOTT, EMP); "EMP" -> (LoginUser in upper case, EMP).
  static std::pair<std::string, std::string> SplitOwner(const std::string& name);

  // Paged read of a whole table, pages of PageSize rows.
  void OpenTablePaged(const std::string& table, db::Query& dataSet);
  bool OpenNextPage(db::Query& dataSet);  // true when the new page is empty
  bool NextRow(bool& pageLoaded);         // true when no rows are left

  // Fills the flagged slots of the update object for the table and attaches it to dataSet.
  // withDelete and withModify raise "表%s没有定义主键" for a table without a primary key.
  void PrepareUpdateSql(db::Query& dataSet, const std::string& tableName, bool withDelete,
                        bool withInsert, bool withModify);
  static std::string BuildInsertSql(const std::string& table,
                                    const std::vector<std::string>& columns,
                                    const std::vector<std::string>& blobColumns);
  // The condition names every key column, so that a composite key selects one row.
  static std::string BuildUpdateSql(const std::string& table,
                                    const std::vector<std::string>& columns,
                                    const std::vector<std::string>& blobColumns,
                                    const std::vector<std::string>& keyColumns);
  static std::string BuildReturningClause(const std::vector<std::string>& blobColumns);
  static std::string BuildDeleteSql(const std::string& table,
                                    const std::vector<std::string>& keyColumns);

  // Rows posted through the insert prepared for dataSet (PrepareUpdateSql with withInsert):
  // field i of the appender is field i of dataSet, bound to the INSERT's ":NAME" of that
  // field's column. Throws db::DbError when no insert is prepared for dataSet.
  std::unique_ptr<db::Appender> CreateAppender(const db::Query& dataSet,
                                               ora::BatchLimits limits = {});
  // A dataset on this session; throws db::DbError when not connected.
  std::unique_ptr<db::Query> NewQuery();

  // " 参数0=EMP 参数1=5": fills params by position and describes them.
  static std::string BindArguments(const ArgumentList& arguments, db::Params& params);
  // ":失败-----------因" + message + ":无法执行" + statementText.
  static void LogSqlError(const std::string& message, const std::string& statementText);

  const std::string& DropFunctionName() const { return DropFunctionName_; }
  const std::string& PagedTable() const { return PagedTable_; }
  int64_t PageNo() const { return PageNo_; }
  int64_t RowNo() const { return RowNo_; }
  int64_t RowCount() const { return RowCount_; }
  const OraUpdateSql* UpdateSql() const { return UpdateSql_.get(); }
  ora::OraSession* Session() { return Session_.get(); }

 private:
  void Connect(const ora::ConnectSettings& settings, const std::string& installScript,
               const std::string& dropFunctionName);
  void OpenWith(const std::string& sql, db::Query& dataSet, const db::Params& params,
                const std::string& description);
  std::vector<std::string> ColumnList(const std::string& sql, const ArgumentList& arguments);
  std::vector<std::string> KeyColumns(const std::string& table, const std::string& owner);
  db::Query& Work();

  std::string DropFunctionName_;
  std::string ConnectError_;
  std::unique_ptr<db::Query> WorkQuery_;
  db::Query* PagedDataSet_ = nullptr;
  std::unique_ptr<OraUpdateSql> UpdateSql_;
  std::string PagedTable_;
  // Wider than the row numbers Oracle hands out, so that no count or page bind wraps.
  int64_t PageNo_ = 0;
  int64_t RowNo_ = 0;
  std::unique_ptr<ora::OraSession> Session_;
  int64_t RowCount_ = 0;
};

}  // namespace mvq
