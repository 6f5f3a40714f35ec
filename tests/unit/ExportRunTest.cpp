// Next on the export page: the banners, the empty-list message, fresh gateways with the
// server functions, the two loops with their progress and cancel rules, and the clean-up
// (functions dropped, next enabled, log opened) on every way out.
#include <algorithm>
#include <optional>
#include <stdexcept>

#include "engine/ServerScripts.h"
#include "support/CustomConvert.h"
#include "unit/ShellFixture.h"

namespace mvq::test {
namespace {

using db::Variant;

const std::vector<Column> kEmpColumns = {{"ID", db::adInteger}, {"NAME", db::adVarWChar, 20}};

// A workbook writer that records its calls; a table named in failOn raises, one named in
// cancelOn presses (and confirms) the progress window's cancel button.
struct WorkbookRecord {
  Lines calls;
  std::string failOn, cancelOn;
  bool closeFails = false;  // Close raises
  bool saveFails = false;   // Close reports a failed save
};

class RecordingWorkbook : public WorkbookExport {
 public:
  RecordingWorkbook(WorkbookRecord& record, const std::string& file) : r_(record) {
    r_.calls.push_back("open " + file);
  }
  void ExportTable(TableOutcome& outcome) override {
    const std::string& table = outcome.table;
    r_.calls.push_back("export " + table);
    if (table == r_.cancelOn) ProgressCancelClicked();
    if (table == r_.failOn) throw std::runtime_error("sheet name refused: " + table);
    outcome.sheetsWritten = 1;
    outcome.status = OutcomeStatus::Exported;
    written_.push_back(table);
  }
  // As the writer does: the sheets' lines once the save has succeeded or failed.
  std::optional<std::string> Close() override {
    r_.calls.push_back("close");
    if (r_.closeFails) throw std::runtime_error("disk full");
    for (const std::string& t : written_)
      WriteLog(r_.saveFails ? "失败-----------因磁盘空间不足:无法保存工作表" + t
                            : "导出成功:表" + t + "，全部完成,用时0ms");
    if (r_.saveFails) return "保存Excel文件c:\\1.xls失败:磁盘空间不足";
    return std::nullopt;
  }

 private:
  WorkbookRecord& r_;
  Lines written_;
};

class ExportRun : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    SetProgressUi(&progress);
    progress.onStep = [this](int) { nextEnabledWhilePumping.push_back(view.nextEnabled); };
    steps->Context().openWorkbook = [this](const std::string& file) {
      return std::make_unique<RecordingWorkbook>(workbook, file);
    };
  }

  // The export page of a direction holding these tables in lbnew.
  void OnExportPage(int32_t direction, const Lines& tables) {
    form.RGmy = direction;
    ArrangeSettingsPage(view.layout, direction);
    view.activePage = kExportPage;
    for (const std::string& t : tables) form.lbnew.Add(t);
    TouchFile("a.mdb");
  }

  std::string Banner(const std::string& itemText) const {
    const std::string dashes(23, '-');
    return dashes + "新的一次导出开始" + dashes + itemText + dashes;
  }

  std::string OpenLog() const { return "open: " + LogFileName + " | open"; }

  // EMP on a source: counted, read and probed.
  static void SourceEmp(Script& s, const std::vector<std::vector<Variant>>& rows,
                        const std::string& table = "EMP") {
    s.On("select count(*) from " + table).Rows({{"n", db::adInteger}}, {{int64_t(rows.size())}});
    s.On("select * from " + table).Rows(kEmpColumns, rows);
    s.On("select * from " + table + " where 1=2").Rows(kEmpColumns, {});
  }

  static Lines Execs(const Lines& journal) {
    Lines execs;
    for (const std::string& e : journal) {
      if (e.rfind("exec: ", 0) == 0 && e.rfind("exec: INSERT", 0) != 0) execs.push_back(e);
    }
    return execs;
  }

  ScriptedProgress progress;
  std::vector<bool> nextEnabledWhilePumping;
  WorkbookRecord workbook;
};

TEST_F(ExportRun, AnEmptyExportListLogsTheBannersAndAsksForTables) {
  OnExportPage(0, {});

  PressNext();

  EXPECT_EQ(LogLines(), (Lines{"", Banner("Oracle-->SQL Server")}));
  EXPECT_EQ(ui.calls, Lines{"message: 请在右边：导出表列表中增加表"});
  EXPECT_TRUE(world->journal.empty());
  EXPECT_TRUE(view.nextEnabled);
  EXPECT_FALSE(steps->LastRun().started);
}

