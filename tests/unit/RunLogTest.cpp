// The run log: whole lines with a fixed clock, GBK bytes, locked files, failures.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "support/utLog.h"

namespace mvq {
namespace {

using test::ReadBytes;
using test::TempDir;

class RunLog : public ::testing::Test {
 protected:
  void SetUp() override {
    SetLogClock([] {
      std::tm tm{};
      tm.tm_year = 2024 - 1900;
      tm.tm_mon = 2;
      tm.tm_mday = 7;
      tm.tm_hour = 9;
      tm.tm_min = 5;
      tm.tm_sec = 1;
      return tm;
    });
    SetLogFileForDay(dir.Folder());
  }
  void TearDown() override {
    SetLogClock({});
    LogFileName.clear();
  }
  TempDir dir;
};

TEST_F(RunLog, NameIsTheStartDateAndLinesAreTimeStampTextCrLf) {
  EXPECT_EQ(LogFileName, dir.Folder() + "Mvq2024.03.07.log");
  WriteLog("first");
  WriteLog("");  // the time stamp alone, a visual break
  WriteLog("创建成功:表EMP");
  EXPECT_EQ(ReadBytes(LogFileName),
            "2024.03.07 09:05:01 first\r\n"
            "2024.03.07 09:05:01 \r\n"
            "2024.03.07 09:05:01 \xB4\xB4\xBD\xA8\xB3\xC9\xB9\xA6:\xB1\xED"
            "EMP\r\n");
}

TEST_F(RunLog, ALineBreakInTheTextContinuesWithoutATimeStamp) {
  WriteLog("a\r\nb");
  EXPECT_EQ(ReadBytes(LogFileName), "2024.03.07 09:05:01 a\r\nb\r\n");
}

// A child that takes the log's lock and holds it for holdMs; returns once it holds it.
pid_t HoldLock(int holdMs) {
  int ready[2];
  if (::pipe(ready) != 0) return -1;
  pid_t pid = ::fork();
  if (pid == 0) {
    int fd = ::open(LogFileName.c_str(), O_RDWR);
    char c = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'L' : 'E';
    (void)!::write(ready[1], &c, 1);
    ::usleep(static_cast<useconds_t>(holdMs) * 1000);
    ::_exit(0);
  }
  char c = 0;
  const bool locked = pid > 0 && ::read(ready[0], &c, 1) == 1 && c == 'L';
  ::close(ready[0]);
  ::close(ready[1]);
  return locked ? pid : -1;
}

TEST_F(RunLog, ALockedLogKeepsEveryLine) {
  WriteLog("before");
  // Released within the wait: the line follows the release.
  pid_t pid = HoldLock(200);
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(IsFileLocked(LogFileName));
  WriteLog("waited");
  EXPECT_FALSE(IsFileLocked(LogFileName));
  ::waitpid(pid, nullptr, 0);
  // Held past the wait: the line is written all the same.
  pid = HoldLock(3000);
  ASSERT_GT(pid, 0);
  WriteLog("not dropped");
  EXPECT_TRUE(IsFileLocked(LogFileName));
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  EXPECT_EQ(ReadBytes(LogFileName),
            "2024.03.07 09:05:01 before\r\n2024.03.07 09:05:01 waited\r\n"
            "2024.03.07 09:05:01 not dropped\r\n");
}

TEST_F(RunLog, TwoProcessesWritingTheSameLogBothKeepEveryWholeLine) {
  constexpr int kLines = 2000;
  WriteLog("start");
  auto writeAll = [](char who) {
    for (int i = 0; i < kLines; ++i) WriteLog(std::string(1, who) + std::to_string(i));
  };
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    writeAll('b');
    ::_exit(0);
  }
  writeAll('a');
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  const std::string text = ReadBytes(LogFileName);
  std::set<std::string> seen;
  size_t lines = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "a line without its end";
    const std::string line = text.substr(at, end - at);
    ASSERT_EQ(line.rfind("2024.03.07 09:05:01 ", 0), 0u) << line;
    seen.insert(line.substr(20));
    ++lines;
    at = end + 2;
  }
  EXPECT_EQ(lines, 1u + 2 * kLines);
  for (char who : {'a', 'b'})
    for (int i = 0; i < kLines; ++i)
      EXPECT_TRUE(seen.count(std::string(1, who) + std::to_string(i))) << who << i;
}

TEST_F(RunLog, ADirectoryThatCannotBeWrittenIsAnErrorNamingThePath) {
  test::WriteBytes(dir.File("file"), "");
  SetLogFileForDay(dir.File("file") + "/");
  try {
    WriteLog("x");
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(LogFileName), std::string::npos) << e.what();
  }
  SetLogFileForDay(dir.File("missing") + "/");
  EXPECT_THROW(WriteLog("x"), std::runtime_error);
}

}  // namespace
}  // namespace mvq
