// The per-table pipeline end to end over scripted gates: the log of one table in every
// direction and mode, and the order of transactions, page changes and target reopenings.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/Gateways.h"
#include "engine/RowCopy.h"
#include "engine/utConvertDb.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/utconnection.h"
#include "platform/oracle/OraDrivers.h"
#include "support/CurrentDirection.h"
#include "support/Messages.h"
#include "support/ScriptedConnection.h"
#include "support/ScriptedGates.h"
#include "support/utProgress.h"

namespace mvq {
namespace {

using db::Variant;
using test::Column;
using test::Script;
using Lines = std::vector<std::string>;

using test::kMdbCs;
using test::kOracleCs;
using test::kSqlCs;

const std::vector<Column> kEmpColumns = {{"ID", db::adInteger}, {"NAME", db::adVarWChar, 20}};

enum class Kind { Access, SqlServer, Oracle, CustomSource, CustomTarget };

class ConvertTable : public test::ScriptedGatesTest {
 protected:
  Script& Of(Kind k) {
    switch (k) {
      case Kind::Access:
        return world->ScriptFor(kMdbCs);
      case Kind::SqlServer:
        return world->ScriptFor(kSqlCs);
      case Kind::Oracle:
        return world->ScriptFor(kOracleCs);
      case Kind::CustomSource:
        return world->ScriptFor("SRC");
      case Kind::CustomTarget:
        return world->ScriptFor("DST");
    }
    throw std::logic_error("kind");
  }

  void Open(Kind k) {
    switch (k) {
      case Kind::Access:
        OpenMdb();
        break;
      case Kind::SqlServer:
        OpenSql();
        break;
      case Kind::Oracle:
        OpenOracle();
        break;
      case Kind::CustomSource:
        CustomSourceGate = std::make_unique<TADOConn>("SRC");
        break;
      case Kind::CustomTarget:
        CustomTargetGate = std::make_unique<TADOConn>("DST");
        break;
    }
    Of(k).calls.clear();
  }

  // The source side of EMP holding rows.
  void SourceRows(Kind k, const std::vector<std::vector<Variant>>& rows) {
    Script& s = Of(k);
    s.On("select count(*) from EMP").Rows({{"n", db::adInteger}}, {{int64_t(rows.size())}});
    s.On("select * from EMP").Rows(kEmpColumns, rows);
    s.On("select * from EMP where 1=2").Rows(kEmpColumns, {});
    if (k == Kind::SqlServer) s.primaryKeys = {{"", "dbo", "EMP", "ID", 1}};
    if (k == Kind::Oracle)
      s.On("call: getMdbCreateSql").Rows({{"r"}}, {{"create Table [EMP] (ID integer)"}});
    if (k == Kind::SqlServer)
      s.On("call: gettablesql").Rows({{"r"}}, {{"create Table EMP (ID integer)"}});
  }

