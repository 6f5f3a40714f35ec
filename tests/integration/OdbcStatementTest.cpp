// Statements, transactions, appender failures, schema rowsets and errors, on each engine.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/odbc/OdbcConnection.h"
#include "support/Engines.h"

namespace mvq::test {
namespace {

using db::Variant;

class OdbcStatements : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    if (HasFatalFailure() || IsSkipped()) return;
    table_ = UniqueTable("st");
    RecreateTable(conn(), table_, "id int primary key, name varchar(20) not null");
  }
  void TearDown() override {
    db::SetAppenderBatchRows(0);
    db::SetBulkAppends(true);
    if (connection_ && connection_->IsOpen()) DropTable(conn(), table_);
    EngineTest::TearDown();
  }
  int64_t Count(db::Connection& c, const std::string& where = "") {
    auto q = c.CreateQuery();
    q->Open("select count(*) from " + table_ + where);
    return q->Value(0).AsInt();
  }
  // Appends rows id 1..n named "n<id>", except that the rows in dup repeat the id 1 of the
  // first row and the rows in nulls get no name. Returns the failures' labels.
  std::vector<std::string> AppendRows(db::Appender& app, int n, std::vector<int> dup,
                                      std::vector<int> nulls,
                                      std::vector<db::RowFailure>* all = nullptr) {
    std::vector<db::RowFailure> failures;
    auto keep = [&](std::vector<db::RowFailure> f) {
      for (auto& x : f) failures.push_back(std::move(x));
    };
    for (int i = 1; i <= n; ++i) {
      app.Append();
      bool isDup = std::count(dup.begin(), dup.end(), i) > 0;
      app.SetField(0, isDup ? 1 : i);
      if (!std::count(nulls.begin(), nulls.end(), i)) app.SetField(1, "n" + std::to_string(i));
      keep(app.Post("row " + std::to_string(i)));
    }
    keep(app.Flush());
    std::vector<std::string> labels;
    for (const auto& f : failures) labels.push_back(f.label.value_or("?"));
    if (all) *all = std::move(failures);
    return labels;
  }
  // Posts the row (id, "n"); an error it throws is kept in thrown.
  static void PostKeepingErrors(db::Appender& app, int id, std::vector<db::DbError>& thrown) {
    app.Append();
    app.SetField(0, id);
    app.SetField(1, "n");
    try {
      app.Post();
    } catch (const db::DbError& e) {
      thrown.push_back(e);
    }
  }
  static void FlushKeepingErrors(db::Appender& app, std::vector<db::DbError>& thrown) {
    try {
      app.Flush();
    } catch (const db::DbError& e) {
      thrown.push_back(e);
    }
  }
  std::string table_;
};

TEST_P(OdbcStatements, ExecuteCountsTheRowsItTouches) {
  for (int i = 1; i <= 3; ++i)
    EXPECT_EQ(conn().Execute("insert into " + table_ + " values (?, ?)",
                             {{Variant(i)}, {Variant("n" + std::to_string(i))}}),
              1);
  EXPECT_EQ(conn().Execute("update " + table_ + " set name='x' where id > ?", {{Variant(1)}}), 2);
  EXPECT_EQ(conn().Execute("update " + table_ + " set name='y' where id > 100"), 0);
  auto q = conn().CreateQuery();
  EXPECT_EQ(q->Execute("delete from " + table_, {}), 3);
  EXPECT_EQ(Count(conn()), 0);
}

TEST_P(OdbcStatements, QueriesTakeParametersOfEveryKind) {
  conn().Execute("insert into " + table_ + " values (1, '张三')");
  auto q = conn().CreateQuery();
  q->Open("select id, name from " + table_ + " where name = ? and id = ?",
          {{Variant("张三")}, {Variant(int64_t{1})}});
  ASSERT_EQ(q->RecordCount(), 1);
  EXPECT_EQ(q->Value(0).AsInt(), 1);
  q->Open("select count(*) from " + table_ + " where ? is null", {{Variant()}});
  EXPECT_EQ(q->Value(0).AsInt(), 1);
  q->Open("select count(*) from " + table_ + " where id = ?", {{Variant(db::Decimal{"1"})}});
  EXPECT_EQ(q->Value(0).AsInt(), 1);
}

