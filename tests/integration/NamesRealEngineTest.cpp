// The names of the catalogue carried between real engines in the custom direction (SQLite,
// PostgreSQL, MariaDB, each as source and as target), Access files read through MDBTools, and
// workbooks: every table arrives under its own name with its columns' names, is found again
// in every existing-table mode, and a name written to run as SQL stays a name.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <regex>
#include <set>

#include "engine/Gateways.h"
#include "engine/utConvertDb.h"
#include "excel/utexpexcel.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "platform/odbc/NameRules.h"
#include "support/AccessReadBack.h"
#include "support/CurrentDirection.h"
#include "support/CustomConvert.h"
#include "support/NameCatalogue.h"
#include "support/WorkbookReadBack.h"

namespace mvq::test {
namespace {

using Lines = std::vector<std::string>;

const std::vector<Row> kRows = {
    {db::Variant(1), db::Variant("a"), db::Variant("b"), db::Variant("c"), db::Variant("d"),
     db::Variant("e"), db::Variant("f"), db::Variant("g"), db::Variant("h")},
    {db::Variant(2), db::Variant("i"), db::Variant("j"), db::Variant("k"), db::Variant("l"),
     db::Variant("m"), db::Variant("n"), db::Variant("o"), db::Variant("p")}};

std::string Q(db::Connection& conn, const std::string& name) {
  return db::QuoteName(db::NamesOf(conn), name);
}

std::vector<std::string> ColumnNames(db::Connection& conn, const std::string& table) {
  auto query = conn.CreateQuery();
  query->Open("select * from " + Q(conn, table) + " where 1=2");
  std::vector<std::string> names;
  for (const auto& f : query->Fields()) names.push_back(f.name);
  return names;
}

std::set<std::string> TableNames(db::Connection& conn) {
  std::set<std::string> names;
  for (const auto& row : conn.SchemaTables())
    if (row.TABLE_TYPE == "TABLE") names.insert(row.TABLE_NAME);
  return names;
}

// Each server end gets a database of the test's own, so that the catalogue's exact names never
// meet another test's tables on the shared servers.
class NamesOnEngines : public CustomConvertTest {
 protected:
  void SetUp() override {
    CustomConvertTest::SetUp();
    if (IsSkipped() || HasFailure()) return;
    from.connectionString = Isolated(from, "s");
    to.connectionString = Isolated(to, "t");
    src_ = db::NewConnection();
    src_->Open(from.connectionString);
    dst_ = db::NewConnection();
    dst_->Open(to.connectionString);
  }
  void TearDown() override {
    CustomSourceGate.reset();
    CustomTargetGate.reset();
    src_.reset();
    dst_.reset();
    for (const auto& drop : drops_) drop();
    CustomConvertTest::TearDown();
  }

  std::string Isolated(const Engine& e, const std::string& side) {
    if (e.dbms != db::Dbms::PostgreSQL && e.dbms != db::Dbms::MariaDB) return e.connectionString;
    const std::string name = UniqueTable("mvqn" + side);
    const bool pg = e.dbms == db::Dbms::PostgreSQL;
    auto admin = db::NewConnection();
    admin->Open(e.connectionString);
    admin->Execute("drop database if exists " + name + (pg ? " with (force)" : ""));
    admin->Execute("create database " + name + (pg ? "" : " character set utf8mb4"));
    drops_.push_back([cs = e.connectionString, name, pg] {
      auto c = db::NewConnection();
      c->Open(cs);
      c->Execute("drop database if exists " + name + (pg ? " with (force)" : ""));
    });
    return std::regex_replace(e.connectionString, std::regex("DATABASE=[^;]*"), "DATABASE=" + name);
  }

  // The catalogue table on the source: a key and the odd columns, two rows.
  void CreateCatalogueTable(const std::string& name) {
    std::string columns;
    for (const auto& c : kCatalogueColumns)
      columns += (columns.empty() ? "" : ", ") + Q(*src_, c) +
                 (c == "id" ? " integer primary key" : " varchar(40)");
    src_->Execute("create table " + Q(*src_, name) + " (" + columns + ")");
    Insert(*src_, name, kRows);
  }

  void ExpectSameTable(const std::string& name) {
    EXPECT_EQ(ColumnNames(*dst_, name), kCatalogueColumns);
    auto source = ReadRows(*src_, Q(*src_, name));
    auto target = ReadRows(*dst_, Q(*dst_, name));
    ASSERT_EQ(target.size(), source.size());
    for (size_t r = 0; r < source.size(); ++r)
      EXPECT_EQ(RowDifference(source[r], target[r], from, to), "") << "row " << r;
  }