  // Oracle to SQL Server, EMP of 65,536 rows: a first page of 65,535 and a second of one row
  // ("last"), whose page statement adds a ROWNUM_ column.
  void TwoPageOracleToSqlServer() {
    CurrentDirection = 0;
    Open(Kind::Oracle);
    Open(Kind::SqlServer);
    Script& ora = Of(Kind::Oracle);
    std::vector<std::vector<Variant>> page1;
    for (int i = 1; i <= 65535; ++i) page1.push_back({i, "n"});
    ora.On("select count(*) from EMP").Rows({{"n", db::adInteger}}, {{int64_t{65536}}});
    ora.On("select * from EMP where rownum<65536").Rows(kEmpColumns, page1);
    ora.On("select * from ( select row_.*, rownum rownum_ from (select * from EMP) row_ where "
           "rownum <=:1) where rownum_ >:2")
        .Rows({{"ID", db::adInteger}, {"NAME"}, {"ROWNUM_", db::adInteger}},
              {{65536, "last", 65536}});
    ora.On("call: getMdbCreateSql").Rows({{"r"}}, {{"create Table [EMP] (ID integer)"}});
    TargetTable(Kind::SqlServer, false);
  }
  // The target side: whether EMP exists there, and what it answers to writes.
  void TargetTable(Kind k, bool exists) {
    Script& s = Of(k);
    switch (k) {
      case Kind::SqlServer:
        s.On("select count(*) from sysobjects where name='emp' and type='u'")
            .Rows({{"n", db::adInteger}}, {{int64_t(exists ? 1 : 0)}});
        s.On("create*").Affected(-1);
        break;
      case Kind::Oracle:
        s.On("select count(*) from tab t where t.tabtype='TABLE' and t.tname=upper(:1)")
            .Rows({{"n", db::adInteger}}, {{int64_t(exists ? 1 : 0)}});
        s.On("select COLUMN_NAME from all_tab_columns c where c.TABLE_NAME =:1 and owner=:2")
            .Rows({{"COLUMN_NAME"}}, {{"ID"}, {"NAME"}});
        s.On("select * from EMP where 1=2").Rows(kEmpColumns, {});
        break;
      default:
        if (exists) s.tables = {{"", "", "EMP", "TABLE"}};
        break;
    }
  }
};

struct DirectionCase {
  int direction;
  Kind source, target;
};

class EveryDirection : public ConvertTable, public ::testing::WithParamInterface<DirectionCase> {};

TEST_P(EveryDirection, CreatesAnAbsentTableAndCopiesEveryRowInEachMode) {
  const auto& c = GetParam();
  for (auto mode : {tmSkipExisting, tmDeleteRecords, tmDropTable}) {
    CurrentDirection = c.direction;
    Open(c.source);
    Open(c.target);
    SourceRows(c.source, {{1, "甲"}, {2, Variant()}});
    TargetTable(c.target, false);
    std::filesystem::remove(LogFileName);

    mvq::ConvertTable("EMP", mode);

    EXPECT_EQ(LogLines(), (Lines{"", "创建成功:表EMP",
                                 "导出成功:表EMP，总的记录数2,导出数据2条，全部完成,用时0ms"}))
        << "direction " << c.direction << " mode " << mode;
    const Script& target = Of(c.target);
    if (c.target == Kind::Oracle) {
      auto inserts =
          std::count_if(target.calls.begin(), target.calls.end(), [](const std::string& e) {
            return e.rfind("exec: INSERT INTO EMP(ID,NAME) VALUES (:ID,:NAME)", 0) == 0;
          });
      EXPECT_EQ(inserts, 2);
      EXPECT_NE(std::find(target.calls.begin(), target.calls.end(),
                          "exec: INSERT INTO EMP(ID,NAME) VALUES (:ID,:NAME) [ID=2, NAME=NULL]"),
                target.calls.end());
    } else {
      EXPECT_EQ(target.inserted, (std::vector<std::vector<Variant>>{{1, "甲"}, {2, Variant()}}));
    }
    TearDown();
    SetUp();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pipeline, EveryDirection,
    ::testing::Values(DirectionCase{0, Kind::Oracle, Kind::SqlServer},
                      DirectionCase{1, Kind::SqlServer, Kind::Oracle},
                      DirectionCase{2, Kind::Oracle, Kind::Access},
                      DirectionCase{3, Kind::Access, Kind::Oracle},
                      DirectionCase{4, Kind::SqlServer, Kind::Access},
                      DirectionCase{5, Kind::Access, Kind::SqlServer},
                      DirectionCase{9, Kind::CustomSource, Kind::CustomTarget}),
    [](const auto& info) { return "Direction" + std::to_string(info.param.direction); });

TEST_F(ConvertTable, ExistingTableIsSkippedDeletedOrDroppedWithTheTargetsLines) {
  CurrentDirection = 9;
  Open(Kind::CustomSource);
  Open(Kind::CustomTarget);
  SourceRows(Kind::CustomSource, {{1, "a"}});
  TargetTable(Kind::CustomTarget, true);
  Of(Kind::CustomTarget).On("delete from EMP").Affected(3);

  mvq::ConvertTable("EMP", tmSkipExisting);
  mvq::ConvertTable("EMP", tmDeleteRecords);
  mvq::ConvertTable("EMP", tmDropTable);

  EXPECT_EQ(LogLines(), (Lines{"", "导出失败：因表EMP已存在，不再导入", "", "删除成功：表EMP",
                               "导出成功:表EMP，总的记录数1,导出数据1条，全部完成,用时0ms", "",
                               "删除成功：表EMP", "创建成功:表EMP",
                               "导出成功:表EMP，总的记录数1,导出数据1条，全部完成,用时0ms"}));
}

TEST_F(ConvertTable, ARefusedRowIsLoggedByItsFirstFieldAndTheOthersAreWritten) {
  CurrentDirection = 9;
  Open(Kind::CustomSource);
  Open(Kind::CustomTarget);
  SourceRows(Kind::CustomSource, {{1, "a"}, {2, "dup"}, {3, "c"}});
  TargetTable(Kind::CustomTarget, true);
  Of(Kind::CustomTarget)
      .FailInserts([](const std::vector<Variant>& row) -> std::optional<std::string> {
        if (row[1] == Variant("dup")) return "duplicate key";
        return std::nullopt;
      });

  mvq::ConvertTable("EMP", tmDeleteRecords);

  EXPECT_EQ(LogLines(),
            (Lines{"", "删除成功：表EMP", "失败-----------因duplicate key:无法写,第一个字段值为2",
                   "导出部分成功:表EMP，总的记录数3,导出数据2条，部分完成,用时0ms"}));
  EXPECT_EQ(Of(Kind::CustomTarget).inserted.size(), 2u);
}

TEST_F(ConvertTable, AFailedCreateStillRunsTheCopyWhichReportsTheShortfall) {
  CurrentDirection = 5;
  Open(Kind::Access);
  Open(Kind::SqlServer);
  SourceRows(Kind::Access, {{1, "a"}, {2, "b"}});
  Script& sql = Of(Kind::SqlServer);
  sql.On("create table [EMP] (*").Fails("There is already an object named 'EMP'");
  TargetTable(Kind::SqlServer, false);
  sql.FailInserts(
      [](const auto&) { return std::optional<std::string>("Invalid object name 'EMP'."); });

  mvq::ConvertTable("EMP", tmSkipExisting);

  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(
      lines[1].rfind(
          "失败-----------因There is already an object named 'EMP':无法执行create table [EMP] (",
          0),
      0u)
      << lines[1];
  EXPECT_EQ(lines[2], "失败-----------因Invalid object name 'EMP'.:无法写,第一个字段值为1");
  EXPECT_EQ(lines[3], "失败-----------因Invalid object name 'EMP'.:无法写,第一个字段值为2");
  EXPECT_EQ(lines[4], "导出部分成功:表EMP，总的记录数2,导出数据0条，部分完成,用时0ms");
}

TEST_F(ConvertTable, AnEmptySourceIsCreatedAndReportedWithoutATransaction) {
  CurrentDirection = 5;
  Open(Kind::Access);
  Open(Kind::SqlServer);
  SourceRows(Kind::Access, {});
  TargetTable(Kind::SqlServer, false);

  mvq::ConvertTable("EMP", tmSkipExisting);

  EXPECT_EQ(LogLines(), (Lines{"", "创建成功:表EMP",
                               "导出成功:表EMP，总的记录数0,导出数据0条，全部完成,用时0ms"}));
  const auto& calls = Of(Kind::SqlServer).calls;
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "begin"), 0);
  EXPECT_FALSE(GetProgressState().windowOpen);
}

TEST_F(ConvertTable, TheCustomCopyCommitsAnEmptyTransactionForAnEmptyTable) {
  CurrentDirection = 9;
  Open(Kind::CustomSource);
  Open(Kind::CustomTarget);
  SourceRows(Kind::CustomSource, {});
  TargetTable(Kind::CustomTarget, true);

  mvq::ConvertTable("EMP", tmDeleteRecords);

  const auto& calls = Of(Kind::CustomTarget).calls;
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "begin"), 1);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "commit"), 1);
  // Counted first, then streamed: the source is never held whole to learn its size.
  EXPECT_EQ(Of(Kind::CustomSource).calls,
            (Lines{"query: select count(*) from EMP", "stream: select * from EMP"}));
}

