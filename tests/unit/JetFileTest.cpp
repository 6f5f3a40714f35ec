// The Jet 4 writer, read back by MDBTools and mdb-reader and walked by our own checker.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/jet/JetChecker.h"
#include "platform/jet/JetDatabase.h"
#include "platform/jet/PageFile.h"
#include "platform/jet/TableDefPage.h"
#include "support/AccessReadBack.h"
#include "support/JetColumns.h"
#include "support/TempDir.h"

namespace mvq::jet {
namespace {

using db::Variant;
using test::At;
Column Col(const char* n, ColType t, uint16_t length = 0) {
  return test::JetCol(n, t, length);
}
using test::JsDump;

const char* const kSystemTables[] = {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"};

std::string Fixture() {
  return std::string(MVQ_FIXTURE_DIR) + "/node-adodb.mdb";
}

void ExpectSound(const std::string& path) {
  CheckReport r = CheckFile(path);
  std::string all;
  for (const auto& p : r.problems) all += p + "\n";
  EXPECT_TRUE(r.problems.empty()) << all;
  EXPECT_TRUE(r.unowned.empty()) << r.unowned.size() << " pages owned by nothing, first "
                                 << (r.unowned.empty() ? 0 : r.unowned.front());
}

// Every type the program's CREATE TABLE texts name, keyed on a Counter.
TableSchema AllTypes(const std::string& name) {
  TableSchema t;
  t.name = name;
  t.columns = {Col("ID", ColType::Long),   Col("NAME", ColType::Text, 2 * 20),
               Col("NOTE", ColType::Memo), Col("B", ColType::Byte),
               Col("I", ColType::Int),     Col("F", ColType::Float),
               Col("D", ColType::Double),  Col("M", ColType::Money),
               Col("N", ColType::Numeric), Col("T", ColType::DateTime),
               Col("YES", ColType::Bool),  Col("BLOB", ColType::Ole),
               Col("SEQ", ColType::Long)};
  t.columns[8].precision = 18;
  t.columns[8].scale = 4;
  t.columns[12].autoNumber = true;
  Index pk;
  pk.name = "PrimaryKey";
  pk.columns = {0};
  pk.primary = pk.unique = pk.required = true;
  t.indexes = {pk};
  return t;
}

db::Bytes Blob(size_t n) {
  db::Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = uint8_t((i * 7 + i / 251) & 0xff);
  return b;
}

// Rows keyed 0..count-1 with a 300-character memo, the other fields null.
void FillWithMemos(TableWriter& t, int count) {
  for (int i = 0; i < count; ++i) {
    std::vector<Variant> r(13);
    r[0] = int64_t(i);
    r[2] = std::string(300, 'm');
    ASSERT_EQ(t.Append(r), std::nullopt);
  }
}

class JetFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (auto why = test::JsReaderMissing(); !why.empty()) GTEST_SKIP() << why;
  }
  test::TempDir dir_;
};

TEST_F(JetFileTest, ANewFileHasTheSystemTablesOfAnAccessMadeFile) {
  if (!std::filesystem::exists(Fixture())) GTEST_SKIP() << "run scripts/fixtures";
  const std::string path = dir_.File("new.mdb");
  JetDatabase::Create(path);
  EXPECT_EQ(test::Shell("mdb-ver " + path), "JET4\n");
  std::string listed = test::Shell("mdb-tables -S -1 " + path);
  JsDump ours = test::ReadWithJs(path), access = test::ReadWithJs(Fixture());
  for (const char* t : kSystemTables) {
    EXPECT_NE(listed.find(std::string(t) + "\n"), std::string::npos) << t;
    EXPECT_EQ(test::MdbSchema(path, t), test::MdbSchema(Fixture(), t)) << t;
    EXPECT_EQ(ours.Columns(t), access.Columns(t)) << t;
    EXPECT_FALSE(ours.Columns(t).empty()) << t;
  }
  // The catalog lists itself and the other system tables under the Tables container.
  std::string catalog = test::MdbExport(path, "MSysObjects");
  for (const char* row : {"251658241,251658240,\"Tables\",3", "2,251658241,\"MSysObjects\",1",
                          "268435456,251658242,\"MSysDb\",2"})
    EXPECT_NE(catalog.find(row), std::string::npos) << row << "\n" << catalog;
  EXPECT_EQ(test::Shell("mdb-count " + path + " MSysObjects"),
            std::to_string(ours.counts["MSysObjects"].first) + "\n");
  EXPECT_EQ(ours.counts["MSysObjects"].first, ours.counts["MSysObjects"].second);
  ExpectSound(path);
}

TEST_F(JetFileTest, RowsOfEveryTypeReadBackAsWritten) {
  const std::string path = dir_.File("types.mdb");
  auto db = JetDatabase::Create(path);
  TableWriter& t = db->CreateTable(AllTypes("客户 Data"));
  const std::string longText(9000, 'x');
  const std::string chinese = "北京市朝阳区";
  auto row = [] { return std::vector<Variant>(13); };
  std::vector<Variant> r1 = row();
  r1[0] = int64_t(1);
  r1[1] = chinese;
  r1[2] = longText + "末";
  r1[3] = int64_t(255);
  r1[4] = int64_t(-32768);
  r1[5] = 1.5;
  r1[6] = -1234.5678;
  r1[7] = db::Decimal{"-922337203685477.5808"};
  r1[8] = db::Decimal{"12345678901234.5678"};
  r1[9] = At(1850, 6, 1);
  r1[10] = true;
  r1[11] = Blob(3 * 1024 * 1024 + 17);
  std::vector<Variant> r2 = row();
  r2[0] = int64_t(2);  // every other field null
  std::vector<Variant> r3 = row();
  r3[0] = int64_t(3);
  r3[1] = "short";
  r3[2] = "a memo";
  r3[9] = At(2024, 2, 29, 13, 45, 30);
  r3[11] = Blob(100);
  r3[8] = db::Decimal{"-0.5"};
  for (auto* r : {&r1, &r2, &r3}) EXPECT_EQ(t.Append(*r), std::nullopt);
  db->Commit();

  EXPECT_EQ(test::Shell("mdb-count " + path + " '客户 Data'"), "3\n");
  std::string csv = test::MdbExport(path, "客户 Data");
  std::string shown = csv;  // the long values cut short, for the messages
  for (size_t at; (at = shown.find(longText)) != std::string::npos;)
    shown.replace(at, longText.size(), "<memo>");
  shown = shown.substr(0, 300) + " ... " + shown.substr(shown.rfind("\n2,"));
  EXPECT_NE(csv.find("1,\"北京市朝阳区\",\"" + longText +
                     "末\",255,-32768,1.5,-1234.5678,-922337203685477.5808"),
            std::string::npos)
      << shown;
  // MDBTools prints no date before 1900 (it shows "1900-01-00"); mdb-reader checks that one below.
  EXPECT_NE(csv.find("12345678901234.5678,\"1900-01-00 00:00:00\",1,\"00070E15"), std::string::npos)
      << shown;
  EXPECT_NE(csv.find("\n2,,,,,,,,,,0,,2\n"), std::string::npos) << shown;
  EXPECT_NE(csv.find("3,\"short\",\"a memo\",,,,,,-0.5000,\"2024-02-29 13:45:30\",0,\"00070E15"),
            std::string::npos)
      << shown;

  JsDump js = test::ReadWithJs(path, {"客户 Data"});
  EXPECT_EQ(js.counts["客户 Data"], std::make_pair(3L, 3L));
  auto rows = js.Rows("客户 Data");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][1], chinese);
  EXPECT_EQ(rows[0][2], longText + "末");
  EXPECT_EQ(rows[0][7], "-922337203685477.5808");
  EXPECT_EQ(rows[0][8], "12345678901234.5678");
  EXPECT_EQ(rows[0][9], "1850-06-01T00:00:00.000Z");
  EXPECT_EQ(rows[0][10], "true");
  db::Bytes blob = Blob(3 * 1024 * 1024 + 17);
  EXPECT_EQ(rows[0][11], test::JsBytes(blob));
  EXPECT_EQ(rows[1], (std::vector<std::string>{"2", "NULL", "NULL", "NULL", "NULL", "NULL", "NULL",
                                               "NULL", "NULL", "NULL", "false", "NULL", "2"}));
  EXPECT_EQ(rows[2][9], "2024-02-29T13:45:30.000Z");
  // The key is found through the index by MDBTools' SQL.
  EXPECT_NE(test::Shell("echo \"select NAME from [客户 Data] where ID = 3\" | mdb-sql -HFP " + path)
                .find("short\n"),
            std::string::npos);
  ExpectSound(path);
}