TEST_F(ExportRun, OracleToSqlServerInstallsConvertsAndDropsTheFunctions) {
  OnExportPage(0, {"EMP"});
  SourceEmp(Ora(), {{1, "甲"}, {2, Variant()}});
  Ora().On("call: getMdbCreateSql").Rows({{"r"}}, {{"create Table [EMP] (ID integer)"}});
  Sql()
      .On("select count(*) from sysobjects where name='emp' and type='u'")
      .Rows({{"n", db::adInteger}}, {{int64_t{0}}});
  Sql().On("create*").Affected(-1);

  PressNext();

  EXPECT_EQ(LogLines(), (Lines{"", Banner("Oracle-->SQL Server"), "", "创建成功:表EMP",
                               "导出成功:表EMP，总的记录数2,导出数据2条，全部完成,用时0ms"}));
  EXPECT_EQ(Execs(Journal("ora")), (Lines{"exec: " + std::string(scripts::mooracletoserver),
                                          "exec: drop function getMdbCreateSql"}));
  EXPECT_EQ(Journal("ora").back(), "close");
  const Lines sql = Journal("sql");
  ASSERT_GE(sql.size(), 8u);
  EXPECT_EQ(Lines(sql.begin(), sql.begin() + 5),
            (Lines{"open",
                   "query: select count(*) from sysobjects s where  s.type='FN' and "
                   "name='getaccesstype'",
                   "exec: " + std::string(scripts::s2omogetaccesstype),
                   "query: select count(*) from sysobjects s where  s.type='FN' and "
                   "name='gettablesql'",
                   "exec: " + std::string(scripts::s2omogettablesql)}));
  EXPECT_EQ(Lines(sql.end() - 3, sql.end()), (Lines{"exec: drop function getaccesstype",
                                                    "exec: drop function gettableSql", "close"}));
  EXPECT_EQ(Sql().inserted, (std::vector<std::vector<Variant>>{{1, "甲"}, {2, Variant()}}));
  EXPECT_EQ(ui.calls, Lines{OpenLog()});
  EXPECT_FALSE(nextEnabledWhilePumping.empty());
  EXPECT_EQ(std::count(nextEnabledWhilePumping.begin(), nextEnabledWhilePumping.end(), true), 0);
  EXPECT_TRUE(view.nextEnabled);
  EXPECT_FALSE(GetProgressState().windowOpen);
  EXPECT_TRUE(SlotsEmpty());
  ASSERT_EQ(steps->LastRun().tables.size(), 1u);
  EXPECT_EQ(steps->LastRun().tables[0].status, OutcomeStatus::Exported);

  // Next again: a whole new run in the same log, the functions installed again.
  PressNext();
  const Lines lines = LogLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), Banner("Oracle-->SQL Server")), 2);
  const Lines ora = Journal("ora");
  EXPECT_EQ(std::count(ora.begin(), ora.end(), "exec: drop function getMdbCreateSql"), 2);
}

TEST_F(ExportRun, EachSqlServerEndInstallsTheScriptsOfItsDirection) {
  struct Case {
    int32_t direction;
    std::string_view accessType, tableSql;
  };
  for (const Case& c : {Case{1, scripts::s2omogetaccesstype, scripts::s2omogettablesql},
                        Case{4, scripts::mogetaccesstype, scripts::mogettablesql},
                        Case{5, scripts::s2omogetaccesstype, scripts::s2omogettablesql}}) {
    SCOPED_TRACE(c.direction);
    world->journal.clear();
    form.lbnew.Clear();
    OnExportPage(c.direction, {"EMP"});
    if (c.direction == 5) SourceEmp(Mdb(), {});

    PressNext();

    const Lines execs = Execs(Journal("sql"));
    ASSERT_GE(execs.size(), 4u);
    EXPECT_EQ(execs[0], "exec: " + std::string(c.accessType));
    EXPECT_EQ(execs[1], "exec: " + std::string(c.tableSql));
    EXPECT_EQ(Lines(execs.end() - 2, execs.end()),
              (Lines{"exec: drop function getaccesstype", "exec: drop function gettableSql"}));
    EXPECT_TRUE(SlotsEmpty());
  }
}

