// The two mappings of ODBC SQL types (result fields to ADO codes, provider types to DBTYPE
// codes), the value classes, declared decimals and the text helpers of the ODBC layer.
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include "platform/odbc/DriverQuirks.h"
#include "platform/odbc/FieldTypes.h"
#include "platform/odbc/TypeMapping.h"
#include "platform/odbc/WideText.h"

namespace mvq::db {
namespace {

TEST(OdbcTypeMapping, ResultFieldsGetAdoCodesAndTheirCategories) {
  struct Case {
    int sqlType;
    bool isUnsigned;
    int ado;
    TFieldType category;
  };
  const Case cases[] = {
      {SQL_VARCHAR, false, adVarChar, ftString},
      {SQL_WVARCHAR, false, adVarWChar, ftWideString},
      {SQL_CHAR, false, adChar, ftFixedChar},
      {SQL_WCHAR, false, adWChar, ftWideString},
      {SQL_LONGVARCHAR, false, adLongVarChar, ftMemo},
      {SQL_WLONGVARCHAR, false, adLongVarWChar, ftMemo},
      {SQL_INTEGER, false, adInteger, ftInteger},
      {SQL_SMALLINT, false, adSmallInt, ftSmallint},
      {SQL_TINYINT, false, adTinyInt, ftSmallint},
      {SQL_TINYINT, true, adUnsignedTinyInt, ftWord},
      {SQL_BIGINT, false, adBigInt, ftLargeint},
      {SQL_REAL, false, adSingle, ftFloat},
      {SQL_FLOAT, false, adDouble, ftFloat},
      {SQL_DOUBLE, false, adDouble, ftFloat},
      {SQL_DECIMAL, false, adDecimal, ftBCD},
      {SQL_BIT, false, adBoolean, ftBoolean},
      {SQL_TYPE_DATE, false, adDBDate, ftDate},
      {SQL_TYPE_TIME, false, adDBTime, ftTime},
      {SQL_TYPE_TIMESTAMP, false, adDBTimeStamp, ftDateTime},
      {SQL_BINARY, false, adBinary, ftBytes},
      {SQL_VARBINARY, false, adVarBinary, ftVarBytes},
      {SQL_LONGVARBINARY, false, adLongVarBinary, ftBlob},
      {SQL_GUID, false, adGUID, ftGuid},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AdoTypeOf(c.sqlType, c.isUnsigned), c.ado) << c.sqlType;
    EXPECT_EQ(ClassifyField(AdoTypeOf(c.sqlType, c.isUnsigned), 10, 2, false), c.category)
        << c.sqlType;
  }
  // Numeric follows precision and scale; an interval has no ADO code and no category.
  EXPECT_EQ(AdoTypeOf(SQL_NUMERIC, false), adNumeric);
  EXPECT_EQ(ClassifyField(adNumeric, 9, 0, false), ftInteger);
  EXPECT_EQ(ClassifyField(adNumeric, 10, 2, false), ftBCD);
  EXPECT_EQ(AdoTypeOf(SQL_INTERVAL_DAY, false), adEmpty);
  EXPECT_EQ(ClassifyField(AdoTypeOf(SQL_INTERVAL_DAY, false), 0, 0, false), std::nullopt);
}

TEST(OdbcTypeMapping, ProviderTypesGetOneDbTypePerFamily) {
  for (int t : {SQL_CHAR, SQL_VARCHAR, SQL_LONGVARCHAR}) EXPECT_EQ(DbTypeOf(t, false), 129);
  for (int t : {SQL_WCHAR, SQL_WVARCHAR, SQL_WLONGVARCHAR}) EXPECT_EQ(DbTypeOf(t, false), 130);
  for (int t : {SQL_BINARY, SQL_VARBINARY, SQL_LONGVARBINARY}) EXPECT_EQ(DbTypeOf(t, false), 128);
  EXPECT_EQ(DbTypeOf(SQL_NUMERIC, false), 131);
  EXPECT_EQ(DbTypeOf(SQL_DECIMAL, false), 131);
  EXPECT_EQ(DbTypeOf(SQL_INTEGER, false), 3);
  EXPECT_EQ(DbTypeOf(SQL_INTEGER, true), 19);
  EXPECT_EQ(DbTypeOf(SQL_BIGINT, false), 20);
  EXPECT_EQ(DbTypeOf(SQL_SMALLINT, false), 2);
  EXPECT_EQ(DbTypeOf(SQL_BIT, false), 11);
  EXPECT_EQ(DbTypeOf(SQL_TYPE_TIMESTAMP, false), 135);
  EXPECT_EQ(DbTypeOf(SQL_TYPE_DATE, false), 133);
  EXPECT_EQ(DbTypeOf(SQL_INTERVAL_YEAR, false), std::nullopt);
  EXPECT_TRUE(IsFixedLengthType(SQL_CHAR));
  EXPECT_TRUE(IsFixedLengthType(SQL_INTEGER));
  EXPECT_FALSE(IsFixedLengthType(SQL_VARCHAR));
  EXPECT_FALSE(IsFixedLengthType(SQL_WLONGVARCHAR));
  EXPECT_FALSE(IsFixedLengthType(SQL_VARBINARY));
}

TEST(OdbcTypeMapping, ValuesTravelInTheirOwnClass) {
  EXPECT_EQ(ValueClassOf(SQL_BIT, false), ValueClass::Bool);
  EXPECT_EQ(ValueClassOf(SQL_INTEGER, false), ValueClass::Int);
  EXPECT_EQ(ValueClassOf(SQL_INTEGER, true), ValueClass::BigInt);
  EXPECT_EQ(ValueClassOf(SQL_BIGINT, false), ValueClass::BigInt);
  // An unsigned bigint may not fit a signed one: its text stays exact.
  EXPECT_EQ(ValueClassOf(SQL_BIGINT, true), ValueClass::Decimal);
  EXPECT_EQ(ValueClassOf(SQL_NUMERIC, false), ValueClass::Decimal);
  EXPECT_EQ(ValueClassOf(SQL_GUID, false), ValueClass::Text);
  EXPECT_EQ(ValueClassOf(SQL_LONGVARBINARY, false), ValueClass::Bytes);
  EXPECT_EQ(ValueClassOf(SQL_TYPE_TIMESTAMP, false), ValueClass::Timestamp);
}

TEST(OdbcTypeMapping, DeclaredDecimalsGiveBackPrecisionAndScale) {
  auto d = ParseDeclaredDecimal("numeric(10,2)");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->precision, 10);
  EXPECT_EQ(d->scale, 2);
  d = ParseDeclaredDecimal("DECIMAL (28)");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->precision, 28);
  EXPECT_EQ(d->scale, 0);
  d = ParseDeclaredDecimal("decimal( 12 , 4 )");
  ASSERT_TRUE(d);
  EXPECT_EQ(d->scale, 4);
  for (const char* t :
       {"numeric", "double", "numeric(2,5)", "numeric(x)", "decimal(10,2", "varchar(10)", ""})
    EXPECT_EQ(ParseDeclaredDecimal(t), std::nullopt) << t;
}

