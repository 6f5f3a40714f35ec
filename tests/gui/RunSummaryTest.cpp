// The end-of-run summary: what it says per table and about the run, and its log button.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <string>
#include <vector>

#include "gui/RunSummaryDialog.h"
#include "support/RecordingUi.h"

namespace mvq {
namespace {

using Strings = std::vector<std::string>;

TableOutcome Outcome(const char* table, OutcomeStatus status, ExistingStep existing,
                     int64_t counted, int64_t written, int64_t refused, const char* error = "") {
  TableOutcome t;
  t.table = table;
  t.status = status;
  t.existing = existing;
  t.rowsCounted = counted;
  t.rowsWritten = written;
  t.rowsRefused = refused;
  t.firstError = error;
  return t;
}

RunSummary FourTables() {
  RunSummary summary;
  summary.logPath = "/home/li/.local/share/mvq/Mvq2026.12.09.log";
  summary.tables = {
      Outcome("EMP", OutcomeStatus::Exported, ExistingStep::Created, 14, 14, 0),
      Outcome("DEPT", OutcomeStatus::Partial, ExistingStep::Emptied, 4, 3, 1,
              "ORA-01438: value larger than specified precision"),
      Outcome("BONUS", OutcomeStatus::Skipped, ExistingStep::Skipped, 0, 0, 0),
      Outcome("员工档案", OutcomeStatus::Failed, ExistingStep::Recreated, 0, 0, 0,
              "table or view does not exist"),
  };
  return summary;
}

Strings Row(const QTableWidget* table, int row) {
  Strings cells;
  for (int c = 0; c < table->columnCount(); ++c)
    cells.push_back(table->item(row, c)->text().toStdString());
  return cells;
}

std::string LabelText(const QDialog& dialog, const char* name) {
  const auto* label = dialog.findChild<QLabel*>(name);
  EXPECT_NE(label, nullptr) << name;
  return label ? label->text().toStdString() : "";
}

TEST(RunSummary, EachTableShowsItsRowsTheExistingTableStepAndItsFirstReason) {
  test::RecordingUi ui;
  RunSummaryDialog dialog(FourTables(), ui);
  EXPECT_EQ(dialog.windowTitle(), "导出结果");
  const QTableWidget* table = dialog.Table();
  ASSERT_EQ(table->rowCount(), 4);
  Strings headers;
  for (int c = 0; c < table->columnCount(); ++c)
    headers.push_back(table->horizontalHeaderItem(c)->text().toStdString());
  EXPECT_EQ(headers, (Strings{"表", "结果", "已有表", "记录数", "已写入", "被拒绝", "原因"}));
  EXPECT_EQ(Row(table, 0), (Strings{"EMP", "已导出", "新建", "14", "14", "0", ""}));
  EXPECT_EQ(Row(table, 1), (Strings{"DEPT", "部分导出", "已存在，删除记录", "4", "3", "1",
                                    "ORA-01438: value larger than specified precision"}));
  EXPECT_EQ(Row(table, 2), (Strings{"BONUS", "已跳过", "已存在，跳过", "0", "0", "0", ""}));
  EXPECT_EQ(Row(table, 3), (Strings{"员工档案", "失败", "已存在，删除后重建", "0", "0", "0",
                                    "table or view does not exist"}));

  EXPECT_EQ(
      LabelText(dialog, "lblHeadline"),
      "导出结束，有的表未能完整导出：共4个表，已导出1个，部分导出1个，跳过1个，失败1个，未导出0个");
  EXPECT_EQ(LabelText(dialog, "lblLog"), "运行日志：/home/li/.local/share/mvq/Mvq2026.12.09.log");
  EXPECT_TRUE(dialog.findChild<QLabel*>("lblError")->isHidden());
  EXPECT_TRUE(ui.calls.empty());  // nothing opened by itself
}

TEST(RunSummary, TheHeadlineSaysWhetherTheRunWasCompleteCancelledOrEndedByAnError) {
  RunSummary done;
  done.tables = {Outcome("EMP", OutcomeStatus::Exported, ExistingStep::Created, 2, 2, 0),
                 Outcome("BONUS", OutcomeStatus::Skipped, ExistingStep::Skipped, 0, 0, 0)};
  EXPECT_EQ(SummaryHeadline(done),
            "导出完成：共2个表，已导出1个，部分导出0个，跳过1个，失败0个，未导出0个");

  RunSummary cancelled = done;
  cancelled.cancelled = true;
  cancelled.tables.push_back(
      Outcome("DEPT", OutcomeStatus::NotReached, ExistingStep::None, 0, 0, 0));
  EXPECT_EQ(SummaryHeadline(cancelled),
            "导出已取消：共3个表，已导出1个，部分导出0个，跳过1个，失败0个，未导出1个");
  test::RecordingUi ui;
  RunSummaryDialog dialog(cancelled, ui);
  // A table the run never reached has no counts to show.
  EXPECT_EQ(Row(dialog.Table(), 2), (Strings{"DEPT", "未导出", "", "", "", "", ""}));

  RunSummary failed = cancelled;
  failed.error = "Excel文件/home/li/无/out.xls未能保存：文件夹/home/li/无不存在";
  EXPECT_EQ(SummaryHeadline(failed).substr(0, std::string("导出因错误中止").size()),
            "导出因错误中止");
  RunSummaryDialog errorDialog(failed, ui);
  EXPECT_FALSE(errorDialog.findChild<QLabel*>("lblError")->isHidden());
  EXPECT_EQ(LabelText(errorDialog, "lblError"), "错误：" + failed.error);
}

TEST(RunSummary, TheLogButtonOpensTheLogOrSaysWhereItIsWhenNothingCan) {
  test::RecordingUi ui;
  ui.openCodes = {42, 31};
  RunSummaryDialog dialog(FourTables(), ui);
  auto* open = dialog.findChild<QPushButton*>("btnOpenLog");
  ASSERT_NE(open, nullptr);
  EXPECT_EQ(open->text(), "打开日志");
  EXPECT_EQ(dialog.findChild<QPushButton*>("btnClose")->text(), "关闭");
  open->click();
  open->click();
  const std::string log = "/home/li/.local/share/mvq/Mvq2026.12.09.log";
  EXPECT_EQ(ui.calls,
            (Strings{"open: " + log + " | open", "open: " + log + " | open",
                     "message: 没有可以打开运行日志的程序，请用文本编辑器打开：\n" + log}));
}

}  // namespace
}  // namespace mvq