TEST_P(OdbcStatements, ColonMarkersAreTranslatedByPositionAndName) {
  conn().SetMarkerStyle(db::MarkerStyle::Colon);
  EXPECT_EQ(conn().Execute("insert into " + table_ + " (id, name) values (:2, :1)",
                           {{Variant("a':1")}, {Variant(5)}}),
            1);
  auto q = conn().CreateQuery();
  q->Open("select name, ':1' from " + table_ + " where id = :ID and name = :Name",
          {{Variant("a':1"), "name"}, {Variant(5), "id"}});
  ASSERT_EQ(q->RecordCount(), 1);
  EXPECT_EQ(q->Value(0).AsText(), "a':1");
  EXPECT_EQ(q->Value(1).AsText(), ":1");
}

TEST_P(OdbcStatements, NestedTransactionsCommitAndRollBackByLevel) {
  auto other = Connect();
  EXPECT_FALSE(conn().InTransaction());
  EXPECT_EQ(conn().BeginTrans(), 1);
  conn().Execute("insert into " + table_ + " values (1, 'outer')");
  EXPECT_EQ(conn().BeginTrans(), 2);
  conn().Execute("insert into " + table_ + " values (2, 'inner')");
  conn().RollbackTrans();  // undoes the inner level only
  EXPECT_TRUE(conn().InTransaction());
  EXPECT_EQ(conn().BeginTrans(), 2);
  conn().Execute("insert into " + table_ + " values (3, 'kept')");
  conn().CommitTrans();
  EXPECT_EQ(Count(conn()), 2);
  conn().CommitTrans();
  EXPECT_FALSE(conn().InTransaction());
  EXPECT_EQ(Count(*other, " where id in (1, 3)"), 2);

  conn().BeginTrans();
  conn().Execute("delete from " + table_);
  conn().RollbackTrans();
  EXPECT_EQ(Count(*other), 2);
  EXPECT_THROW(conn().CommitTrans(), db::DbError);
  // Back in autocommit: a statement is visible at once.
  conn().Execute("insert into " + table_ + " values (4, 'auto')");
  EXPECT_EQ(Count(*other), 3);
}

TEST_P(OdbcStatements, AFailingRowInABatchOfAThousandIsIsolated) {
  auto app = conn().CreateAppender(table_, 2);
  std::vector<db::RowFailure> failures;
  EXPECT_EQ(AppendRows(*app, 1000, {500}, {}, &failures), (std::vector<std::string>{"row 500"}));
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_FALSE(failures[0].error.SqlState().empty());
  EXPECT_NE(failures[0].error.SqlState(), "00000");
  EXPECT_FALSE(failures[0].error.DriverMessage().empty());
  EXPECT_EQ(Count(conn()), 999);
  EXPECT_EQ(Count(conn(), " where name = 'n1'"), 1);
  EXPECT_EQ(Count(conn(), " where name = 'n499'"), 1);
  EXPECT_EQ(Count(conn(), " where name = 'n501'"), 1);
  EXPECT_EQ(Count(conn(), " where name = 'n1000'"), 1);
}

TEST_P(OdbcStatements, FailingRowsInsideATransactionLeaveItUsable) {
  conn().BeginTrans();
  auto app = conn().CreateAppender(table_, 2);
  EXPECT_EQ(AppendRows(*app, 1200, {3, 1100}, {999}),
            (std::vector<std::string>{"row 3", "row 999", "row 1100"}));
  conn().Execute("insert into " + table_ + " values (5000, 'after')");
  conn().CommitTrans();
  auto other = Connect();
  EXPECT_EQ(Count(*other), 1200 - 3 + 1);
}