TEST_F(ConvertTable, CommitEveryNRowsCommitsWithinTheStreamAndAtTheEnd) {
  CurrentDirection = 9;
  Open(Kind::CustomSource);
  Open(Kind::CustomTarget);
  SourceRows(Kind::CustomSource, {{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}, {5, "e"}});
  TargetTable(Kind::CustomTarget, false);
  SetCommitEveryRows(2);

  mvq::ConvertTable("EMP", tmSkipExisting);
  SetCommitEveryRows(0);

  const auto& calls = Of(Kind::CustomTarget).calls;
  // After rows 2 and 4, and the last one at the end; each commit opens the next transaction.
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "commit"), 3);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "begin"), 3);
  EXPECT_EQ(Of(Kind::CustomTarget).inserted.size(), 5u);
  EXPECT_EQ(LogLines().back(), "导出成功:表EMP，总的记录数5,导出数据5条，全部完成,用时0ms");
}

// Only the journal entries that tell the transaction and page structure.
Lines Structure(const Lines& calls) {
  Lines out;
  for (const auto& c : calls)
    if (c.rfind("post:", 0) != 0 && c.rfind("flush:", 0) != 0 && c.rfind("exec: INSERT", 0) != 0)
      out.push_back(c);
  return out;
}

TEST_F(ConvertTable, AnOracleSourceOfTwoPagesCommitsAndReopensTheTargetAtThePageChange) {
  TwoPageOracleToSqlServer();

  mvq::ConvertTable("EMP", tmSkipExisting);

  EXPECT_EQ(Structure(Of(Kind::SqlServer).calls),
            (Lines{"query: select count(*) from sysobjects where name='emp' and type='u'",
                   "exec: create Table [EMP] (ID integer)", "begin", "stream: select * from EMP",
                   "append: EMP", "commit", "stream: select * from EMP", "append: EMP", "begin",
                   "commit"}));
  EXPECT_EQ(Of(Kind::SqlServer).inserted.size(), 65536u);
  // Only the first page's fields are copied: ROWNUM_ of the second page stays behind.
  EXPECT_EQ(Of(Kind::SqlServer).inserted.back(), (std::vector<Variant>{65536, "last"}));
  EXPECT_EQ(LogLines().back(), "导出成功:表EMP，总的记录数65536,导出数据65536条，全部完成,用时0ms");
}

