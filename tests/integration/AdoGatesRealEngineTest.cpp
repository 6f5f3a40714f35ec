// The custom gate and the Access gate on real engines through the ODBC layer: SQLite always
// (a temporary file), PostgreSQL and MariaDB when MVQ_TEST_PG / MVQ_TEST_MARIADB hold their
// connection strings, the Access fixture through MDBTools. Without the ODBC layer, or without
// an engine while MVQ_REQUIRE_ENGINES is not set, a test is skipped with the reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "platform/text/AsciiCase.h"
#include "support/Engines.h"
#include "support/RunLogCapture.h"

namespace mvq::test {
namespace {

using db::Variant;

// What the tests need to know of one engine: how its own DDL reads and which type names its
// driver lists for the codes the builder asks for.
struct Engine {
  std::string name;
  const char* env;  // variable holding the connection string; nullptr for SQLite
  // The shared source table in the engine's own types; %s is the table name.
  std::string sourceTable;
  std::map<std::pair<std::string, bool>, std::string> types;  // (code, widest) -> name
};

const std::vector<Engine>& Engines() {
  static const std::vector<Engine> engines = {
      {"SQLite",
       nullptr,
       "create table %s (id integer, name varchar(30), note text, amount numeric(12,3), "
       "ratio double, born date, stamp timestamp, pic blob)",
       {{{"3", true}, "integer"},
        {{"2", true}, "smallint"},
        {{"11", true}, "bit"},
        {{"135", true}, "timestamp"},
        {{"128", true}, "longvarbinary"},
        {{"129", false}, "varchar"},
        {{"129", true}, "text"}}},
      {"PostgreSQL",
       "MVQ_TEST_PG",
       "create table %s (id integer, name varchar(30), note text, amount numeric(12,3), "
       "ratio double precision, born date, stamp timestamp, pic bytea)",
       {{{"3", true}, "int4"},
        {{"2", true}, "int2"},
        {{"11", true}, "bool"},
        {{"131", true}, "numeric"},
        {{"135", true}, "timestamptz"},
        {{"128", true}, "bytea"},
        {{"130", false}, "varchar"},
        {{"130", true}, "text"}}},
      {"MariaDB",
       "MVQ_TEST_MARIADB",
       "create table %s (id integer, name varchar(30), note text, amount numeric(12,3), "
       "ratio double, born date, stamp datetime(6), pic longblob)",
       {{{"3", true}, "INTEGER"},
        {{"2", true}, "SMALLINT"},
        {{"11", true}, "BIT"},
        {{"131", true}, "NUMERIC"},
        {{"135", true}, "DATETIME"},
        {{"128", true}, "LONGBLOB"},
        {{"130", false}, "VARCHAR"},
        {{"129", true}, "LONGTEXT"}}},
  };
  return engines;
}

const Engine& EngineNamed(const std::string& name) {
  for (const auto& e : Engines()) {
    if (e.name == name) return e;
  }
  throw std::logic_error("no engine " + name);
}

std::string WithTable(std::string pattern, const std::string& table) {
  return pattern.replace(pattern.find("%s"), 2, table);
}

std::string FixturePath() {
  return std::string(MVQ_FIXTURE_DIR) + "/node-adodb.mdb";
}

// The frame: finds the engines a test needs, or skips (fails when they are required).
class RealEngine : public RunLogCapture {
 protected:
  // The connection string of engine, or nothing when the test has been skipped or failed.
  std::optional<std::string> Reach(const Engine& engine) {
    if (auto missing = OdbcMissing()) {
      if (missing->find("not built yet") != std::string::npos) {
        skipped = "the ODBC layer is not built yet";
        return std::nullopt;
      }
      ADD_FAILURE() << "no ODBC connection can be made: " << *missing;
      return std::nullopt;
    }
    if (!engine.env) return "DRIVER=SQLite3;Database=" + dir + "/sqlite.db";
    const char* cs = std::getenv(engine.env);
    if (cs && *cs) return std::string(cs);
    if (EnginesRequired()) {
      ADD_FAILURE() << engine.env << " is not set although MVQ_REQUIRE_ENGINES=1";
    } else {
      skipped = std::string(engine.env) + " is not set (scripts/services start sets it)";
    }
    return std::nullopt;
  }

  std::optional<std::string> Fixture() {
    if (std::filesystem::exists(FixturePath())) return FixturePath();
    if (EnginesRequired()) {
      ADD_FAILURE() << "the Access fixture is missing: " << FixturePath();
    } else {
      skipped = "the Access fixture is missing (scripts/fixtures fetches it): " + FixturePath();
    }
    return std::nullopt;
  }

