// The workbook export over scripted gates: sheet names and their order, page sheets, the
// run-log lines with their counts and milliseconds, the columns each path writes and the
// cells it writes them as. Workbooks are inspected through the model; the readers' view of
// saved files is the integration tests' part.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/Gateways.h"
#include "excel/SheetCells.h"
#include "excel/utexpexcel.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/utconnection.h"
#include "platform/files/ReplacingFile.h"
#include "platform/oracle/OraDrivers.h"
#include "platform/xls/XlsError.h"
#include "support/CurrentDirection.h"
#include "support/Messages.h"
#include "support/RunLogCapture.h"
#include "support/ScriptedConnection.h"
#include "support/ScriptedGates.h"

namespace mvq {
namespace {

using db::Variant;
using test::Column;
using test::Script;
using Lines = std::vector<std::string>;
using Rows = std::vector<std::vector<Variant>>;

using test::kMdbCs;
using test::kOracleCs;
using test::kSqlCs;

std::string OraclePage2(const std::string& table) {
  return "select * from ( select row_.*, rownum rownum_ from (select * from " + table +
         ") row_ where rownum <=:1) where rownum_ >:2";
}

// One cell as "kind:value", numbers in shortest form.
std::string Show(const xls::CellView& c) {
  char buf[64];
  switch (c.kind) {
    case xls::CellKind::kEmpty:
      return "";
    case xls::CellKind::kText:
      return "t:" + std::string(c.text);
    case xls::CellKind::kBool:
      return c.number != 0 ? "b:TRUE" : "b:FALSE";
    case xls::CellKind::kNumber:
      std::snprintf(buf, sizeof buf, "n:%.17g", c.number);
      return buf;
    case xls::CellKind::kDate:
      std::snprintf(buf, sizeof buf, "date:%.10g", c.number);
      return buf;
    case xls::CellKind::kDateTime:
      std::snprintf(buf, sizeof buf, "datetime:%.10g", c.number);
      return buf;
    case xls::CellKind::kTime:
      std::snprintf(buf, sizeof buf, "time:%.10g", c.number);
      return buf;
  }
  return "?";
}

std::vector<Lines> SheetRows(xls::Workbook& book, const std::string& name) {
  std::vector<Lines> rows;
  auto reader = book.ReadRows(book.Sheet(name));
  std::vector<xls::CellView> cells;
  while (reader.Next(cells)) {
    Lines row;
    for (const auto& c : cells) row.push_back(Show(c));
    rows.push_back(row);
  }
  return rows;
}

Rows Numbered(int64_t from, int64_t to) {
  Rows rows;
  for (int64_t i = from; i <= to; ++i)
    rows.push_back({Variant(i), Variant("n" + std::to_string(i))});
  return rows;
}

const std::vector<Column> kTwoColumns = {{"ID", db::adInteger}, {"NAME", db::adVarWChar, 20}};

class ExpExcel : public test::RunLogCapture {
 protected:
  void SetUp() override {
    RunLogCapture::SetUp();
    world = test::ScriptedWorld::Install();
    savedLister_ =
        ora::SetDriverLister([] { return std::vector<std::string>{"Oracle 21 ODBC driver"}; });
    // Each reading of the clock is 7 ms after the one before.
    SetTickSource([t = uint32_t{1000}]() mutable { return t += 7; });
    savedDirection_ = CurrentDirection;
  }
  void TearDown() override {
    CurrentDirection = savedDirection_;
    OracleGate.reset();
    MdbGate.reset();
    SqlGate.reset();
    CustomSourceGate.reset();
    SetTickSource({});
    ora::SetDriverLister(std::move(savedLister_));
    world.reset();
    RunLogCapture::TearDown();
  }

  Script& Ora() { return world->ScriptFor(kOracleCs); }
  Script& Mdb() { return world->ScriptFor(kMdbCs); }
  Script& Sql() { return world->ScriptFor(kSqlCs); }
  Script& Src() { return world->ScriptFor("SRC"); }

  void OpenOracle() {
    CurrentDirection = 6;
    OracleGate = TComDBConn::ConnectOracle("db1", "ORCL", "scott", "tiger", "1521", "", "");
    ASSERT_TRUE(OracleGate->IsConnected());
    Ora().calls.clear();
  }
  void OpenCustom() {
    CurrentDirection = 9;
    CustomSourceGate = std::make_unique<TADOConn>("SRC");
    Src().calls.clear();
  }