TEST_F(ConvertTable, ASendThatFailsEndsTheTableAfterTheReportWithoutBlamingARow) {
  CurrentDirection = 9;
  Open(Kind::CustomSource);
  Open(Kind::CustomTarget);
  SourceRows(Kind::CustomSource, {{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}, {5, "e"}});
  TargetTable(Kind::CustomTarget, false);
  Script& target = Of(Kind::CustomTarget);
  target.batchSize = 2;
  target.sendError = db::DbError("The connection has been lost", "08S01");

  EXPECT_THROW(mvq::ConvertTable("EMP", tmSkipExisting), db::DbError);

  // The rows queued with the failed send are not counted, though the commit went through,
  // nor is any row blamed for them.
  EXPECT_EQ(LogLines(), (Lines{"", "创建成功:表EMP",
                               "导出部分成功:表EMP，总的记录数5,导出数据0条，部分完成,用时0ms"}));
  EXPECT_EQ(std::count(target.calls.begin(), target.calls.end(), "flush: 2"), 1)
      << "the copy stops at the first failed send";
  EXPECT_EQ(target.calls.back(), "commit");
  EXPECT_FALSE(GetProgressState().windowOpen);
}

TEST_F(ConvertTable, ACommitThatFailsCountsOnlyThePagesCommittedBefore) {
  TwoPageOracleToSqlServer();
  Of(Kind::SqlServer).commitAnswers = {std::nullopt,
                                       db::DbError("Communication link failure", "08S01")};

  EXPECT_THROW(mvq::ConvertTable("EMP", tmSkipExisting), db::DbError);

  EXPECT_EQ(LogLines().back(),
            "导出部分成功:表EMP，总的记录数65536,导出数据65535条，部分完成,用时0ms");
}

TEST_F(ConvertTable, ByteStringsReachOracleAsTheTextOne) {
  CurrentDirection = 1;
  Open(Kind::SqlServer);
  Open(Kind::Oracle);
  Script& sql = Of(Kind::SqlServer);
  sql.On("select count(*) from EMP").Rows({{"n", db::adInteger}}, {{int64_t{1}}});
  sql.On("select * from EMP")
      .Rows({{"ID", db::adInteger}, {"NAME", db::adVarBinary, 8}}, {{7, db::Bytes{0, 1, 2}}});
  sql.On("call: gettablesql").Rows({{"r"}}, {{"create Table EMP (ID integer)"}});
  TargetTable(Kind::Oracle, false);

  mvq::ConvertTable("EMP", tmSkipExisting);

  const auto& calls = Of(Kind::Oracle).calls;
  EXPECT_NE(std::find(calls.begin(), calls.end(),
                      "exec: INSERT INTO EMP(ID,NAME) VALUES (:ID,:NAME) [ID=7, NAME='1']"),
            calls.end());
}

TEST_F(ConvertTable, AnErrorWhileFetchingTheCreateTextEndsTheRunBeforeAnyCopy) {
  CurrentDirection = 1;
  Open(Kind::SqlServer);
  Open(Kind::Oracle);
  Of(Kind::SqlServer).On("call: gettablesql").Fails("Invalid object name 'dbo.gettablesql'.");
  SourceRows(Kind::SqlServer, {{1, "a"}});
  TargetTable(Kind::Oracle, false);

  EXPECT_THROW(mvq::ConvertTable("EMP", tmSkipExisting), db::DbError);
  EXPECT_EQ(LogLines(), Lines{""});
}

