// Oracle to Access and SQL Server to Access through the window with the real steps: scripted
// Oracle and SQL Server sources, a real Access file that the settings step creates, the
// table moved to the export list, the run, its log and summary, and the file read back.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <filesystem>

#include "RunSummaryReader.h"
#include "gui/TableListView.h"
#include "gui/WindowSteps.h"
#include "gui/pasoracletoaccess.h"
#include "platform/text/Gbk.h"
#include "shell/ConnectionStrings.h"
#include "support/AccessReadBack.h"
#include "support/EmpIntoAccess.h"
#include "support/Engines.h"
#include "support/RecordingUi.h"
#include "support/ScriptedGates.h"
#include "support/TempDir.h"
#include "support/utLog.h"

namespace mvq::test {
namespace {

class AccessThroughWindow : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    if (auto missing = OdbcMissing()) GTEST_SKIP() << *missing;
    if (auto why = JsReaderMissing(); !why.empty()) MVQ_SKIP_OR_FAIL(why);
    world_ = std::make_unique<IntoAccessWorld>();
    previousLog_ = LogFileName;
    LogFileName = dir.File("run.log");
    mdb = dir.File("新.mdb");

    WindowOptions options;
    options.steps = [](WizardContext& c) { return std::make_unique<WindowSteps>(c); };
    options.ui = &ui;
    options.settingsPath = dir.File("mvq.set");
    window = std::make_unique<TFrmoracletoaccess>(std::move(options));
    window->show();
  }
  void TearDown() override {
    if (!world_) return;
    window.reset();
    OracleGate.reset();
    MdbGate.reset();
    SqlGate.reset();
    LogFileName = previousLog_;
    world_.reset();
  }

  QLineEdit* Edit(const char* name) const { return window->findChild<QLineEdit*>(name); }
  void Click(const char* name) const { window->findChild<QAbstractButton*>(name)->click(); }

  // The source's settings typed into the window and its scripted server holding EMP.
  void SourceEmp() {
    const bool oracle = GetParam() == 2;
    FormState typed;
    if (oracle) {
      Edit("edtcomputer")->setText("db1");
      Edit("edtDB")->setText("ORCL");
      Edit("edtuser")->setText("scott");
      Edit("edtpassword")->setText("tiger");
    } else {
      typed.edtsqlserverdb = "sqlhost";
      typed.edtsqlpassword = "pw";
      typed.edtsqlCatalog.text = "sales";
      Edit("edtsqlserverdb")->setText("sqlhost");
      Edit("edtsqlpassword")->setText("pw");
      window->findChild<QComboBox*>("edtsqlCatalog")->setEditText("sales");
    }
    Script& s = world_->world->ScriptFor(oracle ? kOracleCs : SqlServerConnectionString(typed));
    ScriptEmp(s, oracle);
    if (oracle)
      s.On(std::string(kOracleTableListSql)).Rows({{"TNAME"}}, {{"EMP"}});
    else
      s.On("select name from sysobjects where type='u'").Rows({{"name"}}, {{"EMP"}});
  }

  // The direction chosen, the settings page filled and passed, EMP moved to the export list.
  void ToTheExportPage() {
    window->findChild<QAbstractButton*>(QString("RGmy_%1").arg(GetParam()))->click();
    Click("btnnextConvert");
    ASSERT_EQ(window->View().activePage, 1);
    SourceEmp();
    Edit("edtfilename")->setText(QString::fromStdString(mdb));
    Click("btnnextConvert");
    ASSERT_EQ(window->View().activePage, 2) << ::testing::PrintToString(ui.calls);
    auto* lbold = window->findChild<TableListView*>("lbold");
    ASSERT_EQ(lbold->count(), 1);
    EXPECT_EQ(lbold->item(0)->text().toStdString(), "EMP");
    lbold->item(0)->setSelected(true);
    Click("btnadd");
  }

  TempDir dir;
  RecordingUi ui;
  std::string mdb;
  std::unique_ptr<TFrmoracletoaccess> window;

 private:
  std::unique_ptr<IntoAccessWorld> world_;
  std::string previousLog_;
};

TEST_P(AccessThroughWindow, TheRunCreatesTheFileCopiesTheRowsAndLogsEachStep) {
  ASSERT_FALSE(std::filesystem::exists(mdb));
  ToTheExportPage();
  // The settings step made the missing file, empty and valid.
  ASSERT_TRUE(std::filesystem::exists(mdb));
  Shown shown;
  ReadSummary(shown);
  Click("btnnextConvert");

  const std::string item = GetParam() == 2 ? "Oracle-->Access" : "SQL Server-->Access";
  const std::string dashes(23, '-');
  std::string log = text::GbkToUtf8(ReadBytes(LogFileName));
  EXPECT_NE(log.find(dashes + "新的一次导出开始" + dashes + item + dashes), std::string::npos)
      << log;
  EXPECT_NE(log.find("创建成功:表EMP"), std::string::npos) << log;
  EXPECT_NE(log.find("导出成功:表EMP，总的记录数3,导出数据3条，全部完成,用时0ms"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("失败"), std::string::npos) << log;
  EXPECT_TRUE(ui.calls.empty()) << ::testing::PrintToString(ui.calls);
  ASSERT_TRUE(shown.seen);
  EXPECT_EQ(shown.headline.substr(0, std::string("导出完成").size()), "导出完成");
  ASSERT_EQ(shown.rows.size(), 1u);
  EXPECT_EQ(shown.rows[0].substr(0, std::string("EMP | 已导出").size()), "EMP | 已导出");
  // The run let go of the file: the readers see every row.
  EXPECT_FALSE(MdbGate);

  EXPECT_EQ(Shell("mdb-tables -1 " + Quoted(mdb)), "EMP\n");
  EXPECT_EQ(Shell("mdb-count " + Quoted(mdb) + " EMP"), "3\n");
  ExpectEmpInAccess(mdb);
}

INSTANTIATE_TEST_SUITE_P(Directions, AccessThroughWindow, ::testing::Values(2, 4),
                         [](const auto& info) { return "Direction" + std::to_string(info.param); });

}  // namespace
}  // namespace mvq::test