TEST_F(JetFileTest, ALargeTableKeepsCountsMapsAndIndexRightAtEveryCommit) {
  const std::string path = dir_.File("large.mdb");
  auto db = JetDatabase::Create(path);
  TableSchema s;
  s.name = "BIG";
  s.columns = {Col("K", ColType::Long), Col("V", ColType::Text, 2 * 30), Col("W", ColType::Double)};
  s.indexes = {Index{"PrimaryKey", {0}, true, true, false, true}};
  TableWriter& t = db->CreateTable(s);
  int64_t next = 0;
  for (int commit = 0; commit < 3; ++commit) {
    for (int i = 0; i < 40000; ++i, ++next)
      ASSERT_EQ(t.Append({Variant(int64_t((next * 7919) % 1000003)),
                          Variant("row " + std::to_string(next)), Variant(double(next) / 3)}),
                std::nullopt);
    db->Commit();
    std::string expect = std::to_string(next) + "\n";
    EXPECT_EQ(test::Shell("mdb-count " + path + " BIG"), expect);
    JsDump js = test::ReadWithJs(path);
    EXPECT_EQ(js.counts["BIG"], std::make_pair(long(next), long(next)));
    ExpectSound(path);
    EXPECT_GE(CheckFile(path).dataFill, 0.9);
  }
  EXPECT_NE(test::Shell("echo \"select V from BIG where K = " +
                        std::to_string((119999LL * 7919) % 1000003) + "\" | mdb-sql -HFP " + path)
                .find("row 119999\n"),
            std::string::npos);
}

