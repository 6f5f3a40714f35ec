// Workbooks written by our writers and read back by the real readers: xlrd (both formats)
// and openpyxl (.xlsx) under /usr/bin/python3, and gnumeric's ssconvert for .xls.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/xls/Workbook.h"
#include "platform/xls/XlsError.h"
#include "support/TempDir.h"
#include "support/WorkbookReadBack.h"

namespace mvq::xls {
namespace {

using test::SheetDump;

#define REQUIRE_READERS()                                                       \
  do {                                                                          \
    if (const std::string missing = test::ReadersMissing(); !missing.empty()) { \
      const char* req = std::getenv("MVQ_REQUIRE_ENGINES");                     \
      if (req && std::string(req) == "1") FAIL() << missing;                    \
      GTEST_SKIP() << missing;                                                  \
    }                                                                           \
  } while (0)

class ReadBackTest : public ::testing::TestWithParam<FileFormat> {
 protected:
  std::string Path(const std::string& stem) {
    return dir_.File(stem + (GetParam() == FileFormat::kXls ? ".xls" : ".xlsx"));
  }
  // Every reader that reads this format.
  std::vector<std::string> Readers() const {
    if (GetParam() == FileFormat::kXls) return {"xlrd"};
    return {"xlrd", "openpyxl"};
  }
  test::TempDir dir_;
};

std::vector<Cell> Header() {
  std::vector<Cell> h;
  for (const char* n : {"ID", "NAME", "PRICE", "BORN", "STAMP", "AT", "OK", "NOTE"})
    h.push_back(Cell::Text(n));
  return h;
}

TEST_P(ReadBackTest, SheetOrderHeaderAndTypedValues) {
  REQUIRE_READERS();
  Workbook book(GetParam());
  // Table A in two pages, then table B: tabs read B, A1, A once the initial sheets go.
  Worksheet& a = book.AddSheet("A");
  a.FitColumnWidths();
  a.AppendRow(Header());
  a.AppendRow(std::vector<Cell>{Cell::Number(1), Cell::Text("张三"), Cell::Number(19.99),
                                Cell::Date(1990, 5, 17), Cell::DateTime(2024, 3, 7, 9, 5, 1),
                                Cell::Time(12, 30, 0), Cell::Bool(true), Cell()});
  a.AppendRow(std::vector<Cell>{Cell::Number(-7), Cell::Text("O'Brien \"quoted\" <&>"),
                                Cell::Number(1e300), Cell::Date(1900, 1, 1),
                                Cell::DateTime(9999, 12, 31, 23, 59, 59), Cell(), Cell::Bool(false),
                                Cell::Text("line1\nline2\ttab")});
  a.AppendRow(std::vector<Cell>{Cell::Number(123456789012.0), Cell(), Cell::Number(0.1)});
  Worksheet& a1 = book.AddSheet("A1");
  a1.AppendRow(Header());
  a1.AppendRow(std::vector<Cell>{Cell::Number(4), Cell::Text("第二页"), Cell::Text("")});
  Worksheet& b = book.AddSheet("B");
  b.AppendRow(std::vector<Cell>{Cell::Text("ONLY")});
  for (const char* n : {"sheet1", "sheet2", "sheet3"}) book.DeleteSheet(n);
  const std::string path = Path("typed");
  book.Save(path);

  for (const std::string& reader : Readers()) {
    SCOPED_TRACE(reader);
    const auto sheets = test::ReadWorkbook(path, reader, true);
    ASSERT_EQ(test::SheetNames(sheets), (std::vector<std::string>{"B", "A1", "A"}));
    const SheetDump& s = sheets[2];
    EXPECT_EQ(s.rows, 4);
    EXPECT_EQ(s.cols, 8);
    EXPECT_EQ(s.At(0, 0), "text:ID");
    EXPECT_EQ(s.At(0, 7), "text:NOTE");
    EXPECT_EQ(s.At(1, 0), "number:1");
    EXPECT_EQ(s.At(1, 1), "text:张三");
    EXPECT_EQ(s.At(1, 2), "number:19.99");
    EXPECT_EQ(s.At(1, 3), "date:1990-05-17 00:00:00");
    EXPECT_EQ(s.At(1, 4), "date:2024-03-07 09:05:01");
    EXPECT_EQ(s.At(1, 5), "date:12:30:00");
    EXPECT_EQ(s.At(1, 6), "bool:TRUE");
    EXPECT_EQ(s.At(1, 7), "");
    EXPECT_EQ(s.At(2, 0), "number:-7");
    EXPECT_EQ(s.At(2, 1), "text:O'Brien \"quoted\" <&>");
    EXPECT_EQ(s.At(2, 2), "number:1e+300");
    EXPECT_EQ(s.At(2, 3), "date:1900-01-01 00:00:00");
    EXPECT_EQ(s.At(2, 4), "date:9999-12-31 23:59:59");
    EXPECT_EQ(s.At(2, 5), "");
    EXPECT_EQ(s.At(2, 6), "bool:FALSE");
    EXPECT_EQ(s.At(2, 7), "text:line1\nline2\ttab");
    EXPECT_EQ(s.At(3, 0), "number:123456789012");
    EXPECT_EQ(s.At(3, 2), "number:0.1");
    EXPECT_EQ(s.cells.size(), 24u);  // 8 + 7 + 7 + 2, nothing else
    EXPECT_EQ(sheets[1].At(1, 1), "text:第二页");
    EXPECT_EQ(sheets[1].At(1, 2), "");  // empty text is an empty cell
    EXPECT_EQ(sheets[0].rows, 1);
    EXPECT_EQ(sheets[0].At(0, 0), "text:ONLY");

    // Fitted widths on A, one character over the widest content: 123456789012 shows as
    // 1.23457E+11 (11), the date-time as 19, the note as 15 characters.
    if (reader == "openpyxl" || GetParam() == FileFormat::kXls) {
      ASSERT_EQ(s.widths.size(), 8u);
      const double unit = GetParam() == FileFormat::kXls ? 256 : 1;
      EXPECT_NEAR(s.widths.at(0) / unit, 12, 0.75);
      EXPECT_NEAR(s.widths.at(1) / unit, 21, 0.75);  // O'Brien "quoted" <&> has 20
      EXPECT_NEAR(s.widths.at(4) / unit, 20, 0.75);
      EXPECT_NEAR(s.widths.at(7) / unit, 16, 0.75);
      EXPECT_TRUE(sheets[1].widths.empty());  // A1 did not ask
    }
  }
}

TEST_P(ReadBackTest, NoTableKeepsTheThreeInitialSheets) {
  REQUIRE_READERS();
  Workbook book(GetParam());
  const std::string path = Path("none");
  book.Save(path);
  for (const std::string& reader : Readers()) {
    SCOPED_TRACE(reader);
    const auto sheets = test::ReadWorkbook(path, reader);
    EXPECT_EQ(test::SheetNames(sheets), (std::vector<std::string>{"Sheet1", "Sheet2", "Sheet3"}));
    for (const auto& s : sheets) EXPECT_TRUE(s.cells.empty());
  }
}

TEST_P(ReadBackTest, TextsXmlCannotCarryStillReadBack) {
  REQUIRE_READERS();
  Workbook book(GetParam());
  Worksheet& s = book.AddSheet("X");
  s.AppendRow(std::vector<Cell>{Cell::Text("a\x01"
                                           "b"),
                                Cell::Text("bad\xff\xfe"
                                           "x"),
                                Cell::Text("_x0041_ a_b \x1f"), Cell::Text("x\xef\xbf\xbey")});
  const std::string path = Path("xml");
  book.Save(path);
  const auto sheets = test::ReadWorkbook(path, "xlrd");
  ASSERT_EQ(sheets.size(), 4u);
  EXPECT_EQ(sheets[0].At(0, 0),
            "text:a\x01"
            "b");
  EXPECT_EQ(sheets[0].At(0, 1), "text:bad\uFFFD\uFFFDx");  // malformed bytes: U+FFFD each
  EXPECT_EQ(sheets[0].At(0, 2), "text:_x0041_ a_b \x1f");
  if (GetParam() == FileFormat::kXlsx) {
    EXPECT_EQ(sheets[0].At(0, 3), "text:x\uFFFDy");  // U+FFFE is no XML character
  }
}

TEST_P(ReadBackTest, HundredThousandDistinctStrings) {
  REQUIRE_READERS();
  Workbook book(GetParam());
  Worksheet& s = book.AddSheet("S");
  for (int r = 0; r < 50000; ++r)
    s.AppendRow(std::vector<Cell>{Cell::Text("k" + std::to_string(r)),
                                  Cell::Text("值" + std::to_string(r * 7)),
                                  Cell::Text(r % 2 ? "odd" : "even")});
  const std::string path = Path("strings");
  book.Save(path);
  const auto sheets = test::ReadWorkbook(path, "xlrd");
  ASSERT_EQ(sheets.size(), 4u);
  const SheetDump& d = sheets[0];
  ASSERT_EQ(d.rows, 50000);
  ASSERT_EQ(d.cells.size(), 150000u);
  for (int r = 0; r < 50000; ++r) {
    ASSERT_EQ(d.At(r, 0), "text:k" + std::to_string(r)) << r;
    ASSERT_EQ(d.At(r, 1), "text:值" + std::to_string(r * 7)) << r;
    ASSERT_EQ(d.At(r, 2), r % 2 ? "text:odd" : "text:even") << r;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, ReadBackTest,
                         ::testing::Values(FileFormat::kXls, FileFormat::kXlsx),
                         [](const auto& info) {
                           return info.param == FileFormat::kXls ? "xls" : "xlsx";
                         });

class XlsReadBack : public ::testing::Test {
 protected:
  test::TempDir dir_;
  std::string path_ = dir_.File("full.xls");
};

TEST_F(XlsReadBack, FullSheetReachesRow65536AndColumnIV) {
  REQUIRE_READERS();
  Workbook book(FileFormat::kXls);
  Worksheet& s = book.AddSheet("FULL");
  std::vector<Cell> wide;
  for (int c = 0; c < 256; ++c) wide.push_back(Cell::Number(c));
  s.AppendRow(wide);
  for (int r = 1; r < 65536; ++r) s.AppendRow(std::vector<Cell>{Cell::Number(r)});
  // A 70,000-row table cannot go on one .xls sheet: row 65,537 is refused and the sheet
  // keeps its 65,536 rows.
  try {
    s.AppendRow(std::vector<Cell>{Cell::Number(65536)});
    ADD_FAILURE() << "row 65,537 was taken";
  } catch (const XlsError& e) {
    EXPECT_EQ(e.code(), XlsErrorCode::kRowLimit);
  }
  book.Save(path_);
  const auto sheets = test::ReadWorkbook(path_, "xlrd");
  ASSERT_EQ(sheets.size(), 4u);
  EXPECT_EQ(sheets[0].rows, 65536);
  EXPECT_EQ(sheets[0].cols, 256);
  EXPECT_EQ(sheets[0].At(0, 255), "number:255");
  EXPECT_EQ(sheets[0].At(65535, 0), "number:65535");
}

TEST_F(XlsReadBack, LongStringsSpanContinueRecords) {
  REQUIRE_READERS();
  Workbook book(FileFormat::kXls);
  Worksheet& s = book.AddSheet("LONG");
  std::string cjk;
  for (int i = 0; i < 5000; ++i) cjk += (i % 2 ? "长" : "文");
  const std::vector<std::string> texts = {std::string(10000, 'a'), cjk, std::string(32767, 'z'),
                                          "tail"};
  for (const auto& t : texts) s.AppendRow(std::vector<Cell>{Cell::Text(t)});
  book.Save(path_);
  const auto sheets = test::ReadWorkbook(path_, "xlrd");
  ASSERT_EQ(sheets.size(), 4u);
  for (size_t r = 0; r < texts.size(); ++r)
    EXPECT_EQ(sheets[0].At(static_cast<int>(r), 0), "text:" + texts[r]);
}

TEST_F(XlsReadBack, GnumericOpensItWithoutWarnings) {
  if (::access("/usr/bin/ssconvert", X_OK) != 0) GTEST_SKIP() << "gnumeric's ssconvert is absent";
  Workbook book(FileFormat::kXls);
  Worksheet& s = book.AddSheet("G");
  s.FitColumnWidths();
  s.AppendRow(
      std::vector<Cell>{Cell::Text("ID"), Cell::Text("名称"), Cell::Text("D"), Cell::Text("B")});
  for (int r = 1; r <= 2000; ++r)
    s.AppendRow(std::vector<Cell>{Cell::Number(r), Cell::Text("名" + std::to_string(r % 300)),
                                  Cell::Date(2024, 2, 1 + r % 28), Cell::Bool(r % 3 == 0)});
  s.AppendRow(std::vector<Cell>{Cell::Number(0.5), Cell::Text(std::string(9000, 'q'))});
  book.Save(path_);
  const std::string csv = path_ + ".csv";
  int status = 0;
  const std::string messages = test::RunReader(
      "/usr/bin/ssconvert --export-type=Gnumeric_stf:stf_csv '" + path_ + "' '" + csv + "' 2>&1",
      &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(messages, "");
  std::ifstream in(csv);
  std::string line1, line2;
  std::getline(in, line1);
  std::getline(in, line2);
  EXPECT_EQ(line1, "ID,名称,D,B");
  // Gnumeric writes dates in its own CSV form, whatever their format in the workbook.
  for (char& c : line2) c = c == '/' ? '-' : c;
  EXPECT_EQ(line2, "1,名1,2024-02-02,FALSE");
}

}  // namespace
}  // namespace mvq::xls
