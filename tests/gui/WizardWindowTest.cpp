// The main window: its controls, the pages of each direction, next and back with their
// history, the custom page, help, browsing and the database list.
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTest>

#include "WindowFixture.h"
#include "shell/Directions.h"

namespace mvq::test {
namespace {

using Strings = std::vector<std::string>;

TEST_F(WindowTest, StartsOnTheDirectionPageWithEveryControlNamedCaptionedAndAtItsDefault) {
  EXPECT_EQ(window->objectName(), "Frmoracletoaccess");
  EXPECT_EQ(window->windowTitle().toStdString(), "通用数据格式转换工具mvq V3.1");
  EXPECT_EQ(window->size(), QSize(480, 402));
  EXPECT_EQ(window->font().pixelSize(), 12);
  EXPECT_TRUE(QFontDatabase::families(QFontDatabase::SimplifiedChinese)
                  .contains(QFontInfo(window->font()).family()))
      << QFontInfo(window->font()).family().toStdString();

  auto* pages = Find<QStackedWidget>("PageControl1");
  ASSERT_EQ(pages->count(), 4);
  const char* pageNames[] = {"TsMian", "tscover", "tsexp", "tsdef"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(pages->widget(i)->objectName(), pageNames[i]);
  EXPECT_EQ(pages->currentIndex(), 0);
  EXPECT_TRUE(Find<QPushButton>("btnup")->isHidden());
  EXPECT_TRUE(History().empty());

  EXPECT_EQ(Find<QGroupBox>("RGmy")->title(), "转换方式");
  for (const Direction& d : Directions()) {
    auto* item = Find<QRadioButton>(QString("RGmy_%1").arg(d.number));
    EXPECT_EQ(item->text().toStdString(), d.itemText);
    EXPECT_EQ(item->isChecked(), d.number == 0);
  }
  // Two columns, filled top to bottom.
  EXPECT_EQ(Find("RGmy_4")->x(), Find("RGmy_0")->x());
  EXPECT_GT(Find("RGmy_5")->x(), Find("RGmy_0")->x());
  EXPECT_EQ(Find("RGmy_5")->y(), Find("RGmy_0")->y());

  const std::pair<const char*, const char*> captions[] = {{"btnup", "上一步"},
                                                          {"btnnextConvert", "下一步"},
                                                          {"btnhelp", "帮助"},
                                                          {"btnexit", "退出"},
                                                          {"Button2", "上一步"},
                                                          {"btnNextdef", "下一步"},
                                                          {"Button8", "帮助"},
                                                          {"Button13", "退出"},
                                                          {"btnmdb", "浏览"},
                                                          {"btnexcel", "浏览"},
                                                          {"btnadd", "增加"},
                                                          {"btndel", "删除"},
                                                          {"btnaddall", "全部添加"},
                                                          {"btndelall", "全部删除"},
                                                          {"chkexcel", "存在excel删除"},
                                                          {"RBConnw", "Windows身份验证[&W]"},
                                                          {"RBConnS", "SQL Server身份验证[&Q]"}};
  for (const auto& [name, caption] : captions) {
    EXPECT_EQ(Find<QAbstractButton>(name)->text().toStdString(), caption) << name;
  }
  const std::pair<const char*, const char*> groups[] = {{"GBsql", "SQL Server配置参数设置"},
                                                        {"gboracle", "oracle配置参数设置"},
                                                        {"gbmdb", "MDB文件"},
                                                        {"gbexcel", "Execl文件"},
                                                        {"gbnew", "导出表列表"},
                                                        {"RGtableMode", "存在的表处理方式"},
                                                        {"gbsrc", "源数据库"},
                                                        {"gbdest", "目标数据"}};
  for (const auto& [name, caption] : groups) {
    EXPECT_EQ(Find<QGroupBox>(name)->title().toStdString(), caption) << name;
  }
  EXPECT_EQ(Find<QLabel>("LabelSqlUser")->text(), "用户名:");
  EXPECT_EQ(Find<QLabel>("LabelSqlPassword")->text(), "密码:");

  const std::pair<const char*, std::string> texts[] = {
      {"edtsqlserverdb", ""},
      {"edtsqluser", "sa"},
      {"edtsqlpassword", ""},
      {"edtcomputer", "127.0.0.1"},
      {"edtDB", ""},
      {"edtport", "1521"},
      {"edtuser", ""},
      {"edtpassword", ""},
      {"edtfilename", DefaultDocumentPath("1.mdb")},
      {"edtmdbpassword", ""},
      {"edtxlsfilename", DefaultDocumentPath("1.xls")},
      {"edtSrc", ""},
      {"edtDest", ""}};
  for (const auto& [name, text] : texts) EXPECT_EQ(Edit(name)->text().toStdString(), text) << name;
  for (const char* name : {"edtsqlpassword", "edtpassword", "edtmdbpassword"}) {
    EXPECT_EQ(Edit(name)->echoMode(), QLineEdit::Password) << name;
  }
  EXPECT_TRUE(Find<QWidget>("Panel2")->isHidden());
  EXPECT_TRUE(Edit("edtSrc")->isReadOnly());
  EXPECT_EQ(Edit("edtDest")->toolTip(), "单击设置数据源");
  EXPECT_TRUE(Find<QRadioButton>("RBConnS")->isChecked());
  EXPECT_FALSE(Find<QRadioButton>("RBConnw")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>("chkexcel")->isChecked());
  EXPECT_TRUE(Find<QComboBox>("edtsqlCatalog")->isEditable());
  EXPECT_EQ(Find<QComboBox>("edtsqlCatalog")->currentText(), "");
  EXPECT_TRUE(Find<QRadioButton>("RGtableMode_0")->isChecked());
  EXPECT_EQ(Find<QRadioButton>("RGtableMode_1")->text(), "2、删除记录，导入数据");
  EXPECT_EQ(Find<QRadioButton>("RGtableMode_2")->text(), "3、删除表，导入数据");
  EXPECT_EQ(Find<QRadioButton>("RGtableMode_2")->y(), Find<QRadioButton>("RGtableMode_0")->y());
}

TEST_F(WindowTest, AMissingVersionRecordShowsItsErrorBoxAndLeavesTheCaptionWithoutNumber) {
  SetFileVersionSource([](const std::string&) { return std::optional<std::string>(); });
  ui.calls.clear();
  Open();
  EXPECT_EQ(window->windowTitle().toStdString(), "通用数据格式转换工具mvq V");
  EXPECT_EQ(ui.calls, Strings{"error box: 错误 | 获取产品信息时遇到致命错误，请尝试重新启动软件。\r"
                              "若仍未能解决问题，请联系产品服务人员。"});
}

struct Expected {
  bool pnlso, oracle, sql, mdb, excel;
};

// Geometry of a group relative to the page, after the page has been laid out.
QRect On(const QWidget* group, const QWidget* page) {
  return QRect(group->mapTo(page, QPoint(0, 0)), group->size());
}

TEST_F(WindowTest, EachDirectionShowsItsGroupsSourceFirstAndTargetFillingTheRest) {
  const Expected expected[] = {
      {true, true, true, false, false},  {true, true, true, false, false},
      {true, true, false, true, false},  {true, true, false, true, false},
      {true, false, true, true, false},  {true, false, true, true, false},
      {true, true, false, false, true},  {true, false, true, false, true},
      {false, false, false, true, true},
  };
  QWidget* page = Find("tscover");
  for (int d = 0; d < 9; ++d) {
    SCOPED_TRACE(d);
    Choose(d);
    Next();
    QApplication::processEvents();
    ASSERT_EQ(Page(), kSettingsPage);
    EXPECT_EQ(window->windowTitle().toStdString(),
              "通用数据格式转换工具mvq  " + std::string(GetDirection(d).itemText));
    QWidget* pnlso = Find("pnlso");
    QWidget* oracle = Find("gboracle");
    QWidget* sql = Find("GBsql");
    QWidget* mdb = Find("gbmdb");
    QWidget* excel = Find("gbexcel");
    EXPECT_EQ(!pnlso->isHidden(), expected[d].pnlso);
    EXPECT_EQ(!oracle->isHidden(), expected[d].oracle);
    EXPECT_EQ(!sql->isHidden(), expected[d].sql);
    EXPECT_EQ(!mdb->isHidden(), expected[d].mdb);
    EXPECT_EQ(!excel->isHidden(), expected[d].excel);

    const QRect area = page->contentsRect();
    const QRect so = On(pnlso, page);
    if (d <= 1) {
      // Side by side: the source on the left half of the window, the target the rest.
      QWidget* left = d == 0 ? oracle : sql;
      QWidget* right = d == 0 ? sql : oracle;
      EXPECT_EQ(so, area);
      EXPECT_EQ(On(left, page).left(), area.left());
      EXPECT_EQ(left->width(), window->width() / 2);
      EXPECT_EQ(On(right, page).left(), On(left, page).right() + 1);
      EXPECT_EQ(On(right, page).right(), area.right());
    } else {
      QWidget* top = (d == 3 || d == 5 || d == 8) ? mdb : pnlso;
      QWidget* fill = d >= 6 ? excel : (top == mdb ? pnlso : mdb);
      EXPECT_EQ(On(top, page).top(), area.top());
      EXPECT_EQ(top->height(), top == mdb ? 50 : 225);
      EXPECT_EQ(top->width(), area.width());
      EXPECT_EQ(On(fill, page).top(), On(top, page).bottom() + 1);
      EXPECT_EQ(On(fill, page).bottom(), area.bottom());
      if (expected[d].pnlso) {
        // The one server group fills the panel.
        QWidget* server = expected[d].oracle ? oracle : sql;
        EXPECT_EQ(server->size(), pnlso->size());
      }
    }
    Back();
    ASSERT_EQ(Page(), kMainPage);
  }
}

TEST_F(WindowTest, TheCustomDirectionSkipsTheSettingsPageAndKeepsItsGroups) {
  Choose(1);
  Next();
  Back();
  Choose(kCustomDirection);
  Next();
  EXPECT_EQ(Page(), kCustomPage);
  EXPECT_EQ(Find<QStackedWidget>("PageControl1")->currentIndex(), kCustomPage);
  EXPECT_EQ(History(), (std::vector<int>{0}));
  EXPECT_EQ(window->windowTitle().toStdString(), "通用数据格式转换工具mvq  自定义转换");
  // Still direction 1's arrangement: SQL Server on the left beside Oracle.
  EXPECT_FALSE(Find("GBsql")->isHidden());
  EXPECT_FALSE(Find("gboracle")->isHidden());
  EXPECT_TRUE(Find("gbmdb")->isHidden());
  EXPECT_LT(Find("GBsql")->x(), Find("gboracle")->x());
  // The page's own buttons stand in for the panel's.
  EXPECT_TRUE(Find("Panel4")->isHidden());

  Click("btnNextdef");
  EXPECT_EQ(steps->calls, Strings{"custom"});
  EXPECT_EQ(Page(), kExportPage);
  EXPECT_EQ(Find<QGroupBox>("gbold")->title(), "源数据库列表");
  EXPECT_FALSE(Find("Panel4")->isHidden());
  EXPECT_EQ(Find<QPushButton>("btnnextConvert")->text(), "导出");
  EXPECT_EQ(History(), (std::vector<int>{0, 3}));
  Back();  // to the connection strings, not past them
  EXPECT_EQ(Page(), kCustomPage);

  Click("Button2");  // back to page 0, and nothing left to go back to
  EXPECT_EQ(Page(), kMainPage);
  EXPECT_EQ(window->windowTitle().toStdString(), "通用数据格式转换工具mvq ");
  EXPECT_TRUE(History().empty());
  EXPECT_TRUE(Find("btnup")->isHidden());
  EXPECT_EQ(Find<QPushButton>("btnnextConvert")->text(), "下一步");
}

TEST_F(WindowTest, FailedStepsStayAndAreNotRememberedSoOneBackLeavesThePage) {
  Choose(2);
  Next();
  steps->settings = FakeSteps::kStay;
  Next();
  Next();
  EXPECT_EQ(Page(), kSettingsPage);
  EXPECT_EQ(History(), (std::vector<int>{0}));
  EXPECT_EQ(Find<QPushButton>("btnnextConvert")->text(), "下一步");

  // An error abandons the press: shown once with its full stop, the page stays.
  steps->settings = FakeSteps::kThrow;
  Next();
  EXPECT_EQ(ui.calls, Strings{"error: oracle设置中用户名不能为空."});
  EXPECT_EQ(Page(), kSettingsPage);
  EXPECT_EQ(History(), (std::vector<int>{0}));

  Back();
  EXPECT_EQ(Page(), kMainPage);
  EXPECT_TRUE(Find("btnup")->isHidden());
  EXPECT_TRUE(History().empty());
}

TEST_F(WindowTest, NextReadsExportOnTheTablesPageAloneAndNeverRunsTwiceAtOnce) {
  Choose(2);
  Next();
  Next();
  ASSERT_EQ(Page(), kExportPage);
  EXPECT_EQ(Find<QPushButton>("btnnextConvert")->text(), "导出");
  EXPECT_EQ(Find<QGroupBox>("gbold")->title(), "Oracle表列表");
  EXPECT_EQ(Shown(List("lbold")), (Strings{"DEPT", "EMP", "SALGRADE"}));
  EXPECT_FALSE(Find("RGtableMode")->isHidden());

  // During the run next is off, and a press that gets through the event loop does nothing.
  bool enabledDuringRun = true;
  steps->duringExport = [&] {
    enabledDuringRun = Find<QPushButton>("btnnextConvert")->isEnabled();
    window->btnnextConvertClick();
  };
  Next();
  Next();
  EXPECT_FALSE(enabledDuringRun);
  EXPECT_TRUE(Find<QPushButton>("btnnextConvert")->isEnabled());
  EXPECT_EQ(steps->calls, (Strings{"settings", "export", "export"}));
  EXPECT_EQ(History(), (std::vector<int>{0, 1}));

  Back();
  EXPECT_EQ(Page(), kSettingsPage);
  EXPECT_EQ(Find<QPushButton>("btnnextConvert")->text(), "下一步");
  Back();
  EXPECT_EQ(Find<QPushButton>("btnnextConvert")->text(), "下一步");
  Next();
  Next();
  EXPECT_EQ(steps->calls.back(), "settings");
  EXPECT_EQ(Page(), kExportPage);
}

TEST_F(WindowTest, ExcelDirectionsHideTheTableModeAndOthersShowItDockedAtTheBottom) {
  Choose(6);
  Next();
  Next();
  EXPECT_TRUE(Find("RGtableMode")->isHidden());
  Back();
  Back();
  Choose(3);
  Next();
  Next();
  QApplication::processEvents();
  QWidget* mode = Find("RGtableMode");
  EXPECT_FALSE(mode->isHidden());
  EXPECT_EQ(mode->height(), 48);
  EXPECT_EQ(mode->geometry().bottom(), Find("tsexp")->rect().bottom());
}

TEST_F(WindowTest, TheConnectionStringsOpenTheirEditorByClickButtonEnterOrF2) {
  Choose(kCustomDirection);
  Next();
  EXPECT_EQ(Find<QPushButton>("btnEditSrc")->text(), "编辑…");
  EXPECT_EQ(Find<QPushButton>("btnEditDest")->text(), "编辑…");
  editorAnswers = {"DRIVER=SQLite3;Database=/tmp/a.db",
                   "DRIVER={PostgreSQL Unicode};SERVER=h;UID=u;pwd=x"};
  QTest::mouseClick(Edit("edtSrc"), Qt::LeftButton);
  EXPECT_EQ(Edit("edtSrc")->text(), "DRIVER=SQLite3;Database=/tmp/a.db");
  Click("btnEditDest");
  EXPECT_EQ(Edit("edtDest")->text().toStdString(),
            "DRIVER={PostgreSQL Unicode};SERVER=h;UID=u;pwd=x");
  // The editor answers cancel from here on: it hands back the string it started with.
  QTest::keyClick(Edit("edtDest"), Qt::Key_F2);
  QTest::keyClick(Edit("edtSrc"), Qt::Key_Return);
  QTest::keyClick(Edit("edtSrc"), Qt::Key_A);  // typing does not open it, nor change the text
  EXPECT_EQ(edited, (Strings{"", "", "DRIVER={PostgreSQL Unicode};SERVER=h;UID=u;pwd=x",
                             "DRIVER=SQLite3;Database=/tmp/a.db"}));
  EXPECT_EQ(Edit("edtDest")->text().toStdString(),
            "DRIVER={PostgreSQL Unicode};SERVER=h;UID=u;pwd=x");
  EXPECT_EQ(window->Form().edtSrc, "DRIVER=SQLite3;Database=/tmp/a.db");
  // The password question is the editor's own, asked only when it would drop one.
  EXPECT_TRUE(ui.Messages().empty());
}

TEST_F(WindowTest, HelpOpensTheHelpFileNextToTheProgramAndShowsWhyItCouldNot) {
  ui.openCodes = {2, 42};
  Click("btnhelp");
  Choose(kCustomDirection);
  Next();
  Click("Button8");
  EXPECT_EQ(ui.calls, (Strings{"open: /opt/mvq/bin/mvq.chm | open",
                               "error box: 打开文件/opt/mvq/bin/mvq.chm | 文件找不到！",
                               "open: /opt/mvq/bin/mvq.chm | open"}));
}

TEST_F(WindowTest, BrowsingAndDoubleClickingTakeTheChosenFileAndCancelChangesNothing) {
  ui.files = {std::string("/data/新.mdb"), std::nullopt, std::string("/data/out.xls")};
  Click("btnmdb");
  EXPECT_EQ(Edit("edtfilename")->text().toStdString(), "/data/新.mdb");
  QTest::mouseDClick(Edit("edtfilename"), Qt::LeftButton);
  EXPECT_EQ(Edit("edtfilename")->text().toStdString(), "/data/新.mdb");
  Click("btnexcel");
  EXPECT_EQ(Edit("edtxlsfilename")->text(), "/data/out.xls");
  EXPECT_EQ(ui.calls, (Strings{"choose file: " + DefaultDocumentPath("1.mdb") + " | *.mdb|*.mdb",
                               "choose file: /data/新.mdb | *.mdb|*.mdb",
                               "choose file: " + DefaultDocumentPath("1.xls") + " | *.xls|*.xls"}));
}

TEST_F(WindowTest,
       TheAuthenticationChoiceEnablesTheLoginFieldsAndLeavingThePasswordListsDatabases) {
  Choose(0);
  Next();
  Find<QRadioButton>("RBConnw")->click();
  for (const char* name : {"edtsqluser", "edtsqlpassword", "LabelSqlUser", "LabelSqlPassword"}) {
    EXPECT_FALSE(Find(name)->isEnabled()) << name;
  }
  EXPECT_EQ(Edit("edtsqluser")->text(), "sa");  // kept while disabled
  Find<QRadioButton>("RBConnS")->click();
  for (const char* name : {"edtsqluser", "edtsqlpassword", "LabelSqlUser", "LabelSqlPassword"}) {
    EXPECT_TRUE(Find(name)->isEnabled()) << name;
  }

  QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(Edit("edtsqlpassword"), &leave);
  auto* catalog = Find<QComboBox>("edtsqlCatalog");
  EXPECT_EQ(steps->calls, Strings{"catalog"});
  EXPECT_EQ(catalog->count(), 2);
  EXPECT_EQ(catalog->currentText(), "master");
  // A dialog taking the focus is not leaving the field.
  QFocusEvent deactivate(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
  QApplication::sendEvent(Edit("edtsqlpassword"), &deactivate);
  EXPECT_EQ(steps->calls.size(), 1u);
}

}  // namespace
}  // namespace mvq::test