  std::string skipped;
};

// ---- one engine --------------------------------------------------------------------------

class CustomGateOnEngine : public RealEngine, public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override {
    RealEngine::SetUp();
    cs = Reach(EngineNamed(GetParam()));
    if (!cs && !skipped.empty()) GTEST_SKIP() << skipped;
  }
  std::optional<std::string> cs;
};

TEST_P(CustomGateOnEngine, ListsTablesButNotViewsWhileTableExistsFindsBoth) {
  ASSERT_TRUE(cs);
  TADOConn gate(*cs);
  ASSERT_TRUE(gate.IsConnected());
  gate.ExecuteSql("drop view if exists mvq_ado_list_v");
  gate.ExecuteSql("drop table if exists mvq_ado_list_t");
  ASSERT_GE(gate.ExecuteSql("create table mvq_ado_list_t (id integer)"), 0);
  ASSERT_GE(gate.ExecuteSql("create view mvq_ado_list_v as select id from mvq_ado_list_t"), 0);

  TStringList list;
  const int listed = gate.GetTableList(list);  // before Count(): argument order is unspecified
  EXPECT_EQ(listed, list.Count());
  const auto& names = list.Strings();
  EXPECT_NE(std::find(names.begin(), names.end(), "mvq_ado_list_t"), names.end());
  EXPECT_EQ(std::find(names.begin(), names.end(), "mvq_ado_list_v"), names.end());
  EXPECT_TRUE(gate.TableExists("MVQ_ADO_LIST_T"));
  EXPECT_TRUE(gate.TableExists("mvq_ado_list_v"));
  EXPECT_FALSE(gate.TableExists("mvq_ado_list_none"));

  gate.ExecuteSql("drop view mvq_ado_list_v");
  gate.ExecuteSql("drop table mvq_ado_list_t");
  EXPECT_TRUE(LogLines().empty());
}

TEST_P(CustomGateOnEngine, ExecuteSqlAnswersRowCountsZeroForDdlAndMinusOneForFailure) {
  ASSERT_TRUE(cs);
  TADOConn gate(*cs);
  ASSERT_TRUE(gate.IsConnected());
  gate.ExecuteSql("drop table if exists mvq_ado_exec");
  EXPECT_EQ(gate.ExecuteSql("create table mvq_ado_exec (id integer)"), 0);
  EXPECT_EQ(gate.ExecuteSql("insert into mvq_ado_exec values (1)"), 1);
  gate.ExecuteSql("insert into mvq_ado_exec values (2)");
  gate.ExecuteSql("insert into mvq_ado_exec values (3)");
  EXPECT_EQ(gate.ExecuteSql("delete from mvq_ado_exec where id > 1"), 2);
  EXPECT_EQ(gate.ExecuteSql("update mvq_ado_exec set id = 5 where id = 99"), 0);
  EXPECT_TRUE(LogLines().empty());

  EXPECT_EQ(gate.ExecuteSql("insert into mvq_ado_missing values (1)"), -1);
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("失败-----------因", 0), 0u) << lines[0];
  const std::string tail = ":无法执行insert into mvq_ado_missing values (1)";
  EXPECT_EQ(lines[0].substr(lines[0].size() - tail.size()), tail);
  gate.ExecuteSql("drop table mvq_ado_exec");
}