TEST_F(ExportRun, AnErrorEndsTheRunAfterTheCleanUpAndReachesTheErrorBox) {
  OnExportPage(1, {"A", "B"});
  Sql().On("call: gettablesql").Fails("Invalid object name 'dbo.gettablesql'.");
  SourceEmp(Sql(), {{1, "a"}}, "A");

  PressNext();

  ASSERT_EQ(ui.calls.size(), 2u);
  EXPECT_EQ(ui.calls[0], OpenLog());
  EXPECT_EQ(ui.calls[1].rfind("error: ", 0), 0u) << ui.calls[1];
  EXPECT_NE(ui.calls[1].find("dbo.gettablesql"), std::string::npos) << ui.calls[1];
  const Lines sql = Journal("sql");
  EXPECT_EQ(Lines(sql.end() - 3, sql.end()), (Lines{"exec: drop function getaccesstype",
                                                    "exec: drop function gettableSql", "close"}));
  EXPECT_TRUE(Has(Journal("ora"), "exec: drop function getMdbCreateSql"));
  EXPECT_FALSE(Has(sql, "query: select count(*) from B"));
  EXPECT_TRUE(view.nextEnabled);
  EXPECT_FALSE(GetProgressState().windowOpen);
  EXPECT_TRUE(SlotsEmpty());
  const ExportRunReport& run = steps->LastRun();
  EXPECT_EQ(run.tables[0].status, OutcomeStatus::Failed);
  EXPECT_NE(run.tables[0].firstError.find("dbo.gettablesql"), std::string::npos);
  EXPECT_EQ(run.tables[1].status, OutcomeStatus::NotReached);
  EXPECT_NE(run.error.find("dbo.gettablesql"), std::string::npos);
}

// Custom direction, tables A, B, C: B's source cannot be counted.
TEST_F(ExportRun, AMiddleTableThatFailsAloneLetsTheRunGoOnWithTheNext) {
  OnExportPage(kCustomDirection, {"A", "B", "C"});
  SourceEmp(Src(), {{1, "a"}, {2, "b"}}, "A");
  Src().On("select count(*) from B").Fails("no such table: B");
  SourceEmp(Src(), {{3, "c"}}, "C");

  PressNext();

  EXPECT_EQ(ui.calls, Lines{OpenLog()}) << "no error box: the run ended normally";
  const ExportRunReport& run = steps->LastRun();
  EXPECT_TRUE(run.error.empty());
  ASSERT_EQ(run.tables.size(), 3u);
  EXPECT_EQ(run.tables[0].status, OutcomeStatus::Exported);
  EXPECT_EQ(run.tables[0].existing, ExistingStep::Created);
  EXPECT_EQ(run.tables[0].rowsCounted, 2);
  EXPECT_EQ(run.tables[0].rowsWritten, 2);
  EXPECT_TRUE(run.tables[0].firstError.empty());
  EXPECT_EQ(run.tables[1].status, OutcomeStatus::Failed);
  EXPECT_EQ(run.tables[1].rowsWritten, 0);
  EXPECT_EQ(run.tables[1].firstError, "no such table: B");
  EXPECT_EQ(run.tables[2].status, OutcomeStatus::Exported);
  EXPECT_EQ(Dst().inserted.size(), 3u);
  const Lines log = LogLines();
  EXPECT_TRUE(Has(log, "失败-----------因no such table: B:无法执行select count(*) from B"))
      << testing::PrintToString(log);
  EXPECT_EQ(std::count_if(
                log.begin(), log.end(),
                [](const std::string& l) { return l.find(":无法导出表B") != std::string::npos; }),
            1)
      << testing::PrintToString(log);
  EXPECT_TRUE(Has(log, "导出部分成功:表B，总的记录数0,导出数据0条，部分完成,用时0ms"));
  EXPECT_EQ(log.back(), "导出成功:表C，总的记录数1,导出数据1条，全部完成,用时0ms");
  EXPECT_EQ(run.tables[1].report, "导出部分成功:表B，总的记录数0,导出数据0条，部分完成,用时0ms");
}

TEST_F(ExportRun, ALostConnectionEndsTheRunAndLeavesTheLaterTablesUnreached) {
  OnExportPage(kCustomDirection, {"A", "B"});
  Src().On("select count(*) from A").Fails("server closed the connection", "08S01");
  SourceEmp(Src(), {{1, "b"}}, "B");

  PressNext();

  const ExportRunReport& run = steps->LastRun();
  EXPECT_EQ(run.error, "server closed the connection");
  EXPECT_EQ(run.tables[0].status, OutcomeStatus::Failed);
  EXPECT_EQ(run.tables[0].firstError, "server closed the connection");
  EXPECT_EQ(run.tables[1].status, OutcomeStatus::NotReached);
  EXPECT_FALSE(Has(Journal("src"), "query: select count(*) from B"));
  EXPECT_TRUE(SlotsEmpty());
}

