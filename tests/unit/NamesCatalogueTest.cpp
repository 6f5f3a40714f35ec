// The names of the catalogue through the pipeline over scripted Oracle, SQL Server and Access
// gates: every statement that names the table or a column writes it in the dialect of the
// connection it goes to, in every existing-table mode, and a name the target cannot hold is
// refused by name.
#include <gtest/gtest.h>

#include <algorithm>

#include "engine/Gateways.h"
#include "engine/utConvertDb.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/utconnection.h"
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
    s.On("call: gettablesql").Rows({{"r"}}, {{"create Table T (ID integer)"}});
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
      Ora().On("call: getMdbCreateSql").Rows({{"r"}}, {{"create Table [T] (ID integer)"}});
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

}  // namespace
}  // namespace mvq
