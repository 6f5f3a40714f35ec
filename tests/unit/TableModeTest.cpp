#include <gtest/gtest.h>

#include <map>

#include "engine/TableMode.h"
#include "support/RunLogCapture.h"

namespace mvq {
namespace {

using Lines = std::vector<std::string>;

// A target whose existence answer and statement results are set per test.
class TableMode : public test::RunLogCapture {};

struct FakeTarget {
  bool exists = true;
  std::map<std::string, int32_t> results;
  std::vector<std::string> executed;
  TableTarget For(const TargetRules& rules) {
    return {&rules, [this](const std::string&) { return exists; },
            [this](const std::string& sql) {
              executed.push_back(sql);
              return results.count(sql) ? results[sql] : 0;
            }};
  }
};

TEST(TableModeSql, ClearStatementsUseTheNameVerbatim) {
  EXPECT_EQ(BuildClearTableSql("Emp Hist", tmDropTable), "drop table Emp Hist");
  EXPECT_EQ(BuildClearTableSql("scott.EMP", tmDeleteRecords), "delete from scott.EMP");
  EXPECT_EQ(BuildClearTableSql("T", tmSkipExisting), "delete from T");
}

TEST_F(TableMode, AbsentTableProceedsSilentlyInEveryMode) {
  FakeTarget t;
  t.exists = false;
  for (auto mode : {tmSkipExisting, tmDeleteRecords, tmDropTable}) {
    auto r = ApplyTableMode(t.For(kAccessTarget), "EMP", mode);
    EXPECT_TRUE(r.proceed);
    EXPECT_FALSE(r.exists);
  }
  EXPECT_TRUE(t.executed.empty());
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(TableMode, SkipLogsOneLineAndStops) {
  FakeTarget t;
  auto r = ApplyTableMode(t.For(kSqlServerTarget), "EMP", tmSkipExisting);
  EXPECT_FALSE(r.proceed);
  EXPECT_TRUE(r.exists);
  EXPECT_EQ(LogLines(), Lines{"导出失败：因表EMP已存在，不再导入"});
  EXPECT_TRUE(t.executed.empty());
}

TEST_F(TableMode, DeleteLinesFollowEachTargetsConvention) {
  FakeTarget t;
  t.results["delete from EMP"] = 12;
  EXPECT_TRUE(ApplyTableMode(t.For(kAccessTarget), "EMP", tmDeleteRecords).proceed);
  EXPECT_TRUE(ApplyTableMode(t.For(kSqlServerTarget), "EMP", tmDeleteRecords).proceed);
  t.results["delete from EMP"] = 0;
  EXPECT_TRUE(ApplyTableMode(t.For(kAccessTarget), "EMP", tmDeleteRecords).proceed);
  // The Oracle gate answers 1 for any successful statement, an empty table included.
  t.results["delete from EMP"] = 1;
  EXPECT_TRUE(ApplyTableMode(t.For(kOracleTarget), "EMP", tmDeleteRecords).proceed);
  t.results["delete from EMP"] = 5;
  EXPECT_TRUE(ApplyTableMode(t.For(kCustomTarget), "EMP", tmDeleteRecords).exists);
  EXPECT_EQ(LogLines(), (Lines{"删除表EMP,12条记录", "删除表EMP,12条记录", "删除表EMP,0条记录",
                               "删除成功：表EMP的记录", "删除成功：表EMP"}));
}

TEST_F(TableMode, FailedDeleteStopsWithTheTargetsLine) {
  FakeTarget t;
  t.results["delete from EMP"] = -1;
  EXPECT_FALSE(ApplyTableMode(t.For(kAccessTarget), "EMP", tmDeleteRecords).proceed);
  EXPECT_FALSE(ApplyTableMode(t.For(kSqlServerTarget), "EMP", tmDeleteRecords).proceed);
  EXPECT_FALSE(ApplyTableMode(t.For(kOracleTarget), "EMP", tmDeleteRecords).proceed);
  EXPECT_FALSE(ApplyTableMode(t.For(kCustomTarget), "EMP", tmDeleteRecords).proceed);
  EXPECT_EQ(LogLines(), (Lines{"删除表EMP中记录失败,退出", "删除表EMP，记录失败,退出",
                               "删除失败：表EMP的记录", "删除失败：表EMP，退出"}));
}

TEST_F(TableMode, DropSucceedsByEachTargetsTestAndAsksForCreation) {
  FakeTarget t;
  // SQL Server answers -1 for a drop it does not count: that is success there...
  t.results["drop table EMP"] = -1;
  auto r = ApplyTableMode(t.For(kSqlServerTarget), "EMP", tmDropTable);
  EXPECT_TRUE(r.proceed);
  EXPECT_FALSE(r.exists);
  // ...and failure everywhere else.
  EXPECT_FALSE(ApplyTableMode(t.For(kAccessTarget), "EMP", tmDropTable).proceed);
  EXPECT_FALSE(ApplyTableMode(t.For(kOracleTarget), "EMP", tmDropTable).proceed);
  t.results["drop table EMP"] = -99;
  auto failed = ApplyTableMode(t.For(kSqlServerTarget), "EMP", tmDropTable);
  EXPECT_FALSE(failed.proceed);
  EXPECT_TRUE(failed.exists);
  EXPECT_EQ(LogLines(), (Lines{"删除成功：表EMP", "删除失败：表EMP，退出", "删除失败：表EMP",
                               "删除失败：表EMP，退出"}));
}

}  // namespace
}  // namespace mvq
