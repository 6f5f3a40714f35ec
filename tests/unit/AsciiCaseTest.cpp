#include "platform/text/AsciiCase.h"

#include <gtest/gtest.h>

namespace mvq::text {
namespace {

TEST(AsciiCase, FoldsAsciiLettersOnlyAndLeavesEveryOtherByteAlone) {
  EXPECT_EQ(AsciiLower("Driver={SQL Server};[Z]@`"), "driver={sql server};[z]@`");
  EXPECT_EQ(AsciiUpper("numeric(10,2)_az{}"), "NUMERIC(10,2)_AZ{}");
  // UTF-8 and GBK bytes are all 0x80 and above: Ä, 客户 in UTF-8 and in GBK.
  const std::string nonAscii = "\xC3\x84\xE5\xAE\xA2\xE6\x88\xB7\xBF\xCD\xBB\xA7";
  EXPECT_EQ(AsciiLower(nonAscii), nonAscii);
  EXPECT_EQ(AsciiUpper(nonAscii), nonAscii);
}

TEST(AsciiCase, ComparesEndsAndSearchesWithoutCase) {
  EXPECT_TRUE(SameIgnoringCase("ItemIndex", "ITEMINDEX"));
  EXPECT_FALSE(SameIgnoringCase("ItemIndex", "ItemIndexes"));
  EXPECT_FALSE(SameIgnoringCase("a_", "A?"));
  EXPECT_TRUE(EndsWithIgnoringCase("Book.XLSX", ".xlsx"));
  EXPECT_FALSE(EndsWithIgnoringCase("xls", ".xls"));
  EXPECT_TRUE(ContainsIgnoringCase("Uid=me;PWD=x", "pwd="));
  EXPECT_TRUE(ContainsIgnoringCase("libsqlite3odbc.so", "SQLite3ODBC"));
  EXPECT_FALSE(ContainsIgnoringCase("Uid=me", "pwd="));
}

}  // namespace
}  // namespace mvq::text
