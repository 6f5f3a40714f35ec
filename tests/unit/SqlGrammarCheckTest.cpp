// The gathering of statements sent to scripted Oracle and SQL Server connections and the
// check that reads them back, with sqlcheck's output given here rather than run.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/odbc/Connection.h"
#include "support/ScriptedConnection.h"
#include "support/SqlGrammarCheck.h"
#include "support/TempDir.h"

namespace mvq::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kOracleCs = "DRIVER={Oracle 21 ODBC driver};DBQ=db1/ORCL;UID=scott";
constexpr const char* kSqlCs = "Provider=SQLOLEDB.1;Data Source=db1";
constexpr const char* kMdbCs = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=x.mdb";

TEST(SqlGrammarCheck, TheDialectComesFromTheDbmsElseFromTheConnectionString) {
  EXPECT_EQ(GrammarDialect(db::Dbms::Unknown, kOracleCs), SqlDialect::Oracle);
  EXPECT_EQ(GrammarDialect(db::Dbms::Unknown, kSqlCs), SqlDialect::SqlServer);
  EXPECT_EQ(GrammarDialect(db::Dbms::Unknown, "Driver={ODBC Driver 18 for SQL Server};Server=h"),
            SqlDialect::SqlServer);
  EXPECT_EQ(GrammarDialect(db::Dbms::Unknown, "DRIVER=FreeTDS;Server=h"), SqlDialect::SqlServer);
  EXPECT_EQ(GrammarDialect(db::Dbms::Unknown, "Provider=OraOLEDB.Oracle;Data Source=o"),
            SqlDialect::Oracle);
  EXPECT_EQ(GrammarDialect(db::Dbms::Unknown, kMdbCs), std::nullopt);
  EXPECT_EQ(GrammarDialect(db::Dbms::Unknown, "DRIVER=SQLite3;Database=/tmp/a.db"), std::nullopt);
  EXPECT_EQ(GrammarDialect(db::Dbms::Unknown, "DST"), std::nullopt);
  EXPECT_EQ(GrammarDialect(db::Dbms::SqlServer, "DST"), SqlDialect::SqlServer);
  EXPECT_EQ(GrammarDialect(db::Dbms::Oracle, "SRC"), SqlDialect::Oracle);
  EXPECT_EQ(GrammarDialect(db::Dbms::PostgreSQL, kSqlCs), std::nullopt);
}

// Points the gathering of this process at a fresh folder for one test.
class GatherInto {
 public:
  GatherInto() : dir_(fs::path(scratch_.Folder()) / "gathered") {
    if (const char* before = std::getenv("MVQ_SQL_GATHER_DIR")) before_ = before;
    ::setenv("MVQ_SQL_GATHER_DIR", dir_.c_str(), 1);
  }
  ~GatherInto() {
    if (before_)
      ::setenv("MVQ_SQL_GATHER_DIR", before_->c_str(), 1);
    else
      ::unsetenv("MVQ_SQL_GATHER_DIR");
  }
  const fs::path& dir() const { return dir_; }

 private:
  TempDir scratch_;
  fs::path dir_;
  std::optional<std::string> before_;
};

