// The Access, SQL Server and custom gates against the scripted connection: their connection
// strings, connect failures, result conventions (-1, -99, 0) and SQL Server statements.
#include <gtest/gtest.h>

#include <cstdio>

#include "AdoGateFixture.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "support/TempDir.h"

namespace mvq::test {
namespace {

using db::Variant;
using Lines = std::vector<std::string>;

const std::string kHyphens(48, '-');

// ---- Access ----------------------------------------------------------------------------

using AccessGate = AdoGateTest;

TEST_F(AccessGate, OpensTheJetConnectionStringAndExecutesStatements) {
  const std::string cs =
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/销售 2024.mdb;Persist Security Info=True";
  Script& s = world->ScriptFor(cs);
  s.On("delete from emp").Affected(3);
  s.On("create table emp2 (id integer)").Affected(-1);
  s.On("create table emp (id integer)").Fails("Table 'emp' already exists.");
  TMDBDataGate gate("/data/销售 2024.mdb");
  EXPECT_TRUE(gate.IsConnected());
  EXPECT_FALSE(gate.ConnectFailed());
  EXPECT_EQ(gate.ExecuteSql("delete from emp"), 3);
  EXPECT_EQ(gate.ExecuteSql("create table emp2 (id integer)"), 0);
  EXPECT_EQ(gate.ExecuteSql("create table emp (id integer)"), -1);
  EXPECT_EQ(s.calls, (Lines{"open", "exec: delete from emp", "exec: create table emp2 (id integer)",
                            "exec: create table emp (id integer)"}));
  EXPECT_EQ(LogLines(),
            (Lines{"因:Table 'emp' already exists.,无法执行create table emp (id integer)"}));
}

TEST_F(AccessGate, AFileThatIsNoDatabaseGivesTheConnectFailureAndNoStatementRuns) {
  const std::string cs =
      "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/tmp/notes.txt;Persist Security Info=True";
  Script& s = world->ScriptFor(cs);
  s.openError = db::DbError("Unrecognized database format '/tmp/notes.txt'.", "HY000");
  TMDBDataGate gate("/tmp/notes.txt");
  EXPECT_TRUE(gate.ConnectFailed());
  EXPECT_FALSE(gate.IsConnected());
  EXPECT_EQ(gate.AdoConnection(), nullptr);
  EXPECT_EQ(gate.ExecuteSql("delete from emp"), -1);
  std::unique_ptr<db::Query> q;
  gate.OpenSql("select * from emp", q);
  EXPECT_FALSE(q->IsOpen());
  EXPECT_EQ(s.calls, (Lines{"open"}));
  EXPECT_EQ(
      LogLines(),
      (Lines{"失败因Unrecognized database format '/tmp/notes.txt'.:无法建立数据连接" + kHyphens}));
}

TEST_F(AccessGate, AQueryOnAGateWithoutConnectionIsLoggedAsAFailedStatement) {
  world->ScriptFor("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x;Persist Security Info=True")
      .openError = db::DbError("Could not find file 'x'.");
  TMDBDataGate gate("x");
  EXPECT_THROW(gate.QueryValue("select count(*) from emp"), db::DbError);
  EXPECT_EQ(
      LogLines().back(),
      "失败-----------因the gate has no database connection:无法执行select count(*) from emp");
}

TEST_F(AccessGate, CreatingAnAccessFileWritesAJet4FileAndAFailureNamesThePath) {
  const TempDir dir;
  const std::string path = dir.File("新建 目标.mdb");
  CreateMdbFile(path);
  FILE* p = ::popen(("mdb-ver '" + path + "' 2>&1").c_str(), "r");
  char buf[64] = {};
  size_t n = p ? std::fread(buf, 1, sizeof buf - 1, p) : 0;
  if (p) ::pclose(p);
  EXPECT_EQ(std::string(buf, n), "JET4\n");
  try {
    CreateMdbFile("/nonexistent-目录/新建 目标.mdb");
    FAIL() << "a file in a missing folder cannot be written";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("无法创建Access数据库文件/nonexistent-目录/新建 目标.mdb"),
              std::string::npos)
        << e.what();
  }
}

// ---- SQL Server --------------------------------------------------------------------------

class SqlServerGate : public AdoGateTest {
 protected:
  static constexpr const char* kCs =
      "Provider=SQLOLEDB.1;Password=pw;Persist Security Info=True;User ID=sa;Initial "
      "Catalog=sales;Data Source=db1";
  Script& script() { return world->ScriptFor(kCs); }
  Lines calls() { return Lines(script().calls.begin() + 1, script().calls.end()); }
};

TEST_F(SqlServerGate, ExecuteSqlAnswersRowsMinusOneForUncountedAndMinus99ForFailure) {
  script().On("delete from emp").Affected(5);
  script().On("create table t (id int)").Affected(-1);
  script().On("create table emp (id int)").Fails("There is already an object named 'emp'.");
  script().On("update emp set a=? where b=?").Affected(2);
  TSQLComDBConn gate(kCs);
  EXPECT_TRUE(gate.IsConnected());
  EXPECT_EQ(gate.ExecuteSql("delete from emp"), 5);
  EXPECT_EQ(gate.ExecuteSql("create table t (id int)"), -1);
  EXPECT_TRUE(LogLines().empty());
  EXPECT_EQ(gate.ExecuteSql("update emp set a=? where b=?", {std::string("x"), int32_t{9}}), 2);
  EXPECT_EQ(gate.ExecuteSql("create table emp (id int)", {int32_t{1}}), -99);
  EXPECT_EQ(calls(), (Lines{"exec: delete from emp", "exec: create table t (id int)",
                            "exec: update emp set a=? where b=? ['x', 9]",
                            "exec: create table emp (id int) [1]"}));
  EXPECT_EQ(LogLines(), (Lines{"失败-----------因There is already an object named 'emp'.:无法执行"
                               "create table emp (id int) 参数0=1"}));
}

TEST_F(SqlServerGate, AFailedConnectionIsLoggedAndEveryOperationAnswersItsFailureValue) {
  script().openError = db::DbError("[DBNETLIB]SQL Server does not exist or access denied.");
  TSQLComDBConn gate(kCs);
  EXPECT_TRUE(gate.ConnectFailed());
  EXPECT_FALSE(gate.IsConnected());
  EXPECT_EQ(gate.ExecuteSql("drop table emp"), -99);
  EXPECT_TRUE(gate.QueryValue("select count(*) from emp", {}).IsNull());
  TStringList list;
  list.Add("a");
  EXPECT_EQ(gate.GetUserTables(list), 1);
  EXPECT_THROW(gate.GetTableScript("emp"), db::DbError);
  EXPECT_TRUE(calls().empty());
  EXPECT_EQ(LogLines(), (Lines{"失败因[DBNETLIB]SQL Server does not exist or access denied.:"
                               "无法建立数据连接" +
                               kHyphens}));
}

TEST_F(SqlServerGate, CreateFunctionDropsAnExistingFunctionBeforeRunningTheScript) {
  const std::string count =
      "select count(*) from sysobjects s where  s.type='FN' and name='gettablesql'";
  const std::string fresh =
      "select count(*) from sysobjects s where  s.type='FN' and name='getaccesstype'";
  script().On(count).Rows({{"", db::adInteger}}, {{1}});
  script().On(fresh).Rows({{"", db::adInteger}}, {{0}});
  script().On("create function gettablesql*").Affected(-1);
  script()
      .On("create function getaccesstype*")
      .Fails("CREATE FUNCTION permission denied in database 'sales'.");
  const std::string tableSql = "create function gettablesql() returns int as begin return 1 end";
  const std::string accessType =
      "create function getaccesstype() returns int as begin return 2 end";
  TSQLComDBConn gate(kCs);
  EXPECT_EQ(gate.CreateFunction(tableSql, "gettablesql"), -1);
  EXPECT_EQ(gate.CreateFunction(accessType, "getaccesstype"), -99);
  EXPECT_EQ(calls(), (Lines{"query: " + count, "exec: drop function gettablesql",
                            "exec: " + tableSql, "query: " + fresh, "exec: " + accessType}));
}

TEST_F(SqlServerGate, AFailingCountRaisesFromCreateFunctionAndTableExists) {
  script().On("select count(*) from sysobjects*").Fails("Invalid object name 'sysobjects'.");
  TSQLComDBConn gate(kCs);
  EXPECT_THROW(gate.CreateFunction("create function f", "f"), db::DbError);
  EXPECT_THROW(gate.TableExists("emp"), db::DbError);
  EXPECT_EQ(calls().size(), 2u) << "nothing runs after the failed count";
  EXPECT_EQ(LogLines().size(), 2u);
}

TEST_F(SqlServerGate, TableExistsAsksSysobjectsForTheLowerCasedNameWithQuotesDoubled) {
  script()
      .On("select count(*) from sysobjects where name='emp' and type='u'")
      .Rows({{"", db::adInteger}}, {{1}});
  script()
      .On("select count(*) from sysobjects where name='o''brien' and type='u'")
      .Rows({{"", db::adInteger}}, {{0}});
  TSQLComDBConn gate(kCs);
  EXPECT_TRUE(gate.TableExists("EMP"));
  EXPECT_FALSE(gate.TableExists("O'Brien"));
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(SqlServerGate, GetUserTablesAppendsAndGetTableScriptCallsGettablesql) {
  script()
      .On("select name from sysobjects where type='u'")
      .Rows({{"name", db::adVarWChar}}, {{"emp"}, {"部门"}})
      .Times(1);
  script().On("select name from sysobjects where type='u'").Rows({{"name", db::adVarWChar}}, {});
  script().On("call: gettablesql").Rows({{"", db::adVarChar}}, {{"create Table [emp] (...)"}});
  TSQLComDBConn gate(kCs);
  TStringList list;
  list.Add("old");
  EXPECT_EQ(gate.GetUserTables(list), 3);
  EXPECT_EQ(list.Strings(), (Lines{"old", "emp", "部门"}));
  EXPECT_EQ(gate.GetUserTables(list), 3);
  EXPECT_EQ(gate.GetTableScript("emp"), "create Table [emp] (...)");
  EXPECT_EQ(calls().back(), "call: gettablesql [@tablename='emp']");
}

TEST_F(SqlServerGate, GetTableScriptRaisesTheFunctionsError) {
  script().On("call: gettablesql").Fails("Invalid object name 'dbo.gettablesql'.");
  TSQLComDBConn gate(kCs);
  EXPECT_THROW(gate.GetTableScript("emp"), db::DbError);
  EXPECT_TRUE(LogLines().empty());
}

// ---- custom ------------------------------------------------------------------------------

using CustomGate = AdoGateTest;

TEST_F(CustomGate, ExecuteSqlTurnsAnUncountedMinusOneIntoZero) {
  const std::string cs = "DRIVER=SQLite3;Database=/tmp/a.db";
  Script& s = world->ScriptFor(cs);
  s.On("create table t (id integer)").Affected(-1);
  s.On("delete from t").Affected(5);
  s.On("drop table missing").Fails("no such table: missing", "HY000");
  TADOConn gate(cs);
  EXPECT_TRUE(gate.IsConnected());
  EXPECT_EQ(gate.UserId(), "");
  EXPECT_EQ(gate.ExecuteSql("create table t (id integer)"), 0);
  EXPECT_EQ(gate.ExecuteSql("delete from t"), 5);
  EXPECT_EQ(gate.ExecuteSql("drop table missing"), -1);
  EXPECT_EQ(s.calls, (Lines{"open", "exec: create table t (id integer)", "exec: delete from t",
                            "exec: drop table missing"}));
  EXPECT_EQ(LogLines(),
            (Lines{"失败-----------因no such table: missing:无法执行drop table missing"}));
}

TEST_F(CustomGate, AFailedConnectionIsNotLoggedAndLeavesTheGateUnconnected) {
  const std::string cs = "Provider=OraOLEDB.Oracle;Data Source=far;User ID=scott;Password=x";
  world->ScriptFor(cs).openError = db::DbError("ORA-12170: TNS:Connect timeout occurred");
  TADOConn gate(cs);
  EXPECT_FALSE(gate.IsConnected());
  EXPECT_FALSE(gate.ConnectFailed());
  EXPECT_EQ(gate.UserId(), "SCOTT");
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(CustomGate, AGateWhoseConnectionCouldNotBeMadeFailsItsStatementsWithALogLine) {
  auto previous = db::SetConnectionFactory(
      []() -> std::unique_ptr<db::Connection> { throw db::DbError("no driver"); });
  {
    TADOConn gate("DRIVER=Nothing");
    EXPECT_FALSE(gate.IsConnected());
    EXPECT_EQ(gate.ExecuteSql("delete from t"), -1);
  }
  db::SetConnectionFactory(std::move(previous));
  EXPECT_EQ(LogLines(),
            (Lines{"失败-----------因the gate has no database connection:无法执行delete from t"}));
}

// A connection that never opens and refuses to make queries, as a driver may once its open
// has failed.
class RefusingConnection : public db::Connection {
 public:
  void Open(const std::string&) override { throw db::DbError("Login timeout expired", "HYT00"); }
  bool IsOpen() const override { return false; }
  void Close() override {}
  int BeginTrans() override { throw db::DbError("Connection is closed"); }
  void CommitTrans() override {}
  void RollbackTrans() override {}
  bool InTransaction() const override { return false; }
  void SetAutoCommit(bool) override {}
  int64_t Execute(const std::string&, const db::Params&) override {
    throw db::DbError("Connection is closed");
  }
  std::unique_ptr<db::Query> CreateQuery() override { throw db::DbError("Connection is closed"); }
  std::unique_ptr<db::Appender> CreateAppender(const std::string&, size_t) override {
    throw db::DbError("Connection is closed");
  }
  Variant CallFunction(const std::string&, const db::Params&) override {
    throw db::DbError("Connection is closed");
  }
  std::vector<db::TableRow> SchemaTables() override { throw db::DbError("Connection is closed"); }
  std::vector<db::PrimaryKeyRow> SchemaPrimaryKeys() override {
    throw db::DbError("Connection is closed");
  }
  std::vector<db::ProviderTypeRow> SchemaProviderTypes() override {
    throw db::DbError("Connection is closed");
  }
  std::string ProviderName() const override { return {}; }
  std::string CurrentCatalog() const override { return {}; }
  db::Dbms dbms() const override { return db::Dbms::Unknown; }
  void SetMarkerStyle(db::MarkerStyle) override {}
};

TEST_F(CustomGate, AConnectionThatRefusesQueriesFailsStatementsWithALogLineNotAnError) {
  auto previous = db::SetConnectionFactory(
      []() -> std::unique_ptr<db::Connection> { return std::make_unique<RefusingConnection>(); });
  {
    TADOConn gate("DRIVER={PostgreSQL Unicode};SERVER=10.255.255.1");
    EXPECT_FALSE(gate.IsConnected());
    EXPECT_EQ(gate.ExecuteSql("delete from t"), -1);
    std::unique_ptr<db::Query> q;
    EXPECT_NO_THROW(gate.OpenQuery("select * from t", q));
    EXPECT_FALSE(q->IsOpen());
    TStringList list;
    EXPECT_THROW(gate.GetTableList(list), db::DbError) << "schema failures reach the caller";
  }
  db::SetConnectionFactory(std::move(previous));
  EXPECT_EQ(LogLines(), (Lines{"失败-----------因Connection is closed:无法执行delete from t",
                               "失败-----------因Connection is closed:无法执行select * from t"}));
}

}  // namespace
}  // namespace mvq::test