TEST_F(ConvertTable, ADirectionWhoseGatewaysAreNotOpenEndsTheRunInsteadOfCrashing) {
  CurrentDirection = 5;
  Open(Kind::Access);
  EXPECT_THROW(mvq::ConvertTable("EMP", tmSkipExisting), std::runtime_error);
}

TEST_F(ConvertTable, AnUnknownDirectionWritesOnlyTheSeparator) {
  CurrentDirection = 7;
  mvq::ConvertTable("EMP", tmSkipExisting);
  EXPECT_EQ(LogLines(), Lines{""});
}

// What the target saw: everything but the reads that look at it.
Lines Writes(const Lines& calls) {
  Lines writes;
  for (const std::string& c : calls)
    if (c.rfind("exec: ", 0) == 0 || c == "begin" || c == "commit") writes.push_back(c);
  return writes;
}

TEST_F(ConvertTable, APlanTellsEachModesStepAndTheCreateTextWithoutWritingOrLogging) {
  CurrentDirection = 0;
  Open(Kind::Oracle);
  Open(Kind::SqlServer);
  SourceRows(Kind::Oracle, {{1, "a"}});
  TargetTable(Kind::SqlServer, true);

  const TablePlan skip = mvq::PlanTable("EMP", tmSkipExisting);
  const TablePlan empty = mvq::PlanTable("EMP", tmDeleteRecords);
  const TablePlan drop = mvq::PlanTable("EMP", tmDropTable);

  EXPECT_TRUE(skip.exists);
  EXPECT_EQ(skip.step, ExistingStep::Skipped);
  EXPECT_FALSE(skip.copies);
  EXPECT_TRUE(skip.statements.empty());
  EXPECT_EQ(skip.createSql, "");
  EXPECT_EQ(empty.step, ExistingStep::Emptied);
  EXPECT_EQ(empty.statements, Lines{"delete from EMP"});
  EXPECT_EQ(empty.createSql, "");
  EXPECT_TRUE(empty.copies);
  EXPECT_EQ(drop.step, ExistingStep::Recreated);
  EXPECT_EQ(drop.statements, Lines{"drop table EMP"});
  // The text the server function writes, as the run would execute it.
  EXPECT_EQ(drop.createSql, "create Table [EMP] (ID integer)");
  EXPECT_EQ(Writes(Of(Kind::SqlServer).calls), Lines{});
  EXPECT_EQ(LogLines(), Lines{});
}

TEST_F(ConvertTable, APlanNamesTheLossyColumnsTheRunWouldLogWithBothTypes) {
  CurrentDirection = 5;
  Open(Kind::Access);
  Open(Kind::SqlServer);
  Script& mdb = Of(Kind::Access);
  mdb.On("select * from EMP where 1=2")
      .Rows(
          {{"ID", db::adInteger}, {"WIDE", db::adNumeric, 0, 50, 2}, {"NAME", db::adVarWChar, 20}},
          {});
  TargetTable(Kind::SqlServer, false);

  const TablePlan plan = mvq::PlanTable("EMP", tmDropTable);

  EXPECT_EQ(plan.step, ExistingStep::Created);
  EXPECT_TRUE(plan.statements.empty());
  ASSERT_EQ(plan.losses.size(), 1u);
  EXPECT_EQ(plan.losses[0].column, "WIDE");
  EXPECT_EQ(plan.losses[0].targetType, "DECIMAL(38,2)");
  EXPECT_EQ(plan.losses[0].loss, "精度50超过目标上限38，位数更多的值被拒绝");
  EXPECT_NE(plan.createSql.find("[WIDE] DECIMAL(38,2)"), std::string::npos) << plan.createSql;
  EXPECT_EQ(Writes(Of(Kind::SqlServer).calls), Lines{});
  EXPECT_EQ(LogLines(), Lines{});

  // The run writes the same text and logs the same loss.
  Of(Kind::SqlServer).On("create*").Affected(-1);
  mdb.On("select count(*) from EMP").Rows({{"n", db::adInteger}}, {{int64_t{0}}});
  mdb.On("select * from EMP").Rows(kEmpColumns, {});
  mvq::ConvertTable("EMP", tmDropTable);
  const Lines log = LogLines();
  EXPECT_NE(
      std::find(log.begin(), log.end(), "表EMP列WIDE：精度50超过目标上限38，位数更多的值被拒绝"),
      log.end());
  const Lines calls = Of(Kind::SqlServer).calls;
  EXPECT_NE(std::find(calls.begin(), calls.end(), "exec: " + plan.createSql), calls.end());
}

}  // namespace
}  // namespace mvq
