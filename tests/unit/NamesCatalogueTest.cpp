// The names of the catalogue through the pipeline over scripted Oracle, SQL Server and Access
// gates: every statement that names the table or a column writes it in the dialect of the
// connection it goes to, in every existing-table mode, and a name the target cannot hold is
// refused by name.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/Gateways.h"
#include "engine/TableOutcome.h"
#include "engine/utConvertDb.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/utconnection.h"
#include "platform/jet/JetSql.h"
#include "platform/oracle/OraDrivers.h"
#include "platform/text/AsciiCase.h"
#include "support/CurrentDirection.h"
#include "support/NameCatalogue.h"
#include "support/ScriptedConnection.h"
#include "support/ScriptedGates.h"
#include "support/utProgress.h"

namespace mvq {
namespace {

using db::Variant;
using test::CatalogueName;
using test::Column;
using test::Script;
using Lines = std::vector<std::string>;

using test::kMdbCs;
using test::kOracleCs;
using test::kSqlCs;

// Columns as every source describes them and as Oracle's dictionary lists them.
const std::vector<Column> kColumns = {
    {"ID", db::adInteger}, {"a]b"}, {"MixedCase"}, {"O'Brien"}, {"select"}};
const char* const kOracleColumns = "(ID,\"a]b\",\"MixedCase\",\"O'Brien\",\"select\")";
const char* const kOracleValues = " VALUES (:ID,:MVQ_C2,:MVQ_C3,:MVQ_C4,:MVQ_C5)";
const std::vector<std::vector<Variant>> kRows = {{1, "a", "b", "c", "d"}, {2, "e", "f", "g", "h"}};

std::string Done(const std::string& table) {
  return "导出成功:表" + table + "，总的记录数2,导出数据2条，全部完成,用时0ms";
}

bool Has(const Script& s, const std::string& entry) {
  return std::find(s.calls.begin(), s.calls.end(), entry) != s.calls.end();
}

// The spelling Oracle's dictionary holds: a name left unquoted is folded to upper case.
std::string OracleStored(const CatalogueName& c) {
  return c.oracle != c.name ? c.name : mvq::text::AsciiUpper(c.name);
}
// The existence test compares with upper(:1) unless that would miss the stored spelling.
std::string ExistsCondition(const CatalogueName& c) {
  return OracleStored(c) == mvq::text::AsciiUpper(c.name) ? "upper(:1) ['" + c.name + "']"
                                                          : ":1 ['" + c.name + "']";
}

// What the server functions return for a catalogue table of kColumns with the key (ID,
// "select"), in the shape each script writes: SQL Server's gettablesql for Oracle, and
// Oracle's getMdbCreateSql for SQL Server. The targets get them verbatim; the grammar check
// reads them there.
std::string GettablesqlForOracle(const CatalogueName& c) {
  const db::NameRules ora = db::NameRulesFor(db::Dbms::Oracle);
  std::string text = "create Table " + c.oracle + " (\r\nID number(10,0)  not null,";
  for (const Column& col : kColumns)
    if (col.name != "ID") text += "\r\n" + db::QuoteName(ora, col.name) + " varchar2(50),";
  return text + " primary key (ID,\"select\"))";
}
std::string GetMdbCreateSqlForSqlServer(const CatalogueName& c) {
  const db::NameRules sql = db::NameRulesFor(db::Dbms::SqlServer);
  std::string text = "create Table " + db::Quoted(sql, c.name) + " (\r\n[ID] integer  not null,";
  for (const Column& col : kColumns)
    if (col.name != "ID") text += "\r\n" + db::Quoted(sql, col.name) + " varchar(50),";
  return text + "primary key (ID,[select]))";
}

// The Access dialect of both functions, which differ in the blank before the key clause.
std::string AccessDialectCreate(const CatalogueName& c, bool blankBeforeKey) {
  const db::NameRules access = db::NameRulesFor(db::Dbms::Access);
  std::string text = "create Table " + db::Quoted(access, c.name) + " (\r\n[ID] long  not null,";
  // "a]b" is refused before any text is asked for.
  for (const Column& col : kColumns)
    if (col.name != "ID" && !db::NameRefusal(access, col.name))
      text += "\r\n" + db::Quoted(access, col.name) + " varchar(50),";
  return text + (blankBeforeKey ? " " : "") + "primary key (ID,[select]))";
}

class NamesCatalogue : public test::ScriptedGatesTest {
 protected:
  // Fresh gates and scripts for one run of the pipeline.
  void Restart() {
    TearDown();
    SetUp();
  }

