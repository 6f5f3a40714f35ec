// TComDBConn against the scripted connection: the connect sequence, statements and their
// failure lines, listings, transactions and the dictionary queries.
#include <stdexcept>

#include "unit/OracleFixture.h"

namespace mvq::test {

using Calls = std::vector<std::string>;
const std::string kDashes48(48, '-');

TEST_F(OracleTest, ConnectOpensTheDescriptorProbesInstallsAndDropsOnRelease) {
  const std::string script =
      "create or replace function getMdbCreateSql(tableName in varchar2) "
      "return long is begin return 'x'; end;";
  auto gate = Connect(script, "getMdbCreateSql");
  ASSERT_TRUE(gate->IsConnected());
  EXPECT_EQ(LoginUser, "scott");
  EXPECT_EQ(gate->DropFunctionName(), "getMdbCreateSql");
  ASSERT_NE(gate->UpdateSql(), nullptr);
  EXPECT_EQ(Ora().calls,
            (Calls{"open", "markers colon", kHostProbe, kNameProbe, "exec: " + script}));
  gate.reset();
  EXPECT_EQ(Ora().calls.back(), "close");
  EXPECT_EQ(Ora().calls[Ora().calls.size() - 2], "exec: drop function getMdbCreateSql");
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(OracleTest, EmptyInstallScriptRunsNothingAndReleaseDropsNothing) {
  auto gate = Connect();
  ASSERT_TRUE(gate->IsConnected());
  gate.reset();
  EXPECT_EQ(Ora().calls, (Calls{"open", "markers colon", kHostProbe, kNameProbe, "close"}));
}

TEST_F(OracleTest, RefusedLoginOrNoListenerGivesOneLineNoExceptionAndNoDrop) {
  for (const std::string message :
       {"ORA-01017: invalid username/password; logon denied", "ORA-12541: TNS:no listener"}) {
    SCOPED_TRACE(message);
    Ora().calls.clear();
    Ora().openError = db::DbError(message, "28000", 1017);
    std::unique_ptr<TComDBConn> gate;
    ASSERT_NO_THROW(gate = Connect("create or replace function f return long", "getMdbCreateSql"));
    EXPECT_FALSE(gate->IsConnected());
    EXPECT_EQ(gate->DropFunctionName(), "");
    EXPECT_EQ(gate->UpdateSql(), nullptr);
    gate.reset();
    EXPECT_EQ(Ora().calls, Calls{"open"});
  }
  EXPECT_EQ(LogLines(),
            (Calls{"失败因ORA-01017: invalid username/password; logon denied:无法建立数据连接" +
                       kDashes48,
                   "失败因ORA-12541: TNS:no listener:无法建立数据连接" + kDashes48}));
}

TEST_F(OracleTest, ConnectWithoutAnOracleDriverFailsCleanly) {
  ora::SetDriverLister([] { return std::vector<std::string>{"SQLite3", "MariaDB Unicode"}; });
  auto gate = Connect("create or replace function f return long", "f");
  EXPECT_FALSE(gate->IsConnected());
  EXPECT_TRUE(world_->journal.empty());
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("失败因no Oracle ODBC driver is installed", 0), 0u) << lines[0];
  EXPECT_TRUE(lines[0].ends_with(":无法建立数据连接" + kDashes48));
}

TEST_F(OracleTest, AnExplicitDriverNeedsNoDriverList) {
  ora::SetDriverLister([]() -> std::vector<std::string> { throw db::DbError("not asked"); });
  ora::ConnectSettings settings{"h", "1522", "XE", "u", "p;w", "My Oracle Client", false};
  TComDBConn gate(settings, "", "");
  EXPECT_TRUE(gate.IsConnected());
  EXPECT_EQ(gate.Session()->ConnectString(),
            "DRIVER={My Oracle Client};DBQ=(DESCRIPTION=(ADDRESS=(PROTOCOL=TCP)(HOST=h)"
            "(PORT=1522))(CONNECT_DATA=(SID=XE)));UID=u;PWD={p;w}");
}

TEST_F(OracleTest, FailedProbesOrInstallScriptOnlyLogAndTheConnectGoesOn) {
  Ora()
      .On("select utl_inaddr.get_host_address from dual")
      .Fails("ORA-24247: network access denied by access control list (ACL)");
  Ora().On("select name from v$database").Fails("ORA-00942: table or view does not exist");
  Ora()
      .On("create or replace function getMdbCreateSql*")
      .Fails("ORA-01031: insufficient privileges");
  auto gate = Connect("create or replace function getMdbCreateSql return long is begin return "
                      "null; end;",
                      "getMdbCreateSql");
  EXPECT_TRUE(gate->IsConnected());
  EXPECT_EQ(gate->DropFunctionName(), "getMdbCreateSql");
  gate.reset();
  EXPECT_EQ(
      LogLines(),
      (Calls{":失败-----------因ORA-24247: network access denied by access control list (ACL)"
             ":无法执行select utl_inaddr.get_host_address from dual",
             ":失败-----------因ORA-00942: table or view does not exist:无法执行select name from "
             "v$database",
             ":失败-----------因ORA-01031: insufficient privileges:无法执行create or replace "
             "function getMdbCreateSql return long is begin return null; end;"}));
  EXPECT_EQ(Ora().calls[Ora().calls.size() - 2], "exec: drop function getMdbCreateSql");
}

TEST_F(OracleTest, ExecuteSqlBindsByPositionAndDescribesArgumentsOnFailure) {
  auto gate = Connected();
  const std::string sql = "update emp set ename=ename||':1' where deptno=:1 and ename=:2";
  EXPECT_EQ(gate->ExecuteSql(sql, {5, std::string("EMP")}), 1);
  Ora().On(sql).Fails("ORA-00904: \"ENAME\": invalid identifier");
  EXPECT_EQ(gate->ExecuteSql(sql, {5, std::string("EMP")}), -1);
  EXPECT_EQ(gate->ExecuteSql("drop table nothing_here"), 1);
  EXPECT_EQ(Ora().calls, (Calls{"exec: " + sql + " [5, 'EMP']", "exec: " + sql + " [5, 'EMP']",
                                "exec: drop table nothing_here"}));
  EXPECT_EQ(LogLines(),
            Calls{":失败-----------因ORA-00904: \"ENAME\": invalid identifier:无法执行" + sql +
                  " 参数0=5 参数1=EMP"});
}

TEST_F(OracleTest, QueryValueGivesTheFirstFieldAndLogsFailuresWithoutArguments) {
  auto gate = Connected();
  Ora()
      .On("select sal, ename from emp where empno=:1")
      .Rows({{"SAL", db::adNumeric}, {"ENAME"}}, {{db::Decimal{"800"}, "SMITH"}});
  Ora().On("select sal from emp where 1=2").Rows({{"SAL", db::adNumeric}}, {});
  Ora().On("select bad from emp where empno=:1").Fails("ORA-00904: \"BAD\": invalid identifier");
  EXPECT_EQ(gate->QueryValue("select sal, ename from emp where empno=:1", {7369}).AsInt(), 800);
  EXPECT_TRUE(gate->QueryValue("select sal from emp where 1=2").IsNull());
  EXPECT_TRUE(gate->QueryValue("select bad from emp where empno=:1", {7369}).IsNull());
  EXPECT_EQ(Ora().calls.back(), "query: select bad from emp where empno=:1 [7369]");
  EXPECT_EQ(LogLines(), Calls{":失败-----------因ORA-00904: \"BAD\": invalid identifier:无法执行"
                              "select bad from emp where empno=:1"});
}

TEST_F(OracleTest, OpenSqlFetchesAllAndLeavesAFailedDatasetClosed) {
  auto gate = Connected();
  Ora().On("select * from emp where deptno=:1").Rows({{"EMPNO", db::adInteger}}, {{1}, {2}});
  Ora().On("select * from nosuch where x=:1").Fails("ORA-00942: table or view does not exist");
  auto ds = gate->NewQuery();
  gate->OpenSql("select * from emp where deptno=:1", *ds, {10});
  ASSERT_TRUE(ds->IsOpen());
  EXPECT_EQ(ds->RecordCount(), 2);
  gate->OpenSql("select * from nosuch where x=:1", *ds, {std::string("a")});
  EXPECT_FALSE(ds->IsOpen());
  EXPECT_EQ(Ora().calls, (Calls{"query: select * from emp where deptno=:1 [10]",
                                "query: select * from nosuch where x=:1 ['a']"}));
  EXPECT_EQ(LogLines(), Calls{":失败-----------因ORA-00942: table or view does not exist:无法执行"
                              "select * from nosuch where x=:1 参数0=a"});
}

TEST_F(OracleTest, FillListTakesTheTextOrTheNumberedSecondColumn) {
  auto gate = Connected();
  Ora().On("one").Rows({{"TNAME"}}, {{"DEPT"}, {"EMP"}});
  Ora().On("two").Rows({{"N", db::adNumeric}, {"TNAME"}}, {{db::Decimal{"7"}, "DEPT"}, {8, "EMP"}});
  Ora().On("three").Rows({{"TNAME"}, {"N", db::adInteger}, {"X"}}, {{"BONUS", 1, "y"}});
  StringList list{{"KEPT", std::nullopt}};
  gate->FillList("one", list);
  gate->FillList("two", list);
  gate->FillList("three", list);
  EXPECT_EQ(list, (StringList{{"KEPT", std::nullopt},
                              {"DEPT", std::nullopt},
                              {"EMP", std::nullopt},
                              {"DEPT", 7},
                              {"EMP", 8},
                              {"BONUS", std::nullopt}}));
  EXPECT_EQ(Ora().calls, (Calls{"query: one", "query: two", "query: three"}));
}

TEST_F(OracleTest, FillListAfterAFailedSelectLogsAndRaises) {
  auto gate = Connected();
  const std::string sql =
      "SELECT t.tname FROM TAB T WHERE T.tabtype='TABLE' and (not t.tname like 'BIN$%') order  "
      "BY TNAME";
  Ora().On(sql).Fails("ORA-03113: end-of-file on communication channel");
  StringList list;
  EXPECT_THROW(gate->FillList(sql, list), db::DbError);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(LogLines(), Calls{":失败-----------因ORA-03113: end-of-file on communication channel"
                              ":无法执行" +
                              sql});
}

TEST_F(OracleTest, TransactionsSwitchAutocommitAroundBeginAndCommit) {
  auto gate = Connected();
  gate->BeginTransaction();
  gate->ExecuteSql("insert into t values (1)");
  gate->CommitTransaction();
  EXPECT_EQ(Ora().calls, (Calls{"autocommit off", "begin", "exec: insert into t values (1)",
                                "commit", "autocommit on"}));
}

TEST_F(OracleTest, DictionaryQueriesSendTheirExactTextsInBothOwnerForms) {
  auto gate = Connected();
  Ora()
      .On("select count(*) from tab t where t.tabtype='TABLE' and t.tname=upper(:1)")
      .Rows({{"COUNT(*)", db::adNumeric}}, {{db::Decimal{"1"}}})
      .Times(1);
  Ora()
      .On("select count(*) from tab t where t.tabtype='TABLE' and t.tname=upper(:1)")
      .Rows({{"COUNT(*)", db::adNumeric}}, {{db::Decimal{"0"}}});
  Ora()
      .On("select COLUMN_NAME from all_tab_columns c where c.TABLE_NAME =:1 and owner=:2")
      .Rows({{"COLUMN_NAME"}}, {{"ID"}, {"NAME"}, {"PIC"}});
  Ora()
      .On("select COLUMN_NAME from user_tab_columns c where c.DATA_TYPE='BLOB' and "
          "c.TABLE_NAME =:1")
      .Rows({{"COLUMN_NAME"}}, {{"PIC"}});
  EXPECT_TRUE(gate->TableExists("emp"));
  EXPECT_FALSE(gate->TableExists("nothing"));
  std::vector<std::string> columns{"OLD"}, userColumns, blobs, ownerBlobs;
  gate->GetColumnNames("T", "SCOTT", columns);
  gate->GetColumnNames("T", "", userColumns);
  gate->GetBlobColumnNames("T", "", blobs);
  gate->GetBlobColumnNames("T", "SCOTT", ownerBlobs);
  EXPECT_EQ(columns, (Calls{"OLD", "ID", "NAME", "PIC"}));
  EXPECT_TRUE(userColumns.empty());
  EXPECT_EQ(blobs, Calls{"PIC"});
  EXPECT_TRUE(ownerBlobs.empty());
  EXPECT_EQ(
      Ora().calls,
      (Calls{
          "query: select count(*) from tab t where t.tabtype='TABLE' and t.tname=upper(:1) ['emp']",
          "query: select count(*) from tab t where t.tabtype='TABLE' and t.tname=upper(:1) "
          "['nothing']",
          "query: select COLUMN_NAME from all_tab_columns c where c.TABLE_NAME =:1 and owner=:2 "
          "['T', 'SCOTT']",
          "query: select COLUMN_NAME from user_tab_columns c where c.TABLE_NAME =:1 ['T']",
          "query: select COLUMN_NAME from user_tab_columns c where c.DATA_TYPE='BLOB' and "
          "c.TABLE_NAME =:1 ['T']",
          "query: select COLUMN_NAME from all_tab_columns c where c.DATA_TYPE='BLOB' and  "
          "c.TABLE_NAME =:1 and owner=:2 ['T', 'SCOTT']"}));
}

TEST_F(OracleTest, TableExistsCountsAFailedQueryAsAbsent) {
  auto gate = Connected();
  Ora().On("select count(*) from tab t*").Fails("ORA-00942: table or view does not exist");
  EXPECT_FALSE(gate->TableExists("EMP"));
  EXPECT_EQ(LogLines().size(), 1u);
}

TEST_F(OracleTest, PrimaryKeyIsTheGreatestKeyColumnOrRaisesWithoutOne) {
  auto gate = Connected();
  const std::string ownerSql =
      "select   nvl(max(Column_name),'fzok999')   from   all_cons_columns where constraint_name "
      "= (select constraint_name from user_constraints where table_name = :1 and owner=:2  and  "
      "constraint_type = 'P')";
  const std::string userSql =
      "select   nvl(max(Column_name),'fzok999')   from   user_cons_columns where constraint_name "
      "= (select constraint_name from user_constraints where table_name = :1 and "
      "constraint_type = 'P')";
  Ora().On(ownerSql).Rows({{"K"}}, {{"B"}}).Times(1);
  Ora().On(ownerSql).Rows({{"K"}}, {{"fzok999"}});
  Ora().On(userSql).Rows({{"K"}}, {{"ID"}});
  EXPECT_EQ(gate->GetPrimaryKey("AB", "SCOTT"), "B");
  EXPECT_EQ(gate->GetPrimaryKey("T", ""), "ID");
  try {
    gate->GetPrimaryKey("NOKEY", "SCOTT");
    FAIL() << "a table without a primary key must raise";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "表NOKEY没有定义主键");
  }
  EXPECT_EQ(Ora().calls,
            (Calls{"query: " + ownerSql + " ['AB', 'SCOTT']", "query: " + userSql + " ['T']",
                   "query: " + ownerSql + " ['NOKEY', 'SCOTT']"}));
}

TEST_F(OracleTest, SplitOwnerTakesThePrefixOrTheLoginUser) {
  auto gate = Connected();
  using Split = std::pair<std::string, std::string>;
  EXPECT_EQ(TComDBConn::SplitOwner("SCOTT.EMP"), (Split{"SCOTT", "EMP"}));
  EXPECT_EQ(TComDBConn::SplitOwner("EMP"), (Split{"SCOTT", "EMP"}));
  EXPECT_EQ(TComDBConn::SplitOwner("A.B.C"), (Split{"A", "B.C"}));
  std::string longName;
  for (int i = 0; i < 120; ++i) longName += "表";
  auto [owner, table] = TComDBConn::SplitOwner("U." + longName);
  EXPECT_EQ(owner, "U");
  EXPECT_EQ(table, longName.substr(0, 300));  // 100 characters of three bytes each
}

}  // namespace mvq::test