TEST_F(JetFileTest, RefusedRowsAreReportedAndTheOthersWritten) {
  const std::string path = dir_.File("limits.mdb");
  auto db = JetDatabase::Create(path);
  TableWriter& t = db->CreateTable(AllTypes("T"));
  auto with = [](int64_t id, size_t col, Variant v) {
    std::vector<Variant> r(13);
    r[0] = id;
    r[col] = std::move(v);
    return r;
  };
  EXPECT_EQ(t.Append(with(1, 1, "fits")), std::nullopt);
  auto tooLong = t.Append(with(2, 1, std::string(21, 'a')));
  ASSERT_TRUE(tooLong);
  EXPECT_NE(tooLong->find("longer than column NAME"), std::string::npos) << *tooLong;
  EXPECT_TRUE(t.Append(with(3, 3, int64_t(256))));
  EXPECT_TRUE(t.Append(with(4, 4, int64_t(40000))));
  EXPECT_TRUE(t.Append(with(5, 8, db::Decimal{"12345678901234567890"})));
  EXPECT_TRUE(t.Append(with(1, 1, "duplicate key")));
  EXPECT_TRUE(t.Append(std::vector<Variant>(13)));  // null key
  EXPECT_TRUE(t.Append(with(6, 9, At(10000, 1, 1))));
  // Broken UTF-8 would arrive as U+FFFD: refused, as text and as a memo.
  auto broken = t.Append(with(8, 1, std::string("bad \xff")));
  ASSERT_TRUE(broken);
  EXPECT_NE(broken->find("no valid UTF-8 for column NAME"), std::string::npos) << *broken;
  EXPECT_TRUE(t.Append(with(9, 2, std::string(300, 'm') + "\xc3")));
  EXPECT_EQ(t.Append(with(7, 1, "last")), std::nullopt);
  db->Commit();
  EXPECT_EQ(test::Shell("mdb-count " + path + " T"), "2\n");
  ExpectSound(path);

  TableSchema bad;
  bad.name = "a.b";
  bad.columns = {Col("X", ColType::Long)};
  EXPECT_THROW(db->CreateTable(bad), JetError);
  bad.name = std::string(65, 'n');
  EXPECT_THROW(db->CreateTable(bad), JetError);
  bad.name = " lead";
  EXPECT_THROW(db->CreateTable(bad), JetError);
  bad.name = "ok";
  bad.columns = {Col("[x]", ColType::Long)};
  EXPECT_THROW(db->CreateTable(bad), JetError);
  ExpectSound(path);
}

TEST_F(JetFileTest, DropFreesPagesForReuseAndDeleteLeavesAnEmptyTable) {
  const std::string path = dir_.File("drop.mdb");
  auto db = JetDatabase::Create(path);
  TableWriter& a = db->CreateTable(AllTypes("A"));
  FillWithMemos(a, 2000);
  db->Commit();
  uint32_t pagesBefore = db->File().PageCount();
  db->DropTable("A");
  EXPECT_EQ(test::Shell("mdb-tables -1 " + path), "");
  ExpectSound(path);
  TableWriter& b = db->CreateTable(AllTypes("B"));
  FillWithMemos(b, 2000);
  db->Commit();
  EXPECT_LE(db->File().PageCount(), pagesBefore + 4);
  db->DeleteRows("B");
  EXPECT_EQ(test::Shell("mdb-count " + path + " B"), "0\n");
  std::vector<Variant> r(13);
  r[0] = int64_t(1);
  EXPECT_EQ(b.Append(r), std::nullopt);
  db->Commit();
  EXPECT_EQ(test::Shell("mdb-count " + path + " B"), "1\n");
  ExpectSound(path);
}