TEST(SqlGrammarCheck, ScriptedConnectionsGatherWhatTheyAreSentInTheirDialectOnce) {
  GatherInto gather;
  auto world = ScriptedWorld::Install();
  world->ScriptFor("DST").dbms = db::Dbms::SqlServer;
  for (const char* cs : {kOracleCs, kSqlCs, kMdbCs, "DST"}) {
    auto c = db::NewConnection();
    c->Open(cs);
    c->Execute("delete from emp", {});
    c->Execute("delete from emp", {});
    c->CreateQuery()->Open("select * from \"a b\" where id = ?", {{db::Variant(1), {}}},
                           db::Fetch::Stream);
    c->CallFunction("getMdbCreateSql", {{db::Variant("EMP"), {}}});
    c->CreateAppender("销售 表", 2);
  }
  EXPECT_EQ(ReadGathered(gather.dir(), SqlDialect::Oracle),
            (std::set<std::string>{"delete from emp", "select * from \"a b\" where id = ?",
                                   "select getMdbCreateSql(?) from dual",
                                   "select * from \"销售 表\" where 1=2"}));
  EXPECT_EQ(
      ReadGathered(gather.dir(), SqlDialect::SqlServer),
      (std::set<std::string>{"delete from emp", "select * from \"a b\" where id = ?",
                             "exec ? = getMdbCreateSql ?", "select * from [销售 表] where 1=2"}));
  // Once per process, whatever the number of connections that sent it.
  size_t files = 0, deletes = 0;
  for (const auto& entry : fs::directory_iterator(gather.dir())) {
    ++files;
    std::ifstream in(entry.path(), std::ios::binary);
    for (std::string sql; std::getline(in, sql, '\0');) deletes += sql == "delete from emp";
  }
  EXPECT_EQ(files, 2u);
  EXPECT_EQ(deletes, 2u);
}

TEST(SqlGrammarCheck, OracleStatementsAreBroughtIntoTheFormTheGrammarReads) {
  EXPECT_EQ(ForGrammar(SqlDialect::Oracle, "update emp set a = ?, b = '?''?' where \"c?\" = ?"),
            "update emp set a = :1, b = '?''?' where \"c?\" = :2;");
  EXPECT_EQ(ForGrammar(SqlDialect::Oracle, "select ? -- why?\n, ? /* ? */ from dual"),
            "select :1 -- why?\n, :2 /* ? */ from dual;");
  EXPECT_EQ(ForGrammar(SqlDialect::Oracle, "insert into emp values (:1, :NAME)"),
            "insert into emp values (:1, :NAME);");
  EXPECT_EQ(ForGrammar(SqlDialect::Oracle, "select 'open ?"), "select 'open ?;");
  EXPECT_EQ(ForGrammar(SqlDialect::Oracle, "begin null; end;\n"), "begin null; end;\n");
  EXPECT_EQ(ForGrammar(SqlDialect::Oracle, "select t.a, x from tab t where e = 1e5 and k=:t"),
            "select \"T\".a, x from tab \"T\" where \"E\" = 1e5 and \"K\"=:t;");
  EXPECT_EQ(ForGrammar(SqlDialect::Oracle, "select 't' from \"t\" where k_1 = 'k'"),
            "select 't' from \"t\" where k_1 = 'k';");
  // The T-SQL checker reads "?" itself.
  EXPECT_EQ(ForGrammar(SqlDialect::SqlServer, "select * from t where a = ?"),
            "select * from t where a = ?");
}

TEST(SqlGrammarCheck, FaultsTheGrammarsMissAreFound) {
  EXPECT_TRUE(DriverFault(SqlDialect::Oracle, "select count(*) from emp; \n"));
  EXPECT_TRUE(DriverFault(SqlDialect::Oracle, "create table t (a number);"));
  EXPECT_FALSE(DriverFault(SqlDialect::Oracle, "select count(*) from emp"));
  EXPECT_FALSE(DriverFault(SqlDialect::Oracle, "begin delete from t; end;"));
  EXPECT_FALSE(DriverFault(SqlDialect::Oracle, "DECLARE n number; BEGIN null; END;"));
  EXPECT_FALSE(DriverFault(SqlDialect::Oracle,
                           "create or replace function f(a in varchar2) return long is\n"
                           "begin return a; end;"));
  EXPECT_FALSE(
      DriverFault(SqlDialect::Oracle, "Create Function f return long is begin null; end;"));
  EXPECT_FALSE(DriverFault(SqlDialect::SqlServer, "select 1;"));
  EXPECT_TRUE(DriverFault(SqlDialect::SqlServer,
                          "create function f() returns int\nas begin "
                          "return 1 end\nGO\n"));
  EXPECT_FALSE(DriverFault(SqlDialect::SqlServer, "select go from t"));
  EXPECT_FALSE(DriverFault(SqlDialect::SqlServer, "  EXEC ? = gettablesql ?"));
  EXPECT_FALSE(DriverFault(SqlDialect::SqlServer, "SAVE TRANSACTION sp1"));
  EXPECT_TRUE(DriverFault(SqlDialect::SqlServer, "selec 1"));
  EXPECT_TRUE(DriverFault(SqlDialect::SqlServer, "sp_help emp"));
}