  // An Oracle table of `count` rows served as the pages given (page 1 first).
  void OracleTable(const std::string& table, int64_t count, const std::vector<Column>& columns,
                   const std::vector<Rows>& pages) {
    Ora().On("select count(*) from " + table).Rows({{"C", db::adNumeric}}, {{count}});
    Ora()
        .On(count > PageSize ? "select * from " + table + " where rownum<65536"
                             : "select * from " + table)
        .Rows(columns, pages.empty() ? Rows{} : pages[0]);
    std::vector<Column> withRownum = columns;
    withRownum.push_back({"ROWNUM_", db::adNumeric});
    for (size_t i = 1; i < pages.size(); ++i)
      Ora().On(OraclePage2(table)).Rows(withRownum, pages[i]).Times(1);
    Ora().On(OraclePage2(table)).Rows(withRownum, {});
  }

  std::string Path(const std::string& name) { return dir + "/" + name; }

  std::shared_ptr<test::ScriptedWorld> world;

 private:
  ora::DriverLister savedLister_;
  int32_t savedDirection_ = 0;
};

// ---- Oracle path --------------------------------------------------------------------------

TEST_F(ExpExcel, OracleTablesOfTwoPagesAndOnePageGiveTabsBThenA1ThenA) {
  OpenOracle();
  OracleTable("A", 70000, kTwoColumns,
              {{{int64_t{1}, "一"}, {int64_t{2}, Variant()}},
               {{int64_t{65536}, "末", db::Decimal{"65536"}}}});
  OracleTable("B", 1, kTwoColumns, {{{int64_t{9}, "b"}}});
  const std::string path = Path("two.xls");
  {
    Texpexcel writer(path);
    writer.ExportTable("A");
    writer.ExportTable("B");
    xls::Workbook& book = writer.Workbook();
    EXPECT_EQ(book.SheetNames(), (Lines{"B", "A1", "A", "Sheet1", "Sheet2", "Sheet3"}));
    EXPECT_EQ(SheetRows(book, "A"),
              (std::vector<Lines>{{"t:ID", "t:NAME"}, {"t:1", "t:一"}, {"t:2"}}));
    EXPECT_EQ(SheetRows(book, "A1"), (std::vector<Lines>{{"t:ID", "t:NAME", "t:ROWNUM_"},
                                                         {"t:65536", "t:末", "t:65536"}}));
    EXPECT_EQ(SheetRows(book, "B"), (std::vector<Lines>{{"t:ID", "t:NAME"}, {"t:9", "t:b"}}));
    EXPECT_FALSE(book.Sheet("A").FitsColumnWidths()) << "the text path keeps Excel's widths";

    writer.Close();
    EXPECT_EQ(book.SheetNames(), (Lines{"B", "A1", "A"}));
  }
  EXPECT_TRUE(std::filesystem::exists(path));

  const std::string page2 = "query: " + OraclePage2("A");
  EXPECT_EQ(Ora().calls,
            (Lines{"query: select count(*) from A", "query: select * from A where rownum<65536",
                   page2 + " [131070, 65535]", page2 + " [196605, 131070]",
                   "query: select count(*) from B", "query: select * from B"}))
      << "a table of one page is read by one statement and no page query follows";
  EXPECT_EQ(LogLines(), (Lines{"导出成功:表A，导出数据2条，全部完成,用时7ms",
                               "导出成功:表A1，导出数据1条，全部完成,用时7ms",
                               "导出成功:表B，导出数据1条，全部完成,用时7ms"}));
}

TEST_F(ExpExcel, OracleLargeObjectColumnsAreLeftOutAndTheOthersKeepTheirOrder) {
  OpenOracle();
  const std::vector<Column> columns = {
      {"ID", db::adInteger},        {"PIC", db::adLongVarBinary, 0},
      {"NAME", db::adVarWChar, 20}, {"NOTE", db::adLongVarWChar, 0},
      {"CODE", db::adVarBinary, 4}, {"BORN", db::adDBTimeStamp}};
  OracleTable("P", 1, columns,
              {{{int64_t{1}, db::Bytes{1, 2}, "张三", "long text", db::Bytes{0x00, 0xFF, 0x1A},
                 db::DateTime{{1990, 5, 17}, {8, 30, 0}, 0}}}});
  Texpexcel writer(Path("lob.xls"));
  writer.ExportOracleTable("P");
  EXPECT_EQ(SheetRows(writer.Workbook(), "P"),
            (std::vector<Lines>{{"t:ID", "t:NAME", "t:CODE", "t:BORN"},
                                {"t:1", "t:张三", "t:00FF1A", "t:1990-05-17 08:30:00"}}));
}

TEST_F(ExpExcel, OracleEmptyTableGivesAHeaderOnlySheetAndAZeroCount) {
  OpenOracle();
  OracleTable("E", 0, kTwoColumns, {{}});
  Texpexcel writer(Path("empty.xls"));
  writer.ExportTable("E");
  EXPECT_EQ(SheetRows(writer.Workbook(), "E"), (std::vector<Lines>{{"t:ID", "t:NAME"}}));
  EXPECT_TRUE(LogLines().empty()) << "a sheet's line waits for the save";
  writer.Close();
  EXPECT_EQ(LogLines(), Lines{"导出成功:表E，导出数据0条，全部完成,用时7ms"});
}

TEST_F(ExpExcel, OracleTableThatCannotBeReadGetsNoSheetOnlyTheGatewaysLine) {
  OpenOracle();
  Ora().On("select count(*) from GONE").Fails("ORA-00942: table or view does not exist");
  Ora().On("select * from GONE").Fails("ORA-00942: table or view does not exist");
  Texpexcel writer(Path("gone.xls"));
  const TableOutcome gone = writer.ExportTable("GONE");
  EXPECT_EQ(gone.status, OutcomeStatus::Failed);
  EXPECT_EQ(gone.firstError, "ORA-00942: table or view does not exist");
  EXPECT_EQ(writer.Workbook().Count(), 3u);
  const Lines lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1],
            ":失败-----------因ORA-00942: table or view does not exist:无法执行select * "
            "from GONE");
}

