// Directions 2 (Oracle to Access) and 4 (SQL Server to Access) end to end: scripted Oracle
// and SQL Server sources, as their other tests have them, and a real Access file written by
// our Jet writer, read back by MDBTools and mdb-reader, in every existing-table mode.
#include <gtest/gtest.h>

#include "engine/Gateways.h"
#include "engine/utConvertDb.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/utconnection.h"
#include "platform/oracle/OraDrivers.h"
#include "support/CurrentDirection.h"
#include "support/EmpIntoAccess.h"
#include "support/Engines.h"
#include "support/RunLogCapture.h"
#include "support/ScriptedConnection.h"
#include "support/utProgress.h"

namespace mvq::test {
namespace {

using Lines = std::vector<std::string>;

constexpr const char* kSqlCs = "Provider=SQLOLEDB.1;Data Source=sql";
constexpr const char* kOracleCs =
    "DRIVER={Oracle 21 ODBC driver};DBQ=(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=db1)"
    "(PORT=1521))(CONNECT_DATA=(SID=ORCL)));UID=scott;PWD=tiger";

class IntoAccessByDirection : public RunLogCapture, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    RunLogCapture::SetUp();
    if (auto missing = OdbcMissing()) GTEST_SKIP() << *missing;
    if (auto why = JsReaderMissing(); !why.empty()) MVQ_SKIP_OR_FAIL(why);
    world_ = std::make_unique<IntoAccessWorld>();
    ProgressReset();
    mdb_ = dir + "/目标.mdb";
  }
  void TearDown() override {
    OracleGate.reset();
    MdbGate.reset();
    SqlGate.reset();
    world_.reset();
    RunLogCapture::TearDown();
  }

  // The scripted source of EMP, its gate open.
  void Source() {
    const bool oracle = GetParam() == 2;
    ScriptEmp(world_->world->ScriptFor(oracle ? kOracleCs : kSqlCs), oracle);
    if (oracle) {
      OracleGate = TComDBConn::ConnectOracle("db1", "ORCL", "scott", "tiger", "1521", "", "");
      ASSERT_TRUE(OracleGate->IsConnected());
    } else {
      SqlGate = std::make_unique<TSQLComDBConn>(kSqlCs);
      ASSERT_TRUE(SqlGate->IsConnected());
    }
  }

  std::unique_ptr<IntoAccessWorld> world_;
  std::string mdb_;
};

TEST_P(IntoAccessByDirection, RowsReachTheFileInEveryMode) {
  CurrentDirection = GetParam();
  Source();
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

  ExpectEmpInAccess(mdb_);
}

INSTANTIATE_TEST_SUITE_P(Directions, IntoAccessByDirection, ::testing::Values(2, 4),
                         [](const auto& info) { return "Direction" + std::to_string(info.param); });

}  // namespace
}  // namespace mvq::test