// Page after page, as a copy commits them: a refused row in the first array of a later
// transaction is reported alone, and the rest of the page (and the work before it) stays.
// (psqlODBC answered such an array, sent under a savepoint of ours, with a ROLLBACK of the
// whole transaction.)
TEST_P(OdbcStatements, ARefusedRowInTheFirstArrayOfALaterPageIsReportedAlone) {
  db::SetBulkAppends(false);
  auto app = conn().CreateAppender(table_, 2);
  int expected = 0;
  for (int page = 0; page < 3; ++page) {
    conn().BeginTrans();
    const int base = 10000 * (page + 1);
    if (page == 1) {
      conn().Execute("insert into " + table_ + " values (" + std::to_string(base) + ", 'first')");
      ++expected;
    }
    std::vector<std::string> labels;
    for (int i = 1; i <= 50; ++i) {
      app->Append();
      app->SetField(0, i == 25 ? 1 : base + i);
      app->SetField(1, "n");
      for (const auto& f : app->Post("row " + std::to_string(i))) labels.push_back(*f.label);
    }
    for (const auto& f : app->Flush()) labels.push_back(*f.label);
    conn().CommitTrans();
    expected += page == 0 ? 50 : 49;
    EXPECT_EQ(labels, page == 0 ? std::vector<std::string>{} : std::vector<std::string>{"row 25"})
        << "page " << page;
    EXPECT_EQ(Count(*Connect()), expected) << "page " << page;
  }
}

TEST_P(OdbcStatements, AppendingWithAutocommitOffLeavesTheCallersWorkUncommitted) {
  conn().SetAutoCommit(false);
  conn().Execute("insert into " + table_ + " values (5000, 'mine')");
  auto app = conn().CreateAppender(table_, 2);
  EXPECT_EQ(AppendRows(*app, 30, {20}, {}), (std::vector<std::string>{"row 20"}));
  auto other = Connect();
  EXPECT_EQ(Count(*other), 0);  // nothing committed behind the caller's back
  conn().Execute("insert into " + table_ + " values (5001, 'still open')");
  conn().SetAutoCommit(true);  // the driver commits on switching autocommit back on
  EXPECT_EQ(Count(*other), 29 + 2);
}

TEST_P(OdbcStatements, RowByRowBatchesIsolateFailuresToo) {
  db::SetAppenderBatchRows(1);
  auto app = conn().CreateAppender(table_, 2);
  EXPECT_EQ(AppendRows(*app, 20, {12}, {15}), (std::vector<std::string>{"row 12", "row 15"}));
  EXPECT_EQ(Count(conn()), 18);
}

TEST_P(OdbcStatements, CommitSendsPostedRowsAndRollbackDropsThem) {
  auto other = Connect();
  conn().BeginTrans();
  auto app = conn().CreateAppender(table_, 2);
  for (int i = 1; i <= 3; ++i) {
    app->Append();
    app->SetField(0, i == 3 ? 1 : i);
    app->SetField(1, "x");
    EXPECT_TRUE(app->Post("row " + std::to_string(i)).empty());
  }
  conn().CommitTrans();
  EXPECT_EQ(Count(*other), 2);
  // The failure of the row sent at commit comes with the next flush.
  auto failures = app->Flush();
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].label, "row 3");

  conn().BeginTrans();
  app->Append();
  app->SetField(0, 10);
  app->SetField(1, "dropped");
  app->Post();
  conn().RollbackTrans();
  EXPECT_TRUE(app->Flush().empty());
  EXPECT_EQ(Count(*other), 2);
}