TEST_F(ExpExcel, TwentySevenColumnsEndInColumnAA) {
  OpenOracle();
  std::vector<Column> columns;
  std::vector<Variant> row;
  for (int i = 1; i <= 27; ++i) {
    columns.push_back({"C" + std::to_string(i), db::adInteger});
    row.push_back(int64_t{i});
  }
  OracleTable("W", 1, columns, {{row}});
  Texpexcel writer(Path("wide.xls"));
  writer.ExportOracleTable("W");
  const xls::Worksheet& sheet = writer.Workbook().Sheet("W");
  ASSERT_EQ(sheet.ColumnCount(), 27u);
  EXPECT_EQ(Texpexcel::ColumnLetters(static_cast<int>(sheet.ColumnCount())), "AA");
  EXPECT_EQ(SheetRows(writer.Workbook(), "W")[0].back(), "t:C27");
  EXPECT_EQ(SheetRows(writer.Workbook(), "W")[1].back(), "t:27");
}

TEST(ColumnLetters, FollowA1Notation) {
  EXPECT_EQ(Texpexcel::ColumnLetters(1), "A");
  EXPECT_EQ(Texpexcel::ColumnLetters(26), "Z");
  EXPECT_EQ(Texpexcel::ColumnLetters(27), "AA");
  EXPECT_EQ(Texpexcel::ColumnLetters(52), "AZ");
  EXPECT_EQ(Texpexcel::ColumnLetters(53), "BA");
  EXPECT_EQ(Texpexcel::ColumnLetters(256), "IV");
  EXPECT_EQ(Texpexcel::ColumnLetters(702), "ZZ");
  EXPECT_EQ(Texpexcel::ColumnLetters(703), "AAA");
  EXPECT_EQ(Texpexcel::ColumnLetters(16384), "XFD");
  EXPECT_EQ(Texpexcel::ColumnLetters(0), "");
}

// ---- ADO paths ----------------------------------------------------------------------------