TEST(OdbcTypeMapping, ExponentFormBecomesPlainDecimalText) {
  EXPECT_EQ(PlainDecimalText("12.50"), "12.50");  // plain text is left alone
  EXPECT_EQ(PlainDecimalText("1.5e+3"), "1500");
  EXPECT_EQ(PlainDecimalText("-1.25E-3"), "-0.00125");
  EXPECT_EQ(PlainDecimalText("1.23456789012346e+27"), "1234567890123460000000000000");
  EXPECT_EQ(PlainDecimalText("0e0"), "0");
  EXPECT_EQ(PlainDecimalText("-0.0e5"), "0");
  EXPECT_EQ(PlainDecimalText("Infinity"), "Infinity");
  EXPECT_EQ(PlainDecimalText("1e"), "1e");
}

TEST(WideText, RoundTripsEveryPlane) {
  const std::string text = "Aé张三𝄞";
  std::u16string wide = ToUtf16(text);
  EXPECT_EQ(wide.size(), 1u + 1u + 2u + 2u);  // the clef needs a surrogate pair
  EXPECT_EQ(ToUtf8(wide), text);
}

TEST(DriverQuirks, EnginesAreRecognisedByNameOrDriverFile) {
  EXPECT_EQ(DetectDbms("SQLite", "sqlite3odbc.so"), Dbms::SQLite);
  EXPECT_EQ(DetectDbms("PostgreSQL", "psqlodbcw.so"), Dbms::PostgreSQL);
  EXPECT_EQ(DetectDbms("MariaDB", "libmaodbc.so"), Dbms::MariaDB);
  EXPECT_EQ(DetectDbms("MySQL", ""), Dbms::MariaDB);
  EXPECT_EQ(DetectDbms("Microsoft SQL Server", "libtdsodbc.so"), Dbms::SqlServer);
  EXPECT_EQ(DetectDbms("MDBTOOLS", "MDBTOOLS"), Dbms::Access);
  EXPECT_EQ(DetectDbms("ACCESS", "ACEODBC.DLL"), Dbms::Access);
  EXPECT_EQ(DetectDbms("Oracle", "libsqora.so.19.1"), Dbms::Oracle);
  EXPECT_EQ(DetectDbms("", "libmdbodbcW.so"), Dbms::Access);
  EXPECT_EQ(DetectDbms("Firebird", "libOdbcFb.so"), Dbms::Unknown);
}

