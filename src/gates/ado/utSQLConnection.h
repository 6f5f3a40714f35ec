#pragma once
// TSQLComDBConn: the gate to a SQL Server database. Beside the base operations it runs
// statements with positional arguments, installs the server-side functions, lists and tests
// user tables through sysobjects and calls gettablesql for a table's CREATE TABLE text.
#include <string>

#include "gates/ado/utNCDataGates.h"

namespace mvq {

class TSQLComDBConn : public TADODataGate {
 public:
  // Connects with the SQLOLEDB connection string the shell built. A failure is logged
  // ("失败因...:无法建立数据连接" + hyphens) and leaves the gate without a connection,
  // ConnectFailed true.
  explicit TSQLComDBConn(const std::string& connectionString);

  // Rows affected; -1 for a statement the server does not count (DDL, CREATE FUNCTION);
  // -99 after a logged failure or on a gate that failed to connect.
  int ExecuteSql(const std::string& sql, const ArgumentList& args = {});

  // First column of the first row ("" for a text column, 0 otherwise when there is no row
  // or a null); null on a gate that failed to connect. A failed statement raises.
  db::Variant QueryValue(const std::string& sql, const ArgumentList& args);
  using TADODataGate::QueryValue;

  // Drops the function first when sysobjects holds it; the script's ExecuteSql result.
  int CreateFunction(const std::string& script, const std::string& name);

  // A user table of that name, compared in lower case (a case-sensitive collation then
  // finds no table whose stored name has capitals).
  bool TableExists(const std::string& table) override;
  db::NameRules Names() const override { return db::NameRulesFor(db::Dbms::SqlServer); }

  // Adds every user table's name (the list is not cleared first); the list's count.
  int GetUserTables(TStringList& list);

  // The CREATE TABLE text the installed gettablesql writes for table. Errors are raised.
  std::string GetTableScript(const std::string& table);
};

}  // namespace mvq