TEST_F(JetFileTest, OnlyCommittedRowsCountAndAFileInUseIsRefused) {
  const std::string path = dir_.File("commit.mdb");
  auto db = JetDatabase::Create(path);
  TableWriter& t = db->CreateTable(AllTypes("C"));
  for (int i = 0; i < 500; ++i) {
    std::vector<Variant> r(13);
    r[0] = int64_t(i);
    ASSERT_EQ(t.Append(r), std::nullopt);
    if (i == 299) db->Commit();
  }
  // Rows after the last commit are not yet part of the file the readers see.
  EXPECT_EQ(test::Shell("mdb-count " + path + " C"), "300\n");
  EXPECT_EQ(test::ReadWithJs(path).counts["C"], std::make_pair(300L, 300L));
  ExpectSound(path);
  EXPECT_THROW(PageFile(path, false), JetError);
}

// Rows of key from..to-1 with a memo long enough for a chain of pages every tenth row.
void AppendKeyed(TableWriter& t, int from, int to) {
  for (int i = from; i < to; ++i) {
    std::vector<Variant> r(13);
    r[0] = int64_t(i);
    r[2] = std::string(i % 10 == 0 ? 9000 : 200, char('a' + i % 26));
    ASSERT_EQ(t.Append(r), std::nullopt) << i;
  }
}

void ExpectRows(const std::string& path, const std::string& table, long rows) {
  EXPECT_EQ(test::Shell("mdb-count " + path + " " + table), std::to_string(rows) + "\n");
  EXPECT_EQ(test::ReadWithJs(path).counts[table], std::make_pair(rows, rows));
  ExpectSound(path);
}

TEST_F(JetFileTest, RollbackForgetsEveryRowSinceTheCommitAndTheTableGoesOn) {
  const std::string path = dir_.File("rollback.mdb");
  auto db = JetDatabase::Create(path);
  TableWriter& t = db->CreateTable(AllTypes("R"));
  AppendKeyed(t, 0, 300);
  db->Commit();
  const uint32_t pages = db->File().PageCount();
  AppendKeyed(t, 300, 2300);  // many pages, written out already
  db->Rollback();
  EXPECT_EQ(t.RowCount(), 300u);
  EXPECT_EQ(db->File().PageCount(), pages);
  ExpectRows(path, "R", 300);
  // The keys of the rows rolled back are free again, the committed ones still taken.
  EXPECT_TRUE(t.Append({Variant(int64_t(299))}));
  AppendKeyed(t, 300, 400);
  db->Commit();
  ExpectRows(path, "R", 400);
  const std::string note =
      test::Shell("echo \"select NOTE from R where ID = 390\" | mdb-sql -HFP " + path);
  EXPECT_NE(note.find(std::string(9000, char('a' + 390 % 26)) + "\n"), std::string::npos)
      << note.size();
  // A rollback with nothing pending changes nothing.
  db->Rollback();
  ExpectRows(path, "R", 400);
}

TEST_F(JetFileTest, ACommitThatFailsKeepsNoneOfItsRows) {
  const std::string path = dir_.File("failed.mdb");
  auto db = JetDatabase::Create(path);
  TableWriter& t = db->CreateTable(AllTypes("F"));
  AppendKeyed(t, 0, 100);
  db->Commit();
  AppendKeyed(t, 100, 600);
  // No room left for the commit's index and maps.
  db->File().SetPageLimit(db->File().PageCount());
  EXPECT_THROW(db->Commit(), JetError);
  EXPECT_EQ(t.RowCount(), 100u);
  ExpectRows(path, "F", 100);
  db->File().SetPageLimit(uint32_t(kMaxFileSize / kPageSize));
  AppendKeyed(t, 100, 200);
  db->Commit();
  ExpectRows(path, "F", 200);
}