TEST(DriverQuirks, ProviderNamesGiveBracketsExactlyWhereTheEngineTakesThem) {
  // The gates quote names in brackets when the provider name contains one of these.
  auto brackets = [](Dbms d) {
    std::string name = QuirksFor(d, "").providerName;
    return name.find("Microsoft.Jet.OLEDB.4.0") != std::string::npos ||
           name.find("SQL") != std::string::npos;
  };
  EXPECT_TRUE(brackets(Dbms::SqlServer));
  EXPECT_TRUE(brackets(Dbms::Access));
  EXPECT_TRUE(brackets(Dbms::SQLite));
  EXPECT_FALSE(brackets(Dbms::PostgreSQL));
  EXPECT_FALSE(brackets(Dbms::MariaDB));
  EXPECT_FALSE(brackets(Dbms::Oracle));
  EXPECT_EQ(QuirksFor(Dbms::Access, "").providerName, "Microsoft.Jet.OLEDB.4.0");
}

TEST(DriverQuirks, PsqlOdbcKeepsTheTransactionAliveUnlessItsProtocolSaysOtherwise) {
  EXPECT_FALSE(
      QuirksFor(Dbms::PostgreSQL, "DRIVER={PostgreSQL Unicode}").failedStatementAbortsTransaction);
  EXPECT_FALSE(QuirksFor(Dbms::PostgreSQL, "Protocol=7.4-2").failedStatementAbortsTransaction);
  EXPECT_TRUE(QuirksFor(Dbms::PostgreSQL, "Protocol=7.4-0").failedStatementAbortsTransaction);
  EXPECT_TRUE(QuirksFor(Dbms::PostgreSQL, "Protocol=7.4-1").failedStatementAbortsTransaction);
}