TEST_F(ExportRun, ExistingTablesAreSkippedEmptiedOrRecreatedAsTheModeSays) {
  struct Case {
    int32_t mode;
    ExistingStep step;
    OutcomeStatus status;
    std::string line;
  };
  for (const Case& c :
       {Case{0, ExistingStep::Skipped, OutcomeStatus::Skipped, "导出失败：因表EMP已存在，不再导入"},
        Case{1, ExistingStep::Emptied, OutcomeStatus::Exported, ""},
        Case{2, ExistingStep::Recreated, OutcomeStatus::Exported, ""}}) {
    SCOPED_TRACE(c.mode);
    form.lbnew.Clear();
    OnExportPage(kCustomDirection, {"EMP"});
    form.RGtableMode = c.mode;
    Dst().tables = {{"", "", "EMP", "TABLE"}};
    SourceEmp(Src(), {{1, "a"}});

    PressNext();

    const TableOutcome& t = steps->LastRun().tables.at(0);
    EXPECT_EQ(t.existing, c.step);
    EXPECT_EQ(t.status, c.status);
    if (!c.line.empty()) {
      EXPECT_EQ(t.report, c.line);
    }
  }
}

TEST_F(ExportRun, AFailedConnectionSkipsTheTablesButStillCleansUp) {
  OnExportPage(5, {"EMP"});
  Sql().openError = db::DbError("Login failed for user 'sa'.");

  PressNext();

  EXPECT_EQ(ui.calls, (Lines{"message: 无法连接sqlserver,请检查参数\nLogin failed for user 'sa'.",
                             OpenLog()}));
  EXPECT_EQ(Journal("mdb"), (Lines{"open", "close"}));
  EXPECT_EQ(LogLines(),
            (Lines{"", Banner("Access-->SQL Server"),
                   "失败因Login failed for user 'sa'.:无法建立数据连接" + std::string(48, '-')}));
  EXPECT_FALSE(steps->LastRun().connected);
  EXPECT_EQ(steps->LastRun().tables[0].status, OutcomeStatus::NotReached);
  EXPECT_TRUE(view.nextEnabled);
  EXPECT_TRUE(SlotsEmpty());
}

TEST_F(ExportRun, ACancelDuringTheFirstTableFinishesItAndLeavesTheOthers) {
  OnExportPage(kCustomDirection, {"A", "B", "C"});
  SourceEmp(Src(), {{1, "a"}}, "A");
  progress.onStep = [](int pump) {
    if (pump == 1) ProgressCancelClicked();
  };

  PressNext();

  const ExportRunReport& run = steps->LastRun();
  EXPECT_TRUE(run.cancelled);
  EXPECT_EQ(run.tables[0].status, OutcomeStatus::Exported);
  EXPECT_EQ(run.tables[1].status, OutcomeStatus::NotReached);
  EXPECT_EQ(run.tables[2].status, OutcomeStatus::NotReached);
  EXPECT_EQ(progress.asked, Lines{"你确定终止吗"});
  EXPECT_EQ(Dst().inserted.size(), 1u);
  EXPECT_FALSE(Has(Journal("src"), "query: select count(*) from B"));
  EXPECT_EQ(Journal("src").back(), "close");
  EXPECT_EQ(Journal("dst").back(), "close");
  EXPECT_EQ(ui.calls, Lines{OpenLog()});
  EXPECT_TRUE(SlotsEmpty());
}

TEST_F(ExportRun, TheWorkbookLoopStopsBeforeTheNextTableAfterACancel) {
  OnExportPage(8, {"A", "B", "C"});
  workbook.cancelOn = "A";

  PressNext();

  EXPECT_EQ(workbook.calls, (Lines{"open " + form.edtxlsfilename, "export A", "close"}));
  const ExportRunReport& run = steps->LastRun();
  EXPECT_TRUE(run.workbook);
  EXPECT_TRUE(run.cancelled);
  EXPECT_EQ(run.tables[0].status, OutcomeStatus::Exported);
  EXPECT_EQ(run.tables[1].status, OutcomeStatus::NotReached);
  EXPECT_EQ(LogLines().back(), "导出成功:表A，全部完成,用时0ms");
  EXPECT_FALSE(GetProgressState().windowOpen);
  EXPECT_EQ(Journal("mdb").back(), "close");
  EXPECT_EQ(ui.calls, Lines{OpenLog()});
}

