// Whole exports through the window with the real steps: two SQLite files as the custom
// source and target (or a workbook), the table moved to the export list, the run, and the
// summary that ends it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>
#include <algorithm>
#include <filesystem>

#include "RunSummaryReader.h"
#include "gui/TableListView.h"
#include "gui/WindowSteps.h"
#include "gui/pasoracletoaccess.h"
#include "platform/odbc/Connection.h"
#include "platform/text/Gbk.h"
#include "shell/ShellSteps.h"
#include "support/RecordingUi.h"
#include "support/TempDir.h"
#include "support/utLog.h"

namespace mvq::test {
namespace {

std::string SqliteCs(const std::string& file) {
  return "DRIVER=SQLite3;Database=" + file;
}

class ExportThroughWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    {
      auto source = db::NewConnection();
      source->Open(SqliteCs(dir.File("source.db")));
      source->Execute("create table emp (id integer primary key, name varchar(20))");
      source->Execute("insert into emp values (1, '张三'), (2, 'Smith'), (3, null)");
    }
    answers = {SqliteCs(dir.File("source.db")), SqliteCs(dir.File("target.db"))};
    WindowOptions options;
    options.steps = [this](WizardContext& c) {
      auto made = std::make_unique<WindowSteps>(c);
      steps = made.get();
      return made;
    };
    options.ui = &ui;
    options.settingsPath = dir.File("mvq.set");
    options.editConnection = [this](QWidget*, const std::string& initial) {
      if (answers.empty()) return initial;
      std::string next = answers.front();
      answers.pop_front();
      return next;
    };
    window = std::make_unique<TFrmoracletoaccess>(std::move(options));
    window->show();
    previousLog = LogFileName;
    LogFileName = dir.File("run.log");
  }
  void TearDown() override {
    window.reset();
    LogFileName = previousLog;
  }

  // The custom direction up to the run: both strings edited, emp in the export list.
  void ToTheExportPage() {
    window->findChild<QAbstractButton*>("RGmy_9")->click();
    window->findChild<QAbstractButton*>("btnnextConvert")->click();
    QTest::mouseClick(window->findChild<QLineEdit*>("edtSrc"), Qt::LeftButton);
    QTest::mouseClick(window->findChild<QLineEdit*>("edtDest"), Qt::LeftButton);
    window->findChild<QAbstractButton*>("btnNextdef")->click();
    ASSERT_EQ(window->View().activePage, 2) << ::testing::PrintToString(ui.calls);
    auto* lbold = window->findChild<TableListView*>("lbold");
    ASSERT_EQ(lbold->count(), 1);
    lbold->item(0)->setSelected(true);
    window->findChild<QAbstractButton*>("btnadd")->click();
  }

  TempDir dir;
  RecordingUi ui;
  std::deque<std::string> answers;
  WindowSteps* steps = nullptr;
  std::unique_ptr<TFrmoracletoaccess> window;
  std::string previousLog;
};

TEST_F(ExportThroughWindow, ACustomSqliteTableIsCopiedLoggedAndTheRunEndsWithItsSummary) {
  ToTheExportPage();
  Shown shown;
  ReadSummary(shown);
  window->findChild<QAbstractButton*>("btnnextConvert")->click();

  std::string log = text::GbkToUtf8(ReadBytes(LogFileName));
  EXPECT_NE(log.find("-----------------------新的一次导出开始-----------------------自定义转换"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("创建成功:表emp"), std::string::npos) << log;
  EXPECT_NE(log.find("导出成功:表emp，总的记录数3,导出数据3条，全部完成"), std::string::npos)
      << log;
  // The summary offers the log; nothing is handed to the desktop unasked.
  ASSERT_TRUE(shown.seen);
  EXPECT_EQ(shown.headline.substr(0, std::string("导出完成").size()), "导出完成");
  ASSERT_EQ(shown.rows.size(), 1u);
  EXPECT_EQ(shown.rows[0].substr(0, std::string("emp | 已导出").size()), "emp | 已导出");
  for (const std::string& call : ui.calls) EXPECT_EQ(call.rfind("open:", 0), std::string::npos);

  auto target = db::NewConnection();
  target->Open(SqliteCs(dir.File("target.db")));
  auto q = target->CreateQuery();
  q->Open("select id, name from emp order by id");
  std::vector<std::string> rows;
  for (; !q->Eof(); q->Next()) rows.push_back(q->Value(0).AsText() + ":" + q->Value(1).AsText());
  EXPECT_EQ(rows, (std::vector<std::string>{"1:张三", "2:Smith", "3:"}));
}

TEST_F(ExportThroughWindow, AWorkbookThatCannotBeSavedIsAnErrorInChineseSayingWhereAndWhy) {
  steps->Shell().Context().customToWorkbook = true;
  const std::string folder = dir.File("没有的文件夹");
  const std::string workbook = folder + "/out.xls";
  window->ChangeForm([&](FormState& form) { form.edtxlsfilename = workbook; });
  ToTheExportPage();
  Shown shown;
  ReadSummary(shown);
  window->findChild<QAbstractButton*>("btnnextConvert")->click();

  // The save's failure is the tables' failure: the message says where and why in Chinese,
  // and the summary shows the table as not arrived.
  const std::string expected = "保存Excel文件" + workbook + "失败:文件夹" + folder + "不存在";
  EXPECT_NE(std::find(ui.calls.begin(), ui.calls.end(), "message: " + expected), ui.calls.end())
      << ::testing::PrintToString(ui.calls);
  ASSERT_TRUE(shown.seen);
  EXPECT_EQ(shown.headline.substr(0, std::string("导出结束").size()), "导出结束") << shown.headline;
  ASSERT_EQ(shown.rows.size(), 1u);
  EXPECT_EQ(shown.rows[0].substr(0, std::string("emp | 失败").size()), "emp | 失败")
      << shown.rows[0];
  EXPECT_FALSE(std::filesystem::exists(workbook));
}

}  // namespace
}  // namespace mvq::test
