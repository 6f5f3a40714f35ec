#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/files/DocumentsDir.h"
#include "shell/FormState.h"

namespace mvq {
namespace {

const char* kUserDirs =
    "# written by xdg-user-dirs-update\n"
    "XDG_DESKTOP_DIR=\"$HOME/桌面\"\n"
    "XDG_DOCUMENTS_DIR=\"$HOME/文档\"\n";

TEST(DocumentsDir, TheDesktopsOwnNameWinsThenTheUsualFolderThenHome) {
  EXPECT_EQ(ChooseDocumentsDir("/srv/docs/", kUserDirs, "/home/li", true), "/srv/docs");
  EXPECT_EQ(ChooseDocumentsDir("", kUserDirs, "/home/li", true), "/home/li/文档");
  EXPECT_EQ(ChooseDocumentsDir("relative", "XDG_DOCUMENTS_DIR=\"/data/文件\"\n", "/home/li", true),
            "/data/文件");
  // A relative or unreadable entry is passed over.
  EXPECT_EQ(ChooseDocumentsDir("", "XDG_DOCUMENTS_DIR=\"docs\"\n", "/home/li", true),
            "/home/li/Documents");
  EXPECT_EQ(ChooseDocumentsDir("", "", "/home/li/", false), "/home/li");
  EXPECT_EQ(ChooseDocumentsDir("", kUserDirs, "", false), "");
}

TEST(DocumentsDir, TheFileFieldsStartThereAndNotOnADriveLetter) {
  const char* saved = std::getenv("XDG_DOCUMENTS_DIR");
  const std::string previous = saved ? saved : "";
  setenv("XDG_DOCUMENTS_DIR", "/home/li/文档", 1);
  FormState form;
  EXPECT_EQ(form.edtfilename, "/home/li/文档/1.mdb");
  EXPECT_EQ(form.edtxlsfilename, "/home/li/文档/1.xls");
  if (saved) {
    setenv("XDG_DOCUMENTS_DIR", previous.c_str(), 1);
  } else {
    unsetenv("XDG_DOCUMENTS_DIR");
  }
}

}  // namespace
}  // namespace mvq