TEST_F(ExpExcel, SqlServerPagesByKeyGiveASheetEachWithTypedValuesAndFittedWidths) {
  CurrentDirection = 7;
  const std::vector<Column> columns = {
      {"ID", db::adInteger},  {"NAME", db::adVarWChar, 20}, {"PRICE", db::adNumeric, 0, 12, 2},
      {"BORN", db::adDBDate}, {"AT", db::adDBTimeStamp},    {"OK", db::adBoolean},
      {"BIG", db::adBigInt},  {"T", db::adDBTime}};
  Sql().primaryKeys = {{"", "dbo", "T", "ID", 1}};
  Sql().On("select count(*) from T").Rows({{"n", db::adInteger}}, {{int64_t{70000}}});
  Sql()
      .On("select top 65535 * from T order by [id]")
      .Rows(columns, {{int64_t{1}, "张三", db::Decimal{"19.99"}, db::Date{1990, 5, 17},
                       db::DateTime{{2024, 3, 7}, {9, 5, 1}, 0}, true, int64_t{1234567890123456789},
                       db::Time{12, 30, 0}},
                      {int64_t{2}, Variant(), db::Decimal{"12345678901234567.5"}, Variant(),
                       Variant(), false, int64_t{-5}, Variant()}});
  const std::string next =
      "select top 65535 * from T where ([id]>(select max([id]) from (select top ";
  Sql()
      .On(next + "65535 [id] from T order by [id] ) as t)) order by [id]")
      .Rows(columns, {{int64_t{65536}, "末", Variant(), Variant(), Variant(), Variant(), Variant(),
                       Variant()}});
  Sql().On(next + "131070 [id] from T order by [id] ) as t)) order by [id]").Rows(columns, {});
  SqlGate = std::make_unique<TSQLComDBConn>(kSqlCs);

  Texpexcel writer(Path("sql.xlsx"));
  writer.ExportTable("T");
  xls::Workbook& book = writer.Workbook();
  EXPECT_EQ(book.SheetNames(), (Lines{"T1", "T", "Sheet1", "Sheet2", "Sheet3"}));
  const auto rows = SheetRows(book, "T");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0],
            (Lines{"t:ID", "t:NAME", "t:PRICE", "t:BORN", "t:AT", "t:OK", "t:BIG", "t:T"}));
  EXPECT_EQ(rows[1],
            (Lines{"n:1", "t:张三", "n:19.989999999999998", "date:33010", "datetime:45358.37848",
                   "b:TRUE", "t:1234567890123456789", "time:0.5208333333"}));
  EXPECT_EQ(rows[2], (Lines{"n:2", "", "t:12345678901234567.5", "", "", "b:FALSE", "n:-5"}));
  EXPECT_TRUE(book.Sheet("T").FitsColumnWidths());
  EXPECT_EQ(SheetRows(book, "T1"), (std::vector<Lines>{rows[0], {"n:65536", "t:末"}}));
  writer.Close();
  // The two numbers written as text are counted for the sheet.
  EXPECT_EQ(LogLines(),
            (Lines{"工作表T有2个单元格的数值超过15位有效数字,已写为文本",
                   "导出成功:表T，全部完成,用时7ms", "导出成功:表T1，全部完成,用时7ms"}));
}

TEST_F(ExpExcel, AccessTableReadWholeAsAStreamIsCutIntoSheetsOfAPage) {
  CurrentDirection = 8;
  Mdb().dbms = db::Dbms::Access;
  Mdb().On("select count(*) from BIG").Rows({{"n", db::adInteger}}, {{int64_t{70000}}});
  Mdb().On("select * from BIG").Rows(kTwoColumns, Numbered(1, 70000));
  MdbGate = std::make_unique<TMDBDataGate>("x.mdb");
  Mdb().calls.clear();

  Texpexcel writer(Path("mdb.xls"));
  const TableOutcome big = writer.ExportTable("BIG");
  EXPECT_EQ(big.status, OutcomeStatus::Exported);
  EXPECT_EQ(big.sheetsWritten, 2);
  EXPECT_EQ(big.rowsWritten, 70000);
  EXPECT_EQ(big.report, "导出成功:表BIG，全部完成,用时7ms | 导出成功:表BIG1，全部完成,用时7ms");
  xls::Workbook& book = writer.Workbook();
  EXPECT_EQ(book.SheetNames(), (Lines{"BIG1", "BIG", "Sheet1", "Sheet2", "Sheet3"}));
  EXPECT_EQ(book.Sheet("BIG").RowCount(), 65536u);
  EXPECT_EQ(book.Sheet("BIG1").RowCount(), 4466u);
  const auto tail = SheetRows(book, "BIG1");
  EXPECT_EQ(tail[0], (Lines{"t:ID", "t:NAME"}));
  EXPECT_EQ(tail[1], (Lines{"n:65536", "t:n65536"}));
  EXPECT_EQ(tail.back(), (Lines{"n:70000", "t:n70000"}));
  EXPECT_EQ(Mdb().calls, (Lines{"query: select count(*) from BIG", "stream: select * from BIG"}));
  writer.Close();
  EXPECT_EQ(LogLines(),
            (Lines{"因无法取得表BIG的主键,整表一次读取", "导出成功:表BIG，全部完成,用时7ms",
                   "导出成功:表BIG1，全部完成,用时7ms"}));
}