// Only MariaDB's driver talking to a MariaDB server of 10.3 on sends an array as one
// statement the server undoes whole; elsewhere the rows before a failing one would stay, and
// the array keeps its savepoint.
TEST(DriverQuirks, MariaDbArraysGoWithoutSavepointsOnlyWhereTheServerUndoesThemWhole) {
  auto quirks = [](std::string driver, std::string name, std::string version) {
    return QuirksFor(Dbms::MariaDB, "DRIVER={MariaDB Unicode}", {driver, name, version});
  };
  for (const auto& version : {"10.11.000019", "10.3.000039", "11.4.000002"}) {
    Quirks q = quirks("libmaodbc.so", "MariaDB", version);
    EXPECT_TRUE(q.undoesFailedStatements) << version;
    EXPECT_EQ(q.transactionOpenQuery, "select @@in_transaction") << version;
  }
  const ServerInfo others[] = {
      {"libmaodbc.so", "MariaDB", "10.2.000044"},    {"libmaodbc.so", "MySQL", "08.00.0035"},
      {"libmyodbc8w.so", "MariaDB", "10.11.000019"}, {"libmaodbc.so", "MariaDB", ""},
      {"libmaodbc.so", "MariaDB", "garbage"},        {}};
  for (const auto& server : others) {
    Quirks q = QuirksFor(Dbms::MariaDB, "", server);
    EXPECT_FALSE(q.undoesFailedStatements) << server.driverName << " " << server.dbmsVersion;
    EXPECT_TRUE(q.transactionOpenQuery.empty()) << server.driverName << " " << server.dbmsVersion;
    EXPECT_FALSE(q.savepoint.empty());
    // Every server of the family limits its packets.
    EXPECT_EQ(q.packetLimitQuery, "select @@max_allowed_packet");
  }
  EXPECT_TRUE(QuirksFor(Dbms::PostgreSQL, "", {"psqlodbcw.so", "PostgreSQL", "15.00.0008"})
                  .packetLimitQuery.empty());
}

TEST(DbError, ALostConnectionIsToldFromAStatementsOwnFailure) {
  EXPECT_TRUE(DbError("Communication link failure", "08S01").ConnectionLost());
  EXPECT_TRUE(
      DbError("terminating connection due to administrator command", "57P01").ConnectionLost());
  EXPECT_TRUE(DbError("Lost connection to server during query", "HY000", 2013).ConnectionLost());
  EXPECT_FALSE(DbError("duplicate key value", "23505").ConnectionLost());
  EXPECT_FALSE(DbError("Duplicate entry", "HY000", 1062).ConnectionLost());
  // Any record of the error counts.
  EXPECT_TRUE(DbError({{"HY000", 0, "statement failed"}, {"08006", 0, "connection failure"}})
                  .ConnectionLost());
}

TEST(DriverQuirks, DriversAreSpokenToInTheirWorkingWidth) {
  EXPECT_TRUE(DriverNeedsNarrowCalls("MDBTools"));
  EXPECT_TRUE(DriverNeedsNarrowCalls("/usr/lib/x86_64-linux-gnu/odbc/libmdbodbcW.so"));
  EXPECT_TRUE(DriverNeedsNarrowCalls("SQLite3"));
  EXPECT_TRUE(DriverNeedsNarrowCalls("sqlite3odbc.so"));
  EXPECT_FALSE(DriverNeedsNarrowCalls("PostgreSQL Unicode"));
  EXPECT_TRUE(DriverNeedsNarrowCalls("libmaodbc.so"));
  EXPECT_TRUE(DriverNeedsNarrowCalls("MariaDB Unicode"));
  EXPECT_TRUE(QuirksFor(Dbms::MariaDB, "").readsTextAsUtf8);
  EXPECT_FALSE(QuirksFor(Dbms::PostgreSQL, "").readsTextAsUtf8);
  EXPECT_TRUE(DriverPrintsItsErrors("MDBTools"));
  EXPECT_FALSE(DriverPrintsItsErrors("SQLite3"));
  EXPECT_EQ(WorkingDriverFor("SQLite"), "SQLite3");
  EXPECT_EQ(WorkingDriverFor("SQLite3"), std::nullopt);
}

}  // namespace
}  // namespace mvq::db