// Parameter arrays go from a thread of their own (PostgreSQL's COPY switched off so that it
// takes them too) while the next rows are posted: a failure of any array is reported once,
// by a later Post or the Flush, and a statement on the same connection waits for the array
// under way instead of using the connection beside it.
TEST_P(OdbcStatements, ArraysSentAheadReportEachFailureOnceAndOtherStatementsWait) {
  db::SetAppenderBatchRows(100);
  db::SetBulkAppends(false);
  conn().BeginTrans();
  auto app = conn().CreateAppender(table_, 2);
  std::vector<std::string> labels;
  for (int i = 1; i <= 1050; ++i) {
    app->Append();
    const bool dup = i == 5 || i == 150 || i == 151 || i == 799 || i == 1001;
    app->SetField(0, dup ? 1 : i);
    if (i != 420) app->SetField(1, "n" + std::to_string(i));
    for (const auto& f : app->Post("row " + std::to_string(i))) labels.push_back(*f.label);
    // Rows 201-300 have just been handed over; the count sees them all the same.
    if (i == 300) {
      EXPECT_EQ(Count(conn()), 300 - 3);
    }
  }
  for (const auto& f : app->Flush()) labels.push_back(*f.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"row 5", "row 150", "row 151", "row 420", "row 799",
                                              "row 1001"}));
  conn().CommitTrans();
  EXPECT_EQ(Count(*Connect()), 1050 - 6);

  // Rolled back while an array is under way: its refused row is still reported, once.
  labels.clear();
  conn().BeginTrans();
  for (int i = 2001; i <= 2100; ++i) {
    app->Append();
    app->SetField(0, i == 2050 ? 1 : i);
    app->SetField(1, "n");
    for (const auto& f : app->Post("row " + std::to_string(i))) labels.push_back(*f.label);
  }
  conn().RollbackTrans();
  for (const auto& f : app->Flush()) labels.push_back(*f.label);
  EXPECT_EQ(labels, std::vector<std::string>{"row 2050"});
  EXPECT_EQ(Count(*Connect()), 1050 - 6);
}

// The server ends the session while arrays are being sent: the error comes out of a Post or
// the Flush, once, with no hang; nothing of the transaction stays.
TEST_P(OdbcStatements, ALostConnectionDuringASendAheadIsThrownByTheAppender) {
  if (engine().name == "SQLite") {
    GTEST_SKIP() << "an in-process engine cannot lose its server";
  }
  db::SetAppenderBatchRows(100);
  db::SetBulkAppends(false);
  const bool pg = engine().name == "PostgreSQL";
  auto q = conn().CreateQuery();
  q->Open(pg ? "select pg_backend_pid()" : "select connection_id()");
  const std::string id = q->Value(0).AsText();
  q->Close();
  conn().BeginTrans();
  auto app = conn().CreateAppender(table_, 2);
  std::vector<db::DbError> thrown;
  for (int i = 1; i <= 150; ++i) PostKeepingErrors(*app, i, thrown);
  auto other = Connect();
  other->Execute(pg ? "select pg_terminate_backend(" + id + ")" : "kill " + id);
  for (int i = 151; i <= 400 && thrown.empty(); ++i) PostKeepingErrors(*app, i, thrown);
  FlushKeepingErrors(*app, thrown);
  EXPECT_EQ(thrown.size(), 1u);
  app.reset();
  EXPECT_ANY_THROW(conn().CommitTrans());
  EXPECT_EQ(Count(*other), 0);
  connection_ = std::move(other);  // the table is dropped through a live connection
}