TEST_F(ExpExcel, AMissingGatewayIsAnErrorNotACrash) {
  Texpexcel writer(Path("none.xls"));
  for (int32_t direction : {6, 7, 8, 9}) {
    CurrentDirection = direction;
    try {
      writer.ExportTable("T");
      ADD_FAILURE() << "direction " << direction << " exported without a gateway";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "转换的数据连接没有打开");
    }
  }
  EXPECT_EQ(writer.Workbook().Count(), 3u);
}

// ---- custom source ------------------------------------------------------------------------

TEST_F(ExpExcel, CustomSourceIsOneStreamCutEvery65535RowsInAnXlsWorkbook) {
  OpenCustom();
  Src().On("select * from T").Rows(kTwoColumns, Numbered(1, 70000));
  Texpexcel writer(Path("custom.xls"));
  EXPECT_EQ(writer.CustomRowsPerSheet(), 65535);
  writer.ExportTable("T");
  xls::Workbook& book = writer.Workbook();
  EXPECT_EQ(book.SheetNames(), (Lines{"T1", "T", "Sheet1", "Sheet2", "Sheet3"}));
  EXPECT_EQ(book.Sheet("T").RowCount(), 65536u);
  EXPECT_EQ(book.Sheet("T1").RowCount(), 4466u);
  EXPECT_EQ(SheetRows(book, "T").back(), (Lines{"n:65535", "t:n65535"}));
  EXPECT_EQ(Src().calls, Lines{"stream: select * from T"}) << "no count, no paging statement";
  writer.Close();
  EXPECT_EQ(LogLines(),
            (Lines{"导出成功:表T，全部完成,用时7ms", "导出成功:表T1，全部完成,用时7ms"}));
}

TEST_F(ExpExcel, CustomSourceStaysOnOneSheetInAnXlsxWorkbook) {
  OpenCustom();
  Src().On("select * from T").Rows(kTwoColumns, Numbered(1, 70000));
  Src().On("select * from EMPTY").Rows(kTwoColumns, {});
  Texpexcel writer(Path("custom.xlsx"));
  EXPECT_EQ(writer.CustomRowsPerSheet(), 1048575);
  writer.ExportCustomTable("T");
  writer.ExportCustomTable("EMPTY");
  xls::Workbook& book = writer.Workbook();
  EXPECT_EQ(book.SheetNames(), (Lines{"EMPTY", "T", "Sheet1", "Sheet2", "Sheet3"}));
  EXPECT_EQ(book.Sheet("T").RowCount(), 70001u);
  EXPECT_EQ(SheetRows(book, "EMPTY"), (std::vector<Lines>{{"t:ID", "t:NAME"}}));
}

TEST_F(ExpExcel, CustomTableThatFailsToOpenIsLoggedByTheGateAndWritesNoSheet) {
  OpenCustom();
  Src().On("select * from NOPE").Fails("no such table: NOPE");
  Texpexcel writer(Path("nope.xls"));
  writer.ExportTable("NOPE");
  EXPECT_EQ(writer.Workbook().Count(), 3u);
  EXPECT_EQ(LogLines(), Lines{"失败-----------因no such table: NOPE:无法执行select * from NOPE"});
}

// ---- sheet names --------------------------------------------------------------------------

