// The data gate base against the scripted connection: statement texts, call order, run-log
// lines and results of statements, lists, keys and the paged read.
#include <gtest/gtest.h>

#include "AdoGateFixture.h"
#include "gates/ado/utNCDataGates.h"

namespace mvq::test {
namespace {

using db::Variant;
using Lines = std::vector<std::string>;

class DataGate : public AdoGateTest {
 protected:
  Script& script() { return world->ScriptFor("DSN=src"); }
  TADODataGate& gate() {
    if (!gate_) {
      auto connection = db::NewConnection();
      connection->Open("DSN=src");
      gate_ = std::make_unique<TADODataGate>(std::move(connection));
    }
    return *gate_;
  }
  // The journal after the connection's "open".
  Lines calls() { return Lines(script().calls.begin() + 1, script().calls.end()); }

  std::unique_ptr<TADODataGate> gate_;
};

TEST_F(DataGate, OpenQueryOpensTheStatementAndLogsAFailureWithoutRaising) {
  script().On("select * from emp").Rows({{"id", db::adInteger}}, {{7}, {8}});
  script().On("select * from nope").Fails("Invalid object name 'nope'.");
  std::unique_ptr<db::Query> q;
  gate().OpenQuery("select * from emp", q);
  ASSERT_TRUE(q->IsOpen());
  EXPECT_EQ(q->RecordCount(), 2);
  EXPECT_EQ(q->Value(0), Variant(7));

  std::unique_ptr<db::Query> failed;
  EXPECT_NO_THROW(gate().OpenQuery("select * from nope", failed));
  ASSERT_NE(failed, nullptr);
  EXPECT_FALSE(failed->IsOpen());
  EXPECT_EQ(calls(), (Lines{"query: select * from emp", "query: select * from nope"}));
  EXPECT_EQ(LogLines(),
            (Lines{"失败-----------因Invalid object name 'nope'.:无法执行select * from nope"}));
}

TEST_F(DataGate, OpenSqlBindsArgumentsByPositionAndDescribesThemInItsFailureLine) {
  script().On("select * from t where a=? and b=?").Fails("bad", "42000");
  std::unique_ptr<db::Query> q;
  gate().OpenSql("select * from t where a=? and b=?", q, {int32_t{5}, std::string("EMP")});
  EXPECT_FALSE(q->IsOpen());
  EXPECT_EQ(calls(), (Lines{"query: select * from t where a=? and b=? [5, 'EMP']"}));
  EXPECT_EQ(
      LogLines(),
      (Lines{"失败-----------因bad:无法执行select * from t where a=? and b=? 参数0=5 参数1=EMP"}));

  db::Params params;
  EXPECT_EQ(TADODataGate::BindArguments({}, params), "");
  EXPECT_TRUE(params.empty());
  EXPECT_EQ(TADODataGate::BindArguments({std::string("x"), int32_t{-3}}, params),
            " 参数0=x 参数1=-3");
  ASSERT_EQ(params.size(), 2u);
  EXPECT_EQ(params[0].value, Variant("x"));
  EXPECT_EQ(params[1].value, Variant(int64_t{-3}));
}

TEST_F(DataGate, QueryValueAnswersTheFirstValueOrAnEmptyValueOfTheColumnsKind) {
  script().On("select name from a").Rows({{"name", db::adVarWChar}}, {{"张三"}, {"b"}});
  script().On("select name from nulls").Rows({{"name", db::adVarChar}}, {{nullptr}});
  script().On("select n from nulls").Rows({{"n", db::adInteger}}, {{nullptr}});
  script().On("select name from none").Rows({{"name", db::adVarWChar}}, {});
  script().On("select n from none").Rows({{"n", db::adNumeric, 0, 10, 2}}, {});
  script().On("select n from gone").Fails("Invalid object name 'gone'.");

  EXPECT_EQ(gate().QueryValue("select name from a"), Variant("张三"));
  EXPECT_EQ(gate().QueryValue("select name from nulls"), Variant(std::string()));
  EXPECT_EQ(gate().QueryValue("select n from nulls"), Variant(int64_t{0}));
  EXPECT_EQ(gate().QueryValue("select name from none"), Variant(std::string()));
  EXPECT_EQ(gate().QueryValue("select n from none"), Variant(int64_t{0}));
  EXPECT_THROW(gate().QueryValue("select n from gone"), db::DbError);
  EXPECT_EQ(LogLines(),
            (Lines{"失败-----------因Invalid object name 'gone'.:无法执行select n from gone"}));
}

TEST_F(DataGate, FillListAddsTaggedPairsOrFirstColumnsWithoutClearing) {
  script()
      .On("select dbid, name from master..sysdatabases")
      .Rows({{"dbid", db::adSmallInt}, {"name", db::adVarWChar}}, {{1, "master"}, {5, "销售"}});
  script()
      .On("sELECT name FROM   master..sysdatabases")
      .Rows({{"name", db::adVarWChar}}, {{"model"}});
  script().On("select broken").Fails("syntax");
  TStringList list;
  list.Add("kept");
  gate().FillList("select dbid, name from master..sysdatabases", list);
  gate().FillList("sELECT name FROM   master..sysdatabases", list);
  gate().FillList("select broken", list);
  EXPECT_EQ(list.Strings(), (Lines{"kept", "master", "销售", "model"}));
  EXPECT_EQ(list.Tag(1), 1);
  EXPECT_EQ(list.Tag(2), 5);
  EXPECT_EQ(list.Tag(3), std::nullopt);
  EXPECT_EQ(LogLines(), (Lines{"失败-----------因syntax:无法执行select broken"}));
}

TEST_F(DataGate, TableExistsFindsTablesAndViewsOfAnySchemaIgnoringCase) {
  script().tables = {{"db", "dbo", "Orders", "TABLE"},
                     {"db", "sales", "v_totals", "VIEW"},
                     {"db", "sys", "sysjobs", "SYSTEM TABLE"},
                     {"", "", "人员", "TABLE"}};
  EXPECT_TRUE(gate().TableExists("orders"));
  EXPECT_TRUE(gate().TableExists("V_TOTALS"));
  EXPECT_TRUE(gate().TableExists("人员"));
  EXPECT_FALSE(gate().TableExists("sysjobs"));
  EXPECT_FALSE(gate().TableExists("Order"));
  EXPECT_EQ(calls().front(), "schema tables");
}

TEST_F(DataGate, GetTableListTakesTablesOfACatalogOrOfTheUsersSchemaOnly) {
  script().tables = {{"sales", "dbo", "orders", "TABLE"},
                     {"sales", "dbo", "v_orders", "VIEW"},
                     {"sales", "sys", "trace", "SYSTEM TABLE"},
                     {"", "SCOTT", "EMP", "TABLE"},
                     {"", "HR", "JOBS", "TABLE"},
                     {"", "SCOTT", "V_EMP", "VIEW"},
                     {"", "scott", "LOWER", "TABLE"},
                     {"", "", "Users", "TABLE"}};
  TStringList list;
  list.Add("stale");
  gate().ParseUserId("Provider=OraOLEDB.Oracle;User ID=scott;Password=tiger");
  EXPECT_EQ(gate().GetTableList(list), 2);
  EXPECT_EQ(list.Strings(), (Lines{"orders", "EMP"}));

  gate().ParseUserId("Provider=SQLOLEDB.1;Integrated Security=SSPI");
  EXPECT_EQ(gate().GetTableList(list), 2);
  EXPECT_EQ(list.Strings(), (Lines{"orders", "Users"}));
}

TEST_F(DataGate, GetPrimaryKeysJoinsTheKeyColumnsOfEveryEquallyNamedTableInLowerCase) {
  script().primaryKeys = {{"db", "dbo", "EMP", "ID", 1},
                          {"db", "dbo", "Dept", "DeptNo", 1},
                          {"db", "hr", "emp", "Branch", 1},
                          {"db", "dbo", "Dept", "Site", 2}};
  EXPECT_EQ(gate().GetPrimaryKeys("Emp"), "id,branch");
  EXPECT_EQ(gate().GetPrimaryKeys("DEPT"), "deptno,site");
  EXPECT_EQ(gate().GetPrimaryKeys("none"), "");
}

TEST_F(DataGate, ParseUserIdTakesTheUpperCasedValueOfTheExactKey) {
  gate().ParseUserId("Provider=MSDAORA;User ID=scott;Password=x");
  EXPECT_EQ(gate().UserId(), "SCOTT");
  gate().ParseUserId("Provider=MSDAORA;Password=x;User ID=hr_app");
  EXPECT_EQ(gate().UserId(), "HR_APP");
  gate().ParseUserId("Provider=MSDAORA;user id=scott");
  EXPECT_EQ(gate().UserId(), "");
  gate().ParseUserId("User ID=;Password=x");
  EXPECT_EQ(gate().UserId(), "");
}

TEST_F(DataGate, TransactionsAndReleaseGoToTheConnection) {
  EXPECT_TRUE(gate().IsConnected());
  EXPECT_EQ(gate().BeginTransaction(), 1);
  EXPECT_TRUE(gate().InTransaction());
  gate().CommitTransaction();
  gate().BeginTransaction();
  gate().RollbackTransaction();
  EXPECT_FALSE(gate().InTransaction());
  gate_.reset();
  EXPECT_EQ(calls(), (Lines{"begin", "commit", "begin", "rollback", "close"}));
}

// ---- the paged read --------------------------------------------------------------------

class PagedRead : public DataGate {
 protected:
  static constexpr const char* kPage2 =
      "select top 65535 * from orders where ([id]>(select max([id]) from (select top 65535 [id] "
      "from orders order by [id] ) as t)) order by [id]";
  static constexpr const char* kPage3 =
      "select top 65535 * from orders where ([id]>(select max([id]) from (select top 131070 [id] "
      "from orders order by [id] ) as t)) order by [id]";

