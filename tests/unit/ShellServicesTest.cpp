#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "shell/ShellError.h"
#include "shell/ShellServices.h"
#include "support/RecordingUi.h"

namespace mvq {
namespace {

TEST(ErrorBoxText, AppendsAPointAfterCharactersAboveThePoint) {
  EXPECT_EQ(ErrorBoxText("文件c:\\1.xls已存在"), "文件c:\\1.xls已存在.");
  EXPECT_EQ(ErrorBoxText("Table EMP"), "Table EMP.");
  EXPECT_EQ(ErrorBoxText("version 2"), "version 2.");  // digits sort above "."
  EXPECT_EQ(ErrorBoxText("path /"), "path /.");        // "/" is 0x2F
  EXPECT_EQ(ErrorBoxText("全角句号。"), "全角句号。.");
  EXPECT_EQ(ErrorBoxText("ends in é"), "ends in é.");  // two-byte character
  EXPECT_EQ(ErrorBoxText("ends in 😀"), "ends in 😀.");  // four-byte character
}

TEST(ErrorBoxText, LeavesTextEndingAtOrBelowThePointAlone) {
  EXPECT_EQ(ErrorBoxText(""), "");
  EXPECT_EQ(ErrorBoxText("done."), "done.");
  EXPECT_EQ(ErrorBoxText("失败!"), "失败!");
  EXPECT_EQ(ErrorBoxText("(ORA-01017)"), "(ORA-01017)");
  EXPECT_EQ(ErrorBoxText("dashes --"), "dashes --");
  EXPECT_EQ(ErrorBoxText("line\r\n"), "line\r\n");
  EXPECT_EQ(ErrorBoxText("trailing "), "trailing ");
}

TEST(RunGuarded, ShowsAnyEscapingErrorOnceWithThePointRule) {
  test::RecordingUi ui;
  EXPECT_TRUE(RunGuarded(ui, [&] { ui.Message("ok"); }));
  EXPECT_FALSE(RunGuarded(ui, [] { throw ShellError("oracle设置中端口不能为空"); }));
  EXPECT_FALSE(RunGuarded(ui, [] { throw std::runtime_error("unexpected."); }));
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"message: ok", "error: oracle设置中端口不能为空.",
                                                "error: unexpected."}));
}

TEST(VersionForCaption, KeepsMajorAndMinor) {
  EXPECT_EQ(VersionForCaption("3.1.0.0"), "3.1");
  EXPECT_EQ(VersionForCaption("10.2.0.0"), "10.2");
  EXPECT_EQ(VersionForCaption("7"), "7");
  EXPECT_EQ(VersionForCaption("75"), "7");
  EXPECT_EQ(VersionForCaption(""), "");
  EXPECT_EQ(VersionForCaption("4."), "4.");
}

TEST(VersionForCaption, AMissingVersionRecordIsReportedAndGivesNothing) {
  test::RecordingUi ui;
  EXPECT_EQ(GetFileVersionText(ui, "2.5.1.0"), "2.5");
  EXPECT_TRUE(ui.calls.empty());
  EXPECT_EQ(GetFileVersionText(ui, std::nullopt), "");
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"error box: 错误 | "
                                                "获取产品信息时遇到致命错误，请尝试重新启动软件。\r"
                                                "若仍未能解决问题，请联系产品服务人员。"}));
}

TEST(OpenDocument, ShowsTheErrorBoxChosenByTheCode) {
  test::RecordingUi ui;
  ui.openCodes = {33, 32, 0, 2, 3, 11, 27, 31};
  std::vector<int> codes;
  for (int i = 0; i < 8; ++i) codes.push_back(OpenDocument(ui, "/opt/mvq/mvq.chm", "open"));
  EXPECT_EQ(codes, (std::vector<int>{33, 32, 0, 2, 3, 11, 27, 31}));
  const std::string open = "open: /opt/mvq/mvq.chm | open";
  const std::string box = "error box: 打开文件/opt/mvq/mvq.chm | ";
  EXPECT_EQ(ui.calls, (std::vector<std::string>{
                          open, open, box + "文件运行错误！", open, box + "操作系统内存资源不足！",
                          open, box + "文件找不到！", open, box + "路径找不到！", open,
                          box + "文件执行格式错误，不能打开！", open, box + "文件名错误！", open,
                          box + "文件运行错误！"}));
}

TEST(ShellServices, HelpFileSitsNextToTheExecutable) {
  EXPECT_EQ(HelpFileName("/opt/mvq/bin/mvq"), "/opt/mvq/bin/mvq.chm");
  EXPECT_EQ(HelpFileName("/opt/mvq.d/bin/mvq.bin"), "/opt/mvq.d/bin/mvq.chm");
}

TEST(ShellServices, BrowseChangesTheFieldOnlyWhenConfirmed) {
  test::RecordingUi ui;
  std::string field = "c:\\1.mdb";
  ui.files = {std::nullopt, "/data/北京.mdb"};
  EXPECT_FALSE(BrowseFileName(ui, field, "*.mdb|*.mdb"));
  EXPECT_EQ(field, "c:\\1.mdb");
  EXPECT_TRUE(BrowseFileName(ui, field, "*.mdb|*.mdb"));
  EXPECT_EQ(field, "/data/北京.mdb");
  EXPECT_EQ(ui.calls, (std::vector<std::string>{"choose file: c:\\1.mdb | *.mdb|*.mdb",
                                                "choose file: c:\\1.mdb | *.mdb|*.mdb"}));
}

}  // namespace
}  // namespace mvq
