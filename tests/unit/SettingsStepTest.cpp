// Next on the settings page: the checks in their order, connecting the visible groups
// without server functions, listing the source tables, and releasing every gateway however
// the step ends.
#include <filesystem>
#include <functional>

#include "shell/ConnectionStrings.h"
#include "unit/ShellFixture.h"

namespace mvq::test {
namespace {

const std::string kHostProbe = "query: select utl_inaddr.get_host_address from dual";
const std::string kNameProbe = "query: select name from v$database";
const std::string kTableListQuery = "query: " + std::string(kOracleTableListSql);
const std::string kDashes48(48, '-');

using SettingsStep = ShellTest;

struct CheckCase {
  const char* what;
  int32_t direction;
  std::function<void(ShellTest&)> change;
  std::function<Lines(const ShellTest&)> expected;
};

TEST_F(SettingsStep, EachCheckStopsTheStepWithItsTextBeforeAnythingConnects) {
  const FormState base = form;
  const std::vector<CheckCase> cases = {
      {"empty Access file", 2, [](ShellTest& t) { t.form.edtfilename.clear(); },
       [](const ShellTest&) { return Lines{"message: mdb不能为空"}; }},
      {"empty workbook, an existing Access source read first", 8,
       [](ShellTest& t) {
         t.TouchFile("a.mdb");
         t.form.edtxlsfilename.clear();
       },
       [](const ShellTest&) { return Lines{"message: 输出的excel不能为空"}; }},
      {"existing workbook", 7, [](ShellTest& t) { t.TouchFile("out.xls"); },
       [](const ShellTest& t) { return Lines{"error: 文件" + t.form.edtxlsfilename + "已存在."}; }},
      {"Oracle host", 6, [](ShellTest& t) { t.form.edtcomputer.clear(); },
       [](const ShellTest&) { return Lines{"error: oracle设置中计算名不能为空."}; }},
      {"Oracle database", 6, [](ShellTest& t) { t.form.edtDB.clear(); },
       [](const ShellTest&) { return Lines{"error: oracle设置中数据库名不能为空."}; }},
      {"Oracle port", 2, [](ShellTest& t) { t.form.edtport.clear(); },
       [](const ShellTest&) { return Lines{"error: oracle设置中端口不能为空."}; }},
      {"Oracle user", 1, [](ShellTest& t) { t.form.edtuser.clear(); },
       [](const ShellTest&) { return Lines{"error: oracle设置中用户名不能为空."}; }},
      {"SQL Server name", 7, [](ShellTest& t) { t.form.edtsqlserverdb.clear(); },
       [](const ShellTest&) { return Lines{"error: SQL Server设置中数据库服务不能为空."}; }},
      {"SQL Server user under Windows authentication", 4,
       [](ShellTest& t) {
         t.form.sqlAuth = SqlAuth::Windows;
         t.form.edtsqluser.clear();
       },
       [](const ShellTest&) { return Lines{"error: SQL Server设置中用户名不能为空."}; }},
      {"SQL Server database", 7, [](ShellTest& t) { t.form.edtsqlCatalog.text.clear(); },
       [](const ShellTest&) { return Lines{"error: SQL Server设置中数据库名不能为空."}; }},
      {"Oracle before SQL Server", 0,
       [](ShellTest& t) {
         t.form.edtuser.clear();
         t.form.edtsqlserverdb.clear();
       },
       [](const ShellTest&) { return Lines{"error: oracle设置中用户名不能为空."}; }},
      {"missing Access source: a notice, and the step stops", 3,
       [](ShellTest& t) { t.form.edtuser.clear(); },
       [](const ShellTest& t) {
         return Lines{"message: access文件" + t.form.edtfilename + ",不存在"};
       }},
  };
  for (const CheckCase& c : cases) {
    SCOPED_TRACE(c.what);
    form = base;
    view.activePage = kMainPage;
    ChooseDirection(c.direction);
    ui.calls.clear();
    createdMdbFiles.clear();
    std::filesystem::remove(form.edtfilename);
    std::filesystem::remove(form.edtxlsfilename);
    c.change(*this);

    PressNext();

    EXPECT_EQ(ui.calls, c.expected(*this));
    EXPECT_TRUE(world->journal.empty()) << world->journal.front();
    EXPECT_EQ(view.activePage, kSettingsPage);
    EXPECT_TRUE(SlotsEmpty());
  }
}

TEST_F(SettingsStep, AMissingAccessFileIsCreatedOnceBeforeConnecting) {
  ChooseDirection(4);
  PressNext();
  EXPECT_EQ(createdMdbFiles, Lines{form.edtfilename});
}

TEST_F(SettingsStep, OracleSourceIsListedWithoutServerFunctionsAndBothEndsAreReleased) {
  ChooseDirection(0);
  Ora().On(std::string(kOracleTableListSql)).Rows({{"TNAME"}}, {{"EMP"}, {"DEPT"}, {"BONUS"}});
  form.lbnew.Add("OLD");

  PressNext();

  EXPECT_EQ(world->journal,
            (Lines{"ora: open", "ora: markers colon", "ora: " + kHostProbe, "ora: " + kNameProbe,
                   "sql: open", "ora: " + kTableListQuery, "ora: close", "sql: close"}));
  EXPECT_EQ(form.lbold.Texts(), (Lines{"BONUS", "DEPT", "EMP"}));
  EXPECT_TRUE(form.lbnew.Empty());
  EXPECT_EQ(view.sourceListCaption, "Oracle表列表");
  EXPECT_EQ(view.activePage, kExportPage);
  EXPECT_EQ(view.nextCaption, "导出");
  EXPECT_TRUE(ui.calls.empty());
  EXPECT_TRUE(SlotsEmpty());
}

TEST_F(SettingsStep, SqlServerSourceListsItsUserTables) {
  ChooseDirection(1);
  Sql().On("select name from sysobjects where type='u'").Rows({{"name"}}, {{"订单"}, {"Emp"}});

  PressNext();

  EXPECT_EQ(Journal("sql"),
            (Lines{"open", "query: select name from sysobjects where type='u'", "close"}));
  EXPECT_EQ(form.lbold.Count(), 2);
  EXPECT_EQ(view.sourceListCaption, "SQL Server表列表");
  EXPECT_EQ(view.activePage, kExportPage);
  EXPECT_TRUE(SlotsEmpty());
}

TEST_F(SettingsStep, AMissingAccessSourceIsAnnouncedAndNeitherCreatedNorOpened) {
  ChooseDirection(5);

  PressNext();

  EXPECT_EQ(ui.calls, (Lines{"message: access文件" + form.edtfilename + ",不存在"}));
  EXPECT_TRUE(createdMdbFiles.empty());
  EXPECT_FALSE(std::filesystem::exists(form.edtfilename));
  EXPECT_TRUE(world->journal.empty());
  EXPECT_EQ(view.activePage, kSettingsPage);
  EXPECT_TRUE(SlotsEmpty());
}

TEST_F(SettingsStep, EveryGroupIsTriedAndEachFailureReportedOnce) {
  ChooseDirection(4);
  TouchFile("a.mdb");
  Mdb().openError = db::DbError("not an Access file");
  Sql().openError = db::DbError("Login failed for user 'sa'.");

  PressNext();

  // Each with the driver's reason, as the run log has it.
  EXPECT_EQ(ui.calls,
            (Lines{"message: 无法连接access," + form.edtfilename + "\nnot an Access file",
                   "message: 无法连接sqlserver,请检查参数\nLogin failed for user 'sa'."}));
  EXPECT_EQ(LogLines(), (Lines{"失败因not an Access file:无法建立数据连接" + kDashes48,
                               "失败因Login failed for user 'sa'.:无法建立数据连接" + kDashes48}));
  EXPECT_EQ(view.activePage, kSettingsPage);
  EXPECT_TRUE(SlotsEmpty());
}

TEST_F(SettingsStep, AFailedOracleLoginStillConnectsAndReleasesTheOtherEnd) {
  ChooseDirection(0);
  Ora().openError = db::DbError("ORA-01017: invalid username/password; logon denied");

  PressNext();

  EXPECT_EQ(ui.calls, Lines{"message: 无法连接Oracle,请检查参数\n"
                            "ORA-01017: invalid username/password; logon denied"});
  EXPECT_EQ(Journal("sql"), (Lines{"open", "close"}));
  EXPECT_FALSE(Has(Journal("ora"), kTableListQuery));
  EXPECT_TRUE(SlotsEmpty());
}

TEST_F(SettingsStep, AListingErrorAbandonsTheStepAfterReleasing) {
  ChooseDirection(2);
  TouchFile("a.mdb");
  Ora().On(std::string(kOracleTableListSql)).Fails("ORA-00942: table or view does not exist");

  PressNext();

  ASSERT_EQ(ui.calls.size(), 1u);
  EXPECT_EQ(ui.calls[0].rfind("error: ", 0), 0u) << ui.calls[0];
  EXPECT_EQ(Journal("ora").back(), "close");
  EXPECT_EQ(Journal("mdb").back(), "close");
  EXPECT_EQ(view.activePage, kSettingsPage);
  EXPECT_TRUE(SlotsEmpty());
}

// Leaving the SQL Server password field.
using CatalogList = ShellTest;

TEST_F(CatalogList, FillsTheDatabaseNamesThroughMasterWithoutAPassword) {
  Script& master = Name("master", CatalogListConnectionString(form));
  master.On(std::string(kCatalogListSql)).Rows({{"name"}}, {{"master"}, {"sales"}, {"仓库"}});

  steps->FillCatalogList();

  EXPECT_EQ(CatalogListConnectionString(form).find("pw"), std::string::npos);
  EXPECT_EQ(master.calls, (Lines{"open", "query: " + std::string(kCatalogListSql), "close"}));
  EXPECT_EQ(form.edtsqlCatalog.items, (Lines{"master", "sales", "仓库"}));
  EXPECT_EQ(form.edtsqlCatalog.itemIndex, 0);
  EXPECT_EQ(form.edtsqlCatalog.text, "master");
  EXPECT_TRUE(SlotsEmpty());
}

TEST_F(CatalogList, SaysNothingWhateverGoesWrong) {
  form.edtsqlCatalog.text = "typed";
  struct Case {
    const char* what;
    std::function<void(ShellTest&)> change;
    bool connects;
  };
  const std::vector<Case> cases = {
      {"no server name", [](ShellTest& t) { t.form.edtsqlserverdb.clear(); }, false},
      {"no user", [](ShellTest& t) { t.form.edtsqluser.clear(); }, false},
      {"login refused",
       [](ShellTest& t) {
         t.world->ScriptFor(CatalogListConnectionString(t.form)).openError =
             db::DbError("Login failed");
       },
       true},
      {"list refused",
       [](ShellTest& t) {
         t.world->ScriptFor(CatalogListConnectionString(t.form))
             .On(std::string(kCatalogListSql))
             .Fails("permission denied");
       },
       true},
  };
  const FormState base = form;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    form = base;
    world->journal.clear();
    c.change(*this);

    EXPECT_NO_THROW(steps->FillCatalogList());

    EXPECT_TRUE(ui.calls.empty());
    EXPECT_EQ(world->journal.empty(), !c.connects);
    EXPECT_EQ(form.edtsqlCatalog.text, "typed");
    EXPECT_TRUE(SlotsEmpty());
  }
}

}  // namespace
}  // namespace mvq::test