// Our transaction is a deadlock's victim, and MariaDB rolls all of it back: the rows written
// before the failed array are gone, so the send fails as a whole rather than replaying the
// array's rows into a new transaction and counting the lost ones as written.
TEST_P(OdbcStatements, ATransactionTheServerRollsBackWholeEndsTheAppend) {
  if (engine().name != "MariaDB") {
    GTEST_SKIP() << "only MariaDB ends the whole transaction of a deadlock's victim";
  }
  db::SetAppenderBatchRows(2);
  db::SetBulkAppends(false);
  auto other = Connect();
  other->BeginTrans();
  // The other transaction weighs more, so the server sacrifices ours.
  std::string many = "insert into " + table_ + " values (1000, 'b')";
  for (int i = 1001; i < 1200; ++i) many += ", (" + std::to_string(i) + ", 'b')";
  other->Execute(many);
  other->Execute("insert into " + table_ + " values (20, 'b')");

  conn().BeginTrans();
  auto app = conn().CreateAppender(table_, 2);
  std::vector<db::DbError> thrown;
  for (int id : {10, 11}) PostKeepingErrors(*app, id, thrown);  // written
  // This array waits for the other transaction's row 20.
  for (int id : {12, 20}) PostKeepingErrors(*app, id, thrown);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  other->Execute("insert into " + table_ + " values (10, 'b')");  // waits for ours: deadlock
  other->RollbackTrans();
  FlushKeepingErrors(*app, thrown);
  ASSERT_EQ(thrown.size(), 1u);
  EXPECT_EQ(thrown[0].SqlState(), "40001");
  conn().CommitTrans();
  EXPECT_EQ(Count(*other), 0);
}

TEST_P(OdbcStatements, AppenderMisuseIsAnErrorNotACrash) {
  auto app = conn().CreateAppender(table_, 2);
  EXPECT_THROW(app->SetField(0, 1), db::DbError);  // no row started
  EXPECT_THROW(app->Post(), db::DbError);
  app->Append();
  EXPECT_THROW(app->SetField(2, 1), db::DbError);
  app->Cancel();
  EXPECT_THROW(app->Post(), db::DbError);
  EXPECT_THROW(conn().CreateAppender(table_, 3), db::DbError);
  EXPECT_THROW(conn().CreateAppender(table_, 0), db::DbError);
  EXPECT_THROW(conn().CreateAppender(UniqueTable("missing"), 1), db::DbError);
}

TEST_P(OdbcStatements, SchemaRowsetsListTablesKeysAndTypes) {
  const std::string keyed = UniqueTable("k2");
  const std::string view = UniqueTable("v");
  RecreateTable(conn(), keyed, "b int not null, a int not null, c int, primary key (b, a)");
  conn().Execute("drop view if exists " + view);
  conn().Execute("create view " + view + " as select id from " + table_);

  std::string tableType, viewType;
  for (const auto& t : conn().SchemaTables()) {
    if (t.TABLE_NAME == table_) tableType = t.TABLE_TYPE;
    if (t.TABLE_NAME == view) viewType = t.TABLE_TYPE;
    // MariaDB lists the connection's own database only.
    if (engine().dbms == db::Dbms::MariaDB) {
      EXPECT_EQ(t.TABLE_CATALOG, conn().CurrentCatalog());
    }
  }
  EXPECT_EQ(tableType, "TABLE");
  EXPECT_EQ(viewType, "VIEW");

  std::vector<std::string> keyColumns, plainKey;
  for (const auto& k : conn().SchemaPrimaryKeys()) {
    if (k.TABLE_NAME == keyed) keyColumns.push_back(k.COLUMN_NAME);
    if (k.TABLE_NAME == table_) plainKey.push_back(k.COLUMN_NAME);
  }
  EXPECT_EQ(keyColumns, (std::vector<std::string>{"b", "a"}));
  EXPECT_EQ(plainKey, (std::vector<std::string>{"id"}));

  auto types = conn().SchemaProviderTypes();
  auto has = [&](int code, bool fixed) {
    return std::any_of(types.begin(), types.end(), [&](const db::ProviderTypeRow& t) {
      return t.DATA_TYPE == code && t.IS_FIXEDLENGTH == fixed && !t.TYPE_NAME.empty();
    });
  };
  EXPECT_TRUE(has(3, true)) << "integer";
  EXPECT_TRUE(has(129, false) || has(130, false)) << "varying text";
  EXPECT_TRUE(has(135, true)) << "timestamp";
  EXPECT_TRUE(has(131, true)) << "numeric";
  EXPECT_TRUE(has(128, false)) << "varying binary";
  for (const auto& t : types) EXPECT_GE(t.COLUMN_SIZE, 0) << t.TYPE_NAME;
  conn().Execute("drop view " + view);
  DropTable(conn(), keyed);
}

