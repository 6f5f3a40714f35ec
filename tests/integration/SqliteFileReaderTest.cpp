// Streamed SQLite reads come from the file through libsqlite3; each value must be what the
// driver itself gives (a whole read with Fetch::All goes through the driver, here with its own
// conversions rather than as literals), except
// where the driver changes it: there it is what SQLite holds. The table holds every storage
// class in every kind of column, including the odd values.
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <cmath>
#include <cstdlib>

#include "platform/odbc/Connection.h"
#include "platform/odbc/SqliteFileReader.h"
#include "support/Engines.h"
#include "support/VariantPrint.h"

namespace mvq::test {
namespace {

using db::Variant;
using Rows = std::vector<std::vector<Variant>>;

class SqliteFileReader : public ::testing::Test {
 protected:
  void SetUp() override {
    db::SetSqliteReads(db::SqliteReads::DriverConversions);
    conn_ = db::NewConnection();
    conn_->Open("DRIVER=SQLite3;Database=" + dir_.File("file reads 文件.db"));
    conn_->Execute(
        "create table v (k integer primary key, i int, bi bigint, d double, n numeric(12,2), "
        "t varchar(20), tx text, b blob, dt date, ts timestamp, bo boolean)");
  }
  void TearDown() override { db::SetSqliteReads(db::SqliteReads::FileOrLiterals); }
  Rows Read(db::Fetch fetch, const std::string& sql = "select * from v order by k") {
    auto q = conn_->CreateQuery();
    q->Open(sql, {}, fetch);
    Rows rows;
    for (; !q->Eof(); q->Next()) {
      std::vector<Variant> row;
      for (size_t i = 0; i < q->Fields().size(); ++i) row.push_back(q->Value(i));
      rows.push_back(row);
    }
    return rows;
  }
  // One row with the same literal in every column.
  void Same(int k, const std::string& literal) {
    std::string sql = "insert into v values (" + std::to_string(k);
    for (int c = 0; c < 10; ++c) sql += ", " + literal;
    conn_->Execute(sql + ")");
  }
  // Column c of every row as SQLite holds it, straight from the file, ordered by k.
  std::vector<Variant> Stored(const std::string& c) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(dir_.File("file reads 文件.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    std::string sql = "select " + c + " from v order by k";
    sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr);
    std::vector<Variant> out;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      switch (sqlite3_column_type(stmt, 0)) {
        case SQLITE_INTEGER:
          out.emplace_back(static_cast<int64_t>(sqlite3_column_int64(stmt, 0)));
          break;
        case SQLITE_FLOAT:
          out.emplace_back(sqlite3_column_double(stmt, 0));
          break;
        case SQLITE_TEXT:
          out.emplace_back(
              std::string(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))));
          break;
        case SQLITE_BLOB: {
          auto p = static_cast<const uint8_t*>(sqlite3_column_blob(stmt, 0));
          out.emplace_back(db::Bytes(p, p + sqlite3_column_bytes(stmt, 0)));
          break;
        }
        default:
          out.emplace_back();
      }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return out;
  }
  TempDir dir_;
  std::unique_ptr<db::Connection> conn_;
};

// A file read that differs from the driver's gives the stored value itself: a double in a
// decimal column as its exact digits, anything else as it is.
bool IsStoredValue(const Variant& file, const Variant& stored) {
  if (file.kind() == Variant::Kind::Decimal && stored.kind() == Variant::Kind::Double)
    return std::strtod(file.Dec().text.c_str(), nullptr) == stored.AsDouble();
  return file == stored;
}