TEST(SqlGrammarCheck, SqlcheckOutputGivesEachStatementOfTheFileItsVerdict) {
  const Verdicts v = ParseSqlcheckOutput(
      "OK /b/oracle.sql#1\n"
      "ERR /b/oracle.sql#2 line 1:7 mismatched input '1' expecting {<EOF>, ';'}\n"
      "OK /b/oracle.sql#10\n"
      "OK /b/oracle.sql.old#3\n"
      "ERR /b/other.sql#4 line 1:1 x\n"
      "sqlcheck: a note\n",
      "/b/oracle.sql");
  EXPECT_EQ(v.ok, (std::set<size_t>{0, 9}));
  ASSERT_EQ(v.errors.size(), 1u);
  EXPECT_EQ(v.errors.at(1), "line 1:7 mismatched input '1' expecting {<EOF>, ';'}");
}

TEST(SqlGrammarCheck, TheAllowListTakesCommentedEntriesAndRefusesAnythingElse) {
  auto entries = ParseAllowList(
      "# the grammar has no X\n"
      "oracle select x from dual\n"
      "\n"
      "sqlserver  select [a] from t  \n");
  EXPECT_EQ(entries, (std::set<std::pair<SqlDialect, std::string>>{
                         {SqlDialect::Oracle, "select x from dual"},
                         {SqlDialect::SqlServer, "select [a] from t"}}));
  EXPECT_THROW(ParseAllowList("postgres select 1\n"), std::runtime_error);
  EXPECT_THROW(ParseAllowList("oracle\n"), std::runtime_error);
}

TEST(SqlGrammarCheck, EveryRefusedOrUnansweredStatementFailsWithItsTextAndTheMessage) {
  TempDir scratch;
  std::string fileRead;
  const SqlcheckRunner run = [&](SqlDialect dialect, const fs::path& file) {
    EXPECT_EQ(dialect, SqlDialect::Oracle);
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    fileRead = text.str();
    // The statements go in text order; the fourth gets no verdict.
    const std::string f = file.string();
    return "ERR " + f + "#1 line 1:6 mismatched input '1' expecting {<EOF>, ';'}\nOK " + f +
           "#2\nERR " + f + "#3 line 1:0 x\n";
  };
  const CheckOutcome outcome =
      CheckStatements(SqlDialect::Oracle,
                      {"select a from emp where b = ?", "selec 1 from dual", "select 1 from dual;",
                       "select b from emp"},
                      scratch.Folder(), run);
  using namespace std::string_literals;
  EXPECT_EQ(fileRead,
            "selec 1 from dual;\0select 1 from dual;\0select a from emp where b = :1;\0"
            "select b from emp;\0"s);
  EXPECT_EQ(outcome.checked, 4u);
  ASSERT_EQ(outcome.failures.size(), 4u);
  EXPECT_EQ(outcome.failures[0],
            "oracle: line 1:6 mismatched input '1' expecting {<EOF>, ';'}\n    selec 1 from dual\n"
            "  read by the grammar as\n    selec 1 from dual;");
  EXPECT_EQ(outcome.failures[1],
            "oracle: ends with \";\", which the Oracle server refuses outside a PL/SQL block "
            "(ORA-00911: invalid character)\n    select 1 from dual;");
  EXPECT_EQ(outcome.failures[2],
            "oracle: line 1:0 x\n    select a from emp where b = ?\n  read by the grammar as\n"
            "    select a from emp where b = :1;");
  EXPECT_EQ(outcome.failures[3],
            "oracle: sqlcheck gave no verdict\n    select b from emp\n"
            "  read by the grammar as\n    select b from emp;");
}

}  // namespace
}  // namespace mvq::test