  void KeyedOrders(int64_t count) {
    script().On("select count(*) from orders").Rows({{"n", db::adInteger}}, {{count}});
    script().primaryKeys = {{"db", "dbo", "orders", "ID", 1}};
  }
};

TEST_F(PagedRead, AKeyedTableOfOneRowMoreThanAPageChangesPageAtRow65536AndEndsByTheCount) {
  KeyedOrders(65536);
  script()
      .On("select top 65535 * from orders order by [id]")
      .Rows({{"id", db::adInteger}}, NumberedRows(1, 65535));
  script().On(kPage2).Rows({{"id", db::adInteger}}, NumberedRows(65536, 1));

  std::unique_ptr<db::Query> q;
  EXPECT_TRUE(gate().OpenTablePaged("orders", q));
  EXPECT_EQ(gate().RowCount(), 65536);
  EXPECT_EQ(gate().PageNo(), 1);
  EXPECT_EQ(gate().KeyColumns(), "[id]");
  EXPECT_EQ(q->RecordCount(), 65535);

  bool changed = true;
  int64_t visited = 1;
  int64_t last = q->Value(0).AsInt();
  while (!gate().NextRow(changed, q)) {
    ++visited;
    EXPECT_EQ(q->Value(0).AsInt(), last + 1);
    last = q->Value(0).AsInt();
    if (changed) {
      EXPECT_EQ(visited, 65536) << "the page changes on the first row of page 2";
      EXPECT_EQ(gate().PageNo(), 2);
    }
  }
  EXPECT_FALSE(changed) << "the end comes from the count, not from a further page";
  EXPECT_EQ(visited, 65536);
  EXPECT_EQ(gate().RowNo(), 65537);
  EXPECT_EQ(calls(), (Lines{"query: select count(*) from orders", "schema primary keys",
                            "query: select top 65535 * from orders order by [id]",
                            std::string("query: ") + kPage2}));
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(PagedRead, OpenNextPageCountsPagesAndAnswersTrueOnAnEmptyPage) {
  KeyedOrders(140000);
  script().On("select top 65535 * from orders order by [id]").Rows({{"id", db::adInteger}}, {{1}});
  script().On(kPage2).Rows({{"id", db::adInteger}}, {{65536}});
  script().On(kPage3).Rows({{"id", db::adInteger}}, {});
  std::unique_ptr<db::Query> first, page;
  gate().OpenTablePaged("orders", first);
  EXPECT_FALSE(gate().OpenNextPage(page));
  EXPECT_EQ(page->Value(0), Variant(65536));
  EXPECT_EQ(gate().PageNo(), 2);
  std::unique_ptr<db::Query> next;
  EXPECT_TRUE(gate().OpenNextPage(next));
  EXPECT_EQ(gate().PageNo(), 3);
  EXPECT_EQ(calls().back(), std::string("query: ") + kPage3);
}

TEST_F(PagedRead, ATableOfExactlyOnePageIsReadWholeAndNeverReachesASecondPage) {
  KeyedOrders(65535);
  script().On("select * from orders").Rows({{"id", db::adInteger}}, NumberedRows(1, 65535));
  std::unique_ptr<db::Query> q;
  gate().OpenTablePaged("orders", q);
  bool changed = false;
  int64_t rows = 1;
  while (!gate().NextRow(changed, q)) {
    ++rows;
    ASSERT_FALSE(changed);
  }
  EXPECT_EQ(rows, 65535);
  EXPECT_EQ(gate().PageNo(), 1);
  EXPECT_EQ(calls(), (Lines{"query: select count(*) from orders", "schema primary keys",
                            "query: select * from orders"}));
}

TEST_F(PagedRead, AnEmptyTableEndsOnTheFirstNextRow) {
  KeyedOrders(0);
  std::unique_ptr<db::Query> q;
  gate().OpenTablePaged("orders", q);
  bool changed = true;
  EXPECT_TRUE(gate().NextRow(changed, q));
  EXPECT_FALSE(changed);
  EXPECT_EQ(calls().back(), "query: select * from orders");
}

TEST_F(PagedRead, ALargeTableWithoutKeyIsLoggedAndStreamedWholeWithNoFurtherPage) {
  script().On("select count(*) from big").Rows({{"n", db::adInteger}}, {{100000}});
  script().On("select * from big").Rows({{"id", db::adInteger}}, NumberedRows(1, 3));
  std::unique_ptr<db::Query> q;
  gate().OpenTablePaged("big", q);
  EXPECT_EQ(gate().KeyColumns(), "[]");
  EXPECT_EQ(calls().back(), "stream: select * from big");
  EXPECT_EQ(LogLines(), (Lines{"因表big无主键,程序有所影响"}));

  std::unique_ptr<db::Query> page;
  EXPECT_TRUE(gate().OpenNextPage(page));
  ASSERT_NE(page, nullptr);
  EXPECT_FALSE(page->IsOpen());
  EXPECT_EQ(calls().back(), "stream: select * from big") << "no page statement is sent";
}

TEST_F(PagedRead, ATableOfSeveralKeysIsLoggedWithTheKeysAndReadWhole) {
  script().On("select count(*) from \"订单 明细\"").Rows({{"n", db::adInteger}}, {{12}});
  script().primaryKeys = {{"db", "dbo", "订单 明细", "OrderNo", 1},
                          {"db", "dbo", "订单 明细", "LineNo", 2}};
  std::unique_ptr<db::Query> q;
  gate().OpenTablePaged("订单 明细", q);
  EXPECT_EQ(gate().KeyColumns(), "[orderno,lineno]");
  EXPECT_EQ(calls().back(), "query: select * from \"订单 明细\"");
  EXPECT_EQ(LogLines(), (Lines{"因表订单 明细,有多个orderno,lineno主键,程序有所影响"}));
}

TEST_F(PagedRead, AFailingPageStatementIsLoggedAndRaisedFromNextRow) {
  KeyedOrders(65536);
  script().On("select top 65535 * from orders order by [id]").Rows({{"id", db::adInteger}}, {{1}});
  script().On(kPage2).Fails("connection lost", "08S01");
  std::unique_ptr<db::Query> q;
  gate().OpenTablePaged("orders", q);
  bool changed = false;
  EXPECT_THROW(gate().NextRow(changed, q), db::DbError);
  EXPECT_EQ(LogLines(), (Lines{std::string("失败-----------因connection lost:无法执行") + kPage2}));
}

TEST_F(PagedRead, AFailingCountRaisesFromOpenTablePaged) {
  script().On("select count(*) from missing").Fails("Invalid object name 'missing'.");
  std::unique_ptr<db::Query> q;
  EXPECT_THROW(gate().OpenTablePaged("missing", q), db::DbError);
}

TEST_F(PagedRead, AnAccessTableIsNeverPagedByKeyAndOnlyALargeOneIsLogged) {
  script().dbms = db::Dbms::Access;
  script().On("select count(*) from Users").Rows({{"count", db::adVarChar}}, {{"3"}});
  script().On("select count(*) from Log").Rows({{"count", db::adVarChar}}, {{"70000"}});
  std::unique_ptr<db::Query> q;
  gate().OpenTablePaged("Users", q);
  EXPECT_EQ(gate().RowCount(), 3);
  gate().OpenTablePaged("Log", q);
  EXPECT_EQ(gate().RowCount(), 70000);
  EXPECT_EQ(calls(), (Lines{"query: select count(*) from Users", "query: select * from Users",
                            "query: select count(*) from Log", "stream: select * from Log"}));
  EXPECT_EQ(LogLines(), (Lines{"因无法取得表Log的主键,整表一次读取"}));
}

}  // namespace
}  // namespace mvq::test