TEST_F(SqliteFileReader, EveryStorageClassInEveryColumnKindReadsAsThroughTheDriver) {
  const std::vector<std::string> literals = {"5",
                                             "-3",
                                             "0",
                                             "2.75",
                                             "-0.5",
                                             "0.5",
                                             "1e300",
                                             "-0.0",
                                             "0.1",
                                             "0.30000000000000004",
                                             "123456789.123456789",
                                             "4294967297",
                                             "9223372036854775807",
                                             "'abc'",
                                             "''",
                                             "'  7'",
                                             "'12x'",
                                             "'+5'",
                                             "'017'",
                                             "'0x10'",
                                             "'1e3'",
                                             "' 1.5 '",
                                             "'99999999999999999999'",
                                             "'true'",
                                             "'false'",
                                             "'Yes'",
                                             "'no'",
                                             "'t'",
                                             "'0'",
                                             "'客户 α'",
                                             "'a\tb\nc'",
                                             "'2024-01-02'",
                                             "'2024-01-02 03:04:05'",
                                             "'2024-01-02 03:04:05.123456'",
                                             "'2024-01-02 03:04:05.1234567891'",
                                             "'2024-01-02 03:04:05Z'",
                                             "'2024-1-2'",
                                             "'2024-01-02 3:4:5'",
                                             "'2024-13-45'",
                                             "'2024-02-30 25:61:00'",
                                             "' 2024-01-02'",
                                             "2460000.5",
                                             "20240102",
                                             "null",
                                             "'2023-02-29'",
                                             "'2024-02-29 23:59:59'",
                                             "'2024-01-02 24:00:00'",
                                             "'2024-01-02 03:04:05+08:00'",
                                             "'2024-01-02 03:04:60'",
                                             "'2024-01-02 03:04:05.'",
                                             "'12024-01-02'",
                                             "'2024-01-02xyz'",
                                             "'2024-01-02 x'",
                                             "'2024-01-02 03'",
                                             "'2024-01-02 03:04:5x'"};
  for (size_t i = 0; i < literals.size(); ++i) Same(static_cast<int>(i) + 1, literals[i]);
  // Blobs only where the driver reads them as text or bytes: turned into a number or a date
  // it reads past their end (AddressSanitizer reports it inside sqliteodbc).
  const int blobs = static_cast<int>(literals.size()) + 1;
  conn_->Execute("insert into v (k, n, t, tx, b) values (" + std::to_string(blobs) +
                 ", x'00ff41', x'00ff41', x'00ff41', x'00ff41')");
  conn_->Execute("insert into v (k, n, t, tx, b) values (" + std::to_string(blobs + 1) +
                 ", x'', x'', x'', x'')");
  Rows driver = Read(db::Fetch::All);
  Rows file = Read(db::Fetch::Stream);
  // Through the driver as literals, every value as the file reader gives it; only -0.0
  // (row 7) loses its sign there.
  db::SetSqliteReads(db::SqliteReads::FileOrLiterals);
  Rows asLiterals = Read(db::Fetch::All);
  db::SetSqliteReads(db::SqliteReads::DriverConversions);
  ASSERT_EQ(asLiterals.size(), file.size());
  for (size_t r = 0; r < file.size(); ++r)
    for (size_t c = 0; c < file[r].size() && r != 7; ++c)
      EXPECT_EQ(asLiterals[r][c], file[r][c])
          << asLiterals[r][c].AsText() << " / " << file[r][c].AsText() << " in row " << r
          << " column " << c;
  ASSERT_EQ(file.size(), literals.size() + 2);
  ASSERT_EQ(driver.size(), literals.size() + 2);
  const char* const names[] = {"k", "i", "bi", "d", "n", "t", "tx", "b", "dt", "ts", "bo"};
  int carried = 0;
  for (size_t c = 0; c < driver[0].size(); ++c) {
    auto stored = Stored(names[c]);
    ASSERT_EQ(stored.size(), driver.size());
    for (size_t r = 0; r < driver.size(); ++r) {
      if (file[r][c] == driver[r][c]) continue;
      ++carried;
      EXPECT_TRUE(IsStoredValue(file[r][c], stored[r]))
          << (r < literals.size() ? literals[r] : "a blob") << " in column " << names[c];
    }
  }
  // The driver's 15-digit doubles, its nulls for texts that are no dates, its integers cut
  // from texts ('12x' as 12): the file reader keeps these as SQLite holds them.
  EXPECT_GT(carried, 20);
  EXPECT_EQ(file[0][1], Variant(int64_t{5}));
  EXPECT_EQ(file[9][3], Variant(0.30000000000000004));
  EXPECT_EQ(file[11][1], Variant(int64_t{4294967297})) << "int columns hold 64 bits";
  EXPECT_EQ(file[16][1], Variant("12x"));
  EXPECT_EQ(file[38][8], Variant("2024-13-45"));
  EXPECT_EQ(file[literals.size()][5], Variant("X'00FF41'"));
  // A time without seconds: the driver reads past the text's end while parsing it (again
  // inside sqliteodbc), so its answer, taken without AddressSanitizer, is written out here.
  conn_->Execute(
      "insert into v (k, dt, ts) values (1000, '2024-01-02T03:04', '2024-01-02  03:04')");
  auto last = Read(db::Fetch::Stream, "select dt, ts from v where k = 1000");
  ASSERT_EQ(last.size(), 1u);
  EXPECT_EQ(last[0][0], Variant(db::Date{2024, 1, 2}));
  EXPECT_EQ(last[0][1], Variant(db::DateTime{{2024, 1, 2}, {3, 4, 0}, 0}));
  EXPECT_EQ(file[literals.size()][7], Variant(db::Bytes{0x00, 0xff, 0x41}));
}

