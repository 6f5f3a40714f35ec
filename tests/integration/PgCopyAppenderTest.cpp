// The PostgreSQL bulk path on the real server: values land as they do through parameter
// arrays, refused rows are reported one by one while the others are written, and the rows
// follow the connection's transactions (page commits, rollbacks, nesting, autocommit).
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "platform/bulk/PgCopyAppender.h"
#include "platform/odbc/OdbcConnection.h"
#include "support/Engines.h"
#include "support/VariantPrint.h"

namespace mvq {
namespace {

using db::Bytes;
using db::Date;
using db::DateTime;
using db::Decimal;
using db::Time;
using db::Variant;
using Row = std::vector<Variant>;

class PgCopyAppender : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_ = test::AllEngines()[1];
    if (engine_.connectionString.empty()) MVQ_SKIP_OR_FAIL(engine_.missingReason);
    conn_ = Connect();
  }
  void TearDown() override {
    db::SetBulkAppends(true);
    db::SetAppenderBatchRows(0);
    if (conn_) conn_->Close();
  }
  std::unique_ptr<db::Connection> Connect() const {
    auto conn = db::NewConnection();
    conn->Open(engine_.connectionString);
    return conn;
  }
  std::unique_ptr<db::Appender> Appender(const std::string& table, size_t columns, bool bulk) {
    db::SetBulkAppends(bulk);
    auto app = conn_->CreateAppender(table, columns);
    db::SetBulkAppends(true);
    EXPECT_EQ(dynamic_cast<db::PgCopyAppender*>(app.get()) != nullptr, bulk);
    return app;
  }
  // Every row of table ordered by its first column, read on a connection of its own.
  std::vector<Row> Rows(const std::string& table) {
    auto other = Connect();
    auto q = other->CreateQuery();
    q->Open("select * from " + table + " order by 1");
    std::vector<Row> rows;
    for (; !q->Eof(); q->Next()) {
      Row row;
      for (size_t i = 0; i < q->Fields().size(); ++i) row.push_back(q->Value(i));
      rows.push_back(row);
    }
    return rows;
  }
  int64_t Count(const std::string& table) {
    auto other = Connect();
    auto q = other->CreateQuery();
    q->Open("select count(*) from " + table);
    return q->Value(0).AsInt();
  }
  // Appends rows; the labels of the refused ones with their SQLSTATE and message.
  static std::vector<std::string> Post(db::Appender& app, const std::vector<Row>& rows) {
    std::vector<std::string> refused;
    auto note = [&](const std::vector<db::RowFailure>& failures) {
      for (const auto& f : failures)
        refused.push_back(f.label.value_or("?") + " " + f.error.SqlState() + " " +
                          f.error.DriverMessage());
    };
    for (const auto& row : rows) {
      app.Append();
      for (size_t i = 0; i < row.size(); ++i) app.SetField(i, row[i]);
      note(app.Post(row[0].AsText()));
    }
    note(app.Flush());
    return refused;
  }

  // Appends rows in a transaction by parameter arrays, then into the table made anew by
  // COPY: both must refuse and write the same rows. Returns what COPY refused and wrote.
  std::pair<std::vector<std::string>, std::vector<Row>> BothPaths(const std::string& table,
                                                                  const std::string& columns,
                                                                  size_t width,
                                                                  const std::vector<Row>& rows) {
    std::vector<std::string> refused[2];
    std::vector<Row> written[2];
    for (int bulk = 0; bulk < 2; ++bulk) {
      test::RecreateTable(*conn_, table, columns);
      conn_->BeginTrans();
      auto app = Appender(table, width, bulk == 1);
      refused[bulk] = Post(*app, rows);
      app.reset();
      conn_->CommitTrans();
      written[bulk] = Rows(table);
    }
    EXPECT_EQ(refused[1], refused[0]);
    EXPECT_EQ(written[1], written[0]);
    return {refused[1], written[1]};
  }

  test::Engine engine_;
  std::unique_ptr<db::Connection> conn_;
};

const char* const kAllTypes =
    "id bigint primary key, i int, b boolean, t varchar(20), tx text, n numeric(28,10), "
    "d double precision, dt date, ts timestamp, tm time, by bytea";

std::vector<Row> AllTypeRows() {
  Bytes big(1 << 20);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7 + i / 256);
  return {
      {int64_t{1}, 42, true, "客户一", "多行\n文本\t制表\\反斜杠\r",
       Decimal{"123456789012345678.0123456789"}, 0.1, Date{2024, 2, 29},
       DateTime{{2024, 1, 2}, {3, 4, 5}, 123456000}, Time{23, 59, 58},
       Bytes{0x00, 0x5c, 0xff, 0x0a, 0x09}},
      {int64_t{2}, Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Variant(),
       Variant(), Variant(), Variant()},
      {int64_t{3}, -2147483647 - 1, false, "", "", Decimal{"-0.0000000001"}, -1e300, Date{1, 1, 1},
       DateTime{{1999, 12, 31}, {23, 59, 59}, 999999000}, Time{0, 0, 0}, big},
      {int64_t{4}, 7, true, "\\N", "\\x41", Decimal{"0"}, 0.30000000000000004, Date{9999, 12, 31},
       DateTime{{2024, 6, 1}, {12, 0, 0}, 0}, Time{12, 30, 0}, Bytes{}},
  };
}