  // A bracket-dialect source (SQL Server or Access) holding the table.
  static void BracketSource(Script& s, const CatalogueName& c) {
    s.On("select count(*) from " + c.bracketed).Rows({{"n", db::adInteger}}, {{int64_t{2}}});
    s.On("select * from " + c.bracketed).Rows(kColumns, kRows);
    s.On("select * from " + c.bracketed + " where 1=2").Rows(kColumns, {});
    s.On("call: gettablesql").Rows({{"r"}}, {{GettablesqlForOracle(c)}});
    s.primaryKeys = {{"", "dbo", c.name, "ID", 1}};
  }
  // The Oracle target: whether the table exists under its stored spelling, and its columns.
  void OracleTarget(const CatalogueName& c, bool exists) {
    const std::string condition = ExistsCondition(c);
    Ora()
        .On("select count(*) from tab t where t.tabtype='TABLE' and t.tname=" +
            condition.substr(0, condition.find(" [")))
        .Rows({{"n", db::adInteger}}, {{int64_t{exists ? 1 : 0}}});
    Ora().On("select * from " + c.oracle + " where 1=2").Rows(kColumns, {});
    Ora()
        .On("select COLUMN_NAME from all_tab_columns c where c.TABLE_NAME =:1 and owner=:2")
        .Rows({{"COLUMN_NAME"}}, {{"ID"}, {"a]b"}, {"MixedCase"}, {"O'Brien"}, {"select"}});
  }

