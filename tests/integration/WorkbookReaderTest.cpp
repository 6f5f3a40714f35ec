// Our workbook reader against the real readers (xlrd, and openpyxl for .xlsx) on the same
// files: every cell the same text, number or boolean.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/xls/Workbook.h"
#include "platform/xls/WorkbookReader.h"
#include "support/TempDir.h"
#include "support/WorkbookReadBack.h"

namespace mvq::xls {
namespace {

// The cell as read_workbook.py prints it; a number as "number" alone, compared by value.
std::string AsDumped(const Cell& c) {
  switch (c.kind) {
    case CellKind::kText:
      return "text:" + c.text;
    case CellKind::kBool:
      return c.number != 0 ? "bool:TRUE" : "bool:FALSE";
    case CellKind::kEmpty:
      return "";
    default:
      return "number";
  }
}

class ReaderAgainstPython : public ::testing::TestWithParam<FileFormat> {};

TEST_P(ReaderAgainstPython, EveryCellReadsAsTheRealReadersReadIt) {
  if (const std::string missing = test::ReadersMissing(); !missing.empty()) GTEST_SKIP() << missing;
  const test::TempDir dir;
  const std::string path = dir.File(GetParam() == FileFormat::kXls ? "book.xls" : "book.xlsx");
  {
    Workbook book(GetParam());
    for (int sheet = 0; sheet < 3; ++sheet) {
      Worksheet& s = book.AddSheet("第" + std::to_string(sheet) + "页");
      for (int r = 0; r < 700; ++r) {
        std::vector<Cell> row;
        row.push_back(Cell::Number(r * 1.5 - sheet));
        row.push_back(Cell::Text("文本 " + std::to_string(r * 7 % 300) + std::string(r % 40, 'z')));
        row.push_back(r % 5 ? Cell() : Cell::Bool(r % 2 == 0));
        row.push_back(Cell::Number(r * 123456.789e10));
        row.push_back(Cell::Text(r % 3 ? "a\tb" : "x"));
        s.AppendRow(row);
      }
    }
    for (const char* n : {"sheet1", "sheet2", "sheet3"}) book.DeleteSheet(n);
    book.Save(path);
  }
  const std::vector<ReadSheet> ours = ReadWorkbookFile(path);
  std::vector<std::string> readers{"xlrd"};
  if (GetParam() == FileFormat::kXlsx) readers.push_back("openpyxl");
  for (const std::string& reader : readers) {
    SCOPED_TRACE(reader);
    const std::vector<test::SheetDump> theirs = test::ReadWorkbook(path, reader);
    ASSERT_EQ(theirs.size(), ours.size());
    for (size_t i = 0; i < ours.size(); ++i) {
      EXPECT_EQ(ours[i].name, theirs[i].name);
      EXPECT_EQ(static_cast<int>(ours[i].rows.size()), theirs[i].rows);
      size_t cells = 0;
      for (size_t r = 0; r < ours[i].rows.size(); ++r)
        for (size_t c = 0; c < ours[i].rows[r].size(); ++c) {
          const std::string mine = AsDumped(ours[i].rows[r][c]);
          if (mine.empty()) continue;
          ++cells;
          const std::string seen = theirs[i].At(static_cast<int>(r), static_cast<int>(c));
          if (mine == "number") {
            ASSERT_EQ(seen.rfind("number:", 0), 0u) << seen;
            EXPECT_EQ(std::strtod(seen.c_str() + 7, nullptr), ours[i].rows[r][c].number)
                << ours[i].name << " " << r << "," << c;
          } else {
            EXPECT_EQ(mine, seen) << ours[i].name << " " << r << "," << c;
          }
        }
      EXPECT_EQ(cells, theirs[i].cells.size());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, ReaderAgainstPython,
                         ::testing::Values(FileFormat::kXls, FileFormat::kXlsx));

}  // namespace
}  // namespace mvq::xls