TEST_P(OdbcStatements, RefusedStatementsCarryTheDriversDiagnostics) {
  try {
    conn().Execute("select * from " + UniqueTable("no_such_table"));
    ADD_FAILURE() << "no error";
  } catch (const db::DbError& e) {
    EXPECT_EQ(e.SqlState().size(), 5u);
    EXPECT_NE(e.DriverMessage().find(UniqueTable("no_such_table")), std::string::npos)
        << e.DriverMessage();
    ASSERT_FALSE(e.Records().empty());
  }
  auto q = conn().CreateQuery();
  EXPECT_THROW(q->Open("selec nothing"), db::DbError);
  EXPECT_FALSE(q->IsOpen());
  EXPECT_THROW(q->RecordCount(), db::DbError);
  EXPECT_THROW(q->Value(0), db::DbError);
  // The connection still works after the errors.
  EXPECT_EQ(Count(conn()), 0);
}

TEST_P(OdbcStatements, StreamingReadsEveryRowInOrder) {
  conn().BeginTrans();
  auto app = conn().CreateAppender(table_, 2);
  EXPECT_TRUE(AppendRows(*app, 5000, {}, {}).empty());
  conn().CommitTrans();
  auto q = conn().CreateQuery();
  q->Open("select id from " + table_ + " order by id", {}, db::Fetch::Stream);
  EXPECT_EQ(q->RecordCount(), -1);
  EXPECT_THROW(q->First(), db::DbError);
  int64_t expected = 1;
  for (; !q->Eof(); q->Next()) EXPECT_EQ(q->Value(0).AsInt(), expected++);
  EXPECT_EQ(expected, 5001);
  // A whole result goes back to its first row.
  q->Open("select id from " + table_ + " where id <= 3 order by id");
  q->Next();
  q->First();
  EXPECT_EQ(q->Value(0).AsInt(), 1);
}

TEST_P(OdbcStatements, QueriesOfAClosedConnectionFailCleanly) {
  auto q = conn().CreateQuery();
  q->Open("select id from " + table_);
  conn().Close();
  EXPECT_FALSE(conn().IsOpen());
  EXPECT_THROW(q->Open("select 1"), db::DbError);
  EXPECT_THROW(conn().Execute("select 1"), db::DbError);
  EXPECT_THROW(conn().SchemaTables(), db::DbError);
  conn().Open(engine().connectionString);
  DropTable(conn(), table_);
}

TEST_P(OdbcStatements, ScalarFunctionsAreCalledWithTheirArguments) {
  const std::string f = UniqueTable("mvq_twice");
  if (engine().dbms == db::Dbms::SQLite) {
    EXPECT_THROW(conn().CallFunction(f, {{Variant("ab")}}), db::DbError);
    return;
  }
  if (engine().dbms == db::Dbms::PostgreSQL) {
    conn().Execute("create or replace function " + f +
                   "(x varchar, n int) returns varchar as $$ select repeat(x, n) $$ language sql");
  } else {
    conn().Execute("drop function if exists " + f);
    conn().Execute("create function " + f +
                   "(x varchar(100), n int) returns varchar(400) return repeat(x, n)");
  }
  EXPECT_EQ(conn().CallFunction(f, {{Variant("张ab")}, {Variant(2)}}).AsText(), "张ab张ab");
  // The call is written by the layer: the caller's marker style plays no part.
  conn().SetMarkerStyle(db::MarkerStyle::Colon);
  EXPECT_EQ(conn().CallFunction(f, {{Variant("x")}, {Variant(3)}}).AsText(), "xxx");
  EXPECT_TRUE(conn().CallFunction(f, {{Variant()}, {Variant(3)}}).IsNull());
  conn().Execute("drop function " + f +
                 (engine().dbms == db::Dbms::PostgreSQL ? "(varchar, int)" : ""));
}

