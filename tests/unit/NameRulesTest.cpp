// How each dialect writes the names of the catalogue, which names it refuses, and literals.
#include "platform/odbc/NameRules.h"

#include <gtest/gtest.h>

#include "platform/odbc/Connection.h"

namespace mvq::db {
namespace {

const std::string k64(64, 'n');

struct Written {
  const char* name;
  const char* sqlServer;  // Access alike
  const char* oracle;
  const char* postgres;
  const char* mariadb;
  const char* sqlite;
};

// Plain names stay as they are everywhere; anything else is quoted, a closing quote twice.
const Written kCatalogue[] = {
    {"EMP", "EMP", "EMP", "EMP", "EMP", "EMP"},
    {"emp_hist2", "emp_hist2", "emp_hist2", "emp_hist2", "emp_hist2", "emp_hist2"},
    {"Order Details", "[Order Details]", "\"Order Details\"", "\"Order Details\"",
     "`Order Details`", "\"Order Details\""},
    {"Muffin/Bread", "[Muffin/Bread]", "\"Muffin/Bread\"", "\"Muffin/Bread\"", "`Muffin/Bread`",
     "\"Muffin/Bread\""},
    {"select", "[select]", "\"select\"", "\"select\"", "`select`", "\"select\""},
    {"Order", "[Order]", "\"Order\"", "\"Order\"", "`Order`", "\"Order\""},
    {"2024 sales", "[2024 sales]", "\"2024 sales\"", "\"2024 sales\"", "`2024 sales`",
     "\"2024 sales\""},
    {"客户 表", "[客户 表]", "\"客户 表\"", "\"客户 表\"", "`客户 表`", "\"客户 表\""},
    {"O'Brien", "[O'Brien]", "\"O'Brien\"", "\"O'Brien\"", "`O'Brien`", "\"O'Brien\""},
    {"a\"b", "[a\"b]", "\"a\"\"b\"", "\"a\"\"b\"", "`a\"b`", "\"a\"\"b\""},
    {"a]b", "[a]]b]", "\"a]b\"", "\"a]b\"", "`a]b`", "\"a]b\""},
    {"a`b", "[a`b]", "\"a`b\"", "\"a`b\"", "`a``b`", "\"a`b\""},
    // Mixed case is kept only where the engine would fold it.
    {"MixedCase", "MixedCase", "\"MixedCase\"", "\"MixedCase\"", "MixedCase", "MixedCase"},
    {"zz(a int); drop table y; create table zz2", "[zz(a int); drop table y; create table zz2]",
     "\"zz(a int); drop table y; create table zz2\"",
     "\"zz(a int); drop table y; create table zz2\"", "`zz(a int); drop table y; create table zz2`",
     "\"zz(a int); drop table y; create table zz2\""},
};

TEST(NameRules, EachDialectWritesTheCatalogueNamesSoTheyCannotRunAsSql) {
  for (const auto& w : kCatalogue) {
    SCOPED_TRACE(w.name);
    EXPECT_EQ(QuoteName(NameRulesFor(Dbms::SqlServer), w.name), w.sqlServer);
    EXPECT_EQ(QuoteName(NameRulesFor(Dbms::Access), w.name), w.sqlServer);
    EXPECT_EQ(QuoteName(NameRulesFor(Dbms::Oracle), w.name), w.oracle);
    EXPECT_EQ(QuoteName(NameRulesFor(Dbms::PostgreSQL), w.name), w.postgres);
    EXPECT_EQ(QuoteName(NameRulesFor(Dbms::MariaDB, "`"), w.name), w.mariadb);
    EXPECT_EQ(QuoteName(NameRulesFor(Dbms::SQLite), w.name), w.sqlite);
  }
}

TEST(NameRules, TheDriversQuoteIsUsedWhereTheEngineIsNotKnown) {
  EXPECT_EQ(QuoteName(NameRulesFor(Dbms::Unknown, "`"), "a b"), "`a b`");
  EXPECT_EQ(QuoteName(NameRulesFor(Dbms::Unknown, ""), "a b"), "\"a b\"");
  EXPECT_EQ(QuoteName(NameRulesFor(Dbms::Unknown, " "), "a b"), "\"a b\"");
  // SQL Server's brackets are not the driver's to change.
  EXPECT_EQ(QuoteName(NameRulesFor(Dbms::SqlServer, "\""), "a b"), "[a b]");
}

TEST(NameRules, OracleOwnerAndTableAreWrittenEachOnTheirOwn) {
  const NameRules ora = NameRulesFor(Dbms::Oracle);
  EXPECT_EQ(QuoteName(ora, "scott.EMP"), "scott.EMP");
  EXPECT_EQ(QuoteName(ora, "SCOTT.Order Details"), "SCOTT.\"Order Details\"");
  EXPECT_EQ(StoredName(ora, "scott.emp"), "SCOTT.EMP");
  // Elsewhere a dot is part of the name.
  EXPECT_EQ(QuoteName(NameRulesFor(Dbms::SqlServer), "a.b"), "[a.b]");
}

TEST(NameRules, TheStoredSpellingFoldsOnlyTheNamesLeftUnquoted) {
  const NameRules ora = NameRulesFor(Dbms::Oracle), pg = NameRulesFor(Dbms::PostgreSQL);
  EXPECT_EQ(StoredName(ora, "emp"), "EMP");
  EXPECT_EQ(StoredName(ora, "MixedCase"), "MixedCase");
  EXPECT_EQ(StoredName(ora, "Order Details"), "Order Details");
  EXPECT_EQ(StoredName(pg, "EMP"), "emp");
  EXPECT_EQ(StoredName(pg, "MixedCase"), "MixedCase");
  EXPECT_EQ(StoredName(NameRulesFor(Dbms::SqlServer), "MixedCase"), "MixedCase");
  // A dictionary's own spelling is quoted where folding would change it.
  EXPECT_EQ(QuoteStoredName(ora, "ENAME"), "ENAME");
  EXPECT_EQ(QuoteStoredName(ora, "ename"), "\"ename\"");
  EXPECT_EQ(QuoteStoredName(pg, "ENAME"), "\"ENAME\"");
  EXPECT_EQ(QuoteStoredName(pg, "ename"), "ename");
}

TEST(NameRules, NamesATargetCannotHoldAreRefusedWithTheReason) {
  const NameRules access = NameRulesFor(Dbms::Access), ora = NameRulesFor(Dbms::Oracle),
                  pg = NameRulesFor(Dbms::PostgreSQL), maria = NameRulesFor(Dbms::MariaDB);
  for (const char* name : {"Order Details", "Muffin/Bread", "客户 表", "O'Brien", "a\"b"})
    EXPECT_EQ(NameRefusal(access, name), std::nullopt) << name;
  EXPECT_EQ(NameRefusal(access, k64), std::nullopt);
  EXPECT_EQ(NameRefusal(access, k64 + "n"), "名称长于64个字符");
  EXPECT_EQ(NameRefusal(access, "a]b"), "名称含有字符]");
  EXPECT_EQ(NameRefusal(access, "a.b"), "名称含有字符.");
  EXPECT_EQ(NameRefusal(access, "a!b"), "名称含有字符!");
  EXPECT_EQ(NameRefusal(access, "a`b"), "名称含有字符`");
  EXPECT_EQ(NameRefusal(access, "[ab"), "名称含有字符[");
  EXPECT_EQ(NameRefusal(access, " ab"), "名称以空格开头");
  EXPECT_EQ(NameRefusal(access, "a\tb"), "名称含有控制字符");

  EXPECT_EQ(NameRefusal(ora, "a\"b"), "名称含有字符\"");
  EXPECT_EQ(NameRefusal(ora, "a.b"), "名称含有字符.");
  EXPECT_EQ(NameRefusal(ora, std::string(128, 'x')), std::nullopt);
  EXPECT_EQ(NameRefusal(ora, std::string(129, 'x')), "名称长于128个字节");
  // 43 Chinese characters are 129 bytes.
  std::string chinese;
  for (int i = 0; i < 43; ++i) chinese += "表";
  EXPECT_EQ(NameRefusal(ora, chinese), "名称长于128个字节");

  // PostgreSQL would cut a 64-byte name to 63 with a notice only.
  EXPECT_EQ(NameRefusal(pg, std::string(63, 'x')), std::nullopt);
  EXPECT_EQ(NameRefusal(pg, k64), "名称长于63个字节");
  EXPECT_EQ(NameRefusal(maria, k64), std::nullopt);
  EXPECT_EQ(NameRefusal(maria, "ab "), "名称以空格结尾");
  EXPECT_EQ(NameRefusal(NameRulesFor(Dbms::SQLite), k64 + k64), std::nullopt);
  EXPECT_EQ(NameRefusal(NameRulesFor(Dbms::SQLite), ""), "名称为空");
}

TEST(NameRules, OracleTakesThirtyBytesBeforeTwelveTwoAsTheServerReportsItsVersion) {
  const std::string x30(30, 'x'), x31(31, 'x');
  for (const char* old : {"11.02.0040", "12.01.0020", "10.02.0050 Oracle Database 10g"}) {
    const NameRules ora = NameRulesFor(Dbms::Oracle, {}, old);
    EXPECT_EQ(NameRefusal(ora, x30), std::nullopt) << old;
    EXPECT_EQ(NameRefusal(ora, x31), "名称长于30个字节") << old;
  }
  // Ten Chinese characters are 30 bytes, eleven are 33.
  std::string chinese;
  for (int i = 0; i < 11; ++i) chinese += "表";
  EXPECT_EQ(NameRefusal(NameRulesFor(Dbms::Oracle, {}, "11.02.0040"), chinese), "名称长于30个字节");
  for (const char* current : {"12.02.0010", "19.00.0000", "23.04.0000", "", "unknown"}) {
    const NameRules ora = NameRulesFor(Dbms::Oracle, {}, current);
    EXPECT_EQ(NameRefusal(ora, x31), std::nullopt) << current;
    EXPECT_EQ(NameRefusal(ora, std::string(129, 'x')), "名称长于128个字节") << current;
  }
  // Other engines' limits do not move with the version.
  EXPECT_EQ(NameRefusal(NameRulesFor(Dbms::PostgreSQL, {}, "9.06.0000"), x31), std::nullopt);
}

TEST(NameRules, TheFirstRefusedOfAListOfNamesIsNamedWithItsReason) {
  const NameRules pg = NameRulesFor(Dbms::PostgreSQL);
  // Two columns alike in their first 63 bytes would be one column once cut.
  const std::string stem(63, 'c');
  auto refused = FirstRefusal(pg, {"id", stem + "1", stem + "2"});
  ASSERT_TRUE(refused.has_value());
  EXPECT_EQ(refused->name, stem + "1");
  EXPECT_EQ(refused->why, "名称长于63个字节");
  EXPECT_EQ(FirstRefusal(pg, {"id", stem, "Order Details"}), std::nullopt);
  EXPECT_EQ(FirstRefusal(pg, {}), std::nullopt);
  EXPECT_EQ(FirstRefusal(NameRulesFor(Dbms::Access), {"ok", "a.b", "a]b"})->name, "a.b");
}

TEST(NameRules, LiteralsDoubleTheirQuotesAndSqlServerMarksNationalText) {
  const NameRules sql = NameRulesFor(Dbms::SqlServer);
  EXPECT_EQ(QuoteLiteral(sql, "emp"), "'emp'");
  EXPECT_EQ(QuoteLiteral(sql, "O'Brien"), "'O''Brien'");
  EXPECT_EQ(QuoteLiteral(sql, "客户 表"), "N'客户 表'");
  EXPECT_EQ(QuoteLiteral(NameRulesFor(Dbms::Oracle), "客户'表"), "'客户''表'");
}

}  // namespace
}  // namespace mvq::db
