// The paged read and the generated DML of TComDBConn, and rows posted through the generated
// INSERT, against the scripted connection.
#include <stdexcept>

#include "unit/OracleFixture.h"

namespace mvq::test {

using Calls = std::vector<std::string>;
using Rows = std::vector<std::vector<db::Variant>>;

namespace {

Rows Numbered(int64_t from, int64_t to) {
  Rows rows;
  rows.reserve(static_cast<size_t>(to - from + 1));
  for (int64_t n = from; n <= to; ++n) rows.push_back({n});
  return rows;
}

const char* const kPage2 =
    "select * from ( select row_.*, rownum rownum_ from (select * from BIG) row_ where rownum "
    "<=:1) where rownum_ >:2";

}  // namespace

TEST_F(OracleTest, PagedReadOf65536RowsLoadsASecondPageWithRownum) {
  auto gate = Connected();
  Ora()
      .On("select count(*) from BIG")
      .Rows({{"COUNT(*)", db::adNumeric}}, {{db::Decimal{"65536"}}});
  Ora().On("select * from BIG where rownum<65536").Rows({{"N", db::adInteger}}, Numbered(1, 65535));
  Ora().On(kPage2).Rows({{"N", db::adInteger}, {"ROWNUM_", db::adNumeric}},
                        {{int64_t{65536}, db::Decimal{"65536"}}});
  auto ds = gate->NewQuery();
  gate->OpenTablePaged("BIG", *ds);
  EXPECT_EQ(gate->RowCount(), 65536);
  EXPECT_EQ(gate->PageNo(), 1);
  EXPECT_EQ(gate->PagedTable(), "BIG");

  int64_t seen = 1, loads = 0, sum = ds->Value(0).AsInt();
  bool pageLoaded = false;
  while (!gate->NextRow(pageLoaded)) {
    ++seen;
    sum += ds->Value(0).AsInt();
    if (pageLoaded) {
      ++loads;
      EXPECT_EQ(seen, 65536);
      ASSERT_EQ(ds->Fields().size(), 2u);
      EXPECT_EQ(ds->Fields()[1].name, "ROWNUM_");
      EXPECT_EQ(ds->Value(1).AsInt(), 65536);
    }
  }
  EXPECT_FALSE(pageLoaded);  // the end is found by the count, not by another page
  EXPECT_EQ(seen, 65536);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(sum, int64_t{65536} * 65537 / 2);
  EXPECT_EQ(gate->PageNo(), 2);
  EXPECT_EQ(Ora().calls,
            (Calls{"query: select count(*) from BIG", "query: select * from BIG where rownum<65536",
                   std::string("query: ") + kPage2 + " [131070, 65535]"}));
  EXPECT_TRUE(LogLines().empty());
}

TEST_F(OracleTest, TableOfExactlyOnePageNeedsNoSecondPage) {
  auto gate = Connected();
  Ora().On("select count(*) from scott.ONE").Rows({{"C", db::adNumeric}}, {{db::Decimal{"65535"}}});
  Ora().On("select * from scott.ONE").Rows({{"N", db::adInteger}}, Numbered(1, 65535));
  auto ds = gate->NewQuery();
  gate->OpenTablePaged("scott.ONE", *ds);
  bool pageLoaded = true;
  int64_t seen = 1;
  while (!gate->NextRow(pageLoaded)) ++seen;
  EXPECT_EQ(seen, 65535);
  EXPECT_EQ(Ora().calls,
            (Calls{"query: select count(*) from scott.ONE", "query: select * from scott.ONE"}));
}

TEST_F(OracleTest, EmptyTableOrFailedCountEndsAtTheFirstNextRow) {
  auto gate = Connected();
  Ora().On("select count(*) from E").Rows({{"C", db::adNumeric}}, {{0}});
  Ora().On("select count(*) from F").Fails("ORA-00942: table or view does not exist");
  auto ds = gate->NewQuery();
  bool pageLoaded = true;
  gate->OpenTablePaged("E", *ds);
  EXPECT_EQ(gate->RowCount(), 0);
  EXPECT_TRUE(gate->NextRow(pageLoaded));
  EXPECT_FALSE(pageLoaded);
  gate->OpenTablePaged("F", *ds);
  EXPECT_TRUE(gate->NextRow(pageLoaded));
  EXPECT_EQ(Ora().calls, (Calls{"query: select count(*) from E", "query: select * from E",
                                "query: select count(*) from F", "query: select * from F"}));
  EXPECT_EQ(LogLines(), Calls{":失败-----------因ORA-00942: table or view does not exist:无法执行"
                              "select count(*) from F"});
}

TEST_F(OracleTest, PageByPageBindsGrowByAPageAndAFailedPageEndsTheRead) {
  auto gate = Connected();
  Ora().On("select count(*) from BIG").Rows({{"C", db::adNumeric}}, {{200000}});
  Ora().On(kPage2).Rows({{"N", db::adInteger}, {"ROWNUM_", db::adNumeric}}, {{1, 2}}).Times(2);
  Ora().On(kPage2).Rows({{"N", db::adInteger}, {"ROWNUM_", db::adNumeric}}, {}).Times(1);
  Ora().On(kPage2).Fails("ORA-03114: not connected to ORACLE");
  auto ds = gate->NewQuery();
  gate->OpenTablePaged("BIG", *ds);
  EXPECT_FALSE(gate->OpenNextPage(*ds));
  EXPECT_FALSE(gate->OpenNextPage(*ds));
  EXPECT_TRUE(gate->OpenNextPage(*ds));
  EXPECT_TRUE(gate->OpenNextPage(*ds));
  EXPECT_FALSE(ds->IsOpen());
  EXPECT_EQ(gate->PageNo(), 5);
  const std::string q = std::string("query: ") + kPage2;
  EXPECT_EQ(Ora().calls,
            (Calls{"query: select count(*) from BIG", "query: select * from BIG where rownum<65536",
                   q + " [131070, 65535]", q + " [196605, 131070]", q + " [262140, 196605]",
                   q + " [327675, 262140]"}));
  EXPECT_EQ(LogLines(), Calls{std::string(":失败-----------因ORA-03114: not connected to ORACLE"
                                          ":无法执行") +
                              kPage2 + " 参数0=327675 参数1=262140"});
}

TEST(OracleDml, WorkedExampleTexts) {
  const std::vector<std::string> columns{"ID", "NAME", "PIC"}, blobs{"PIC"};
  EXPECT_EQ(TComDBConn::BuildInsertSql("T", columns, blobs),
            "INSERT INTO T(ID,NAME,PIC) VALUES (:ID,:NAME,empty_blob()) RETURNING PIC into :PIC");
  EXPECT_EQ(TComDBConn::BuildUpdateSql("T", columns, blobs, {"ID"}),
            "UPDATE T set ID=:ID,NAME=:NAME,PIC=empty_blob() where ID=:OLD_ID RETURNING PIC into "
            ":PIC");
  EXPECT_EQ(TComDBConn::BuildInsertSql("EMP", {"EMPNO", "ENAME"}, {}),
            "INSERT INTO EMP(EMPNO,ENAME) VALUES (:EMPNO,:ENAME)");
  EXPECT_EQ(TComDBConn::BuildInsertSql("P", {"PIC"}, {"pic"}),
            "INSERT INTO P(PIC) VALUES (empty_blob()) RETURNING pic into :pic");
  EXPECT_EQ(TComDBConn::BuildReturningClause({"A", "B"}), " RETURNING A,B into :A,:B");
  EXPECT_EQ(TComDBConn::BuildUpdateSql("AB", {"A", "B", "C"}, {}, {"A", "B"}),
            "UPDATE AB set A=:A,B=:B,C=:C where A=:OLD_A and B=:OLD_B");
  EXPECT_EQ(TComDBConn::BuildDeleteSql("T", {"ID"}), "DELETE FROM T where ID=:OLD_ID");
}

TEST_F(OracleTest, PrepareUpdateSqlSplitsTheOwnerAndReadsItsDictionary) {
  auto gate = Connected();
  Ora()
      .On("select COLUMN_NAME from all_tab_columns c where c.TABLE_NAME =:1 and owner=:2")
      .Rows({{"COLUMN_NAME"}}, {{"EMPNO"}, {"ENAME"}, {"PHOTO"}});
  Ora()
      .On("select COLUMN_NAME from all_tab_columns c where c.DATA_TYPE='BLOB' and  "
          "c.TABLE_NAME =:1 and owner=:2")
      .Rows({{"COLUMN_NAME"}}, {{"PHOTO"}});
  auto ds = gate->NewQuery();
  gate->PrepareUpdateSql(*ds, "scott.emp", false, true, false);
  const OraUpdateSql* update = gate->UpdateSql();
  EXPECT_EQ(update->DataSet, ds.get());
  EXPECT_EQ(update->InsertSql,
            "INSERT INTO EMP(EMPNO,ENAME,PHOTO) VALUES (:EMPNO,:ENAME,"
            "empty_blob()) RETURNING PHOTO into :PHOTO");
  EXPECT_EQ(update->ModifySql, "");
  EXPECT_EQ(update->DeleteSql, "");
  EXPECT_EQ(Ora().calls,
            (Calls{"query: select COLUMN_NAME from all_tab_columns c where c.TABLE_NAME =:1 and "
                   "owner=:2 ['EMP', 'SCOTT']",
                   "query: select COLUMN_NAME from all_tab_columns c where c.DATA_TYPE='BLOB' and "
                   " c.TABLE_NAME =:1 and owner=:2 ['EMP', 'SCOTT']"}));
}

TEST_F(OracleTest, PrepareUpdateSqlWithoutLoginUserUsesTheUserDictionary) {
  auto gate = Connected();
  LoginUser.clear();
  auto ds = gate->NewQuery();
  gate->PrepareUpdateSql(*ds, "gone", false, true, false);
  EXPECT_EQ(gate->UpdateSql()->InsertSql, "INSERT INTO GONE() VALUES ()");
  EXPECT_EQ(Ora().calls,
            (Calls{"query: select COLUMN_NAME from user_tab_columns c where c.TABLE_NAME =:1 "
                   "['GONE']",
                   "query: select COLUMN_NAME from user_tab_columns c where c.DATA_TYPE='BLOB' and "
                   "c.TABLE_NAME =:1 ['GONE']"}));
}

TEST_F(OracleTest, ModifyAndDeleteNameEveryKeyColumnOrRaiseWithoutAKey) {
  auto gate = Connected();
  Ora()
      .On("select COLUMN_NAME from all_tab_columns c where c.TABLE_NAME =:1*")
      .Rows({{"COLUMN_NAME"}}, {{"A"}, {"B"}, {"C"}});
  Ora().On("select   nvl(max(Column_name),'fzok999')*").Rows({{"K"}}, {{"B"}}).Times(2);
  Ora().On("select   nvl(max(Column_name),'fzok999')*").Rows({{"K"}}, {{"fzok999"}});
  Ora().On("select cc.COLUMN_NAME from all_cons_columns cc*").Rows({{"C"}}, {{"A"}, {"B"}});
  auto ds = gate->NewQuery();
  gate->PrepareUpdateSql(*ds, "ab", true, false, true);
  EXPECT_EQ(gate->UpdateSql()->ModifySql,
            "UPDATE AB set A=:A,B=:B,C=:C where A=:OLD_A and B=:OLD_B");
  EXPECT_EQ(gate->UpdateSql()->DeleteSql, "DELETE FROM AB where A=:OLD_A and B=:OLD_B");
  EXPECT_EQ(Ora().calls[3],
            "query: select cc.COLUMN_NAME from all_cons_columns cc, all_constraints c where "
            "c.TABLE_NAME =:1 and c.OWNER=:2 and c.CONSTRAINT_TYPE='P' and cc.OWNER=c.OWNER and "
            "cc.CONSTRAINT_NAME=c.CONSTRAINT_NAME order by cc.POSITION ['AB', 'SCOTT']");
  try {
    gate->PrepareUpdateSql(*ds, "ab", false, false, true);
    FAIL() << "a table without a primary key must raise";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "表AB没有定义主键");
  }
  EXPECT_EQ(gate->UpdateSql()->ModifySql,
            "UPDATE AB set A=:A,B=:B,C=:C where A=:OLD_A and B=:OLD_B");
}