// Doubles of every size and many digits, as numeric, text and double columns read them.
TEST_F(SqliteFileReader, ManyDoublesReadBackExactly) {
  conn_->BeginTrans();
  auto app = conn_->CreateAppender("v", 7);
  uint64_t x = 88172645463325252ull;
  for (int k = 1; k <= 20000; ++k) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    double d;
    switch (k % 4) {
      case 0:
        d = static_cast<double>(x % 10000000) / 100;  // cents
        break;
      case 1:
        d = static_cast<double>(x % 1000000007) / 1000003.0;
        break;
      case 2:
        d = std::ldexp(static_cast<double>(x >> 11), static_cast<int>(x % 90) - 100);
        break;
      default:
        d = static_cast<double>(x % 100000000000000000ull) / 1000;
    }
    if (x & 1) d = -d;
    app->Append();
    app->SetField(0, k);
    for (size_t c = 3; c < 7; ++c) app->SetField(c, d);
    EXPECT_TRUE(app->Post().empty());
  }
  EXPECT_TRUE(app->Flush().empty());
  app.reset();
  conn_->CommitTrans();
  // Text columns read as through the driver; doubles arrive to the last bit, and decimals
  // holding doubles with their exact digits (the driver gives 15).
  const char* sql = "select k, t, tx from v order by k";
  EXPECT_EQ(Read(db::Fetch::Stream, sql), Read(db::Fetch::All, sql));
  auto file = Read(db::Fetch::Stream, "select d, n from v order by k");
  auto stored = Stored("d");
  ASSERT_EQ(file.size(), stored.size());
  for (size_t r = 0; r < file.size(); ++r) {
    ASSERT_EQ(file[r][0], stored[r]) << r;
    EXPECT_TRUE(IsStoredValue(file[r][1], stored[r])) << file[r][1].AsText();
  }
  // The driver's reading as literals, where the file reader cannot stand in: the same.
  db::SetSqliteReads(db::SqliteReads::Literals);
  EXPECT_EQ(Read(db::Fetch::All, "select d, n from v order by k"), file);
}

TEST_F(SqliteFileReader, ExpressionsJoinsAndLongValues) {
  std::string big(200000, 'x');
  conn_->Execute("insert into v (k, tx, b, ts) values (1, ?, ?, '2024-05-06 07:08:09.5')",
                 {{Variant(big)}, {Variant(db::Bytes(100000, 7))}});
  conn_->Execute("insert into v (k, i, n) values (2, 40, 1.25)");
  const char* queries[] = {
      "select k, length(tx), i * 2, n + 1, upper('abc') from v order by k",
      "select a.k, b.ts, a.tx, b.b from v a join v b on a.k = b.k order by a.k",
      "select count(*), max(n) from v"};
  for (const char* sql : queries)
    EXPECT_EQ(Read(db::Fetch::Stream, sql), Read(db::Fetch::All, sql)) << sql;
}

// Blocks are read ahead on a thread: a query closed early stops it, and an error met while
// reading ahead reaches the caller at the row it belongs to.
TEST_F(SqliteFileReader, ReadingAheadStopsWithTheQueryAndPassesErrorsOn) {
  conn_->BeginTrans();
  auto app = conn_->CreateAppender("v", 2);
  for (int k = 1; k <= 5000; ++k) {
    app->Append();
    app->SetField(0, k);
    app->SetField(1, k == 4500 ? Variant(int64_t{-9223372036854775807 - 1}) : Variant(k));
    EXPECT_TRUE(app->Post().empty());
  }
  EXPECT_TRUE(app->Flush().empty());
  app.reset();
  conn_->CommitTrans();
  for (int round = 0; round < 3; ++round) {
    auto q = conn_->CreateQuery();
    q->Open("select k from v order by k", {}, db::Fetch::Stream);
    for (int i = 0; i < 10 * round; ++i) q->Next();
    q->Close();
  }
  EXPECT_EQ(Read(db::Fetch::Stream, "select k from v").size(), 5000u);
  // abs() of the smallest integer overflows when row 4500 is stepped.
  auto q = conn_->CreateQuery();
  q->Open("select k, abs(i) from v order by k", {}, db::Fetch::Stream);
  int rows = 0;
  try {
    for (; !q->Eof(); q->Next()) ++rows;
    ADD_FAILURE() << "no error";
  } catch (const db::DbError& e) {
    EXPECT_NE(std::string(e.what()).find("overflow"), std::string::npos) << e.what();
  }
  EXPECT_EQ(rows, 4499);
  EXPECT_FALSE(q->IsOpen());
}

// Inside a transaction the connection's own writes are not in the file yet: the driver
// reads them.
TEST_F(SqliteFileReader, AReadInsideATransactionSeesItsOwnRows) {
  conn_->Execute("insert into v (k) values (1)");
  conn_->BeginTrans();
  conn_->Execute("insert into v (k) values (2)");
  EXPECT_EQ(Read(db::Fetch::Stream).size(), 2u);
  conn_->RollbackTrans();
  EXPECT_EQ(Read(db::Fetch::Stream).size(), 1u);
  // A statement the file cannot run alone (a temporary table of this connection) still runs.
  conn_->Execute("create temp table tmp_only (x int)");
  conn_->Execute("insert into tmp_only values (7)");
  auto rows = Read(db::Fetch::Stream, "select x from tmp_only");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][0], Variant(7));
}

}  // namespace
}  // namespace mvq::test
