// Next on the custom page: the three checks of the connection strings, both gateways tried,
// the source's tables listed, both released however the step ends.
#include "unit/ShellFixture.h"

namespace mvq::test {
namespace {

class CustomStep : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    ChooseDirection(kCustomDirection);
  }
};

TEST_F(CustomStep, TheStringsAreCheckedInOrderBeforeAnythingConnects) {
  struct Case {
    std::string src, dest, message;
  };
  for (const Case& c : {Case{"", "", "源数据连接不能为空"}, Case{"SRC", "", "目标数据连接不能为空"},
                        Case{"SRC", "SRC", "源数据连接和目标数据连接不能相同"}}) {
    SCOPED_TRACE(c.message);
    ui.calls.clear();
    form.edtSrc = c.src;
    form.edtDest = c.dest;

    PressNext();

    EXPECT_EQ(ui.calls, Lines{"message: " + c.message});
    EXPECT_TRUE(world->journal.empty());
    EXPECT_EQ(view.activePage, kCustomPage);
  }
}

TEST_F(CustomStep, StringsDifferingOnlyInLetterCaseAreTwoConnections) {
  form.edtSrc = "DSN=Shop";
  form.edtDest = "dsn=shop";
  PressNext();
  EXPECT_EQ(world->journal.front(), "DSN=Shop: open");
  EXPECT_TRUE(Has(world->journal, "dsn=shop: open"));
}

TEST_F(CustomStep, BothEndsAreTriedAndEachFailureReported) {
  Src().openError = db::DbError("no such database");
  Dst().openError = db::DbError("no such host");

  PressNext();

  EXPECT_EQ(ui.calls, (Lines{"message: 源数据连接失败\nno such database",
                             "message: 目标数据连接失败\nno such host"}));
  EXPECT_EQ(world->journal, (Lines{"src: open", "dst: open"}));
  EXPECT_EQ(view.activePage, kCustomPage);
  EXPECT_TRUE(SlotsEmpty());
}

TEST_F(CustomStep, AFailedTargetStopsTheStepAfterReleasingTheSource) {
  Dst().openError = db::DbError("no such host");
  Src().tables = {{"", "", "EMP", "TABLE"}};

  PressNext();

  EXPECT_EQ(ui.calls, Lines{"message: 目标数据连接失败\nno such host"});
  EXPECT_EQ(world->journal, (Lines{"src: open", "dst: open", "src: close"}));
  EXPECT_TRUE(form.lbold.Empty());
  EXPECT_TRUE(SlotsEmpty());
}

TEST_F(CustomStep, ASourceWithoutTablesIsReported) {
  Src().tables = {{"", "", "V_EMP", "VIEW"}};

  PressNext();

  EXPECT_EQ(ui.calls, Lines{"message: 没有可以导出的表,请重新设置源数据库连接"});
  EXPECT_EQ(view.activePage, kCustomPage);
  EXPECT_EQ(Journal("src").back(), "close");
  EXPECT_EQ(Journal("dst").back(), "close");
  EXPECT_TRUE(SlotsEmpty());
}

TEST_F(CustomStep, TheSourceTablesOpenTheExportPage) {
  Src().tables = {{"", "", "orders", "TABLE"},
                  {"", "", "客户", "TABLE"},
                  {"", "", "Accounts", "TABLE"},
                  {"", "", "v", "VIEW"}};
  form.lbnew.Add("left over");

  PressNext();

  EXPECT_TRUE(ui.calls.empty());
  EXPECT_EQ(form.lbold.Texts(), (Lines{"Accounts", "orders", "客户"}));
  EXPECT_TRUE(form.lbnew.Empty());
  EXPECT_EQ(view.sourceListCaption, "源数据库列表");
  EXPECT_EQ(view.activePage, kExportPage);
  EXPECT_EQ(world->journal,
            (Lines{"src: open", "dst: open", "src: schema tables", "src: close", "dst: close"}));
  EXPECT_TRUE(SlotsEmpty());
}

// The batch runner's custom source into a workbook: only the source is connected, and the
// workbook gets the checks of the settings page.
class CustomToWorkbook : public CustomStep {
 protected:
  void SetUp() override {
    CustomStep::SetUp();
    steps->Context().customToWorkbook = true;
    form.edtDest.clear();
  }
};

TEST_F(CustomToWorkbook, ChecksTheWorkbookAndConnectsOnlyTheSource) {
  form.edtxlsfilename.clear();
  PressNext();
  EXPECT_EQ(ui.calls, Lines{"message: 输出的excel不能为空"});

  ui.calls.clear();
  form.edtxlsfilename = TouchFile("out.xlsx");
  PressNext();
  EXPECT_EQ(ui.calls, Lines{"error: 文件" + form.edtxlsfilename + "已存在."});
  EXPECT_TRUE(world->journal.empty());

  ui.calls.clear();
  form.chkexcel = true;
  Src().tables = {{"", "", "EMP", "TABLE"}};
  PressNext();
  EXPECT_TRUE(ui.calls.empty());
  EXPECT_TRUE(std::filesystem::exists(form.edtxlsfilename)) << "kept until a save replaces it";
  EXPECT_EQ(world->journal, (Lines{"src: open", "src: schema tables", "src: close"}));
  EXPECT_EQ(view.activePage, kExportPage);
}

}  // namespace
}  // namespace mvq::test
