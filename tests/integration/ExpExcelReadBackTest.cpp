// Workbooks the export writes, read back by the real readers (xlrd for both formats,
// openpyxl for .xlsx): over scripted Oracle and SQL Server gates, and over real sources
// through the ODBC layer (SQLite always, PostgreSQL and MariaDB when MVQ_TEST_PG /
// MVQ_TEST_MARIADB are set, the Access fixture through MDBTools). A missing part skips the
// test with the reason, or fails it when MVQ_REQUIRE_ENGINES=1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/Gateways.h"
#include "excel/utexpexcel.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/utconnection.h"
#include "platform/oracle/OraDrivers.h"
#include "support/CurrentDirection.h"
#include "support/Engines.h"
#include "support/Messages.h"
#include "support/RunLogCapture.h"
#include "support/ScriptedConnection.h"
#include "support/ScriptedGates.h"
#include "support/WorkbookReadBack.h"

namespace mvq::test {
namespace {

using db::Variant;
using Lines = std::vector<std::string>;
using Rows = std::vector<std::vector<Variant>>;

// The frame: a temporary folder and run log, the gate slots emptied afterwards, and the
// readers' and engines' presence turned into a skip or, when required, a failure.
class ExportReadBack : public RunLogCapture, public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override {
    RunLogCapture::SetUp();
    savedDirection_ = CurrentDirection;
    SetTickSource([] { return 5000u; });
  }
  void TearDown() override {
    OracleGate.reset();
    SqlGate.reset();
    MdbGate.reset();
    CustomSourceGate.reset();
    scripted.reset();
    if (savedLister_) ora::SetDriverLister(std::move(*savedLister_));
    SetTickSource({});
    CurrentDirection = savedDirection_;
    RunLogCapture::TearDown();
  }

  // Empty when the test may go on; otherwise the reason to skip.
  std::string Missing(bool needsOdbc) {
    std::string why = ReadersMissing();
    if (why.empty() && needsOdbc) {
      if (auto odbc = OdbcMissing()) why = "no ODBC connection can be made: " + *odbc;
    }
    if (!why.empty() && EnginesRequired()) ADD_FAILURE() << why;
    return why;
  }

  void UseScriptedGates() {
    scripted = ScriptedWorld::Install();
    savedLister_ =
        ora::SetDriverLister([] { return std::vector<std::string>{"Oracle 21 ODBC driver"}; });
  }

  std::string Path(const std::string& stem) const { return dir + "/" + stem + "." + GetParam(); }
  Lines Readers() const { return GetParam() == "xls" ? Lines{"xlrd"} : Lines{"xlrd", "openpyxl"}; }

  std::shared_ptr<ScriptedWorld> scripted;