TEST_F(ExportRun, AWriterErrorStillSavesTheWorkbookAndReleases) {
  OnExportPage(8, {"A", "B"});
  workbook.failOn = "A";

  PressNext();

  EXPECT_EQ(workbook.calls, (Lines{"open " + form.edtxlsfilename, "export A", "close"}));
  EXPECT_EQ(ui.calls, (Lines{OpenLog(), "error: sheet name refused: A."}));
  EXPECT_EQ(Journal("mdb").back(), "close");
  EXPECT_FALSE(GetProgressState().windowOpen);
  EXPECT_TRUE(view.nextEnabled);
  EXPECT_TRUE(SlotsEmpty());
}

TEST_F(ExportRun, ASaveThatFailsAfterAnErrorIsLoggedAndTheFirstErrorIsShown) {
  OnExportPage(8, {"A"});
  workbook.failOn = "A";
  workbook.closeFails = true;

  PressNext();

  EXPECT_EQ(ui.calls, (Lines{OpenLog(), "error: sheet name refused: A."}));
  EXPECT_EQ(LogLines().back(), "清理时出错:disk full");
  EXPECT_TRUE(SlotsEmpty());
}

TEST_F(ExportRun, ASaveThatFailsAfterASuccessfulLoopIsTheRunsError) {
  OnExportPage(8, {"A"});
  workbook.closeFails = true;

  PressNext();

  EXPECT_EQ(ui.calls, (Lines{OpenLog(), "error: disk full."}));
  EXPECT_EQ(steps->LastRun().error, "disk full");
  // The sheets never reached the file: the table did not arrive.
  EXPECT_EQ(steps->LastRun().tables[0].status, OutcomeStatus::Failed);
  EXPECT_EQ(steps->LastRun().tables[0].firstError, "disk full");
}

TEST_F(ExportRun, AFailedSaveFailsEveryWrittenTableAndTellsTheUserWhy) {
  OnExportPage(8, {"A", "B"});
  workbook.saveFails = true;

  PressNext();

  EXPECT_EQ(ui.calls, (Lines{"message: 保存Excel文件c:\\1.xls失败:磁盘空间不足", OpenLog()}));
  const ExportRunReport& run = steps->LastRun();
  EXPECT_TRUE(run.error.empty());
  ASSERT_EQ(run.tables.size(), 2u);
  for (const TableOutcome& t : run.tables) {
    EXPECT_EQ(t.status, OutcomeStatus::Failed) << t.table;
    EXPECT_EQ(t.firstError, "保存Excel文件c:\\1.xls失败:磁盘空间不足") << t.table;
  }
  for (const std::string& line : LogLines()) EXPECT_EQ(line.find("导出成功"), std::string::npos);
}

TEST_F(ExportRun, AWorkbookThatCannotBeOpenedEndsTheRunAfterTheCleanUp) {
  OnExportPage(8, {"A"});
  steps->Context().openWorkbook = [](const std::string&) -> std::unique_ptr<WorkbookExport> {
    throw ShellError("无法创建文件");
  };

  PressNext();

  EXPECT_EQ(ui.calls, (Lines{OpenLog(), "error: 无法创建文件."}));
  EXPECT_EQ(Journal("mdb").back(), "close");
  EXPECT_FALSE(GetProgressState().windowOpen);
  EXPECT_TRUE(SlotsEmpty());
}

TEST_F(ExportRun, TheCustomSourceGoesIntoAWorkbookWithoutATargetConnection) {
  steps->Context().customToWorkbook = true;
  OnExportPage(kCustomDirection, {"A", "B"});

  PressNext();

  EXPECT_EQ(workbook.calls,
            (Lines{"open " + form.edtxlsfilename, "export A", "export B", "close"}));
  EXPECT_TRUE(Journal("dst").empty());
  EXPECT_EQ(Journal("src"), (Lines{"open", "close"}));
  EXPECT_EQ(steps->LastRun().tables[1].status, OutcomeStatus::Exported);
}

}  // namespace
}  // namespace mvq::test