  // SQL Server to an Oracle server of that version, EMP with the column on the source and
  // present on the target or not.
  void SqlServerToOracleOf(const std::string& version, const std::string& column, bool exists);
};

TEST_F(NamesCatalogue, SqlServerToOracleNamesEveryTableAndColumnInBothDialects) {
  for (const auto& c : test::kNameCatalogue) {
    if (c.oracle.empty()) continue;
    for (auto mode : {tmSkipExisting, tmDeleteRecords, tmDropTable}) {
      SCOPED_TRACE(c.name + " mode " + std::to_string(mode));
      Restart();
      CurrentDirection = 1;
      OpenSql();
      OpenOracle();
      BracketSource(Sql(), c);
      const bool exists = mode != tmSkipExisting;
      OracleTarget(c, exists);

      mvq::ConvertTable(c.name, mode);

      Lines expected = {""};
      if (mode == tmDeleteRecords) expected.push_back("删除成功：表" + c.name + "的记录");
      if (mode == tmDropTable) expected.push_back("删除成功：表" + c.name);
      if (mode != tmDeleteRecords) expected.push_back("创建成功:表" + c.name);
      expected.push_back(Done(c.name));
      EXPECT_EQ(LogLines(), expected);

      EXPECT_TRUE(Has(Sql(), "query: select count(*) from " + c.bracketed));
      EXPECT_TRUE(Has(Sql(), "query: select * from " + c.bracketed));
      const std::string stored = OracleStored(c);
      EXPECT_TRUE(Has(Ora(),
                      "query: select count(*) from tab t where t.tabtype='TABLE' and "
                      "t.tname=" +
                          ExistsCondition(c)));
      if (mode == tmDeleteRecords) {
        EXPECT_TRUE(Has(Ora(), "exec: delete from " + c.oracle));
      }
      if (mode == tmDropTable) {
        EXPECT_TRUE(Has(Ora(), "exec: drop table " + c.oracle));
      }
      if (mode != tmDeleteRecords) {
        EXPECT_TRUE(Has(Ora(), "exec: " + GettablesqlForOracle(c)));
      }
      EXPECT_TRUE(Has(Ora(), "query: select * from " + c.oracle + " where 1=2"));
      EXPECT_TRUE(Has(Ora(),
                      "query: select COLUMN_NAME from all_tab_columns c where c.TABLE_NAME =:1 "
                      "and owner=:2 ['" +
                          stored + "', 'SCOTT']"));
      // The generated DML names the table as the dictionary holds it.
      const std::string dmlTable = c.oracle == c.name ? stored : c.oracle;
      EXPECT_TRUE(Has(Ora(), "exec: INSERT INTO " + dmlTable + kOracleColumns + kOracleValues +
                                 " [ID=2, MVQ_C2='e', MVQ_C3='f', MVQ_C4='g', MVQ_C5='h']"));
    }
  }
}

TEST_F(NamesCatalogue, OracleToSqlServerReadsQuotedAndWritesBracketed) {
  for (const auto& c : test::kNameCatalogue) {
    if (c.oracle.empty()) continue;  // no Oracle table can be named so
    for (auto mode : {tmSkipExisting, tmDeleteRecords, tmDropTable}) {
      SCOPED_TRACE(c.name + " mode " + std::to_string(mode));
      Restart();
      CurrentDirection = 0;
      OpenOracle();
      OpenSql();
      Ora().On("select count(*) from " + c.oracle).Rows({{"n", db::adInteger}}, {{int64_t{2}}});
      Ora().On("select * from " + c.oracle).Rows(kColumns, kRows);
      Ora().On("call: getMdbCreateSql").Rows({{"r"}}, {{GetMdbCreateSqlForSqlServer(c)}});
      const bool exists = mode != tmSkipExisting;
      Sql()
          .On("select count(*) from sysobjects where name=*")
          .Rows({{"n", db::adInteger}}, {{int64_t{exists ? 1 : 0}}});
      Sql().On("create*").Affected(-1);

      mvq::ConvertTable(c.name, mode);

      EXPECT_EQ(LogLines().back(), Done(c.name));
      EXPECT_TRUE(Has(Ora(), "query: select count(*) from " + c.oracle));
      EXPECT_TRUE(Has(Ora(), "query: select * from " + c.oracle));
      if (mode == tmDeleteRecords) {
        EXPECT_TRUE(Has(Sql(), "exec: delete from " + c.bracketed));
      }
      if (mode == tmDropTable) {
        EXPECT_TRUE(Has(Sql(), "exec: drop table " + c.bracketed));
      }
      if (mode != tmDeleteRecords) {
        EXPECT_TRUE(Has(Sql(), "exec: " + GetMdbCreateSqlForSqlServer(c)));
      }
      EXPECT_TRUE(Has(Sql(), "stream: select * from " + c.bracketed));
      EXPECT_EQ(Sql().inserted, kRows);
    }
  }
}

TEST_F(NamesCatalogue, TheSqlServerExistenceTestTakesTheNameAsALiteral) {
  OpenSql();
  for (const auto& [name, literal] :
       std::vector<std::pair<std::string, std::string>>{{"EMP", "'emp'"},
                                                        {"O'Brien", "'o''brien'"},
                                                        {"客户 表", "N'客户 表'"},
                                                        {"x' or '1'='1", "'x'' or ''1''=''1'"}}) {
    SqlGate->TableExists(name);
    EXPECT_EQ(Sql().calls.back(),
              "query: select count(*) from sysobjects where name=" + literal + " and type='u'");
  }
}

TEST_F(NamesCatalogue, AccessToOracleCreatesTheTableUnderTheQuotedNames) {
  for (const auto& c : test::kNameCatalogue) {
    if (c.oracle.empty() || c.name == "a]b") continue;  // neither engine can hold these
    Restart();
    CurrentDirection = 3;
    OpenMdb();
    OpenOracle();
    BracketSource(Mdb(), c);
    OracleTarget(c, false);

    mvq::ConvertTable(c.name, tmSkipExisting);

    SCOPED_TRACE(c.name);
    EXPECT_EQ(LogLines(), (Lines{"", "创建成功:表" + c.name, Done(c.name)}));
    EXPECT_TRUE(Has(Mdb(), "query: select * from " + c.bracketed + " where 1=2"));
    // The name lines; the type texts are the builder's own.
    auto create = std::find_if(Ora().calls.begin(), Ora().calls.end(), [&](const std::string& e) {
      return e.rfind("exec: create table " + c.oracle + " (\r\n  ID ", 0) == 0;
    });
    ASSERT_NE(create, Ora().calls.end());
    for (const char* line :
         {"\r\n  \"a]b\" ", "\r\n  \"MixedCase\" ", "\r\n  \"O'Brien\" ", "\r\n  \"select\" "})
      EXPECT_NE(create->find(line), std::string::npos) << line;
  }
}

TEST_F(NamesCatalogue, ANameTheTargetCannotHoldIsRefusedByNameAndNothingRuns) {
  CurrentDirection = 1;
  OpenSql();
  OpenOracle();
  mvq::ConvertTable("a\"b", tmDropTable);
  mvq::ConvertTable("a.b", tmDropTable);
  mvq::ConvertTable(std::string(129, 'x'), tmDropTable);
  EXPECT_EQ(LogLines(), (Lines{"", "导出失败：目标数据库不能容纳表名a\"b(名称含有字符\")", "",
                               "导出失败：目标数据库不能容纳表名a.b(名称含有字符.)", "",
                               "导出失败：目标数据库不能容纳表名" + std::string(129, 'x') +
                                   "(名称长于128个字节)"}));
  EXPECT_TRUE(Ora().calls.empty());
  EXPECT_TRUE(Sql().calls.empty());

  // Access refuses brackets, dots and names over 64 characters.
  CurrentDirection = 4;
  OpenMdb();
  std::filesystem::remove(LogFileName);
  mvq::ConvertTable("a]b", tmSkipExisting);
  mvq::ConvertTable(test::kName64 + "x", tmSkipExisting);
  EXPECT_EQ(LogLines(),
            (Lines{"", "导出失败：目标数据库不能容纳表名a]b(名称含有字符])", "",
                   "导出失败：目标数据库不能容纳表名" + test::kName64 + "x(名称长于64个字符)"}));
  EXPECT_TRUE(Mdb().calls.empty());
}

TEST(NamesCatalogueAccess, TheServerFunctionsAccessTextsCreateTheirTableOnOurAccessTarget) {
  for (const auto& c : test::kNameCatalogue) {
    if (db::NameRefusal(db::NameRulesFor(db::Dbms::Access), c.name)) continue;
    for (bool blank : {true, false}) {
      SCOPED_TRACE(c.name + (blank ? " (gettablesql)" : " (getMdbCreateSql)"));
      jet::Statement st = jet::ParseStatement(AccessDialectCreate(c, blank));
      ASSERT_TRUE(std::holds_alternative<jet::CreateTable>(st));
      const jet::TableSchema& t = std::get<jet::CreateTable>(st).schema;
      EXPECT_EQ(t.name, c.name);
      std::vector<std::string> names;
      for (const auto& col : t.columns) names.push_back(col.name);
      EXPECT_EQ(names, (std::vector<std::string>{"ID", "MixedCase", "O'Brien", "select"}));
      ASSERT_EQ(t.indexes.size(), 1u);
      EXPECT_EQ(t.indexes[0].columns, (std::vector<uint16_t>{0, 3}));
    }
  }
}

// A source table EMP of two rows whose second column is named so.
void SourceWithColumn(Script& s, const std::string& column, const std::string& quotedTable) {
  const std::vector<Column> columns = {{"ID", db::adInteger}, {column}};
  s.On("select count(*) from " + quotedTable).Rows({{"n", db::adInteger}}, {{int64_t{2}}});
  s.On("select * from " + quotedTable + " where 1=2").Rows(columns, {});
  s.On("select * from " + quotedTable).Rows(columns, {{1, "a"}, {2, "b"}});
}

bool AnyExec(const Script& s) {
  return std::any_of(s.calls.begin(), s.calls.end(),
                     [](const std::string& e) { return e.rfind("exec: ", 0) == 0; });
}

void NamesCatalogue::SqlServerToOracleOf(const std::string& version, const std::string& column,
                                         bool exists) {
  Restart();
  CurrentDirection = 1;
  Ora().dbmsVersion = version;
  OpenSql();
  OpenOracle();
  SourceWithColumn(Sql(), column, "EMP");
  Ora()
      .On("select count(*) from tab t where t.tabtype='TABLE' and t.tname=upper(:1)")
      .Rows({{"n", db::adInteger}}, {{int64_t{exists ? 1 : 0}}});
}

TEST_F(NamesCatalogue, AColumnTheTargetCannotHoldRefusesItsTableBeforeAnythingIsDroppedOrCreated) {
  const std::string col31 = "quarterly_revenue_by_region_abc";
  ASSERT_EQ(col31.size(), 31u);
  for (auto mode : {tmSkipExisting, tmDropTable}) {
    SCOPED_TRACE(mode);
    SqlServerToOracleOf("11.02.0040", col31, mode == tmDropTable);

    TableOutcome refused = mvq::ConvertTable("EMP", mode);

    const std::string line =
        "导出失败：目标数据库不能容纳表EMP的列名" + col31 + "(名称长于30个字节)";
    EXPECT_EQ(LogLines(), (Lines{"", line}));
    EXPECT_EQ(refused.status, OutcomeStatus::Failed);
    EXPECT_EQ(refused.firstError, line);
    EXPECT_EQ(refused.report, line);
    EXPECT_FALSE(AnyExec(Ora())) << "an existing table is not dropped for a table refused";
    EXPECT_FALSE(Has(Sql(), "call: gettablesql"));
  }

  // The same column on a server of 12.2 or later, and an existing table merely emptied, go.
  SqlServerToOracleOf("19.00.0000", col31, false);
  Sql().On("call: gettablesql").Rows({{"r"}}, {{"create Table EMP (ID integer)"}});
  mvq::ConvertTable("EMP", tmSkipExisting);
  EXPECT_TRUE(Has(Ora(), "exec: create Table EMP (ID integer)"));
  EXPECT_EQ(LogLines()[1], "创建成功:表EMP");

  SqlServerToOracleOf("11.02.0040", col31, true);
  Ora().On("delete from EMP").Affected(2);
  mvq::ConvertTable("EMP", tmDeleteRecords);
  EXPECT_EQ(LogLines()[1], "删除成功：表EMP的记录");

  // A table name is held to the same version's limit, before any statement.
  SqlServerToOracleOf("11.02.0040", "NAME", false);
  mvq::ConvertTable(col31, tmDropTable);
  EXPECT_EQ(LogLines(),
            (Lines{"", "导出失败：目标数据库不能容纳表名" + col31 + "(名称长于30个字节)"}));
  EXPECT_TRUE(Ora().calls.empty());
}

TEST_F(NamesCatalogue,
       AccessRefusesColumnsWithItsForbiddenCharactersOrOverSixtyFourAndTheRunGoesOn) {
  // SQL Server and Oracle sources alike; each refused table leaves the next one to run.
  for (int direction : {4, 2}) {
    SCOPED_TRACE(direction);
    Restart();
    CurrentDirection = direction;
    OpenMdb();
    Script& source = direction == 4 ? Sql() : Ora();
    if (direction == 4) {
      OpenSql();
    } else {
      OpenOracle();
    }
    SourceWithColumn(source, "a!b", "BANG");
    SourceWithColumn(source, test::kName64 + "x", "WIDE");
    SourceWithColumn(source, "Order Details", "OK");
    source.On("call: gettablesql").Rows({{"r"}}, {{"create Table [OK] (ID integer)"}});
    source.On("call: getMdbCreateSql").Rows({{"r"}}, {{"create Table [OK] (ID integer)"}});

    const TableOutcome bang = mvq::ConvertTable("BANG", tmDropTable);
    const TableOutcome wide = mvq::ConvertTable("WIDE", tmSkipExisting);
    const TableOutcome ok = mvq::ConvertTable("OK", tmSkipExisting);

    EXPECT_EQ(bang.status, OutcomeStatus::Failed);
    EXPECT_EQ(wide.status, OutcomeStatus::Failed);
    EXPECT_EQ(ok.status, OutcomeStatus::Exported);
    // Oracle adds a line for a source table without a key.
    const Lines lines = LogLines();
    ASSERT_GE(lines.size(), 6u);
    EXPECT_EQ(
        Lines(lines.begin(), lines.begin() + 6),
        (Lines{"", "导出失败：目标数据库不能容纳表BANG的列名a!b(名称含有字符!)", "",
               "导出失败：目标数据库不能容纳表WIDE的列名" + test::kName64 + "x(名称长于64个字符)",
               "", "创建成功:表OK"}));
    EXPECT_EQ(lines.back(), Done("OK"));
    EXPECT_EQ(std::count_if(Mdb().calls.begin(), Mdb().calls.end(),
                            [](const std::string& e) { return e.rfind("exec: create", 0) == 0; }),
              1);
  }
}

}  // namespace
}  // namespace mvq