 private:
  int32_t savedDirection_ = 0;
  std::optional<ora::DriverLister> savedLister_;
};

#define SKIP_UNLESS(needsOdbc)                  \
  do {                                          \
    const std::string why = Missing(needsOdbc); \
    if (!why.empty()) GTEST_SKIP() << why;      \
  } while (0)

// ---- scripted sources -------------------------------------------------------------------

TEST_P(ExportReadBack, OracleTableOf70000RowsSplits65535And4465WithoutItsBlobColumn) {
  SKIP_UNLESS(false);
  UseScriptedGates();
  Script& ora = scripted->ScriptFor(kOracleCs);
  const std::vector<Column> columns = {
      {"ID", db::adNumeric, 0, 10}, {"PIC", db::adLongVarBinary, 0}, {"NAME", db::adVarWChar, 20}};
  Rows page1, page2;
  for (int64_t i = 1; i <= 70000; ++i) {
    std::vector<Variant> row{db::Decimal{std::to_string(i)}, db::Bytes{1, 2, 3},
                             "名字" + std::to_string(i)};
    if (i <= 65535) {
      page1.push_back(std::move(row));
    } else {
      row.push_back(db::Decimal{std::to_string(i)});
      page2.push_back(std::move(row));
    }
  }
  ora.On("select count(*) from A").Rows({{"C", db::adNumeric}}, {{int64_t{70000}}});
  ora.On("select * from A where rownum<65536").Rows(columns, page1);
  std::vector<Column> withRownum = columns;
  withRownum.push_back({"ROWNUM_", db::adNumeric});
  const std::string next =
      "select * from ( select row_.*, rownum rownum_ from (select * from A) row_ where rownum "
      "<=:1) where rownum_ >:2";
  ora.On(next).Rows(withRownum, page2).Times(1);
  ora.On(next).Rows(withRownum, {});
  ora.On("select count(*) from B").Rows({{"C", db::adNumeric}}, {{int64_t{1}}});
  ora.On("select * from B").Rows(columns, {{db::Decimal{"7"}, db::Bytes{9}, "张三"}});
  OracleGate = TComDBConn::ConnectOracle("db1", "ORCL", "scott", "tiger", "1521", "", "");
  ASSERT_TRUE(OracleGate->IsConnected());

  CurrentDirection = 6;
  const std::string path = Path("oracle");
  Texpexcel writer(path);
  writer.ExportTable("A");
  writer.ExportTable("B");
  writer.Close();
  EXPECT_EQ(LogLines(), (Lines{"导出成功:表A，导出数据65535条，全部完成,用时0ms",
                               "导出成功:表A1，导出数据4465条，全部完成,用时0ms",
                               "导出成功:表B，导出数据1条，全部完成,用时0ms"}));

  // xlrd reads both formats; openpyxl's view of the same sheets is checked on smaller ones.
  {
    const auto sheets = ReadWorkbook(path, "xlrd");
    ASSERT_EQ(SheetNames(sheets), (Lines{"B", "A1", "A"}));
    const SheetDump &b = sheets[0], &a1 = sheets[1], &a = sheets[2];
    EXPECT_EQ(a.rows, 65536);
    EXPECT_EQ(a.cols, 2);
    EXPECT_EQ(a.At(0, 0), "text:ID");
    EXPECT_EQ(a.At(0, 1), "text:NAME");
    EXPECT_EQ(a.At(1, 0), "text:1");
    EXPECT_EQ(a.At(65535, 1), "text:名字65535");
    EXPECT_EQ(a1.rows, 4466);
    EXPECT_EQ(a1.cols, 3);
    EXPECT_EQ(a1.At(0, 2), "text:ROWNUM_");
    EXPECT_EQ(a1.At(1, 0), "text:65536");
    EXPECT_EQ(a1.At(4465, 1), "text:名字70000");
    EXPECT_EQ(a1.At(4465, 2), "text:70000");
    EXPECT_EQ(b.At(1, 1), "text:张三");
    EXPECT_EQ(b.cells.size(), 4u);
  }
}

TEST_P(ExportReadBack, NoTableSavesTheThreeInitialSheets) {
  SKIP_UNLESS(false);
  const std::string path = Path("none");
  Texpexcel(path).Close();
  for (const std::string& reader : Readers()) {
    SCOPED_TRACE(reader);
    const auto sheets = ReadWorkbook(path, reader);
    EXPECT_EQ(SheetNames(sheets), (Lines{"Sheet1", "Sheet2", "Sheet3"}));
    for (const auto& s : sheets) EXPECT_TRUE(s.cells.empty());
  }
}

TEST_P(ExportReadBack, SqlServerSheetHoldsTypedValuesInFittedColumns) {
  SKIP_UNLESS(false);
  UseScriptedGates();
  Script& sql = scripted->ScriptFor(kSqlCs);
  const std::vector<Column> columns = {
      {"ID", db::adInteger},  {"NAME", db::adVarWChar, 40}, {"PRICE", db::adNumeric, 0, 12, 2},
      {"BORN", db::adDBDate}, {"AT", db::adDBTimeStamp},    {"OK", db::adBoolean}};
  sql.primaryKeys = {{"", "dbo", "GOODS", "ID", 1}};
  sql.On("select count(*) from GOODS").Rows({{"n", db::adInteger}}, {{int64_t{2}}});
  sql.On("select * from GOODS")
      .Rows(columns, {{int64_t{1}, "张三的一件相当长的商品名称", db::Decimal{"19.99"},
                       db::Date{1990, 5, 17}, db::DateTime{{2024, 3, 7}, {9, 5, 1}, 0}, true},
                      {int64_t{2}, Variant(), db::Decimal{"-0.5"}, Variant(), Variant(), false}});
  SqlGate = std::make_unique<TSQLComDBConn>(kSqlCs);

  CurrentDirection = 7;
  const std::string path = Path("typed");
  Texpexcel writer(path);
  writer.ExportTable("GOODS");
  writer.Close();
  for (const std::string& reader : Readers()) {
    SCOPED_TRACE(reader);
    const auto sheets = ReadWorkbook(path, reader, true);
    ASSERT_EQ(SheetNames(sheets), Lines{"GOODS"});
    const SheetDump& s = sheets[0];
    EXPECT_EQ(s.rows, 3);
    EXPECT_EQ(s.At(0, 5), "text:OK");
    EXPECT_EQ(s.At(1, 0), "number:1");
    EXPECT_EQ(s.At(1, 1), "text:张三的一件相当长的商品名称");
    EXPECT_EQ(s.At(1, 2), "number:19.99");
    EXPECT_EQ(s.At(1, 3), "date:1990-05-17 00:00:00");
    EXPECT_EQ(s.At(1, 4), "date:2024-03-07 09:05:01");
    EXPECT_EQ(s.At(1, 5), "bool:TRUE");
    EXPECT_EQ(s.At(2, 1), "");
    EXPECT_EQ(s.At(2, 2), "number:-0.5");
    EXPECT_EQ(s.At(2, 5), "bool:FALSE");
    if (reader == "openpyxl" || GetParam() == "xls") {
      // 13 wide characters fill 26 cells; the date-time needs 19.
      const double unit = GetParam() == "xls" ? 256 : 1;
      ASSERT_EQ(s.widths.size(), 6u);
      EXPECT_NEAR(s.widths.at(1) / unit, 27, 0.75);
      EXPECT_NEAR(s.widths.at(4) / unit, 20, 0.75);
    }
  }
}

// ---- real sources -----------------------------------------------------------------------

TEST_P(ExportReadBack, CustomSqliteSourceOf70000RowsReadsBackWithTypedValues) {
  SKIP_UNLESS(true);
  const std::string cs = "DRIVER=SQLite3;Database=" + dir + "/source.db";
  CustomSourceGate = std::make_unique<TADOConn>(cs);
  ASSERT_TRUE(CustomSourceGate->IsConnected());
  ASSERT_GE(CustomSourceGate->ExecuteSql(
                "create table big (id integer, name varchar(30), amount double, born date)"),
            0);
  ASSERT_GE(CustomSourceGate->ExecuteSql(
                "insert into big with recursive c(n) as (select 1 union all select n + 1 from c "
                "where n < 70000) select n, '名' || n, n * 0.5, date('2024-01-01', '+' || (n % "
                "365) || ' days') from c"),
            0);

  CurrentDirection = 9;
  const std::string path = Path("custom");
  Texpexcel writer(path);
  writer.ExportTable("big");
  writer.Close();
  const bool xls = GetParam() == "xls";
  EXPECT_EQ(LogLines().size(), xls ? 2u : 1u) << "one success line per sheet, nothing else";

  // xlrd reads both formats; openpyxl's view of custom sources is checked on a small table.
  {
    const auto sheets = ReadWorkbook(path, "xlrd");
    const SheetDump& first = sheets.back();
    if (xls) {
      ASSERT_EQ(SheetNames(sheets), (Lines{"big1", "big"}));
      EXPECT_EQ(first.rows, 65536);
      const SheetDump& rest = sheets[0];
      EXPECT_EQ(rest.rows, 4466);
      EXPECT_EQ(rest.At(0, 3), "text:born");
      EXPECT_EQ(rest.At(1, 0), "number:65536");
      EXPECT_EQ(rest.At(4465, 1), "text:名70000");
    } else {
      ASSERT_EQ(SheetNames(sheets), Lines{"big"}) << "a .xlsx sheet holds the whole table";
      EXPECT_EQ(first.rows, 70001);
      EXPECT_EQ(first.At(70000, 0), "number:70000");
      EXPECT_EQ(first.At(70000, 2), "number:35000");
    }
    EXPECT_EQ(first.At(0, 0), "text:id");
    EXPECT_EQ(first.At(1, 0), "number:1");
    EXPECT_EQ(first.At(1, 1), "text:名1");
    EXPECT_EQ(first.At(1, 2), "number:0.5");
    EXPECT_EQ(first.At(1, 3), "date:2024-01-02 00:00:00");
  }
}

TEST_P(ExportReadBack, AccessFixtureGoesToOneSheetOfItsUsers) {
  SKIP_UNLESS(true);
  const std::string mdb = std::string(MVQ_FIXTURE_DIR) + "/node-adodb.mdb";
  if (!std::filesystem::exists(mdb)) {
    if (EnginesRequired()) FAIL() << "the Access fixture is missing: " << mdb;
    GTEST_SKIP() << "the Access fixture is missing (scripts/fixtures fetches it): " << mdb;
  }
  MdbGate = std::make_unique<TMDBDataGate>(mdb);
  ASSERT_TRUE(MdbGate->IsConnected());

  CurrentDirection = 8;
  const std::string path = Path("access");
  Texpexcel writer(path);
  writer.ExportTable("Users");
  writer.Close();
  EXPECT_EQ(LogLines(), Lines{"导出成功:表Users，全部完成,用时0ms"});
  for (const std::string& reader : Readers()) {
    SCOPED_TRACE(reader);
    const auto sheets = ReadWorkbook(path, reader);
    ASSERT_EQ(SheetNames(sheets), Lines{"Users"});
    const SheetDump& s = sheets[0];
    EXPECT_EQ(s.rows, 4);
    EXPECT_EQ(s.At(0, 0), "text:UserId");
    EXPECT_EQ(s.At(0, 4), "text:UserMarried");
    EXPECT_EQ(s.At(1, 0), "number:1");
    EXPECT_EQ(s.At(1, 1), "text:Nuintun");
    EXPECT_EQ(s.At(3, 1), "text:张三");
    EXPECT_EQ(s.At(3, 2), "text:男");
    EXPECT_EQ(s.At(1, 3), "date:1989-01-25 00:00:00");
    EXPECT_EQ(s.At(1, 4), "bool:TRUE");
    EXPECT_EQ(s.At(2, 4), "bool:FALSE");
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, ExportReadBack, ::testing::Values("xls", "xlsx"),
                         [](const auto& info) { return info.param; });

// The custom source on every engine: one streamed read, no paging statement, so engines
// that refuse "top" export like any other.
class CustomEngineToWorkbook : public ExportReadBack {};

TEST_P(CustomEngineToWorkbook, SmallTableReadsBackFromAnXlsx) {
  SKIP_UNLESS(true);
  std::string cs;
  if (GetParam() == "SQLite") {
    cs = "DRIVER=SQLite3;Database=" + dir + "/engine.db";
  } else {
    const char* env = GetParam() == "PostgreSQL" ? "MVQ_TEST_PG" : "MVQ_TEST_MARIADB";
    const char* value = std::getenv(env);
    if (!value || !*value) {
      if (EnginesRequired()) FAIL() << env << " is not set although MVQ_REQUIRE_ENGINES=1";
      GTEST_SKIP() << env << " is not set (scripts/services start sets it)";
    }
    cs = value;
  }
  CustomSourceGate = std::make_unique<TADOConn>(cs);
  ASSERT_TRUE(CustomSourceGate->IsConnected());
  CustomSourceGate->ExecuteSql("drop table if exists mvq_xl_emp");
  ASSERT_GE(CustomSourceGate->ExecuteSql("create table mvq_xl_emp (id integer, name varchar(20), "
                                         "pay numeric(10,2), hired date)"),
            0);
  ASSERT_GE(CustomSourceGate->ExecuteSql("insert into mvq_xl_emp values (1, '李四', 1234.5, "
                                         "'2020-02-29'), (2, NULL, NULL, NULL)"),
            0);

  CurrentDirection = 9;
  const std::string path = dir + "/engine.xlsx";
  Texpexcel writer(path);
  writer.ExportTable("mvq_xl_emp");
  writer.Close();
  CustomSourceGate->ExecuteSql("drop table mvq_xl_emp");
  EXPECT_EQ(LogLines(), Lines{"导出成功:表mvq_xl_emp，全部完成,用时0ms"});
  for (const char* reader : {"xlrd", "openpyxl"}) {
    SCOPED_TRACE(reader);
    const auto sheets = ReadWorkbook(path, reader);
    ASSERT_EQ(SheetNames(sheets), Lines{"mvq_xl_emp"});
    const SheetDump& s = sheets[0];
    EXPECT_EQ(s.rows, 3);
    EXPECT_EQ(s.At(0, 3), "text:hired");
    EXPECT_EQ(s.At(1, 0), "number:1");
    EXPECT_EQ(s.At(1, 1), "text:李四");
    EXPECT_EQ(s.At(1, 2), "number:1234.5");
    EXPECT_EQ(s.At(1, 3), "date:2020-02-29 00:00:00");
    EXPECT_EQ(s.At(2, 0), "number:2");
    EXPECT_EQ(s.At(2, 1), "");
    EXPECT_EQ(s.cells.size(), 4u + 4u + 1u);
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, CustomEngineToWorkbook,
                         ::testing::Values("SQLite", "PostgreSQL", "MariaDB"), EngineNameOf);

}  // namespace
}  // namespace mvq::test
