// One whole export through the window with the real steps: two SQLite files as the custom
// source and target, the table moved to the export list, the run, the log opened.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "gui/TableListView.h"
#include "gui/pasoracletoaccess.h"
#include "platform/odbc/Connection.h"
#include "platform/text/Gbk.h"
#include "shell/ShellSteps.h"
#include "support/RecordingUi.h"
#include "support/utLog.h"
#include "unit/ScratchDir.h"

namespace mvq::test {
namespace {

std::string SqliteCs(const std::string& file) {
  return "DRIVER=SQLite3;Database=" + file;
}

TEST(ExportThroughWindow, ACustomSqliteTableIsCopiedLoggedAndTheLogOpened) {
  ScratchDir dir;
  {
    auto source = db::NewConnection();
    source->Open(SqliteCs(dir.File("source.db")));
    source->Execute("create table emp (id integer primary key, name varchar(20))");
    source->Execute("insert into emp values (1, '张三'), (2, 'Smith'), (3, null)");
  }

  RecordingUi ui;
  std::deque<std::string> answers{SqliteCs(dir.File("source.db")), SqliteCs(dir.File("target.db"))};
  WindowOptions options;
  options.steps = [](WizardContext& c) {
    return std::make_unique<ShellSteps>(c.form, c.view, c.ui);
  };
  options.ui = &ui;
  options.settingsPath = dir.File("mvq.set");
  options.editConnection = [&answers](QWidget*, const std::string& initial) {
    if (answers.empty()) return initial;
    std::string next = answers.front();
    answers.pop_front();
    return next;
  };
  auto window = std::make_unique<TFrmoracletoaccess>(std::move(options));
  window->show();
  std::string previousLog = LogFileName;
  LogFileName = dir.File("run.log");

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
  window->findChild<QAbstractButton*>("btnnextConvert")->click();

  std::string log = text::GbkToUtf8(ReadBytes(LogFileName));
  EXPECT_NE(log.find("-----------------------新的一次导出开始-----------------------自定义转换"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("创建成功:表emp"), std::string::npos) << log;
  EXPECT_NE(log.find("导出成功:表emp，总的记录数3,导出数据3条，全部完成"), std::string::npos)
      << log;
  EXPECT_EQ(ui.calls.back(), "open: " + LogFileName + " | open");

  auto target = db::NewConnection();
  target->Open(SqliteCs(dir.File("target.db")));
  auto q = target->CreateQuery();
  q->Open("select id, name from emp order by id");
  std::vector<std::string> rows;
  for (; !q->Eof(); q->Next()) rows.push_back(q->Value(0).AsText() + ":" + q->Value(1).AsText());
  EXPECT_EQ(rows, (std::vector<std::string>{"1:张三", "2:Smith", "3:"}));
  window.reset();
  LogFileName = previousLog;
}

}  // namespace
}  // namespace mvq::test