TEST_F(JetFileTest, PastTheFileSizeLimitRowsAreRefusedAndTheCommitStillFits) {
  const std::string path = dir_.File("full.mdb");
  auto db = JetDatabase::Create(path);
  EXPECT_EQ(uint64_t(db->File().PageLimit()) * kPageSize, 2147483648ull);
  TableWriter& t = db->CreateTable(AllTypes("L"));
  db->File().SetPageLimit(db->File().PageCount() + 400);
  int accepted = 0, refused = 0;
  std::string why;
  for (int i = 0; i < 2000; ++i) {
    std::vector<Variant> r(13);
    r[0] = int64_t(i);
    r[2] = std::string(3000, 'x');
    if (auto failed = t.Append(r)) {
      ++refused;
      why = *failed;
    } else {
      EXPECT_EQ(refused, 0) << "a row accepted after one was refused";
      ++accepted;
    }
  }
  EXPECT_GT(accepted, 100);
  EXPECT_GT(refused, 0);
  EXPECT_NE(why.find("2 GB"), std::string::npos) << why;
  db->Commit();
  EXPECT_LE(db->File().PageCount(), db->File().PageLimit());
  ExpectRows(path, "L", accepted);
}

TEST_F(JetFileTest, AReopenedFileTakesMoreRowsAndKeepsEveryPageAccountedFor) {
  const std::string path = dir_.File("reopen.mdb");
  {
    auto db = JetDatabase::Create(path);
    AppendKeyed(db->CreateTable(AllTypes("O")), 0, 3000);
    db->Commit();
  }
  for (int round = 1; round <= 2; ++round) {
    auto db = JetDatabase::Open(path);
    TableWriter* t = db->Find("O");
    ASSERT_TRUE(t);
    EXPECT_FALSE(t->Schema().system);
    EXPECT_THROW(db->DeleteRows("MSysACEs"), JetError);
    EXPECT_EQ(t->RowCount(), 3000u + 500u * (round - 1));
    auto dup = t->Append({Variant(int64_t(5))});  // the key is taken
    ASSERT_TRUE(dup);
    EXPECT_NE(dup->find("duplicate"), std::string::npos) << *dup;
    AppendKeyed(*t, 3000 * round, 3000 * round + 500);
    db->Commit();
    ExpectRows(path, "O", 3000 + 500 * round);
  }
}

// The text columns of the table at tdef as its definition declares them: name and order.
std::vector<std::pair<std::string, uint16_t>> TextOrders(const std::string& path, uint32_t tdef) {
  std::vector<std::pair<std::string, uint16_t>> out;
  PageFile file(path, false);
  std::vector<Page> pages;
  for (uint32_t p = tdef; p && pages.size() < 64; p = Get32(&pages.back()[4]))
    pages.push_back(file.Read(p));
  for (const Column& c : DecodeTableSchema(JoinTableDef(pages)).columns)
    if (c.IsTextual()) out.emplace_back(c.name, c.sortOrder);
  return out;
}

TEST_F(JetFileTest, AFileSortingTextOtherwiseGetsTablesDeclaringTheGeneralOrderTheyAreKeyedIn) {
  if (!std::filesystem::exists(Fixture())) GTEST_SKIP() << "run scripts/fixtures";
  const std::string path = dir_.File("prc.mdb");
  std::filesystem::copy_file(Fixture(), path);
  // The fixture sorts text in the Chinese PRC order (0x0804), its catalog's names too.
  for (const auto& [name, order] : TextOrders(path, 2)) EXPECT_EQ(order, 0x0804) << name;
  {
    auto db = JetDatabase::Open(path);
    TableSchema s;
    s.name = "按名";
    s.columns = {Col("NAME", ColType::Text, 2 * 20), Col("N", ColType::Long)};
    s.indexes = {Index{"PrimaryKey", {0}, true, true, false, true}};
    TableWriter& t = db->CreateTable(s);
    int n = 0;
    for (const char* name : {"张三", "李四", "Zoe", "adam", "王五", "Éva", "bob"})
      ASSERT_EQ(t.Append({Variant(name), Variant(int64_t(++n))}), std::nullopt);
    db->Commit();
  }
  // Whatever this writer keys is declared in the order it keys in; the checker finds every
  // index in that order, one entry per row.
  for (const auto& [name, order] : TextOrders(path, 2))
    EXPECT_EQ(order, kGeneralSortOrder) << "MSysObjects " << name;
  uint32_t tdef = 0;
  {
    auto db = JetDatabase::Open(path);
    ASSERT_TRUE(db->Find("按名"));
    tdef = db->Find("按名")->DefinitionPage();
  }
  for (const auto& [name, order] : TextOrders(path, tdef))
    EXPECT_EQ(order, kGeneralSortOrder) << name;
  CheckReport r = CheckFile(path);
  EXPECT_TRUE(r.problems.empty()) << (r.problems.empty() ? "" : r.problems.front());
  EXPECT_EQ(test::Shell("mdb-count " + path + " 按名"), "7\n");
  EXPECT_EQ(test::ReadWithJs(path).counts["Users"], std::make_pair(3L, 3L));
}

}  // namespace
}  // namespace mvq::jet