class OracleAppendTest : public OracleTest {
 protected:
  // Table T as the dictionary lists it (NAME, ID, PIC) and a target dataset whose fields
  // come in another order (ID, NAME, PIC), so that binding by name shows.
  std::unique_ptr<db::Query> PrepareTarget(TComDBConn& gate) {
    Ora()
        .On("select COLUMN_NAME from all_tab_columns c where c.TABLE_NAME =:1 and owner=:2")
        .Rows({{"COLUMN_NAME"}}, {{"NAME"}, {"ID"}, {"PIC"}});
    Ora()
        .On("select COLUMN_NAME from all_tab_columns c where c.DATA_TYPE='BLOB'*")
        .Rows({{"COLUMN_NAME"}}, {{"PIC"}});
    Ora()
        .On("select * from T where 1=2")
        .Rows({{"id", db::adNumeric}, {"NAME"}, {"PIC", db::adLongVarBinary}}, {});
    auto ds = gate.NewQuery();
    gate.OpenSql("select * from T where 1=2", *ds);
    gate.PrepareUpdateSql(*ds, "T", false, true, false);
    Ora().calls.clear();
    return ds;
  }
  static constexpr const char* kInsert = "INSERT INTO T(NAME,ID,PIC) VALUES (:NAME,:ID,:PIC)";
};

