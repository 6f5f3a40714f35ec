// Saving over a file: the old one stays until the new one is complete, and a failure leaves
// nothing beside it; the workbook writers on a full disk.
#include <gtest/gtest.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/files/ReplacingFile.h"
#include "platform/xls/Workbook.h"
#include "support/TempDir.h"

namespace mvq {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  return names;
}

class ReplacingFileTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteBytes(target, "old"); }
  TempDir dir;
  const std::string target = dir.File("book.xlsx");
};

TEST_F(ReplacingFileTest, TheTargetChangesOnlyAtCommitAndNothingIsLeftBeside) {
  fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  {
    ReplacingFile file(target);
    EXPECT_EQ(fs::path(file.TempPath()).parent_path(), fs::path(target).parent_path());
    WriteBytes(file.TempPath(), "new");
    EXPECT_EQ(ReadBytes(target), "old");
    EXPECT_EQ(Names(dir.Folder()).size(), 2u);
    file.Commit();
  }
  EXPECT_EQ(ReadBytes(target), "new");
  EXPECT_EQ(Names(dir.Folder()), std::vector<std::string>{"book.xlsx"});
  EXPECT_EQ(fs::status(target).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
      << "the replaced file keeps the old one's mode";
}

TEST_F(ReplacingFileTest, WithoutCommitTheOldFileStaysAndTheTemporaryGoes) {
  {
    ReplacingFile file(target);
    WriteBytes(file.TempPath(), "half");
  }
  EXPECT_EQ(ReadBytes(target), "old");
  EXPECT_EQ(Names(dir.Folder()), std::vector<std::string>{"book.xlsx"});
}

TEST_F(ReplacingFileTest, TheInterruptPathRemovesTheFilesUnderWay) {
  ReplacingFile a(target), b(dir.File("other.xls"));
  RemovePendingFiles();
  EXPECT_FALSE(fs::exists(a.TempPath()));
  EXPECT_FALSE(fs::exists(b.TempPath()));
  EXPECT_EQ(ReadBytes(target), "old");
}

TEST_F(ReplacingFileTest, AMissingFolderIsTheCauseNamedInChinese) {
  const std::string folder = dir.File("gone");
  try {
    ReplacingFile file(folder + "/x.xls");
    ADD_FAILURE() << "created in a missing folder";
  } catch (const SaveFailure& e) {
    EXPECT_EQ(e.Cause(), "文件夹" + folder + "不存在");
    EXPECT_EQ(std::string(e.what()), "保存文件" + folder + "/x.xls失败:文件夹" + folder + "不存在");
  }
  EXPECT_EQ(WriteFailureCause(folder, ENOSPC, "x"), "磁盘空间不足");
  EXPECT_EQ(WriteFailureCause(dir.Folder(), 0, "zip error"), "zip error");
}

// Both writers on a folder too small for the workbook: the save fails naming the full disk,
// and the old workbook is all the folder holds.
TEST(WorkbookOnAFullDisk, TheSaveFailsAndTheOldWorkbookStays) {
  TempDir dir;
  const std::string folder = dir.File("full");
  fs::create_directory(folder);
  if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
  std::mt19937 random(7);
  for (const char* name : {"book.xls", "book.xlsx"}) {
    SCOPED_TRACE(name);
    const std::string target = folder + "/" + name;
    WriteBytes(target, "old");
    xls::Workbook book(xls::FormatOfPath(target));
    xls::Worksheet& sheet = book.AddSheet("T");
    for (int r = 0; r < 4000; ++r) {
      std::string text(40, ' ');
      for (char& c : text) c = static_cast<char>('a' + random() % 26);
      const xls::Cell row[] = {xls::Cell::Number(r), xls::Cell::Text(text)};
      sheet.AppendRow(row);
    }
    try {
      book.Save(target);
      ADD_FAILURE() << "saved on a full disk";
    } catch (const SaveFailure& e) {
      EXPECT_EQ(e.Cause(), "磁盘空间不足");
    }
    EXPECT_EQ(ReadBytes(target), "old");
    EXPECT_EQ(Names(folder), std::vector<std::string>{name});
    fs::remove(target);
  }
  ::umount2(folder.c_str(), MNT_DETACH);
}

}  // namespace
}  // namespace mvq
