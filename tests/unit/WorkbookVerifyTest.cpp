// How a workbook's cells compare with the cells a source value becomes, and which sheets
// belong to a table.
#include <gtest/gtest.h>

#include "excel/WorkbookVerify.h"

namespace mvq::excel {
namespace {

using xls::Cell;

TEST(WorkbookCellKey, CellsCompareAsAReaderSeesThem) {
  // A date cell reads back as its serial number; -0 and 0 are one number.
  EXPECT_EQ(CellKey(Cell::Date(1900, 3, 1), false), CellKey(Cell::Number(61), false));
  EXPECT_EQ(CellKey(Cell::Number(-0.0), true), CellKey(Cell::Number(0), true));
  // Excel's 15 digits: a double and its 17-digit neighbour compare equal.
  EXPECT_EQ(CellKey(Cell::Number(0.1), true), CellKey(Cell::Number(0.1 + 1e-17), true));
  EXPECT_NE(CellKey(Cell::Number(0.1), true), CellKey(Cell::Number(0.1000000001), true));
  // A boolean is not the number 1, nor a number the same digits in text.
  EXPECT_NE(CellKey(Cell::Bool(true), false), CellKey(Cell::Number(1), false));
  EXPECT_NE(CellKey(Cell::Text("1"), false), CellKey(Cell::Number(1), false));
  // An empty text is a blank cell, as NULL is.
  EXPECT_EQ(CellKey(Cell::Text(""), false), std::nullopt);
  EXPECT_EQ(CellKey(Cell(), true), std::nullopt);
}

TEST(WorkbookCellKey, TextIsComparedAsTheFileCarriesIt) {
  // XML reads a carriage return as a line feed; BIFF8 keeps it.
  EXPECT_EQ(CellKey(Cell::Text("a\r\nb"), true), CellKey(Cell::Text("a\nb"), true));
  EXPECT_EQ(CellKey(Cell::Text("a\rb"), true), CellKey(Cell::Text("a\nb"), true));
  EXPECT_NE(CellKey(Cell::Text("a\r\nb"), false), CellKey(Cell::Text("a\nb"), false));
  // Malformed UTF-8 and the noncharacters are stored as U+FFFD.
  EXPECT_EQ(CellKey(Cell::Text("x\xff"), false), CellKey(Cell::Text("x\xEF\xBF\xBD"), false));
  EXPECT_EQ(CellKey(Cell::Text("\xEF\xBF\xBE"), true), CellKey(Cell::Text("\xEF\xBF\xBD"), true));
  EXPECT_NE(CellKey(Cell::Text("张三"), true), CellKey(Cell::Text("张"), true));
}

std::vector<std::string> Names(const std::vector<const xls::ReadSheet*>& sheets) {
  std::vector<std::string> out;
  for (const xls::ReadSheet* s : sheets) out.push_back(s->name);
  return out;
}

TEST(WorkbookSheetsOfTable, PagesAreFoundByNameOrTakenFromTheRun) {
  std::vector<xls::ReadSheet> book(5);
  const char* names[] = {"other", "EMP2", "emp1", "Emp", "EMP4"};
  for (size_t i = 0; i < book.size(); ++i) book[i].name = names[i];

  // Without the run's list: the table's name, then its page names, without regard to case,
  // up to the first page missing.
  EXPECT_EQ(Names(SheetsOfTable(book, "emp", {})),
            (std::vector<std::string>{"Emp", "emp1", "EMP2"}));
  EXPECT_TRUE(SheetsOfTable(book, "dept", {}).empty());
  // The run's list wins, renamed sheets included; a sheet no longer there is left out.
  EXPECT_EQ(Names(SheetsOfTable(book, "emp", {"other", "EMP4", "gone"})),
            (std::vector<std::string>{"other", "EMP4"}));
}

}  // namespace
}  // namespace mvq::excel
