// The workbook model: Excel's sheet order and naming, limits per format, streamed rows,
// date serials and fitted widths.
#include <gtest/gtest.h>

#include <vector>

#include "platform/text/Utf8.h"
#include "platform/xls/SheetName.h"
#include "platform/xls/Unicode.h"
#include "platform/xls/Workbook.h"
#include "platform/xls/XlsError.h"
#include "support/TempDir.h"

namespace mvq::xls {
namespace {

using Names = std::vector<std::string>;

template <typename F>
XlsErrorCode ErrorOf(F&& f) {
  try {
    f();
  } catch (const XlsError& e) {
    return e.code();
  }
  ADD_FAILURE() << "no XlsError";
  return XlsErrorCode::kIo;
}

TEST(Workbook, NewSheetsGoInFrontOfTheActiveSheetLikeExcel) {
  Workbook book(FileFormat::kXls);
  EXPECT_EQ(book.SheetNames(), (Names{"Sheet1", "Sheet2", "Sheet3"}));
  EXPECT_EQ(book.ActiveIndex(), 0u);
  book.AddSheet("A");
  book.AddSheet("A1");
  book.AddSheet("B");
  EXPECT_EQ(book.SheetNames(), (Names{"B", "A1", "A", "Sheet1", "Sheet2", "Sheet3"}));
  EXPECT_EQ(book.ActiveIndex(), 0u);
  EXPECT_EQ(&book.Sheet("b"), &book.SheetAt(0));
  for (const char* n : {"sheet1", "SHEET2", "Sheet3"}) book.DeleteSheet(n);
  EXPECT_EQ(book.SheetNames(), (Names{"B", "A1", "A"}));
  EXPECT_EQ(book.Count(), 3u);
}

TEST(Workbook, UnnamedSheetsCountOnFromSheet4AndSkipTakenNames) {
  Workbook book(FileFormat::kXlsx);
  book.AddSheet("sheet5");
  EXPECT_EQ(book.AddSheet().Name(), "Sheet4");
  EXPECT_EQ(book.AddSheet().Name(), "Sheet6");
}

TEST(Workbook, DeletingTheActiveSheetActivatesItsRightNeighbour) {
  Workbook book(FileFormat::kXls);
  book.AddSheet("X");  // X Sheet1 Sheet2 Sheet3, X active
  book.DeleteSheet("x");
  EXPECT_EQ(book.SheetAt(book.ActiveIndex()).Name(), "Sheet1");
  book.AddSheet("Y");  // in front of Sheet1
  EXPECT_EQ(book.SheetNames(), (Names{"Y", "Sheet1", "Sheet2", "Sheet3"}));
  book.SheetAt(3).SetName("Last");
  book.DeleteSheet("Y");
  book.DeleteSheet("Sheet1");
  book.DeleteSheet("Sheet2");
  EXPECT_EQ(book.SheetNames(), (Names{"Last"}));
  EXPECT_EQ(ErrorOf([&] { book.DeleteSheet("last"); }), XlsErrorCode::kLastSheet);
  EXPECT_EQ(ErrorOf([&] { book.DeleteSheet("nope"); }), XlsErrorCode::kSheetNotFound);
  EXPECT_EQ(book.FindSheet("nope"), nullptr);
}

TEST(Workbook, RefusesNamesExcelRefuses) {
  Workbook book(FileFormat::kXls);
  EXPECT_EQ(ErrorOf([&] { book.AddSheet("SHEET1"); }), XlsErrorCode::kSheetNameDuplicate);
  EXPECT_EQ(ErrorOf([&] { book.AddSheet(std::string(32, 'a')); }), XlsErrorCode::kSheetNameTooLong);
  for (const char* bad : {"a[b", "a]b", "a:b", "a*b", "a?b", "a/b", "a\\b"})
    EXPECT_EQ(ErrorOf([&] { book.AddSheet(bad); }), XlsErrorCode::kSheetNameInvalidChar) << bad;
  EXPECT_EQ(ErrorOf([&] { book.AddSheet("'quoted"); }), XlsErrorCode::kSheetNameInvalidChar);
  EXPECT_EQ(ErrorOf([&] { book.AddSheet("history"); }), XlsErrorCode::kSheetNameReserved);
  EXPECT_EQ(ErrorOf([&] { book.SheetAt(0).SetName("sheet2"); }), XlsErrorCode::kSheetNameDuplicate);
  book.SheetAt(0).SetName("SHEET1");  // its own name in another case is fine
  EXPECT_EQ(book.SheetAt(0).Name(), "SHEET1");
  // 31 Chinese characters are 31 characters, not 93 bytes.
  std::string cjk;
  for (int i = 0; i < 31; ++i) cjk += "表";
  EXPECT_EQ(book.AddSheet(cjk).Name(), cjk);
  EXPECT_EQ(book.Count(), 4u);  // the refused names left nothing behind
}

TEST(SheetName, MakesValidUniqueNamesCloseToTheWantedOne) {
  Workbook book(FileFormat::kXls);
  EXPECT_EQ(book.UniqueSheetName("EMP"), "EMP");
  EXPECT_EQ(book.UniqueSheetName("sheet1"), "sheet1 (2)");
  EXPECT_EQ(book.UniqueSheetName("a/b:c*d?e[f]g\\h"), "a_b_c_d_e_f_g_h");
  EXPECT_EQ(book.UniqueSheetName("'x'"), "x");
  EXPECT_EQ(book.UniqueSheetName("''"), "Sheet");
  EXPECT_EQ(book.UniqueSheetName("History"), "History_");
  const std::string longName = "A_VERY_LONG_TABLE_NAME_FROM_ORACLE_X";  // 36 characters
  const std::string first = book.UniqueSheetName(longName);
  EXPECT_EQ(first, longName.substr(0, 31));
  book.AddSheet(first);
  const std::string second = book.UniqueSheetName(longName);
  EXPECT_EQ(second, longName.substr(0, 27) + " (2)");
  book.AddSheet(second);
  EXPECT_EQ(book.UniqueSheetName(longName), longName.substr(0, 27) + " (3)");
  // Cutting never splits a character, and a cut never leaves an apostrophe at the end.
  std::string cjk;
  for (int i = 0; i < 40; ++i) cjk += "数";
  EXPECT_EQ(text::Utf16Length(book.UniqueSheetName(cjk)), 31u);
  EXPECT_EQ(book.UniqueSheetName(std::string(30, 'q') + "'zz"), std::string(30, 'q'));
  for (const std::string& made : {first, second}) EXPECT_NO_THROW(CheckSheetName(made));
}

TEST(SheetName, CaseIsIgnoredBeyondAscii) {
  EXPECT_TRUE(SameSheetName("Ärger", "äRGER"));
  EXPECT_TRUE(SameSheetName("ΔΕΛΤΑ", "δελτα"));
  EXPECT_TRUE(SameSheetName("ДАННЫЕ", "данные"));
  EXPECT_TRUE(SameSheetName("ＡＢＣ", "ａｂｃ"));
  EXPECT_FALSE(SameSheetName("数据", "数椐"));
  EXPECT_FALSE(SameSheetName("a", "b"));
}

TEST(FileFormat, ChosenByExtensionInAnyCase) {
  EXPECT_EQ(FormatOfPath("/tmp/out.xls"), FileFormat::kXls);
  EXPECT_EQ(FormatOfPath("C.XLS"), FileFormat::kXls);
  EXPECT_EQ(FormatOfPath("/tmp/a.b/out.XlsX"), FileFormat::kXlsx);
  for (const char* bad : {"out.csv", "out", "/tmp/x.xls/out", "out.xlsm", "out.xls.bak"}) {
    try {
      FormatOfPath(bad);
      ADD_FAILURE() << bad;
    } catch (const XlsError& e) {
      EXPECT_EQ(e.code(), XlsErrorCode::kUnsupportedExtension);
      EXPECT_NE(std::string(e.what()).find(".xls or .xlsx"), std::string::npos);
    }
  }
  Workbook book(FileFormat::kXls);
  const test::TempDir dir;
  EXPECT_EQ(ErrorOf([&] { book.Save(dir.File("out.ods")); }), XlsErrorCode::kUnsupportedExtension);
}

TEST(Cells, DatesBecomeExcelSerials) {
  EXPECT_EQ(DateSerial(1900, 1, 1), 1);
  EXPECT_EQ(DateSerial(1900, 2, 28), 59);
  EXPECT_EQ(DateSerial(1900, 3, 1), 61);  // Excel's phantom 1900-02-29 is 60
  EXPECT_EQ(DateSerial(1970, 1, 1), 25569);
  EXPECT_EQ(DateSerial(2024, 3, 7), 45358);
  EXPECT_EQ(DateSerial(9999, 12, 31), 2958465);
  EXPECT_EQ(DateSerial(1899, 12, 31), -1);
  EXPECT_EQ(DateSerial(2023, 2, 29), -1);

  const Cell dt = Cell::DateTime(2024, 3, 7, 18, 0, 0);
  EXPECT_EQ(dt.kind, CellKind::kDateTime);
  EXPECT_DOUBLE_EQ(dt.number, 45358.75);
  EXPECT_DOUBLE_EQ(Cell::Time(6, 0, 0).number, 0.25);
  const Cell old = Cell::Date(1899, 5, 4);
  EXPECT_EQ(old.kind, CellKind::kText);
  EXPECT_EQ(old.text, "1899-05-04");
  EXPECT_EQ(Cell::DateTime(1800, 1, 2, 3, 4, 5, 500000000).text, "1800-01-02 03:04:05.5");
  EXPECT_EQ(Cell::Number(std::numeric_limits<double>::quiet_NaN()).text, "NaN");
  EXPECT_EQ(Cell::Number(-std::numeric_limits<double>::infinity()).text, "-Infinity");
  EXPECT_EQ(Cell::Bool(true).number, 1);
}

TEST(Rows, StreamThroughTheRowFileAndReadBackInOrder) {
  Workbook book(FileFormat::kXls);
  Worksheet& a = book.AddSheet("A");
  const std::string big(20000, 'w');
  a.AppendRow(std::vector<Cell>{Cell::Text("id"), Cell::Text("名字"), Cell::Text("when")});
  a.AppendRow(std::vector<Cell>{Cell::Number(1), Cell::Text(big), Cell::Date(2024, 1, 2),
                                Cell::Bool(false), Cell(), Cell()});
  a.AppendRow(std::vector<Cell>{});
  Worksheet& b = book.AddSheet("B");
  b.AppendRow(std::vector<Cell>{Cell(), Cell::Time(1, 2, 3), Cell::Bool(true)});
  EXPECT_TRUE(a.Finished());  // B's first row finished A
  EXPECT_EQ(ErrorOf([&] { a.AppendRow(std::vector<Cell>{Cell::Number(2)}); }),
            XlsErrorCode::kSheetFinished);
  EXPECT_EQ(a.RowCount(), 3u);
  EXPECT_EQ(a.ColumnCount(), 4u);  // trailing empty cells do not count

  std::vector<CellView> row;
  SheetRowReader ra = book.ReadRows(a);
  ASSERT_TRUE(ra.Next(row));
  ASSERT_EQ(row.size(), 3u);
  EXPECT_EQ(row[1].text, "名字");
  ASSERT_TRUE(ra.Next(row));
  ASSERT_EQ(row.size(), 4u);
  EXPECT_EQ(row[0].kind, CellKind::kNumber);
  EXPECT_EQ(row[0].number, 1);
  EXPECT_EQ(row[1].text, big);
  EXPECT_EQ(row[2].kind, CellKind::kDate);
  EXPECT_EQ(row[2].number, 45293);
  EXPECT_EQ(row[3].kind, CellKind::kBool);
  EXPECT_EQ(row[3].number, 0);
  ASSERT_TRUE(ra.Next(row));
  EXPECT_TRUE(row.empty());
  EXPECT_FALSE(ra.Next(row));

  SheetRowReader rb = book.ReadRows(b);
  ASSERT_TRUE(rb.Next(row));
  ASSERT_EQ(row.size(), 3u);
  EXPECT_EQ(row[0].kind, CellKind::kEmpty);
  EXPECT_EQ(row[1].kind, CellKind::kTime);
  EXPECT_EQ(row[2].number, 1);
  EXPECT_FALSE(rb.Next(row));
  SheetRowReader empty = book.ReadRows(book.Sheet("Sheet1"));
  EXPECT_FALSE(empty.Next(row));
}

TEST(Rows, RowFileWindowHoldsRowsLargerThanItself) {
  Workbook book(FileFormat::kXlsx);
  Worksheet& s = book.AddSheet("S");
  std::vector<Cell> wide;
  for (int i = 0; i < 60; ++i) wide.push_back(Cell::Text(std::string(30000, 'a' + i % 26)));
  for (int r = 0; r < 3; ++r) s.AppendRow(wide);  // 1.8 MB a row
  std::vector<CellView> row;
  SheetRowReader reader = book.ReadRows(s);
  for (int r = 0; r < 3; ++r) {
    ASSERT_TRUE(reader.Next(row));
    ASSERT_EQ(row.size(), 60u);
    EXPECT_EQ(row[59].text, std::string(30000, 'a' + 59 % 26));
  }
  EXPECT_FALSE(reader.Next(row));
}

TEST(Limits, XlsSheetsStopAt65536RowsAnd256Columns) {
  Workbook book(FileFormat::kXls);
  Worksheet& s = book.AddSheet("T");
  const std::vector<Cell> one{Cell::Number(1)};
  for (int r = 0; r < 65536; ++r) s.AppendRow(one);
  try {
    s.AppendRow(one);
    ADD_FAILURE() << "row 65,537 taken";
  } catch (const XlsError& e) {
    EXPECT_EQ(e.code(), XlsErrorCode::kRowLimit);
    EXPECT_NE(std::string(e.what()).find("65536"), std::string::npos);
  }
  EXPECT_EQ(s.RowCount(), 65536u);

  Worksheet& w = book.AddSheet("W");
  std::vector<Cell> cols(257, Cell::Number(1));
  EXPECT_EQ(ErrorOf([&] { w.AppendRow(cols); }), XlsErrorCode::kColumnLimit);
  cols[256] = Cell();  // an empty 257th cell is no column
  w.AppendRow(cols);
  EXPECT_EQ(w.ColumnCount(), 256u);
  EXPECT_EQ(w.RowCount(), 1u);
}

TEST(Limits, XlsxTakesMoreColumnsButTheSameCellText) {
  Workbook book(FileFormat::kXlsx);
  Worksheet& s = book.AddSheet("T");
  s.AppendRow(std::vector<Cell>(300, Cell::Number(1)));
  EXPECT_EQ(s.ColumnCount(), 300u);
  EXPECT_EQ(ErrorOf([&] { s.AppendRow(std::vector<Cell>(16385, Cell::Number(1))); }),
            XlsErrorCode::kColumnLimit);
  std::string text(32767, 'x');
  s.AppendRow(std::vector<Cell>{Cell::Text(text)});
  EXPECT_EQ(ErrorOf([&] { s.AppendRow(std::vector<Cell>{Cell::Text(text + "y")}); }),
            XlsErrorCode::kCellTextTooLong);
  // 20,000 Chinese characters are 60,000 bytes but 20,000 characters: allowed.
  std::string cjk;
  for (int i = 0; i < 20000; ++i) cjk += "汉";
  s.AppendRow(std::vector<Cell>{Cell::Text(cjk)});
  EXPECT_EQ(s.RowCount(), 3u);
  // A sheet made for .xlsx with more than 256 columns cannot be saved as .xls.
  const test::TempDir dir;
  EXPECT_EQ(ErrorOf([&] { book.Save(dir.File("never-written.xls")); }), XlsErrorCode::kColumnLimit);
}

TEST(Widths, FollowTheWidestCellOfEachColumn) {
  Workbook book(FileFormat::kXls);
  Worksheet& s = book.AddSheet("W");
  s.FitColumnWidths();
  s.AppendRow(
      std::vector<Cell>{Cell::Text("ID"), Cell::Text("NAME"), Cell::Text("D"), Cell::Text("F")});
  s.AppendRow(std::vector<Cell>{Cell::Number(1234567), Cell::Text("中文名字"),
                                Cell::DateTime(2024, 1, 1, 0, 0, 0), Cell::Bool(false)});
  s.AppendRow(std::vector<Cell>{Cell::Number(-2.5), Cell::Text("ab"), Cell::Date(2024, 1, 1)});
  EXPECT_EQ(s.ContentWidths(), (std::vector<uint32_t>{7, 8, 19, 5}));
  EXPECT_TRUE(s.FitsColumnWidths());
  EXPECT_EQ(DisplayWidth("aé中"), 4u);
}

}  // namespace
}  // namespace mvq::xls