TEST_P(OdbcStatements, ValuesLongerThanTheirReportedSizeReadWhole) {
  // Unsized columns: psqlODBC reports varchar as 255 characters and numeric as 28 digits;
  // SQLite stores any length whatever the declaration. MariaDB needs sizes.
  std::string sized = "v varchar, n numeric";
  if (engine().dbms == db::Dbms::MariaDB) sized = "v varchar(3000), n decimal(65,0)";
  if (engine().dbms == db::Dbms::SQLite) sized = "v varchar(5), n numeric";
  RecreateTable(conn(), table_, "id int, " + sized);
  auto text = [](int i) {
    std::string s;
    for (int k = 0; k < 300 + i; ++k) s += "张";
    return s;
  };
  const std::string big = "12345678901234567890123456789012345678901234567890123456789012345";
  conn().BeginTrans();
  for (int i = 0; i < 50; ++i)
    conn().Execute("insert into " + table_ + " values (?, ?, ?)",
                   {{Variant(i)}, {Variant(text(i))}, {Variant(db::Decimal{big})}});
  conn().CommitTrans();
  for (auto fetch : {db::Fetch::All, db::Fetch::Stream}) {
    auto q = conn().CreateQuery();
    q->Open("select v, n from " + table_ + " order by id", {}, fetch);
    std::vector<size_t> lengths;
    for (; !q->Eof(); q->Next()) {
      EXPECT_EQ(q->Value(0).AsText(), text(static_cast<int>(lengths.size())));
      if (engine().keepsLongDecimals) {
        EXPECT_EQ(q->Value(1).AsText(), big);
      }
      lengths.push_back(q->Value(0).AsText().size());
    }
    EXPECT_EQ(lengths.size(), 50u);
  }
}

TEST_P(OdbcStatements, DecimalPrecisionFollowsATableCreatedAnew) {
  auto describe = [&] {
    auto q = conn().CreateQuery();
    q->Open("select n from " + table_);
    return std::make_pair(q->Fields()[0].precision, q->Fields()[0].scale);
  };
  RecreateTable(conn(), table_, "n numeric(10,2)");
  EXPECT_EQ(describe(), std::make_pair(10, 2));
  RecreateTable(conn(), table_, "n numeric(14,4)");
  EXPECT_EQ(describe(), std::make_pair(14, 4));
}

TEST_P(OdbcStatements, ChineseTextWithEveryUnitPatternRoundTripsExactly) {
  // "这" is U+8FD9 and "迚" U+8FDA: UTF-16 units whose low byte looks like a surrogate's.
  const std::vector<std::string> texts = {"这", "这个名字太长了", "x这y", "迚迚迚", "名字", "a了"};
  RecreateTable(conn(), table_, "id int primary key, name varchar(40)");
  {
    auto app = conn().CreateAppender(table_, 2);
    for (size_t i = 0; i < texts.size(); ++i) {
      app->Append();
      app->SetField(0, Variant(static_cast<int>(i)));
      app->SetField(1, Variant(texts[i]));
      EXPECT_TRUE(app->Post().empty());
    }
    EXPECT_TRUE(app->Flush().empty());
  }
  conn().Execute("insert into " + table_ + " values (100, '这一行在语句里')");
  conn().Execute("insert into " + table_ + " values (101, ?)", {{Variant("这是参数")}});
  for (auto fetch : {db::Fetch::All, db::Fetch::Stream}) {
    auto q = conn().CreateQuery();
    q->Open("select id, name from " + table_ + " order by id", {}, fetch);
    std::vector<std::string> back;
    for (; !q->Eof(); q->Next()) back.push_back(q->Value(1).AsText());
    auto expected = texts;
    expected.push_back("这一行在语句里");
    expected.push_back("这是参数");
    EXPECT_EQ(back, expected);
  }
  // What the engine itself holds: no stray characters.
  auto q = conn().CreateQuery();
  q->Open("select count(*) from " + table_ + " where name = ?", {{Variant("这个名字太长了")}});
  EXPECT_EQ(q->Value(0).AsInt(), 1);
}