TEST_F(ExpExcel, NamesExcelRefusesAreMadeValidAndUniqueAndTheLogSaysWhere) {
  OpenOracle();
  const std::string longName(35, 'L');  // 31 characters at most
  OracleTable("\"a/b\"", 1, kTwoColumns, {{{int64_t{1}, "x"}}});
  OracleTable("SHEET1", 1, kTwoColumns, {{{int64_t{2}, "y"}}});
  OracleTable(longName, 70000, kTwoColumns, {{{int64_t{3}, "z"}}, {{int64_t{4}, "w", int64_t{4}}}});
  const std::string path = Path("names.xls");
  Texpexcel writer(path);
  writer.ExportTable("a/b");
  writer.ExportTable("SHEET1");
  const TableOutcome longOutcome = writer.ExportTable(longName);
  const std::string cut31(31, 'L'), cut30(30, 'L');
  xls::Workbook& book = writer.Workbook();
  EXPECT_EQ(book.SheetNames(),
            (Lines{cut30 + "1", cut31, "SHEET1 (2)", "a_b", "Sheet1", "Sheet2", "Sheet3"}));
  writer.Close();
  EXPECT_EQ(LogLines(),
            (Lines{"表a/b写入工作表a_b,因a/b不能用作工作表名",
                   "表SHEET1写入工作表SHEET1 (2),因已有名为SHEET1的工作表",
                   "表" + longName + "写入工作表" + cut31 + ",因" + longName + "不能用作工作表名",
                   "表" + longName + "写入工作表" + cut30 + "1,因" + longName + "1不能用作工作表名",
                   "导出成功:表a_b，导出数据1条，全部完成,用时7ms",
                   "导出成功:表SHEET1 (2)，导出数据1条，全部完成,用时7ms",
                   "导出成功:表" + cut31 + "，导出数据1条，全部完成,用时7ms",
                   "导出成功:表" + cut30 + "1，导出数据1条，全部完成,用时7ms"}));
  EXPECT_EQ(longOutcome.sheetsWritten, 2);
  EXPECT_EQ(book.SheetNames(), (Lines{cut30 + "1", cut31, "SHEET1 (2)", "a_b"}))
      << "the initial sheets go, the renamed table's sheet stays";
}

TEST_F(ExpExcel, ATableWiderThanASheetIsRefusedWithoutLeavingAnEmptySheet) {
  OpenCustom();
  std::vector<Column> columns;
  std::vector<Variant> row;
  for (int i = 1; i <= 257; ++i) {
    columns.push_back({"C" + std::to_string(i), db::adInteger});
    row.push_back(int64_t{i});
  }
  Src().On("select * from WIDE").Rows(columns, {row});
  Texpexcel xls(Path("wide.xls"));
  // The table alone fails: its outcome and a line say why, and the next table goes on.
  const TableOutcome wide = xls.ExportTable("WIDE");
  EXPECT_EQ(wide.status, OutcomeStatus::Failed);
  EXPECT_EQ(wide.sheetsWritten, 0);
  EXPECT_EQ(wide.firstError, "表WIDE有257列,超过工作表的256列");
  EXPECT_EQ(LogLines(), Lines{"失败-----------因表WIDE有257列,超过工作表的256列:无法导出表WIDE"});
  EXPECT_EQ(xls.Workbook().Count(), 3u);

  Texpexcel xlsx(Path("wide.xlsx"));
  EXPECT_EQ(xlsx.ExportTable("WIDE").status, OutcomeStatus::Exported);
  EXPECT_EQ(xlsx.Workbook().Sheet("WIDE").ColumnCount(), 257u);
}

// ---- the workbook's life --------------------------------------------------------------------

TEST_F(ExpExcel, WithoutATableTheThreeInitialSheetsAreSaved) {
  const std::string path = Path("empty.xlsx");
  Texpexcel writer(path);
  writer.Close();
  EXPECT_EQ(writer.Workbook().SheetNames(), (Lines{"Sheet1", "Sheet2", "Sheet3"}));
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_TRUE(writer.Closed());
  OpenCustom();
  EXPECT_THROW(writer.ExportTable("T"), std::logic_error) << "nothing is added after the save";
}

TEST_F(ExpExcel, TheDestructorSavesWhenCloseWasNotCalledAndAFailedSaveIsLoggedOnce) {
  const std::string saved = Path("fallback.xls");
  { Texpexcel writer(saved); }
  EXPECT_TRUE(std::filesystem::exists(saved));
  EXPECT_TRUE(LogLines().empty());

  const std::string folder = dir + "/no-such-folder";
  const std::string unwritable = folder + "/x.xls";
  const std::string failure = "保存Excel文件" + unwritable + "失败:文件夹" + folder + "不存在";
  {
    Texpexcel writer(unwritable);
    EXPECT_THROW(writer.Close(), SaveFailure);
    EXPECT_EQ(writer.SaveError(), failure);
  }
  EXPECT_EQ(LogLines(), Lines{failure}) << "a failed Close is not retried by the destructor";

  EXPECT_NO_THROW({ Texpexcel writer(unwritable); });
  EXPECT_EQ(LogLines(), (Lines{failure, failure}));
}