TEST_F(OracleAppendTest, RowsAreBoundByNameWithBlobsWholeAndTextInBlobsAsBytes) {
  auto gate = Connected();
  auto ds = PrepareTarget(*gate);
  auto appender = gate->CreateAppender(*ds);
  appender->Append();
  appender->SetField(0, 1);
  appender->SetField(1, "张三");
  appender->SetField(2, db::Bytes{0x00, 0xff, 0x10});
  EXPECT_TRUE(appender->Post("1").empty());
  appender->Append();
  appender->SetField(0, 2);
  appender->SetField(2, "AB");
  EXPECT_TRUE(appender->Post("2").empty());
  appender->Append();
  appender->SetField(0, 3);
  appender->Cancel();
  EXPECT_TRUE(Ora().calls.empty()) << "rows wait for their batch";
  EXPECT_TRUE(appender->Flush().empty());
  EXPECT_EQ(Ora().calls,
            (Calls{std::string("exec: ") + kInsert + " [NAME='张三', ID=1, PIC=x'00ff10']",
                   std::string("exec: ") + kInsert + " [NAME=NULL, ID=2, PIC=x'4142']"}));
  EXPECT_THROW(appender->SetField(3, 1), db::DbError);
}

TEST_F(OracleAppendTest, AFailedRowIsReportedWithItsLabelAndTheOthersAreWritten) {
  auto gate = Connected();
  auto ds = PrepareTarget(*gate);
  Ora().On(kInsert).Affected(1).Times(1);
  Ora().On(kInsert).Fails("ORA-00001: unique constraint (SCOTT.PK_T) violated").Times(1);
  auto appender = gate->CreateAppender(*ds, {2, 1 << 20});
  std::vector<db::RowFailure> failures;
  for (int id = 1; id <= 5; ++id) {
    appender->Append();
    appender->SetField(0, id);
    auto f = appender->Post("row" + std::to_string(id));
    EXPECT_EQ(Ora().calls.size(), static_cast<size_t>(id / 2 * 2)) << "batches of two";
    failures.insert(failures.end(), f.begin(), f.end());
  }
  auto last = appender->Flush();
  failures.insert(failures.end(), last.begin(), last.end());
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].label, "row2");
  EXPECT_EQ(failures[0].error.DriverMessage(),
            "ORA-00001: unique constraint (SCOTT.PK_T) violated");
  EXPECT_EQ(Ora().calls.size(), 5u);
  EXPECT_EQ(Ora().calls[4], std::string("exec: ") + kInsert + " [NAME=NULL, ID=5, PIC=NULL]");
}