TEST_P(CustomGateOnEngine, FindProviderTypeOverTheDriversOwnTypeList) {
  ASSERT_TRUE(cs);
  TADOConn gate(*cs);
  ASSERT_TRUE(gate.IsConnected());
  for (const auto& [key, name] : EngineNamed(GetParam()).types) {
    EXPECT_EQ(TADOConn::FindProviderType(*gate.AdoConnection(), key.first, key.second), name)
        << "code " << key.first << (key.second ? " widest" : " narrowest");
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, CustomGateOnEngine,
                         ::testing::Values("SQLite", "PostgreSQL", "MariaDB"), EngineNameOf);

// ---- pairs of engines ----------------------------------------------------------------------

const std::string kLongText = [] {
  std::string s;
  for (int i = 0; i < 600; ++i) s += "备注note-" + std::to_string(i) + " ";
  return s;
}();

// Writes every row of the open query into table on target, field i into column i.
void CopyRows(db::Query& source, db::Connection& target, const std::string& table) {
  size_t n = source.Fields().size();
  auto appender = target.CreateAppender(table, n);
  for (; !source.Eof(); source.Next()) {
    appender->Append();
    for (size_t i = 0; i < n; ++i) appender->SetField(i, source.Value(i));
    auto failures = appender->Post();
    ASSERT_TRUE(failures.empty()) << failures.front().error.what();
  }
  auto failures = appender->Flush();
  ASSERT_TRUE(failures.empty()) << failures.front().error.what();
}

class ProviderCreateSqlBetweenEngines : public RealEngine,
                                        public ::testing::WithParamInterface<ConvertPair> {
 protected:
  void SetUp() override {
    RealEngine::SetUp();
    const std::string from = GetParam().source, to = GetParam().target;
    source = Reach(EngineNamed(from));
    if (source) target = Reach(EngineNamed(to));
    if ((!source || !target) && !skipped.empty()) GTEST_SKIP() << skipped;
    // Two SQLite ends would share one file otherwise.
    if (target && to == "SQLite") target = "DRIVER=SQLite3;Database=" + dir + "/target.db";
  }
  std::optional<std::string> source, target;
};

TEST_P(ProviderCreateSqlBetweenEngines, TheTextIsAcceptedAndTheTableKeepsTheValues) {
  ASSERT_TRUE(source && target);
  const std::string from = GetParam().source, to = GetParam().target;
  const std::string table =
      "mvq_ado_" + mvq::text::AsciiLower(from) + "_to_" + mvq::text::AsciiLower(to);
  TADOConn src(*source), dst(*target);
  ASSERT_TRUE(src.IsConnected());
  ASSERT_TRUE(dst.IsConnected());

  src.ExecuteSql("drop table if exists " + table);
  ASSERT_GE(src.ExecuteSql(WithTable(EngineNamed(from).sourceTable, table)), 0);
  {
    auto appender = src.AdoConnection()->CreateAppender(table, 8);
    appender->Append();
    appender->SetField(0, Variant(7));
    appender->SetField(1, Variant("张三 Zhang"));
    appender->SetField(2, Variant(kLongText));
    appender->SetField(3, Variant(db::Decimal{"12.345"}));
    appender->SetField(4, Variant(0.1));
    appender->SetField(5, Variant(db::Date{2024, 3, 7}));
    appender->SetField(6, Variant(db::DateTime{{2024, 3, 10}, {2, 30, 0}, 123456000}));
    appender->SetField(7, Variant(db::Bytes{0x00, 0xff, 0x41, 0x00}));
    ASSERT_TRUE(appender->Post().empty());
    ASSERT_TRUE(appender->Flush().empty());
  }

  std::string text = src.BuildProviderCreateSql(table, dst.AdoConnection());
  dst.ExecuteSql("drop table if exists " + table);
  EXPECT_GE(dst.ExecuteSql(text), 0) << text;
  EXPECT_TRUE(LogLines().empty()) << text;

  std::unique_ptr<db::Query> rows;
  src.OpenQuery("select * from " + table, rows);
  ASSERT_TRUE(rows->IsOpen());
  CopyRows(*rows, *dst.AdoConnection(), table);

  std::unique_ptr<db::Query> back;
  dst.OpenQuery("select * from " + table, back);
  ASSERT_TRUE(back->IsOpen()) << text;
  ASSERT_FALSE(back->Eof());
  EXPECT_EQ(back->Value(0).AsInt(), 7);
  EXPECT_EQ(back->Value(1).AsText(), "张三 Zhang") << "text must not be padded";
  EXPECT_EQ(back->Value(2).AsText(), kLongText);
  EXPECT_NEAR(back->Value(3).AsDouble(), 12.345, 1e-9);
  EXPECT_EQ(back->Value(4).AsDouble(), 0.1);
  EXPECT_EQ(back->Value(5).AsText().substr(0, 10), "2024-03-07");
  EXPECT_EQ(back->Value(6).AsText().substr(0, 26), "2024-03-10 02:30:00.123456");
  ASSERT_EQ(back->Value(7).kind(), Variant::Kind::Bytes) << text;
  EXPECT_EQ(back->Value(7).Blob(), (db::Bytes{0x00, 0xff, 0x41, 0x00}));
  back.reset();
  rows.reset();

  src.ExecuteSql("drop table " + table);
  dst.ExecuteSql("drop table " + table);
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, ProviderCreateSqlBetweenEngines,
    ::testing::Values(ConvertPair{"SQLite", "PostgreSQL"}, ConvertPair{"SQLite", "MariaDB"},
                      ConvertPair{"PostgreSQL", "SQLite"}, ConvertPair{"PostgreSQL", "MariaDB"},
                      ConvertPair{"MariaDB", "SQLite"}, ConvertPair{"MariaDB", "PostgreSQL"},
                      ConvertPair{"SQLite", "SQLite"}),
    PairName);

// ---- the Access fixture --------------------------------------------------------------------

class AccessFixtureToEngine : public RealEngine, public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override {
    RealEngine::SetUp();
    target = Reach(EngineNamed(GetParam()));
    if (target) mdb = Fixture();
    if ((!target || !mdb) && !skipped.empty()) GTEST_SKIP() << skipped;
  }
  std::optional<std::string> target, mdb;
};