TEST_F(ExpExcel, AFileNameWithoutXlsOrXlsxIsRefusedBeforeAnyTableIsRead) {
  try {
    Texpexcel writer(Path("out.csv"));
    ADD_FAILURE() << "a .csv workbook was accepted";
  } catch (const xls::XlsError& e) {
    EXPECT_EQ(e.code(), xls::XlsErrorCode::kUnsupportedExtension);
  }
}

TEST_F(ExpExcel, AClosedDatasetRaisesAndAddsNoSheet) {
  OpenCustom();
  std::unique_ptr<db::Query> closed = CustomSourceGate->AdoConnection()->CreateQuery();
  Texpexcel writer(Path("closed.xls"));
  EXPECT_THROW(writer.WriteSheetFromDataSet(*closed, "X"), db::DbError);
  EXPECT_THROW(writer.WriteSheetFromRecordset(*closed, "X", true), db::DbError);
  EXPECT_EQ(writer.Workbook().Count(), 3u);
}

TEST_F(ExpExcel, TextsOverTheCellLimitAreCutWithOneLinePerSheet) {
  OpenCustom();
  Src()
      .On("select * from L")
      .Rows({{"A", db::adLongVarWChar, 0}, {"B", db::adVarWChar, 10}},
            {{std::string(40000, 'x'), "ok"},
             {std::string(32767, 'y'), "ok"},
             {std::string(32768, 'z'), "ok"}});
  Texpexcel writer(Path("long.xls"));
  writer.ExportTable("L");
  const auto rows = SheetRows(writer.Workbook(), "L");
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[1][0], "t:" + std::string(32767, 'x'));
  EXPECT_EQ(rows[2][0], "t:" + std::string(32767, 'y'));
  EXPECT_EQ(rows[3][0], "t:" + std::string(32767, 'z'));
  writer.Close();
  EXPECT_EQ(LogLines(), (Lines{"工作表L有2个单元格的文本超过32767个字符,已截断",
                               "导出成功:表L，全部完成,用时7ms"}));
}

TEST_F(ExpExcel, EveryCellThatCannotHoldItsValueIsCountedPerSheetByKind) {
  OpenCustom();
  Src()
      .On("select * from C")
      .Rows({{"N", db::adBigInt},
             {"D", db::adDecimal, 0, 30, 10},
             {"F", db::adDouble},
             {"T", db::adDBTimeStamp},
             {"S", db::adVarWChar, 10}},
            {{int64_t{1234567890123456}, db::Decimal{"1.5"}, 2.5, db::DateTime{{1899, 12, 31}},
              std::string("ok")},
             {int64_t{7}, db::Decimal{"12345678901234567890.5"}, std::nan(""),
              db::DateTime{{2024, 1, 2}}, std::string("bad\xff")},
             {int64_t{9223372036854775807}, db::Decimal{"2"}, -HUGE_VAL, db::DateTime{{1, 1, 1}},
              std::string("\xe5\xae")},
             {int64_t{8}, db::Decimal{"3"}, 0.30000000000000004,
              db::DateTime{{2024, 1, 2}, {3, 4, 5}, 500}, std::string("fine")}});
  Texpexcel writer(Path("changed.xls"));
  writer.ExportTable("C");
  writer.Close();
  EXPECT_EQ(LogLines(), (Lines{"工作表C有4个单元格的数值超过15位有效数字,已写为文本",
                               "工作表C有2个单元格的日期不在1900-01-01至9999-12-31之间,已写为文本",
                               "工作表C有1个单元格的时间精度超过毫秒,已写为文本",
                               "工作表C有2个单元格的数值为NaN或无穷大,已写为文本",
                               "工作表C有2个单元格的文本含无效的UTF-8字节,已替换为U+FFFD",
                               "导出成功:表C，全部完成,用时7ms"}));
  const auto rows = SheetRows(writer.Workbook(), "C");
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[1][0], "t:1234567890123456");
  EXPECT_EQ(rows[2][1], "t:12345678901234567890.5");
}

// ---- cells --------------------------------------------------------------------------------

