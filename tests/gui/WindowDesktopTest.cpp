// The window as a desktop program: closing it during a run, its size and place at the next
// start, the help it opens, and Qt's own texts in Chinese.
#include <QCoreApplication>
#include <QFile>
#include <QTranslator>
#include <filesystem>

#include "WindowFixture.h"
#include "gui/HelpPage.h"
#include "gui/QtChinese.h"
#include "gui/WindowSteps.h"
#include "support/utProgress.h"

namespace mvq::test {
namespace {

using Strings = std::vector<std::string>;

TEST_F(WindowTest, ClosingTheWindowDuringARunAsksToCancelItAndClosesWhenTheRunHasEnded) {
  Choose(2);
  Next();
  Next();
  ASSERT_EQ(Page(), kExportPage);
  bool stillOpenDuringRun = false;
  bool cancelSeen = false;
  steps->duringExport = [&] {
    ProgressStart(1, "正在导出", 2, true);
    confirmAnswers = {false};
    window->close();  // declined: the run goes on
    EXPECT_FALSE(ProgressStepLevel(2, 1));
    confirmAnswers = {true};
    window->close();
    stillOpenDuringRun = window->isVisible();
    cancelSeen = ProgressStepLevel(2, 1);
    ProgressClose(true);
  };
  Next();
  EXPECT_EQ(questions, (Strings{"你确定终止吗 | 终止", "你确定终止吗 | 终止"}));
  EXPECT_TRUE(stillOpenDuringRun);
  EXPECT_TRUE(cancelSeen);
  EXPECT_FALSE(window->isVisible());  // closed once the run had ended
  EXPECT_TRUE(std::filesystem::exists(SettingsPath()));
}

TEST_F(WindowTest, ClosingWhenNoStepRunsClosesAtOnceWithoutAQuestion) {
  EXPECT_TRUE(window->close());
  EXPECT_TRUE(questions.empty());
}

TEST_F(WindowTest, TheWindowComesBackWithTheSizeAndPlaceItWasClosedWith) {
  EXPECT_EQ(window->size(), QSize(480, 402));
  window->resize(620, 470);
  window->move(40, 30);
  QApplication::processEvents();
  const QRect closedAt = window->geometry();
  window->close();
  Open();
  EXPECT_EQ(window->geometry(), closedAt);
  // The settings file keeps its own format: the place is kept beside it.
  EXPECT_TRUE(std::filesystem::exists(dir.File("mvq.ini")));
}

TEST(HelpPage, TheChmWhereOneExistsElseTheInstalledHtmlElseTheChmName) {
  TempDir dir;
  std::filesystem::create_directories(dir.File("bin"));
  const std::string program = dir.File("bin/mvq");
  EXPECT_EQ(HelpDocument(program), dir.File("bin/mvq.chm"));
  EXPECT_EQ(HelpPagePath(program), dir.File("share/mvq/mvq-help.html"));
  std::filesystem::create_directories(dir.File("share/mvq"));
  WriteBytes(dir.File("share/mvq/mvq-help.html"), "<html></html>");
  EXPECT_EQ(HelpDocument(program), dir.File("share/mvq/mvq-help.html"));
  WriteBytes(dir.File("bin/mvq.chm"), "ITSF");
  EXPECT_EQ(HelpDocument(program), dir.File("bin/mvq.chm"));
}

TEST(HelpPage, TheBuildPutsThePageWhereTheBuiltProgramLooksForIt) {
  const std::string page = HelpPagePath(std::string(MVQ_BIN_DIR) + "/mvq");
  QFile file(QString::fromStdString(page));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << page;
  const QString html = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(html.contains("<h2>The window</h2>"));
  EXPECT_TRUE(html.contains("<h2>Workbooks</h2>"));
  EXPECT_FALSE(html.contains("<h2>Fuzzing</h2>"));  // not a user's section
}

TEST(ExportErrorText, AWorkbookNotSavedNamesTheFileAndWhyOtherErrorsStayAsTheyCame) {
  TempDir dir;
  EXPECT_EQ(ExportErrorText("Cannot write workbook", dir.File("a.xls"), true),
            "Excel文件" + dir.File("a.xls") + "未能保存：Cannot write workbook");
  EXPECT_EQ(ExportErrorText("ORA-03113: end-of-file on communication channel", "", false),
            "ORA-03113: end-of-file on communication channel");
}

TEST(QtChinese, QtsOwnButtonsAndDialogsSpeakChinese) {
  ASSERT_TRUE(InstallQtChinese(*QCoreApplication::instance()))
      << "Qt's translations are missing (qt6-translations-l10n)";
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "取消");
  EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), "查找范围：");
  for (QTranslator* t : QCoreApplication::instance()->findChildren<QTranslator*>()) {
    QCoreApplication::removeTranslator(t);
    delete t;
  }
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
}

}  // namespace
}  // namespace mvq::test
