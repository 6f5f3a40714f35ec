// Shell services without a window: version text, opening documents, closing windows by
// title, trimming memory, and where the program keeps its files.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "platform/desktop/FileVersion.h"
#include "platform/desktop/OpenDocument.h"
#include "platform/desktop/TopWindows.h"
#include "platform/desktop/WorkingSet.h"
#include "platform/files/AppDir.h"
#include "support/TempDir.h"

namespace mvq {
namespace {

using test::TempDir;

TEST(FileVersionRecord, OurExecutableCarriesTheBuildVersionAndOtherFilesNone) {
  const std::optional<std::string> own = FileVersionOf(ExecutablePath());
  ASSERT_TRUE(own.has_value());
  EXPECT_NE(own->find('.'), std::string::npos);

  TempDir dir;
  test::WriteBytes(dir.File("other"), "x");
  EXPECT_EQ(FileVersionOf(dir.File("other")), std::nullopt);
}

TEST(FileVersionRecord, AnInjectedSourceAnswersInstead) {
  auto previous = SetFileVersionSource([](const std::string& f) -> std::optional<std::string> {
    if (f == "a") return "10.2.0.0";
    if (f == "empty") return "";
    return std::nullopt;
  });
  EXPECT_EQ(FileVersionOf("a"), "10.2.0.0");
  EXPECT_EQ(FileVersionOf("empty"), "");
  EXPECT_EQ(FileVersionOf("b"), std::nullopt);
  SetFileVersionSource(std::move(previous));
}

class OpenDocumentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = SetDocumentLauncher([this](const std::string& file, const std::string& verb) {
      launched.push_back(verb + " " + file);
      return result;
    });
  }
  void TearDown() override { SetDocumentLauncher(std::move(previous_)); }

  TempDir dir;
  std::vector<std::string> launched;
  int result = kOpenStarted;

 private:
  DocumentLauncher previous_;
};

TEST_F(OpenDocumentTest, MissingFilesAndDirectoriesGiveTheirCodesWithoutTheLauncher) {
  std::string missing = dir.File("mvq.chm");
  EXPECT_EQ(OpenDocument(missing, "open"), 2);
  std::string noDir = dir.File("gone/Mvq2024.03.07.log");
  EXPECT_EQ(OpenDocument(noDir, "open"), 3);
  test::WriteBytes(dir.File("plain"), "");
  EXPECT_EQ(OpenDocument(dir.File("plain/x.log"), "open"), 3);
  EXPECT_EQ(OpenDocument("", "open"), 27);
  EXPECT_TRUE(launched.empty());
}

TEST_F(OpenDocumentTest, ExistingFilesAndLinksGoToTheLauncherAndItsCodeDecides) {
  std::string log = dir.File("Mvq2024.03.07.log");
  test::WriteBytes(log, "x");
  EXPECT_EQ(OpenDocument(log, "open"), kOpenStarted);
  EXPECT_EQ(OpenDocument("https://example.org/help", "open"), kOpenStarted);
  EXPECT_EQ(launched, (std::vector<std::string>{"open " + log, "open https://example.org/help"}));

  for (const int code : {0, 11, 31, 32}) {
    result = code;
    EXPECT_EQ(OpenDocument(log, "open"), code);
  }
}