TEST(SheetCells, TypedCellsKeepTypesAndEveryDigit) {
  using excel::TypedCell;
  EXPECT_EQ(TypedCell(Variant()).kind, xls::CellKind::kEmpty);
  EXPECT_EQ(TypedCell(Variant(true)).kind, xls::CellKind::kBool);
  EXPECT_EQ(TypedCell(Variant(int64_t{999999999999999})).number, 999999999999999.0);
  EXPECT_EQ(TypedCell(Variant(int64_t{1000000000000000})).number, 1e15)
      << "trailing zeros are no precision lost";
  EXPECT_EQ(TypedCell(Variant(int64_t{1234567890123456})).text, "1234567890123456");
  EXPECT_EQ(TypedCell(Variant(db::Decimal{"-0.000123456789012345"})).number, -0.000123456789012345);
  EXPECT_EQ(TypedCell(Variant(db::Decimal{"0.0000000000000001234567890123456"})).text,
            "0.0000000000000001234567890123456");
  EXPECT_EQ(TypedCell(Variant(db::Decimal{"0"})).number, 0.0);
  EXPECT_EQ(TypedCell(Variant(2.5)).number, 2.5);
  EXPECT_EQ(TypedCell(Variant(db::Bytes{0xDE, 0xAD})).text, "DEAD");
  const auto date = TypedCell(Variant(db::Date{1900, 3, 1}));
  EXPECT_EQ(date.kind, xls::CellKind::kDate);
  EXPECT_EQ(date.number, 61.0);
  const auto stamp = TypedCell(Variant(db::DateTime{{2024, 1, 2}, {6, 0, 0}, 0}));
  EXPECT_EQ(stamp.kind, xls::CellKind::kDateTime);
  EXPECT_DOUBLE_EQ(stamp.number, 45293.25);
  EXPECT_EQ(TypedCell(Variant(db::Date{1850, 1, 1})).text, "1850-01-01")
      << "dates Excel cannot show stay readable as text";  // Before Christ with its era; a double
                                                           // Excel would round, and a time finer
                                                           // than a
  // millisecond, as their text.
  EXPECT_EQ(TypedCell(Variant(db::Date{-4713, 1, 1})).text, "4713-01-01 BC");
  EXPECT_EQ(TypedCell(Variant(db::DateTime{{-44, 3, 15}, {12, 0, 0}, 0})).text,
            "0044-03-15 12:00:00 BC");
  EXPECT_EQ(TypedCell(Variant(0.30000000000000004)).text, "0.30000000000000004");
  EXPECT_EQ(TypedCell(Variant(1.7976931348623157e308)).text, "1.7976931348623157e+308");
  EXPECT_EQ(TypedCell(Variant(0.1)).number, 0.1);
  EXPECT_EQ(TypedCell(Variant(123456789012345.0)).number, 123456789012345.0);
  EXPECT_EQ(TypedCell(Variant(db::DateTime{{2024, 1, 2}, {3, 4, 5}, 123456000})).text,
            "2024-01-02 03:04:05.123456");
  EXPECT_EQ(TypedCell(Variant(db::DateTime{{2024, 1, 2}, {3, 4, 5}, 123000000})).kind,
            xls::CellKind::kDateTime);
}

TEST(SheetCells, LargeObjectsAreTheLongTextAndLongBinaryKinds) {
  db::FieldDesc f;
  for (auto [ado, large] : std::vector<std::pair<int, bool>>{{db::adLongVarBinary, true},
                                                             {db::adLongVarChar, true},
                                                             {db::adLongVarWChar, true},
                                                             {db::adVarBinary, false},
                                                             {db::adVarChar, false},
                                                             {db::adNumeric, false}}) {
    f.adoType = ado;
    f.category = *db::ClassifyField(ado, 10, 0, false);
    EXPECT_EQ(excel::IsLargeObject(f), large) << ado;
  }
}

TEST(SheetCells, CuttingCountsCharactersAsExcelDoes) {
  xls::Cell chinese = xls::Cell::Text("");
  for (int i = 0; i < 20000; ++i) chinese.text += "中";  // 60,000 bytes, 20,000 characters
  EXPECT_FALSE(excel::CutToCellLimit(chinese));
  EXPECT_EQ(chinese.text.size(), 60000u);

  xls::Cell emoji;
  emoji.kind = xls::CellKind::kText;
  for (int i = 0; i < 20000; ++i) emoji.text += "\xF0\x9F\x98\x80";  // two UTF-16 units each
  EXPECT_TRUE(excel::CutToCellLimit(emoji));
  EXPECT_EQ(emoji.text.size(), 16383u * 4) << "a pair is never split";

  xls::Cell number = xls::Cell::Number(1);
  EXPECT_FALSE(excel::CutToCellLimit(number));
}

}  // namespace
}  // namespace mvq
