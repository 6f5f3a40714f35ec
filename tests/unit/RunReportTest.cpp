// Reading a run back from its log: entries without time stamps, each table's outcome from
// its report lines, and only the lines written since a mark.
#include <gtest/gtest.h>

#include "shell/RunReport.h"
#include "support/RunLogCapture.h"
#include "support/utLog.h"

namespace mvq::test {
namespace {

using Lines = std::vector<std::string>;

TEST(RunLogEntries, StampsAreRemovedAndContinuationLinesJoinTheirEntry) {
  const std::string text =
      "2024.03.07 09:05:01 \r\n"
      "2024.03.07 09:05:01 失败-----------因syntax error\r\n"
      "near \"x\":无法执行create table x\r\n"
      "2024.03.07 09:05:02 创建成功:表EMP\r\n";
  EXPECT_EQ(SplitLogEntries(text),
            (Lines{"", "失败-----------因syntax error\r\nnear \"x\":无法执行create table x",
                   "创建成功:表EMP"}));
  // A stamp needs its digits: this line continues the entry above it.
  EXPECT_EQ(SplitLogEntries("2024.03.07 09:05:01 a\r\n2024.03.0x 09:05:01 b\r\n"),
            Lines{"a\r\n2024.03.0x 09:05:01 b"});
}

TEST(TableOutcomeFromLog, DatabaseDirectionsReadTheClosingLineOfTheirOwnTable) {
  const std::string full = "导出成功:表EMP，总的记录数3,导出数据3条，全部完成,用时5ms";
  const std::string part = "导出部分成功:表EMP，总的记录数3,导出数据2条，部分完成,用时5ms";
  EXPECT_EQ(ClassifyTable("EMP", {"", "创建成功:表EMP", full}, false), TableStatus::Exported);
  EXPECT_EQ(ClassifyTable("EMP", {"", "失败-----------因dup:无法写,第一个字段值为2", part}, false),
            TableStatus::Partial);
  EXPECT_EQ(ClassifyTable("EMP", {"", "导出失败：因表EMP已存在，不再导入"}, false),
            TableStatus::Failed);
  EXPECT_EQ(ClassifyTable("EMP", {"", "删除失败：表EMP，退出"}, false), TableStatus::Failed);
  // Another table's success line, or a longer name that begins with this one, is not ours.
  EXPECT_EQ(
      ClassifyTable("EMP", {"导出成功:表EMP2，总的记录数3,导出数据3条，全部完成,用时5ms"}, false),
      TableStatus::Failed);
  EXPECT_EQ(ClassifyTable("EMP", {}, false), TableStatus::Failed);
}

TEST(TableOutcomeFromLog, ANameTheLogCannotHoldIsStillRecognised) {
  // GBK has no emoji: the log holds "?" in its place.
  EXPECT_EQ(
      ClassifyTable("t😀", {"导出成功:表t?，总的记录数0,导出数据0条，全部完成,用时0ms"}, false),
      TableStatus::Exported);
}

TEST(TableOutcomeFromLog, WorkbookTablesNeedOneWrittenSheet) {
  const Lines sheets = {"导出成功:表BIG，全部完成,用时3ms", "导出成功:表BIG1，全部完成,用时2ms"};
  EXPECT_EQ(ClassifyTable("BIG", sheets, true), TableStatus::Exported);
  EXPECT_EQ(ClassifyTable("BIG", {":失败-----------因ORA-00942:无法执行select"}, true),
            TableStatus::Failed);
  EXPECT_EQ(ReportLine({"BIG", TableStatus::Exported, sheets}, true),
            "导出成功:表BIG，全部完成,用时3ms | 导出成功:表BIG1，全部完成,用时2ms");
}

TEST(TableOutcomeFromLog, TheReportLineIsTheClosingLineElseTheLastWords) {
  const std::string full = "导出成功:表EMP，总的记录数1,导出数据1条，全部完成,用时0ms";
  EXPECT_EQ(ReportLine({"EMP", TableStatus::Exported, {"", full, "后来的行"}}, false), full);
  EXPECT_EQ(ReportLine({"EMP", TableStatus::Failed, {"", "删除失败：表EMP，退出", ""}}, false),
            "删除失败：表EMP，退出");
  EXPECT_EQ(ReportLine({"EMP", TableStatus::NotExported, {}}, false), "");
}

using RunLogCursorTest = RunLogCapture;

TEST_F(RunLogCursorTest, TakesOnlyWhatWasWrittenSinceTheMark) {
  WriteLog("before");
  RunLogCursor cursor;
  WriteLog("");
  WriteLog("表一");
  EXPECT_EQ(cursor.Take(), (Lines{"", "表一"}));
  EXPECT_TRUE(cursor.Take().empty());
  WriteLog("表二");
  EXPECT_EQ(cursor.Take(), Lines{"表二"});
}

TEST_F(RunLogCursorTest, ALogThatDoesNotExistYetIsReadFromItsStart) {
  std::filesystem::remove(LogFileName);
  RunLogCursor cursor;
  WriteLog("first");
  EXPECT_EQ(cursor.Take(), Lines{"first"});
}

}  // namespace
}  // namespace mvq::test