TEST_F(PgCopyAppender, ValuesOfEveryTypeLandAsThroughParameterArrays) {
  std::string viaCopy = test::UniqueTable("pgcopy_types"), viaOdbc = viaCopy + "_odbc";
  test::RecreateTable(*conn_, viaCopy, kAllTypes);
  test::RecreateTable(*conn_, viaOdbc, kAllTypes);
  auto rows = AllTypeRows();
  {
    auto app = Appender(viaCopy, 11, true);
    EXPECT_TRUE(Post(*app, rows).empty());
  }
  {
    auto app = Appender(viaOdbc, 11, false);
    EXPECT_TRUE(Post(*app, rows).empty());
  }
  auto copied = Rows(viaCopy);
  ASSERT_EQ(copied.size(), rows.size());
  EXPECT_EQ(copied, Rows(viaOdbc));
  // And as sent.
  EXPECT_EQ(copied[0][3], Variant("客户一"));
  EXPECT_EQ(copied[0][4], Variant("多行\n文本\t制表\\反斜杠\r"));
  EXPECT_EQ(copied[0][5], Variant(Decimal{"123456789012345678.0123456789"}));
  EXPECT_EQ(copied[0][6], Variant(0.1));
  EXPECT_EQ(copied[0][8], Variant(DateTime{{2024, 1, 2}, {3, 4, 5}, 123456000}));
  EXPECT_EQ(copied[0][10], Variant(Bytes{0x00, 0x5c, 0xff, 0x0a, 0x09}));
  for (size_t c = 1; c < copied[1].size(); ++c) EXPECT_TRUE(copied[1][c].IsNull()) << c;
  EXPECT_EQ(copied[2][6], Variant(-1e300));
  EXPECT_EQ(copied[2][10], rows[2][10]);
  EXPECT_EQ(copied[3][3], Variant("\\N"));
  EXPECT_EQ(copied[3][4], Variant("\\x41"));
  EXPECT_EQ(copied[3][6], Variant(0.30000000000000004));
  test::DropTable(*conn_, viaCopy);
  test::DropTable(*conn_, viaOdbc);
}

// Values whose kind differs from their column's: each path writes the same or refuses the
// same rows.
TEST_F(PgCopyAppender, MismatchedKindsAreTakenOrRefusedAsThroughParameterArrays) {
  std::string table = test::UniqueTable("pgcopy_kinds");
  const char* columns =
      "id int primary key, i int, n numeric(12,3), t varchar(30), b boolean, ts timestamp, "
      "dt date, by bytea";
  std::vector<Row> rows = {
      {1, "42", "12.5", int64_t{7}, int64_t{1}, Date{2024, 3, 4},
       DateTime{{2024, 3, 4}, {0, 0, 0}, 0}, Variant()},
      {2, true, 2.25, 2.5, "true", "2024-03-04 05:06:07", "2024-03-04", Variant()},
      {3, Decimal{"17"}, int64_t{5}, Decimal{"1.50"}, false, Variant(), Variant(), Variant()},
      {4, "x", Variant(), true, Variant(), Variant(), Variant(), Variant()},
      {5, Variant(), Variant(), Date{2024, 1, 1}, int64_t{2}, Variant(), Variant(), Variant()},
      {6, 2.5, Variant(), DateTime{{2024, 1, 1}, {1, 2, 3}, 500000000}, Variant(), Variant(),
       Variant(), Variant()},
      {7, Variant(), Variant(), Variant(), Variant(), Variant(), Variant(), Bytes{'h', 'i'}},
  };
  auto [refused, written] = BothPaths(table, columns, 8, rows);
  EXPECT_GE(written.size(), 4u);
  test::DropTable(*conn_, table);
}

// psqlODBC reads text bound for a bytea column as hex digits ("abc" becomes 0xab); COPY
// stores the text's own bytes, which is what a copy of a text value means.
TEST_F(PgCopyAppender, TextIntoAByteaColumnKeepsItsBytes) {
  std::string table = test::UniqueTable("pgcopy_textbytes");
  test::RecreateTable(*conn_, table, "id int primary key, by bytea");
  auto app = Appender(table, 2, true);
  EXPECT_TRUE(Post(*app, {{1, "abc"}, {2, "a\\b\t"}, {3, "客"}}).empty());
  auto rows = Rows(table);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][1], Variant(Bytes{'a', 'b', 'c'}));
  EXPECT_EQ(rows[1][1], Variant(Bytes{'a', '\\', 'b', '\t'}));
  EXPECT_EQ(rows[2][1], Variant(Bytes{0xe5, 0xae, 0xa2}));
  test::DropTable(*conn_, table);
}