TEST_F(OracleAppendTest, ASeveralMegabyteBlobIsBoundWholeAndSentAtOnce) {
  auto gate = Connected();
  auto ds = PrepareTarget(*gate);
  auto appender = gate->CreateAppender(*ds, {500, 4 * 1024 * 1024});
  db::Bytes blob(5 * 1024 * 1024 + 3);
  for (size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<uint8_t>((i * 7 + i / 251) & 0xff);
  appender->Append();
  appender->SetField(0, 7);
  appender->SetField(2, blob);
  EXPECT_TRUE(appender->Post("7").empty());
  ASSERT_EQ(Ora().calls.size(), 1u) << "a batch past its byte bound is sent at once";
  std::string hex;
  hex.reserve(blob.size() * 2);
  const char* digits = "0123456789abcdef";
  for (auto c : blob) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  EXPECT_TRUE(Ora().calls[0] ==
              std::string("exec: ") + kInsert + " [NAME=NULL, ID=7, PIC=x'" + hex + "']");
}

TEST_F(OracleAppendTest, WithoutAPreparedInsertOrAnOpenTargetNoRowGetsThrough) {
  auto gate = Connected();
  auto other = gate->NewQuery();
  EXPECT_THROW(gate->CreateAppender(*other), db::DbError);

  Ora().On("select * from T where 1=2").Fails("ORA-00942: table or view does not exist");
  auto ds = gate->NewQuery();
  gate->OpenSql("select * from T where 1=2", *ds);
  gate->PrepareUpdateSql(*ds, "T", false, true, false);
  auto appender = gate->CreateAppender(*ds);
  appender->Append();
  EXPECT_THROW(appender->SetField(0, 1), db::DbError);
  appender->Cancel();
  EXPECT_THROW(appender->Post("x"), db::DbError) << "a cancelled row cannot be posted";
  EXPECT_TRUE(appender->Flush().empty());
  for (const auto& call : Ora().calls) EXPECT_EQ(call.rfind("exec:", 0), std::string::npos) << call;
}

}  // namespace mvq::test
