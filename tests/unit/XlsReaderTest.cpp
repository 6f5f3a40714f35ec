// The workbook readers on files our writers wrote and on BIFF8 records made by hand: sheet
// order, every cell kind, strings split over CONTINUE records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/xls/Biff8Records.h"
#include "platform/xls/Workbook.h"
#include "platform/xls/WorkbookReader.h"
#include "platform/xls/XlsError.h"
#include "platform/xls/XlsReader.h"
#include "support/TempDir.h"

namespace mvq::xls {
namespace {

using biff8::Bytes;

// "t:text", "n:number", "b:1", "" per cell.
std::string Show(const Cell& c) {
  switch (c.kind) {
    case CellKind::kText:
      return "t:" + c.text;
    case CellKind::kBool:
      return c.number != 0 ? "b:1" : "b:0";
    case CellKind::kEmpty:
      return "";
    default: {
      char buf[40];
      std::snprintf(buf, sizeof buf, "n:%.15g", c.number);
      return buf;
    }
  }
}

std::vector<std::string> Row(const ReadSheet& s, size_t r) {
  std::vector<std::string> out;
  if (r < s.rows.size())
    for (const Cell& c : s.rows[r]) out.push_back(Show(c));
  return out;
}

class ReaderOnOurFiles : public ::testing::TestWithParam<FileFormat> {
 protected:
  std::string Path(const std::string& stem) const {
    return dir.File(stem + (GetParam() == FileFormat::kXls ? ".xls" : ".xlsx"));
  }
  test::TempDir dir;
};

TEST_P(ReaderOnOurFiles, SeveralSheetsComeBackInTabOrderWithEveryCellKind) {
  Workbook book(GetParam());
  Worksheet& a = book.AddSheet("A");
  a.AppendRow(std::vector<Cell>{Cell::Text("ID"), Cell::Text("名字"), Cell::Text("X")});
  a.AppendRow(std::vector<Cell>{Cell::Number(1), Cell::Text("张三"), Cell::Number(0.1)});
  a.AppendRow(std::vector<Cell>{Cell::Number(-536870912), Cell(), Cell::Bool(true)});
  a.AppendRow(std::vector<Cell>{Cell::Number(1e300), Cell::Text("tab\there _x0001_ \x01"),
                                Cell::Date(1900, 3, 1)});
  Worksheet& b = book.AddSheet("Bee");
  b.AppendRow(std::vector<Cell>{Cell::Text("ONLY"), Cell::Bool(false)});
  for (const char* n : {"sheet1", "sheet2", "sheet3"}) book.DeleteSheet(n);
  book.Save(Path("kinds"));

  const std::vector<ReadSheet> sheets = ReadWorkbookFile(Path("kinds"));
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[0].name, "Bee");
  EXPECT_EQ(sheets[1].name, "A");
  EXPECT_EQ(Row(sheets[0], 0), (std::vector<std::string>{"t:ONLY", "b:0"}));
  const ReadSheet& s = sheets[1];
  ASSERT_EQ(s.rows.size(), 4u);
  EXPECT_EQ(Row(s, 0), (std::vector<std::string>{"t:ID", "t:名字", "t:X"}));
  EXPECT_EQ(Row(s, 1), (std::vector<std::string>{"n:1", "t:张三", "n:0.1"}));
  EXPECT_EQ(Row(s, 2), (std::vector<std::string>{"n:-536870912", "", "b:1"}));
  EXPECT_EQ(Row(s, 3), (std::vector<std::string>{"n:1e+300", "t:tab\there _x0001_ \x01", "n:61"}));
}

TEST_P(ReaderOnOurFiles, ManyAndLongStringsComeBackWhole) {
  Workbook book(GetParam());
  Worksheet& s = book.AddSheet("S");
  std::vector<std::string> texts;
  // Well past one record of shared strings, Latin and Chinese mixed, and one text of 20,000
  // characters that must cross several CONTINUE records.
  for (int i = 0; i < 3000; ++i)
    texts.push_back((i % 3 ? "row " : "行 ") + std::to_string(i) + std::string(i % 17, 'x'));
  std::string longText;
  for (int i = 0; i < 10000; ++i) longText += i % 2 ? "a" : "中";
  texts.push_back(longText);
  for (const std::string& t : texts) s.AppendRow(std::vector<Cell>{Cell::Text(t)});
  for (const char* n : {"sheet1", "sheet2", "sheet3"}) book.DeleteSheet(n);
  book.Save(Path("strings"));

  const std::vector<ReadSheet> sheets = ReadWorkbookFile(Path("strings"));
  ASSERT_EQ(sheets.size(), 1u);
  ASSERT_EQ(sheets[0].rows.size(), texts.size());
  for (size_t i = 0; i < texts.size(); ++i) {
    ASSERT_EQ(sheets[0].rows[i].size(), 1u) << i;
    EXPECT_EQ(sheets[0].rows[i][0].text, texts[i]) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, ReaderOnOurFiles,
                         ::testing::Values(FileFormat::kXls, FileFormat::kXlsx));

TEST(WorkbookReader, AFileThatIsNoWorkbookIsAnIoError) {
  test::TempDir dir;
  for (const char* name : {"bad.xls", "bad.xlsx"}) {
    test::WriteBytes(dir.File(name), "not a workbook");
    try {
      ReadWorkbookFile(dir.File(name));
      ADD_FAILURE() << name;
    } catch (const XlsError& e) {
      EXPECT_EQ(e.code(), XlsErrorCode::kIo) << name;
      EXPECT_NE(std::string(e.what()).find(name), std::string::npos) << e.what();
    }
  }
  EXPECT_THROW(ReadWorkbookFile(dir.File("missing.xls")), XlsError);
}

// ---- BIFF8 records made by hand ----

void Put16(Bytes& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, static_cast<uint16_t>(v));
  Put16(b, static_cast<uint16_t>(v >> 16));
}
Bytes Cell3(uint16_t row, uint16_t col, uint16_t xf) {
  Bytes b;
  Put16(b, row);
  Put16(b, col);
  Put16(b, xf);
  return b;
}

// A globals substream with one BOUNDSHEET and the SST parts given, then the sheet's records.
Bytes Stream(const std::vector<Bytes>& sstParts,
             const std::vector<std::pair<uint16_t, Bytes>>& cells) {
  Bytes globals;
  biff8::Bof(globals, biff8::Substream::kGlobals);
  Bytes sheetName = {4, 0, 'D', 'a', 't', 'a'};  // cch, flags, characters
  Bytes boundData(4, 0);
  boundData.push_back(0);
  boundData.push_back(0);
  boundData.insert(boundData.end(), sheetName.begin(), sheetName.end());
  const size_t boundAt = globals.size() + 4;
  biff8::Record(globals, biff8::kBoundSheet, boundData);
  for (size_t i = 0; i < sstParts.size(); ++i)
    biff8::Record(globals, i == 0 ? biff8::kSst : biff8::kContinue, sstParts[i]);
  biff8::Eof(globals);
  const uint32_t bof = static_cast<uint32_t>(globals.size());
  std::memcpy(&globals[boundAt], &bof, 4);  // little-endian host
  biff8::Bof(globals, biff8::Substream::kWorksheet);
  for (const auto& [id, data] : cells) biff8::Record(globals, id, data);
  biff8::Eof(globals);
  return globals;
}

TEST(Biff8Reader, AStringContinuedChangesWidthAtTheContinueAndRichRunsAreSkipped) {
  // Two strings: "abc" + "中d" where the CONTINUE starts wide; then a rich string "xy" with
  // one formatting run of four bytes that itself lies in the next CONTINUE.
  Bytes first;
  Put32(first, 2);
  Put32(first, 2);
  Put16(first, 5);
  first.push_back(0x00);
  for (char c : std::string("abc")) first.push_back(static_cast<uint8_t>(c));
  Bytes second = {0x01, 0x2D, 0x4E, 'd', 0};  // flag: wide; 中 = U+4E2D; d
  Put16(second, 2);
  second.push_back(0x08);  // rich
  Put16(second, 1);        // one run
  second.push_back('x');
  second.push_back('y');
  Bytes third = {1, 0, 2, 0};  // the run: character 1, font 2

  Bytes labelSst0 = Cell3(0, 0, 15), labelSst1 = Cell3(0, 1, 15);
  Put32(labelSst0, 0);
  Put32(labelSst1, 1);
  const Bytes stream = Stream({first, second, third},
                              {{biff8::kLabelSst, labelSst0}, {biff8::kLabelSst, labelSst1}});

  const std::vector<ReadSheet> sheets = ReadBiff8Stream(stream);
  ASSERT_EQ(sheets.size(), 1u);
  EXPECT_EQ(sheets[0].name, "Data");
  EXPECT_EQ(Row(sheets[0], 0), (std::vector<std::string>{"t:abc中d", "t:xy"}));
}

TEST(Biff8Reader, CellRecordsOfEveryKindLandWhereTheySay) {
  Bytes sst;
  Put32(sst, 0);
  Put32(sst, 0);
  Bytes label = Cell3(2, 0, 15);
  Put16(label, 2);
  label.push_back(0x01);
  for (uint8_t b : {0x2D, 0x4E, 0x87, 0x65}) label.push_back(b);  // 中文, wide
  Bytes mulrk = Cell3(1, 1, 15);
  mulrk.resize(4);  // row, first column
  for (uint32_t rk : {uint32_t{(100u << 2) | 2u}, uint32_t{(1234u << 2) | 3u}}) {
    Put16(mulrk, 15);
    Put32(mulrk, rk);
  }
  Put16(mulrk, 2);  // last column
  Bytes number = Cell3(0, 0, 15);
  const double pi = 3.25;
  Bytes raw(8);
  std::memcpy(raw.data(), &pi, 8);
  number.insert(number.end(), raw.begin(), raw.end());
  Bytes boolean = Cell3(0, 2, 15), error = Cell3(0, 3, 15), blank = Cell3(3, 4, 15);
  boolean.push_back(1);
  boolean.push_back(0);
  error.push_back(0x07);
  error.push_back(1);
  const Bytes stream = Stream({sst}, {{biff8::kNumber, number},
                                      {biff8::kBoolErr, boolean},
                                      {biff8::kBoolErr, error},
                                      {0x00BD, mulrk},
                                      {0x0204, label},
                                      {0x0201, blank}});

  const std::vector<ReadSheet> sheets = ReadBiff8Stream(stream);
  ASSERT_EQ(sheets.size(), 1u);
  const ReadSheet& s = sheets[0];
  ASSERT_EQ(s.rows.size(), 4u);
  EXPECT_EQ(Row(s, 0), (std::vector<std::string>{"n:3.25", "", "b:1", "t:#ERROR7"}));
  EXPECT_EQ(Row(s, 1), (std::vector<std::string>{"", "n:100", "n:12.34"}));
  EXPECT_EQ(Row(s, 2), (std::vector<std::string>{"t:中文"}));
  EXPECT_EQ(Row(s, 3), (std::vector<std::string>{"", "", "", "", ""}));
}

TEST(Biff8Reader, ARecordCutShortOrALabelPastTheTableIsRefused) {
  Bytes sst;
  Put32(sst, 0);
  Put32(sst, 0);
  Bytes labelSst = Cell3(0, 0, 15);
  Put32(labelSst, 5);
  EXPECT_THROW(ReadBiff8Stream(Stream({sst}, {{biff8::kLabelSst, labelSst}})), XlsError);
  Bytes stream = Stream({sst}, {});
  for (uint8_t b : {0x03, 0x02, 100, 0, 1, 2}) stream.push_back(b);  // 100 bytes said, 2 there
  EXPECT_THROW(ReadBiff8Stream(stream), XlsError);
}

}  // namespace
}  // namespace mvq::xls