  Lines NewLines() {
    Lines all = LogLines();
    Lines fresh(all.begin() + static_cast<std::ptrdiff_t>(std::min(seen_, all.size())), all.end());
    seen_ = all.size();
    return fresh;
  }

  std::unique_ptr<db::Connection> src_, dst_;

 private:
  std::vector<std::function<void()>> drops_;
  size_t seen_ = 0;
};

TEST_P(NamesOnEngines, EveryNameArrivesUnderItsOwnSpellingAndIsFoundAgainInEveryMode) {
  OpenGates();
  for (const auto& c : kNameCatalogue) {
    const std::string& t = c.name;
    SCOPED_TRACE(t);
    if (db::NameRefusal(db::NamesOf(*src_), t)) continue;  // the source cannot hold it either
    CreateCatalogueTable(t);
    ConvertTable(t, tmSkipExisting);
    if (auto why = db::NameRefusal(db::NamesOf(*dst_), t)) {
      EXPECT_EQ(NewLines(), (Lines{"", "导出失败：目标数据库不能容纳表名" + t + "(" + *why + ")"}));
      EXPECT_EQ(TableNames(*dst_), std::set<std::string>{}) << "nothing cut to fit";
      continue;
    }
    EXPECT_EQ(NewLines(), (Lines{"", "创建成功:表" + t, Complete(t, 2, 2)}));
    ExpectSameTable(t);

    ConvertTable(t, tmSkipExisting);
    EXPECT_EQ(NewLines(), (Lines{"", "导出失败：因表" + t + "已存在，不再导入"}));
    ConvertTable(t, tmDeleteRecords);
    EXPECT_EQ(NewLines(), (Lines{"", "删除成功：表" + t, Complete(t, 2, 2)}));
    ExpectSameTable(t);
    ConvertTable(t, tmDropTable);
    EXPECT_EQ(NewLines(), (Lines{"", "删除成功：表" + t, "创建成功:表" + t, Complete(t, 2, 2)}));
    ExpectSameTable(t);
    // One table per name: nothing under a folded or cut spelling beside it.
    EXPECT_EQ(TableNames(*dst_).size(), 1u);
    dst_->Execute("drop table " + Q(*dst_, t));
  }
  EXPECT_TRUE(messages.empty());
}

TEST_P(NamesOnEngines, ATableNamedLikeStatementsRunsNoneOfThemOnTheTarget) {
  const std::string t = "zz(a int); drop table y; create table zz2";
  dst_->Execute("create table y (a integer)");
  dst_->Execute("insert into y values (7)");
  CreateCatalogueTable(t);
  const auto before = TableNames(*dst_);
  OpenGates();
  for (auto mode : {tmSkipExisting, tmSkipExisting, tmDeleteRecords, tmDropTable}) {
    SCOPED_TRACE("mode " + std::to_string(mode));
    ConvertTable(t, mode);
    EXPECT_EQ(NewLines().back().rfind("导", 0), 0u);
    auto after = TableNames(*dst_);
    after.erase(t);
    EXPECT_EQ(after, before);
    ASSERT_EQ(ReadRows(*dst_, "y").size(), 1u);
    ExpectSameTable(t);
  }
}

TEST_P(NamesOnEngines, AColumnTheTargetWouldCutOrCannotHoldFailsItsTableAloneBeforeItIsCreated) {
  // 65 characters, alike but for the last: PostgreSQL would cut both to the same 63 bytes,
  // MariaDB refuses names over 64.
  const std::string stem(64, 'c'), first = stem + "1", second = stem + "2";
  if (db::NameRefusal(db::NamesOf(*src_), first))
    GTEST_SKIP() << "the source cannot hold such a column either";
  src_->Execute("create table wide_names (id integer, " + Q(*src_, first) + " varchar(10), " +
                Q(*src_, second) + " varchar(10))");
  Insert(*src_, "wide_names", {{db::Variant(1), db::Variant("a"), db::Variant("b")}});
  src_->Execute("create table later_table (id integer, v varchar(10))");
  Insert(*src_, "later_table", {{db::Variant(1), db::Variant("x")}});
  OpenGates();

  ConvertTable("wide_names", tmDropTable);
  ConvertTable("later_table", tmSkipExisting);

  const Lines later = {"", "创建成功:表later_table", Complete("later_table", 1, 1)};
  if (auto why = db::NameRefusal(db::NamesOf(*dst_), first)) {
    Lines expected = {"",
                      "导出失败：目标数据库不能容纳表wide_names的列名" + first + "(" + *why + ")"};
    expected.insert(expected.end(), later.begin(), later.end());
    EXPECT_EQ(NewLines(), expected);
    EXPECT_EQ(TableNames(*dst_), std::set<std::string>{"later_table"}) << "nothing cut to fit";
  } else {
    Lines expected = {"", "创建成功:表wide_names", Complete("wide_names", 1, 1)};
    expected.insert(expected.end(), later.begin(), later.end());
    EXPECT_EQ(NewLines(), expected);
    EXPECT_EQ(ColumnNames(*dst_, "wide_names"), (std::vector<std::string>{"id", first, second}));
  }
  EXPECT_EQ(ReadRows(*dst_, "later_table").size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Pairs, NamesOnEngines,
                         ::testing::Values(ConvertPair{"SQLite", "PostgreSQL"},
                                           ConvertPair{"SQLite", "MariaDB"},
                                           ConvertPair{"SQLite", "SQLite"},
                                           ConvertPair{"PostgreSQL", "SQLite"},
                                           ConvertPair{"MariaDB", "SQLite"}),
                         PairName);

// The Access file whose tables are named with spaces and a slash, read through MDBTools.
class AccessNames : public CustomConvertTest {
 protected:
  void SetUp() override {
    CustomConvertTest::SetUp();
    if (IsSkipped() || HasFailure()) return;
    fruit_ = FixturePath("fruit.mdb");
    if (fruit_.empty()) MVQ_SKIP_OR_FAIL("the fixture fruit.mdb is missing (scripts/fixtures)");
    from.connectionString = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + fruit_;
  }
  std::string fruit_;
};

const Lines kFruitTables = {"Fruit", "Fruit Salad", "Veggie Salad", "Muffin/Bread", "Dried"};

TEST_P(AccessNames, EveryTableOfTheFileArrivesUnderItsNameAndIsFoundAgainInEveryMode) {
  OpenGates();
  auto source = db::NewConnection();
  source->Open(from.connectionString);
  for (const auto& t : kFruitTables) {
    SCOPED_TRACE(t);
    DropTable(Dst(), Q(Dst(), t));
    const auto rows = ReadRows(*source, "[" + t + "]");
    ASSERT_FALSE(rows.empty());
    const int n = static_cast<int>(rows.size());
    // Created, then found again by every mode under the same spelling.
    const TTableMode modes[] = {tmSkipExisting, tmSkipExisting, tmDeleteRecords, tmDropTable};
    for (size_t step = 0; step < std::size(modes); ++step) {
      SCOPED_TRACE("step " + std::to_string(step));
      const size_t before = LogLines().size();
      ConvertTable(t, modes[step]);
      const Lines all = LogLines();
      const Lines lines(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
      ASSERT_GE(lines.size(), 2u);
      if (step == 1) {
        EXPECT_EQ(lines, (Lines{"", "导出失败：因表" + t + "已存在，不再导入"}));
        continue;
      }
      EXPECT_EQ(lines[1], step == 0 ? "创建成功:表" + t : "删除成功：表" + t);
      EXPECT_EQ(lines.back(), Complete(t, n, n));
      auto target = ReadRows(Dst(), Q(Dst(), t));
      ASSERT_EQ(target.size(), rows.size());
      for (size_t r = 0; r < rows.size(); ++r)
        EXPECT_EQ(RowDifference(rows[r], target[r], from, to), "") << "row " << r;
    }
    EXPECT_EQ(TableNames(Dst()).count(t), 1u);
    DropTable(Dst(), Q(Dst(), t));
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, AccessNames,
                         ::testing::Values(ConvertPair{"Access", "SQLite"},
                                           ConvertPair{"Access", "PostgreSQL"},
                                           ConvertPair{"Access", "MariaDB"}),
                         PairName);

// Access as the target: a new file written by our Jet writer, read back by mdb-reader.
class NamesIntoAccess : public RunLogCapture {
 protected:
  void SetUp() override {
    RunLogCapture::SetUp();
    if (auto missing = OdbcMissing()) MVQ_SKIP_OR_FAIL(*missing);
    if (auto why = JsReaderMissing(); !why.empty()) MVQ_SKIP_OR_FAIL(why);
    SetTickSource([] { return 5000u; });
    CurrentDirection = 9;
    mdb_ = folder_.File("名 目标.mdb");
    CreateMdbFile(mdb_);
    CustomSourceGate =
        std::make_unique<TADOConn>("DRIVER=SQLite3;Database=" + folder_.File("s.db"));
    CustomTargetGate =
        std::make_unique<TADOConn>("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + mdb_);
    ASSERT_TRUE(CustomSourceGate->IsConnected());
    ASSERT_TRUE(CustomTargetGate->IsConnected());
  }
  void TearDown() override {
    CustomSourceGate.reset();
    CustomTargetGate.reset();
    SetTickSource({});
    RunLogCapture::TearDown();
  }
  db::Connection& Src() { return *CustomSourceGate->AdoConnection(); }
  // The source table: a key, then the columns, one row naming its table.
  void SourceTable(const std::string& table, const std::vector<std::string>& columns) {
    std::string list = "id integer primary key";
    for (const auto& c : columns) list += ", " + Q(Src(), c) + " varchar(80)";
    Src().Execute("create table " + Q(Src(), table) + " (" + list + ")");
    std::string values = "1";
    for (size_t i = 0; i < columns.size(); ++i)
      values += ", " + db::QuoteLiteral(db::NamesOf(Src()), table);
    Src().Execute("insert into " + Q(Src(), table) + " values (" + values + ")");
  }
  Lines NewLines() {
    Lines all = LogLines();
    Lines fresh(all.begin() + static_cast<std::ptrdiff_t>(std::min(seen_, all.size())), all.end());
    seen_ = all.size();
    return fresh;
  }
  static std::string Done(const std::string& t) {
    return "导出成功:表" + t + "，总的记录数1,导出数据1条，全部完成,用时0ms";
  }

  TempDir folder_;
  std::string mdb_;
  size_t seen_ = 0;
};

TEST_F(NamesIntoAccess, EveryNameAccessHoldsArrivesAndIsFoundAgainInEveryMode) {
  const db::NameRules access = db::NameRulesFor(db::Dbms::Access);
  std::vector<std::string> columns;  // "id" comes first by itself
  for (const auto& c : kCatalogueColumns)
    if (c != "id" && !db::NameRefusal(access, c)) columns.push_back(c);
  std::vector<std::string> tables;
  for (const auto& c : kNameCatalogue) {
    if (db::NameRefusal(access, c.name)) continue;
    tables.push_back(c.name);
    SourceTable(c.name, columns);
  }
  ASSERT_GE(tables.size(), 8u);
  for (const auto& t : tables) {
    SCOPED_TRACE(t);
    ConvertTable(t, tmSkipExisting);
    EXPECT_EQ(NewLines(), (Lines{"", "创建成功:表" + t, Done(t)}));
    ConvertTable(t, tmSkipExisting);
    EXPECT_EQ(NewLines(), (Lines{"", "导出失败：因表" + t + "已存在，不再导入"}));
    ConvertTable(t, tmDeleteRecords);
    EXPECT_EQ(NewLines(), (Lines{"", "删除成功：表" + t, Done(t)}));
    ConvertTable(t, tmDropTable);
    EXPECT_EQ(NewLines(), (Lines{"", "删除成功：表" + t, "创建成功:表" + t, Done(t)}));
  }
  // Read by a reader of its own: each table once, under its name, with its columns and row.
  const JsDump js = ReadWithJs(mdb_, tables);
  std::set<std::string> userTables;
  for (const auto& [name, count] : js.counts)
    if (name.rfind("MSys", 0) != 0) userTables.insert(name);
  EXPECT_EQ(userTables, std::set<std::string>(tables.begin(), tables.end()));
  for (const auto& t : tables) {
    SCOPED_TRACE(t);
    EXPECT_EQ(js.counts.at(t), std::make_pair(1L, 1L));
    const auto cols = js.Columns(t);
    ASSERT_EQ(cols.size(), columns.size() + 1);
    for (size_t i = 0; i < columns.size(); ++i)
      EXPECT_EQ(cols[i + 1].substr(0, columns[i].size() + 1), columns[i] + " ");
    const auto rows = js.Rows(t);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].back(), t);
  }
}

TEST_F(NamesIntoAccess, ATableWithAColumnAccessRefusesFailsAloneAndTheNextArrives) {
  SourceTable("brackets", {"a]b"});
  SourceTable("Order Details", {"select"});
  ConvertTable("brackets", tmDropTable);
  ConvertTable("Order Details", tmDropTable);
  EXPECT_EQ(NewLines(), (Lines{"", "导出失败：目标数据库不能容纳表brackets的列名a]b(名称含有字符])",
                               "", "创建成功:表Order Details", Done("Order Details")}));
  const JsDump js = ReadWithJs(mdb_);
  EXPECT_EQ(js.counts.count("brackets"), 0u);
  EXPECT_EQ(js.counts.at("Order Details"), std::make_pair(1L, 1L));
}

// Workbooks: the Access file (its own direction) and the catalogue from SQLite (custom).
class NamesIntoWorkbooks : public RunLogCapture, public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override {
    RunLogCapture::SetUp();
    if (auto missing = ReadersMissing(); !missing.empty()) MVQ_SKIP_OR_FAIL(missing);
    SetTickSource([] { return 5000u; });
  }
  void TearDown() override {
    MdbGate.reset();
    CustomSourceGate.reset();
    SetTickSource({});
    RunLogCapture::TearDown();
  }
  std::string Path(const std::string& base) { return folder_.File(base + "." + GetParam()); }

  // The sheet named so, or null.
  static const SheetDump* Sheet(const std::vector<SheetDump>& sheets, const std::string& name) {
    auto it = std::find_if(sheets.begin(), sheets.end(),
                           [&](const SheetDump& s) { return s.name == name; });
    return it == sheets.end() ? nullptr : &*it;
  }

  TempDir folder_;
};

TEST_P(NamesIntoWorkbooks, EveryTableOfTheAccessFileGetsItsSheets) {
  const std::string fruit = FixturePath("fruit.mdb");
  if (fruit.empty()) MVQ_SKIP_OR_FAIL("the fixture fruit.mdb is missing (scripts/fixtures)");
  MdbGate = std::make_unique<TMDBDataGate>(fruit);
  ASSERT_TRUE(MdbGate->IsConnected());
  CurrentDirection = 8;
  const std::string path = Path("fruit");
  Texpexcel writer(path);
  for (const auto& t : kFruitTables) writer.ExportTable(t);
  writer.Close();
  for (const auto& line : LogLines()) EXPECT_EQ(line.find("失败"), std::string::npos) << line;
  const auto sheets = ReadWorkbook(path, "xlrd");
  for (const std::string t : {"Fruit", "Fruit Salad", "Veggie Salad", "Dried"}) {
    const SheetDump* s = Sheet(sheets, t);
    ASSERT_NE(s, nullptr) << t;
    EXPECT_GT(s->rows, 1) << t;
  }
  // "/" cannot be in a sheet name: the sheet is renamed, with a line, and still written.
  EXPECT_EQ(Sheet(sheets, "Muffin/Bread"), nullptr);
  EXPECT_GE(sheets.size(), kFruitTables.size());
}

TEST_P(NamesIntoWorkbooks, TheCatalogueTablesOfACustomSourceAreReadUnderTheirNames) {
  const std::string file = folder_.File("names.db");
  CustomSourceGate = std::make_unique<TADOConn>("DRIVER=SQLite3;Database=" + file);
  ASSERT_TRUE(CustomSourceGate->IsConnected());
  db::Connection& conn = *CustomSourceGate->AdoConnection();
  for (const auto& c : kNameCatalogue) {
    std::string columns;
    for (const auto& col : kCatalogueColumns)
      columns += (columns.empty() ? "" : ", ") + Q(conn, col) + " varchar(40)";
    conn.Execute("create table " + Q(conn, c.name) + " (" + columns + ")");
    conn.Execute("insert into " + Q(conn, c.name) + " values (1, 'a', 'b', 'c', 'd', 'e', 'f', " +
                 db::QuoteLiteral(db::NamesOf(conn), c.name) + ", 'h')");
  }
  CurrentDirection = 9;
  const std::string path = Path("names");
  Texpexcel writer(path);
  for (const auto& c : kNameCatalogue) writer.ExportTable(c.name);
  writer.Close();
  for (const auto& line : LogLines()) EXPECT_EQ(line.find("失败"), std::string::npos) << line;
  const auto sheets = ReadWorkbook(path, "xlrd");
  // Each table's one row, found by the value that names its table.
  for (const auto& c : kNameCatalogue) {
    auto it = std::find_if(sheets.begin(), sheets.end(),
                           [&](const SheetDump& s) { return s.At(1, 7) == "text:" + c.name; });
    ASSERT_NE(it, sheets.end()) << c.name;
    for (size_t i = 0; i < kCatalogueColumns.size(); ++i)
      EXPECT_EQ(it->At(0, static_cast<int>(i)), "text:" + kCatalogueColumns[i]);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, NamesIntoWorkbooks, ::testing::Values("xls", "xlsx"));

}  // namespace
}  // namespace mvq::test