TEST_P(AccessFixtureToEngine, TheUsersTableIsCreatedAndFilledOnTheTarget) {
  ASSERT_TRUE(target && mdb);
  TADOConn src("DRIVER=MDBTools;DBQ=" + *mdb), dst(*target);
  ASSERT_TRUE(src.IsConnected());
  ASSERT_TRUE(dst.IsConnected());
  const std::string table = "mvq_ado_mdb_users";

  std::string text = src.BuildProviderCreateSql("Users", dst.AdoConnection());
  // The target table gets a name of this test's own.
  size_t at = text.find("Users");
  ASSERT_LT(at, text.find("\r\n"));
  text.replace(at, 5, table);
  dst.ExecuteSql("drop table if exists " + table);
  EXPECT_GE(dst.ExecuteSql(text), 0) << text;

  std::unique_ptr<db::Query> rows;
  src.OpenQuery("select * from Users", rows);
  ASSERT_TRUE(rows->IsOpen());
  CopyRows(*rows, *dst.AdoConnection(), table);
  EXPECT_EQ(dst.QueryValue("select count(*) from " + table).AsInt(), 3);
  // Mixed-case names keep their spelling on the target, so they are asked for quoted.
  EXPECT_EQ(dst.QueryValue("select " + dst.QuotedName("UserName") + " from " + table + " where " +
                           dst.QuotedName("UserId") + " = 3")
                .AsText(),
            "张三");
  EXPECT_TRUE(LogLines().empty());
  dst.ExecuteSql("drop table " + table);
}

INSTANTIATE_TEST_SUITE_P(Engines, AccessFixtureToEngine,
                         ::testing::Values("SQLite", "PostgreSQL", "MariaDB"), EngineNameOf);

class AccessGateOnFixture : public RealEngine {
 protected:
  void SetUp() override {
    RealEngine::SetUp();
    if (auto missing = OdbcMissing();
        missing && missing->find("not built yet") != std::string::npos) {
      GTEST_SKIP() << "the ODBC layer is not built yet";
    }
    mdb = Fixture();
    if (!mdb && !skipped.empty()) GTEST_SKIP() << skipped;
  }
  std::optional<std::string> mdb;
};

TEST_F(AccessGateOnFixture, ListsCountsAndReadsTheUsersTableWithItsChineseText) {
  ASSERT_TRUE(mdb);
  TMDBDataGate gate(*mdb);
  ASSERT_TRUE(gate.IsConnected());
  TStringList list;
  EXPECT_EQ(gate.GetTableList(list), 1);
  EXPECT_EQ(list.Strings(), std::vector<std::string>{"Users"});
  EXPECT_TRUE(gate.TableExists("users"));

  std::unique_ptr<db::Query> q;
  gate.OpenTablePaged("Users", q);
  EXPECT_EQ(gate.RowCount(), 3);
  std::vector<std::string> names{q->Value(1).AsText()};
  bool changed = false;
  while (!gate.NextRow(changed, q)) names.push_back(q->Value(1).AsText());
  EXPECT_EQ(names, (std::vector<std::string>{"Nuintun", "Angela", "张三"}));
  EXPECT_TRUE(LogLines().empty()) << "a small Access table is read without a key line";

  std::string sql = gate.BuildCreateSql("Users");
  EXPECT_EQ(sql.rfind("create table [Users] (\r\n  [UserId] integer,\r\n  [UserName] varchar(", 0),
            0u)
      << sql;
  EXPECT_NE(sql.find("  [UserBirthday] Datetime,\r\n  [UserMarried] integer\r\n)\r\n"),
            std::string::npos)
      << sql;
  std::string oracle = gate.BuildOracleCreateSql("Users");
  // Oracle folds unquoted names to upper case: the source's mixed case is kept quoted.
  EXPECT_NE(oracle.find("  \"UserMarried\" number(1,0)\r\n)\r\n"), std::string::npos) << oracle;
}

TEST_F(AccessGateOnFixture, StatementsNeitherReaderNorWriterRunAreLoggedAsFailures) {
  ASSERT_TRUE(mdb);
  TMDBDataGate gate(*mdb);
  ASSERT_TRUE(gate.IsConnected());
  // Refused before anything is written: the fixture stays as it is for the other tests.
  EXPECT_EQ(gate.ExecuteSql("update Users set UserName = 'x'"), -1);
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("因:", 0), 0u) << lines[0];
  EXPECT_NE(lines[0].find(",无法执行update Users set UserName = 'x'"), std::string::npos)
      << lines[0];
}

}  // namespace
}  // namespace mvq::test
