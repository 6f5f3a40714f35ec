#pragma once
// A Connection for unit tests: records every statement text, bound value and transaction
// call in order, and answers with programmed result sets, row counts or errors.
//
//   auto world = ScriptedWorld::Install();          // NewConnection() now returns scripted ones
//   auto& sql = world->ScriptFor("Provider=SQLOLEDB.1;...");   // by connection string
//   sql.On("select count(*) from emp").Rows({{"n", db::adInteger}}, {{5}});
//   ... run the code ...
//   EXPECT_EQ(sql.calls, (std::vector<std::string>{"open", "query: select count(*) from emp"}));
//
// Journal entries: "open", "close", "begin", "commit", "rollback", "autocommit on|off",
// "exec: SQL", "query: SQL", "stream: SQL", "call: NAME", "schema tables|primary keys|
// provider types", "append: TABLE", "post: [v0, v1]", "flush: N", "markers colon".
// Bound values follow the text as " [5, 'EMP', NULL, name='x']".
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/Connection.h"
#include "support/SqlGathering.h"

namespace mvq::test {

struct Column {
  std::string name;
  int adoType = db::adVarWChar;
  int64_t size = 50;
  int precision = 0;
  int scale = 0;
  bool autoIncrement = false;
  std::string typeName;  // the driver's own name of the type, where it matters
};

// What one statement answers.
struct Response {
  std::vector<db::FieldDesc> fields;
  std::vector<std::vector<db::Variant>> rows;
  int64_t affected = 0;
  std::optional<db::DbError> error;
};

class Rule {
 public:
  Rule& Rows(const std::vector<Column>& columns, std::vector<std::vector<db::Variant>> rows);
  Rule& Affected(int64_t n);
  Rule& Fails(const std::string& message, const std::string& sqlState = "42000", int native = 0);
  Rule& Times(int n);  // answers only n times, then the next rule matching the text applies
  Response response;
  int remaining = -1;  // -1: forever
};

class ScriptedWorld;

class Script {
 public:
  // Answer for statements whose text is exactly sql (or, with a trailing '*', starts with it).
  Rule& On(const std::string& sql);
  // Rows posted to an appender whose table matches are refused when pred says so.
  void FailInserts(std::function<std::optional<std::string>(const std::vector<db::Variant>&)> pred);

  std::vector<std::string> calls;
  std::vector<db::TableRow> tables;
  std::vector<db::PrimaryKeyRow> primaryKeys;
  std::vector<db::ProviderTypeRow> providerTypes;
  std::string providerName = "Scripted";
  std::string catalog;
  db::Dbms dbms = db::Dbms::Unknown;
  std::string dbmsVersion;                         // SQL_DBMS_VER as the driver would report it
  std::optional<db::DbError> openError;            // Open throws this
  size_t batchSize = 1000;                         // appender batch size
  std::vector<std::vector<db::Variant>> inserted;  // rows the appenders wrote
  // Sending queued rows raises this (as a lost connection does); the queued rows are gone.
  std::optional<db::DbError> sendError;
  // Each commit takes the next answer and raises it when it holds an error; none left:
  // commits succeed.
  std::deque<std::optional<db::DbError>> commitAnswers;

  const Response* Find(const std::string& sql);
  std::function<std::optional<std::string>(const std::vector<db::Variant>&)> insertFailure;
  std::string name;
  std::string connectionString;
  ScriptedWorld* world = nullptr;
  void Record(const std::string& entry);
  // The grammar that checks this connection's statements; nullopt: none does.
  std::optional<SqlDialect> Dialect() const { return GrammarDialect(dbms, connectionString); }
  // Keeps a statement sent to an Oracle or SQL Server connection for the grammar check.
  void Gather(const std::string& sql) const;

 private:
  std::deque<std::pair<std::string, Rule>> rules_;
};

class ScriptedWorld {
 public:
  // Installs the scripted factory for the life of the returned object. realAccessFiles:
  // connections opened on an Access file are real ones (MDBTools and our Jet writer).
  static std::shared_ptr<ScriptedWorld> Install(bool realAccessFiles = false);
  ~ScriptedWorld();

  // The script for a connection string; connections opened with an unknown string get a
  // fresh script of their own.
  Script& ScriptFor(const std::string& connectionString);
  // Every call of every connection in order, each prefixed "NAME: " where NAME is the
  // script's name (set it with Script::name; default: the connection string).
  std::vector<std::string> journal;

 private:
  std::map<std::string, std::unique_ptr<Script>> scripts_;
  db::ConnectionFactory previous_;
};

// "[5, 'EMP', NULL]" as the journal writes bound values.
std::string DescribeParams(const db::Params& params);
// Text of one value for the journal: 5, 'EMP', NULL, x'00ff', d'2024-01-02'.
std::string DescribeValue(const db::Variant& v);

}  // namespace mvq::test