TEST_F(PgCopyAppender, RefusedRowsAreReportedAloneAndTheOthersWritten) {
  std::string table = test::UniqueTable("pgcopy_refused");
  db::SetAppenderBatchRows(200);
  std::vector<Row> rows;
  for (int i = 1; i <= 1000; ++i) rows.push_back({i, "name " + std::to_string(i)});
  // A key already there, a key twice in one batch, values too long, the first and last
  // row of a batch, and a run of refused rows.
  rows[499][0] = 5;
  rows[700][0] = 690;
  for (int i : {0, 199, 200, 999, 333}) rows[i][1] = std::string(60, 'x');
  for (int i = 800; i < 830; ++i) rows[i][0] = 7;
  auto [refused, written] = BothPaths(table, "id int primary key, name varchar(50)", 2, rows);
  ASSERT_EQ(refused.size(), 37u);
  EXPECT_EQ(written.size(), 1000u - 37u);
  EXPECT_EQ(refused[0].substr(0, 8), "1 22001 ");
  EXPECT_NE(refused[0].find("value too long"), std::string::npos);
  EXPECT_EQ(refused[4].substr(0, 8), "5 23505 ");
  EXPECT_NE(refused[4].find("duplicate key"), std::string::npos);
  test::DropTable(*conn_, table);
}

TEST_F(PgCopyAppender, RowsFollowTheConnectionsTransactions) {
  std::string table = test::UniqueTable("pgcopy_tx");
  test::RecreateTable(*conn_, table, "id int primary key");
  auto post = [](db::Appender& app, int from, int to) {
    for (int i = from; i <= to; ++i) {
      app.Append();
      app.SetField(0, i);
      EXPECT_TRUE(app.Post().empty());
    }
  };
  auto app = Appender(table, 1, true);

  // A page: nothing is visible before its commit, everything after, also rows never flushed.
  conn_->BeginTrans();
  post(*app, 1, 100);
  EXPECT_TRUE(app->Flush().empty());
  post(*app, 101, 150);
  EXPECT_EQ(Count(table), 0);
  conn_->CommitTrans();
  EXPECT_EQ(Count(table), 150);

  // A rolled back page leaves nothing, flushed or not.
  conn_->BeginTrans();
  post(*app, 151, 200);
  EXPECT_TRUE(app->Flush().empty());
  post(*app, 201, 250);
  conn_->RollbackTrans();
  EXPECT_EQ(Count(table), 150);

  // Nested: the inner level undone, the outer kept.
  conn_->BeginTrans();
  post(*app, 300, 309);
  conn_->BeginTrans();
  post(*app, 310, 319);
  conn_->RollbackTrans();
  conn_->BeginTrans();
  post(*app, 320, 329);
  conn_->CommitTrans();
  conn_->CommitTrans();
  EXPECT_EQ(Count(table), 170);
  EXPECT_EQ(Rows(table).back()[0], Variant(int64_t{329}));

  // Autocommit: each flush commits by itself.
  post(*app, 400, 409);
  EXPECT_TRUE(app->Flush().empty());
  EXPECT_EQ(Count(table), 180);

  // Closing without a commit undoes the transaction.
  conn_->BeginTrans();
  post(*app, 500, 509);
  EXPECT_TRUE(app->Flush().empty());
  app.reset();
  conn_->Close();
  EXPECT_EQ(Count(table), 180);
  conn_ = Connect();
  test::DropTable(*conn_, table);
}

// Rows beside the connection's own uncommitted writes would wait for them: the appender
// goes by parameter arrays then, and a duplicate of such a row is refused, not waited on.
TEST_F(PgCopyAppender, ATransactionThatWroteThroughOdbcKeepsToParameterArrays) {
  std::string table = test::UniqueTable("pgcopy_wrote");
  test::RecreateTable(*conn_, table, "id int primary key");
  conn_->BeginTrans();
  conn_->Execute("insert into " + table + " values (1)");
  db::SetBulkAppends(true);
  auto app = conn_->CreateAppender(table, 1);
  EXPECT_EQ(dynamic_cast<db::PgCopyAppender*>(app.get()), nullptr);
  app->Append();
  app->SetField(0, 1);
  app->Post();
  auto refused = app->Flush();
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0].error.SqlState(), "23505");
  conn_->CommitTrans();
  // A transaction that only read may take the bulk path.
  conn_->BeginTrans();
  auto q = conn_->CreateQuery();
  q->Open("select count(*) from " + table);
  EXPECT_NE(dynamic_cast<db::PgCopyAppender*>(conn_->CreateAppender(table, 1).get()), nullptr);
  conn_->CommitTrans();
  test::DropTable(*conn_, table);
}

TEST_F(PgCopyAppender, AMissingTableFailsAsWithParameterArrays) {
  std::string table = test::UniqueTable("pgcopy_missing");
  test::DropTable(*conn_, table);
  std::string messages[2];
  for (int bulk = 0; bulk < 2; ++bulk) {
    db::SetBulkAppends(bulk == 1);
    try {
      conn_->CreateAppender(table, 1);
      ADD_FAILURE() << "no error";
    } catch (const db::DbError& e) {
      messages[bulk] = e.SqlState() + e.DriverMessage();
    }
  }
  EXPECT_EQ(messages[1], messages[0]);
  EXPECT_EQ(messages[1].substr(0, 5), "42P01");
}

}  // namespace
}  // namespace mvq
