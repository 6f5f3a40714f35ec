// Directions 2 (Oracle to Access) and 4 (SQL Server to Access) end to end: scripted Oracle
// and SQL Server sources, as their other tests have them, and a real Access file written by
// our Jet writer, read back by MDBTools and mdb-reader, in every existing-table mode.
#include <gtest/gtest.h>

#include "engine/Gateways.h"
#include "engine/utConvertDb.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/utconnection.h"
#include "platform/jet/JetChecker.h"
#include "platform/oracle/OraDrivers.h"
#include "support/AccessReadBack.h"
#include "support/CurrentDirection.h"
#include "support/Engines.h"
#include "support/RunLogCapture.h"
#include "support/ScriptedConnection.h"
#include "support/utProgress.h"

namespace mvq::test {
namespace {

using db::Variant;
using Lines = std::vector<std::string>;

constexpr const char* kSqlCs = "Provider=SQLOLEDB.1;Data Source=sql";
constexpr const char* kOracleCs =
    "DRIVER={Oracle 21 ODBC driver};DBQ=(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=db1)"
    "(PORT=1521))(CONNECT_DATA=(SID=ORCL)));UID=scott;PWD=tiger";
// The create text the servers' functions give for EMP.
constexpr const char* kCreate =
    "create Table [EMP] (\r\n  [ID] integer not null ,\r\n  [NAME] varchar(20),\r\n"
    "  [BORN] date,\r\n  primary key ([ID]))\r\n";

class IntoAccessByDirection : public RunLogCapture, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    RunLogCapture::SetUp();
    if (auto missing = OdbcMissing()) GTEST_SKIP() << *missing;
    if (auto why = JsReaderMissing(); !why.empty()) MVQ_SKIP_OR_FAIL(why);
    world_ = ScriptedWorld::Install(true);
    savedLister_ =
        ora::SetDriverLister([] { return std::vector<std::string>{"Oracle 21 ODBC driver"}; });
    SetTickSource([] { return 1000u; });
    ProgressReset();
    mdb_ = dir + "/目标.mdb";
  }
  void TearDown() override {
    OracleGate.reset();
    MdbGate.reset();
    SqlGate.reset();
    SetTickSource({});
    if (world_) ora::SetDriverLister(std::move(savedLister_));
    world_.reset();
    RunLogCapture::TearDown();
  }

  // The scripted source of EMP with rows, its gate open.
  void Source(const std::vector<std::vector<Variant>>& rows) {
    const bool oracle = GetParam() == 2;
    Script& s = world_->ScriptFor(oracle ? kOracleCs : kSqlCs);
    const std::vector<Column> columns = {
        {"ID", db::adInteger}, {"NAME", db::adVarWChar, 20}, {"BORN", db::adDBTimeStamp}};
    s.On("select count(*) from EMP").Rows({{"n", db::adInteger}}, {{int64_t(rows.size())}});
    s.On("select * from EMP").Rows(columns, rows);
    if (oracle) {
      s.On("select * from EMP where rownum<65536").Rows(columns, rows);
      s.On("call: getMdbCreateSql").Rows({{"r"}}, {{kCreate}});
      OracleGate = TComDBConn::ConnectOracle("db1", "ORCL", "scott", "tiger", "1521", "", "");
      ASSERT_TRUE(OracleGate->IsConnected());
    } else {
      s.primaryKeys = {{"", "dbo", "EMP", "ID", 1}};
      s.On("select top 65535 * from [EMP] order by [ID]").Rows(columns, rows);
      s.On("call: gettablesql").Rows({{"r"}}, {{kCreate}});
      SqlGate = std::make_unique<TSQLComDBConn>(kSqlCs);
      ASSERT_TRUE(SqlGate->IsConnected());
    }
  }

  std::shared_ptr<ScriptedWorld> world_;
  ora::DriverLister savedLister_;
  std::string mdb_;
};

TEST_P(IntoAccessByDirection, RowsReachTheFileInEveryMode) {
  CurrentDirection = GetParam();
  const std::vector<std::vector<Variant>> rows = {
      {int64_t(1), "张三", db::DateTime{{1988, 8, 8}, {10, 30, 0}, 0}},
      {int64_t(2), Variant(), Variant()},
      {int64_t(3), "O'Brien", db::DateTime{{1890, 1, 2}, {0, 0, 0}, 0}}};
  Source(rows);
  CreateMdbFile(mdb_);
  MdbGate = std::make_unique<TMDBDataGate>(mdb_);
  ASSERT_TRUE(MdbGate->IsConnected());
  const std::string done = "导出成功:表EMP，总的记录数3,导出数据3条，全部完成,用时0ms";

  ConvertTable("EMP", tmSkipExisting);
  ConvertTable("EMP", tmSkipExisting);
  ConvertTable("EMP", tmDeleteRecords);
  ConvertTable("EMP", tmDropTable);
  MdbGate.reset();
  // Emptying an Access table names the rows it deleted.
  EXPECT_EQ(LogLines(),
            (Lines{"", "创建成功:表EMP", done, "", "导出失败：因表EMP已存在，不再导入", "",
                   "删除表EMP,3条记录", done, "", "删除成功：表EMP", "创建成功:表EMP", done}));
  EXPECT_TRUE(messages.empty()) << ::testing::PrintToString(messages);

  EXPECT_EQ(MdbExport(mdb_, "EMP"),
            "ID,NAME,BORN\n1,\"张三\",\"1988-08-08 10:30:00\"\n2,,\n3,\"O'Brien\",\"1900-01-00 "
            "00:00:00\"\n");
  EXPECT_NE(MdbSchema(mdb_, "EMP").find("PRIMARY KEY"), std::string::npos)
      << MdbSchema(mdb_, "EMP");
  JsDump js = ReadWithJs(mdb_, {"EMP"});
  EXPECT_EQ(js.counts["EMP"], std::make_pair(3L, 3L));
  auto read = js.Rows("EMP");
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[2], (Lines{"3", "O'Brien", "1890-01-02T00:00:00.000Z"}));
  EXPECT_NE(Shell("echo \"select NAME from EMP where ID = 1\" | mdb-sql -HFP " + Quoted(mdb_))
                .find("张三\n"),
            std::string::npos);
  jet::CheckReport report = jet::CheckFile(mdb_);
  EXPECT_TRUE(report.problems.empty()) << ::testing::PrintToString(report.problems);
}

INSTANTIATE_TEST_SUITE_P(Directions, IntoAccessByDirection, ::testing::Values(2, 4),
                         [](const auto& info) { return "Direction" + std::to_string(info.param); });

}  // namespace
}  // namespace mvq::test