TEST_P(OdbcStatements, AStreamedTableGivesEveryRowOnceWhateverItsKey) {
  // 20,000 rows fill whole key ranges where a driver is read by ranges (MariaDB: 10,000),
  // so that the last range comes back empty.
  auto fill = [&](const std::string& columns, int n, auto value) {
    RecreateTable(conn(), table_, columns);
    auto app = conn().CreateAppender(table_, 2);
    for (int i = 0; i < n; ++i) {
      app->Append();
      app->SetField(0, value(i));
      app->SetField(1, Variant("第" + std::to_string(i) + "行"));
      ASSERT_TRUE(app->Post().empty());
    }
    ASSERT_TRUE(app->Flush().empty());
  };
  auto read = [&] {
    std::vector<std::string> texts;
    auto q = conn().StreamTable(table_);
    EXPECT_EQ(q->Fields().size(), 2u);
    for (; !q->Eof(); q->Next()) texts.push_back(q->Value(1).AsText());
    std::sort(texts.begin(), texts.end());
    return texts;
  };
  auto expected = [](int n) {
    std::vector<std::string> texts;
    for (int i = 0; i < n; ++i) texts.push_back("第" + std::to_string(i) + "行");
    std::sort(texts.begin(), texts.end());
    return texts;
  };
  fill("id int primary key, name varchar(20)", 20000, [](int i) { return Variant(i); });
  EXPECT_EQ(read(), expected(20000));
  // A text key, Chinese included, ranges by the engine's own order.
  fill("k varchar(20) primary key, name varchar(20)", 10001,
       [](int i) { return Variant("键" + std::to_string(i * 7919 % 10001)); });
  EXPECT_EQ(read(), expected(10001));
  // No key: the table is read in one statement.
  fill("id int, name varchar(20)", 3, [](int i) { return Variant(i); });
  EXPECT_EQ(read(), expected(3));
}

TEST_P(OdbcStatements, ATableAnotherConnectionCreatedAnewShowsItsNewColumns) {
  RecreateTable(conn(), table_, "id integer, a varchar(5)");
  auto before = conn().CreateQuery();
  before->Open("select * from " + table_);
  EXPECT_EQ(before->Fields().size(), 2u);

  auto other = Connect();
  RecreateTable(*other, table_, "id integer, a varchar(5), b varchar(5), c varchar(5)");
  other->Execute("insert into " + table_ + " values (1, 'a', 'b', 'c')");

  auto after = conn().CreateQuery();
  after->Open("select * from " + table_);
  ASSERT_EQ(after->Fields().size(), 4u);
  EXPECT_EQ(after->Value(3).AsText(), "c");
  // The appender of this connection writes every column of the new table as well.
  auto appender = conn().CreateAppender(table_, 4);
  appender->Append();
  appender->SetField(0, Variant(2));
  for (size_t i = 1; i < 4; ++i) appender->SetField(i, Variant("x"));
  EXPECT_TRUE(appender->Post().empty());
  EXPECT_TRUE(appender->Flush().empty());
  auto q = other->CreateQuery();
  q->Open("select c from " + table_ + " where id = 2");
  ASSERT_FALSE(q->Eof());
  EXPECT_EQ(q->Value(0).AsText(), "x");
}

MVQ_INSTANTIATE_ENGINE_TESTS(OdbcStatements);

}  // namespace
}  // namespace mvq::test
