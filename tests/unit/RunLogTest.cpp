// The run log: whole lines with a fixed clock, GBK bytes, locked files, failures.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "support/utLog.h"

namespace mvq {
namespace {

using test::ReadBytes;
using test::ScratchDir;

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
    SetLogFileForDay(dir.Path());
  }
  void TearDown() override {
    SetLogClock({});
    LogFileName.clear();
  }
  ScratchDir dir;
};

TEST_F(RunLog, NameIsTheStartDateAndLinesAreTimeStampTextCrLf) {
  EXPECT_EQ(LogFileName, dir.Path() + "Mvq2024.03.07.log");
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

TEST_F(RunLog, ALogLockedByAnotherProcessDropsLinesUntilReleased) {
  WriteLog("before");
  int toChild[2], fromChild[2];
  ASSERT_EQ(::pipe(toChild), 0);
  ASSERT_EQ(::pipe(fromChild), 0);
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    int fd = ::open(LogFileName.c_str(), O_RDWR);
    char c = fd >= 0 && ::flock(fd, LOCK_EX) == 0 ? 'L' : 'E';
    (void)!::write(fromChild[1], &c, 1);
    (void)!::read(toChild[0], &c, 1);  // hold the lock until told
    ::_exit(0);
  }
  char c = 0;
  ASSERT_EQ(::read(fromChild[0], &c, 1), 1);
  ASSERT_EQ(c, 'L');
  EXPECT_TRUE(IsFileLocked(LogFileName));
  EXPECT_NO_THROW(WriteLog("dropped"));
  ASSERT_EQ(::write(toChild[1], "x", 1), 1);
  int status = 0;
  ::waitpid(pid, &status, 0);
  for (int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]}) ::close(fd);

  EXPECT_FALSE(IsFileLocked(LogFileName));
  WriteLog("after");
  EXPECT_EQ(ReadBytes(LogFileName), "2024.03.07 09:05:01 before\r\n2024.03.07 09:05:01 after\r\n");
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