TEST(OpenDocumentXdg, StartsTheHandlerInTheBackgroundWithoutWaitingForIt) {
  TempDir dir;
  std::string fake = dir.File("xdg-open");
  std::string marker = dir.File("opened");
  // A slow viewer: it records its argument after two seconds.
  test::WriteBytes(fake, "#!/bin/sh\nsleep 2\nprintf '%s' \"$1\" > '" + marker + "'\n");
  ASSERT_EQ(::chmod(fake.c_str(), 0755), 0);
  std::string doc = dir.File("-a b.log");
  test::WriteBytes(doc, "x");
  std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
  ::setenv("PATH", (dir.Folder() + ":" + path).c_str(), 1);

  auto start = std::chrono::steady_clock::now();
  int code = OpenDocument(doc, "open");
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GT(code, 32);
  EXPECT_LT(took, std::chrono::milliseconds(1500));
  for (int i = 0; i < 100 && test::ReadBytes(marker).empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(test::ReadBytes(marker), doc);

  ::setenv("PATH", dir.File("nothing-here").c_str(), 1);  // no xdg-open at all
  EXPECT_EQ(OpenDocument(doc, "open"), kOpenNoHandler);
  ::setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(OpenDocument(doc, "print"), kOpenNoHandler);
}

class FakeWindows : public WindowRegistry {
 public:
  std::vector<WindowId> TopLevelWindows() override {
    std::vector<WindowId> ids;
    for (const auto& [id, title] : open) ids.push_back(id);
    return ids;
  }
  std::string WindowTitle(WindowId w) override { return open.count(w) ? open[w] : ""; }
  void CloseWindow(WindowId w) override {
    closed.push_back(w);
    open.erase(w);
  }
  std::map<WindowId, std::string> open;
  std::vector<WindowId> closed;
};

TEST(CloseWindowsByTitle, ClosesTheWindowsWhoseTitleContainsTheTextIgnoringAsciiCase) {
  FakeWindows windows;
  windows.open = {{1, "通用数据格式转换工具mvq V1.0"},
                  {2, "mvq 帮助"},
                  {3, "帮助 - HELP viewer"},
                  {4, "进度"},
                  {5, std::string(300, 'x') + "帮助"},  // beyond what a title buffer holds
                  {6, "Help"}};
  auto* previous = SetWindowRegistry(&windows);
  CloseWindowsByTitle("帮助");
  EXPECT_EQ(windows.closed, (std::vector<WindowId>{2, 3}));
  CloseWindowsByTitle("hElP");
  EXPECT_EQ(windows.closed, (std::vector<WindowId>{2, 3, 6}));
  CloseWindowsByTitle("");  // would match every title
  EXPECT_EQ(windows.open.size(), 3u);
  SetWindowRegistry(previous);
  EXPECT_NO_THROW(CloseWindowsByTitle("帮助"));  // no registry: no windows
}

TEST(TrimWorkingSet, ReturnsMemoryAndThenLetsTheWindowProcessEvents) {
  int pumped = 0;
  auto previous = SetEventPump([&] { ++pumped; });
  TrimWorkingSet();
  EXPECT_EQ(pumped, 1);
  SetEventPump(std::move(previous));
  EXPECT_NO_THROW(TrimWorkingSet());
  EXPECT_EQ(pumped, 1);
}

TEST(AppDir, IsTheExecutablesDirectoryWithItsSeparator) {
  std::string dir = GetAppDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_EQ(ExecutablePath().substr(0, dir.size()), dir);
  EXPECT_EQ(ChangeFileExt("/opt/mvq/bin/mvq", ".set"), "/opt/mvq/bin/mvq.set");
  EXPECT_EQ(ChangeFileExt("/opt/mvq/bin/mvq.exe", ".chm"), "/opt/mvq/bin/mvq.chm");
  EXPECT_EQ(ChangeFileExt("/opt/mvq.d/mvq", ".set"), "/opt/mvq.d/mvq.set");
}

TEST(AppDir, FilesGoNextToTheExecutableWhenWritableElseToTheUsersDataDirectory) {
  TempDir dir;
  EXPECT_EQ(ChooseDataDir(dir.Folder(), "/xdg", "/home/u"), dir.Folder());
  std::string gone = dir.File("gone/");
  EXPECT_EQ(ChooseDataDir(gone, "/xdg", "/home/u"), "/xdg/mvq/");
  EXPECT_EQ(ChooseDataDir(gone, "relative", "/home/u/"), "/home/u/.local/share/mvq/");
  EXPECT_EQ(ChooseDataDir(gone, "", "/home/u"), "/home/u/.local/share/mvq/");
  if (::geteuid() != 0) {  // root writes anywhere
    ASSERT_EQ(::chmod(dir.Folder().c_str(), 0500), 0);
    EXPECT_EQ(ChooseDataDir(dir.Folder(), "/xdg", ""), "/xdg/mvq/");
    ::chmod(dir.Folder().c_str(), 0700);
  }
  std::string data = AppDataDir();
  EXPECT_EQ(data.back(), '/');
  std::string set = SettingsFilePath();
  EXPECT_EQ(set.substr(0, data.size()), data);
  EXPECT_EQ(set.substr(set.size() - 4), ".set");
}

}  // namespace
}  // namespace mvq
