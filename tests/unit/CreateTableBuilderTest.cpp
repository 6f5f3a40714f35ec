// The three CREATE TABLE builders compared whole against the texts they must produce, and the
// provider-type lookup's order rules.
#include <gtest/gtest.h>

#include <algorithm>

#include "AdoGateFixture.h"
#include "gates/ado/CreateTableBuilder.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "platform/jet/JetSql.h"

namespace mvq::test {
namespace {

using Lines = std::vector<std::string>;
using db::ProviderTypeRow;

const char* const kJet =
    "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/a.mdb;Persist Security Info=True";

class Builders : public AdoGateTest {
 protected:
  // Columns the Access file reports for table.
  void Columns(const std::string& table, const std::vector<Column>& columns) {
    world->ScriptFor(kJet).On("select * from " + table + " where 1=2").Rows(columns, {});
  }
  std::string SqlServer(const std::string& table) {
    return TMDBDataGate("/data/a.mdb").BuildCreateSql(table);
  }
  std::string Oracle(const std::string& table) {
    return TMDBDataGate("/data/a.mdb").BuildOracleCreateSql(table);
  }
};

TEST_F(Builders, TheWorkedExampleInTheSqlServerAndOracleDialects) {
  Columns("emp", {{"id", db::adInteger}, {"name", db::adVarWChar, 50}, {"hired", db::adDate}});
  EXPECT_EQ(SqlServer("emp"),
            "create table [emp] (\r\n"
            "  [id] integer,\r\n"
            "  [name] varchar(50),\r\n"
            "  [hired] Datetime\r\n"
            ")\r\n");
  EXPECT_EQ(Oracle("emp"),
            "create table emp (\r\n"
            "  id integer,\r\n"
            "  name varchar2(50),\r\n"
            "  hired Date\r\n"
            ")\r\n");
  EXPECT_EQ(world->ScriptFor(kJet).calls,
            (Lines{"open", "query: select * from emp where 1=2", "close", "open",
                   "query: select * from emp where 1=2", "close"}));
  EXPECT_TRUE(messages.empty());
}

TEST_F(Builders, EveryMappedCategoryInBothDialects) {
  Columns("t", {{"rowid", db::adInteger, 0, 0, 0, true},
                {"date", db::adDBTimeStamp},
                {"Date", db::adDBDate},
                {"amount", db::adDecimal, 0, 38, 10},
                {"price", db::adCurrency, 0, 19, 4},
                {"odd", db::adNumeric, 0, 12, 200},
                {"flag", db::adBoolean},
                {"small", db::adSmallInt},
                {"ratio", db::adDouble},
                {"notes", db::adLongVarWChar, 1073741823},
                {"photo", db::adLongVarBinary},
                {"at", db::adDBTime},
                {"code", db::adVarChar, 10}});
  EXPECT_EQ(SqlServer("t"),
            "create table [t] (\r\n"
            "  [fzrowid] integer,\r\n"
            "  [fzdate] Datetime,\r\n"
            "  [Date] Datetime,\r\n"
            "  [amount] DECIMAL(38,10),\r\n"
            "  [price] DECIMAL(19,4),\r\n"
            "  [odd] DECIMAL(12,4),\r\n"
            "  [flag] integer,\r\n"
            "  [small] smallint,\r\n"
            "  [ratio] float,\r\n"
            "  [notes] varchar(4000),\r\n"
            "  [photo] image,\r\n"
            "  [at] Datetime,\r\n"
            "  [code] varchar(10)\r\n"
            ")\r\n");
  EXPECT_EQ(Oracle("t"),
            "create table t (\r\n"
            "  fzrowid integer,\r\n"
            "  fzdate Date,\r\n"
            "  \"Date\" Date,\r\n"
            "  amount number(38,10),\r\n"
            "  price number(19,4),\r\n"
            "  odd number(12,4),\r\n"
            "  flag number(1,0),\r\n"
            "  small number(7,0),\r\n"
            "  ratio float,\r\n"
            "  notes varchar2(4000),\r\n"
            "  photo blob,\r\n"
            "  at Date,\r\n"
            "  code varchar2(10)\r\n"
            ")\r\n");
  EXPECT_TRUE(messages.empty());
}

TEST_F(Builders, DecimalsOfUnknownPrecisionOrOverlargeScaleStayValidTypes) {
  Columns("d", {{"a", db::adDecimal, 0, 0, 2}, {"b", db::adDecimal, 0, 38, 30}});
  EXPECT_EQ(SqlServer("d"),
            "create table [d] (\r\n  [a] DECIMAL(38,2),\r\n  [b] DECIMAL(38,30)\r\n)\r\n");
}

TEST_F(Builders, AOneColumnTableHasThreeLinesAndNoComma) {
  Columns("one", {{"ROWID", db::adInteger}});
  EXPECT_EQ(SqlServer("one"), "create table [one] (\r\n  [ROWID] integer\r\n)\r\n");
  // Renamed only as "rowid"; in another case it is kept, quoted since Oracle reserves it.
  EXPECT_EQ(Oracle("one"), "create table one (\r\n  \"ROWID\" integer\r\n)\r\n");
}

TEST_F(Builders, AnUnmappedCategoryIsToldAndTheWalkGoesOnWithOneLinePerColumn) {
  Columns("mix", {{"b", db::adUnsignedTinyInt},
                  {"v", db::adVariant},
                  {"big", db::adBigInt},
                  {"bin", db::adVarBinary, 16},
                  {"id", db::adInteger}});
  EXPECT_EQ(SqlServer("mix"),
            "create table [mix] (\r\n"
            "  [b] integer,\r\n"
            "  [v],\r\n"
            "  [big] bigint,\r\n"
            "  [bin] varbinary(16),\r\n"
            "  [id] integer\r\n"
            ")\r\n");
  EXPECT_EQ(messages, (Lines{"----ftWord", "----ftVariant", "----ftVarBytes"}));
  messages.clear();
  EXPECT_EQ(Oracle("mix"),
            "create table mix (\r\n"
            "  b number(5,0),\r\n"
            "  v,\r\n"
            "  big number(20,0),\r\n"
            "  bin raw(16),\r\n"
            "  id integer\r\n"
            ")\r\n");
  EXPECT_EQ(messages.size(), 3u);
}

TEST_F(Builders, AFailedProbeLeavesOnlyTheHeaderAndTheClosingLine) {
  world->ScriptFor(kJet).On("select * from nope where 1=2").Fails("Could not find table 'nope'.");
  EXPECT_EQ(SqlServer("nope"), "create table [nope] (\r\n)\r\n");
  EXPECT_EQ(
      LogLines(),
      (Lines{
          "失败-----------因Could not find table 'nope'.:无法执行select * from nope where 1=2"}));
}

// ---- the provider dialect ---------------------------------------------------------------

ProviderTypeRow T(std::string name, int code, int64_t size = 0, bool fixed = false) {
  return {std::move(name), code, size, fixed};
}

// The type lists the drivers here report, under the DataTypeEnum codes of their ODBC types.
std::vector<ProviderTypeRow> PostgreSqlTypes() {
  return {T("int8", 20, 19),      T("bool", 11, 5),          T("char", 129, 255, true),
          T("date", 133, 10),     T("numeric", 131, 28),     T("float8", 5, 17),
          T("int4", 3, 10),       T("bytea", 128, -4),       T("text", 129, 8190),
          T("numeric", 131, 28),  T("float4", 4, 9),         T("int2", 2, 5),
          T("time", 134, 8),      T("timestamptz", 135, 26), T("int2", 16, 5),
          T("bytea", 128, -4),    T("varchar", 129, 255),    T("char", 130, 255, true),
          T("varchar", 130, 255), T("text", 130, 8190),      T("uuid", 72, 37)};
}
std::vector<ProviderTypeRow> MariaDbTypes() {
  return {T("BIT", 11, 1),
          T("BOOL", 11, 1),
          T("TINYINT", 16, 3),
          T("TINYINT UNSIGNED", 16, 3),
          T("BIGINT", 20, 19),
          T("BIGINT UNSIGNED", 20, 20),
          T("LONG VARBINARY", 128, 16777215),
          T("MEDIUMBLOB", 128, 16777215),
          T("LONGBLOB", 128, 2147483647),
          T("BLOB", 128, 65535),
          T("TINYBLOB", 128, 255),
          T("VARBINARY", 128, 255),
          T("BINARY", 128, 255, true),
          T("LONG VARCHAR", 129, 16777215),
          T("MEDIUMTEXT", 129, 16777215),
          T("LONGTEXT", 129, 2147483647),
          T("TEXT", 129, 65535),
          T("TINYTEXT", 129, 255),
          T("CHAR", 129, 255, true),
          T("NUMERIC", 131, 65),
          T("DECIMAL", 131, 65),
          T("INTEGER", 3, 10),
          T("INT", 3, 10),
          T("MEDIUMINT", 3, 7),
          T("SMALLINT", 2, 5),
          T("FLOAT", 5, 10),
          T("DOUBLE", 5, 17),
          T("VARCHAR", 129, 255),
          T("DATE", 133, 10),
          T("TIME", 134, 8),
          T("DATETIME", 135, 16),
          T("TIMESTAMP", 135, 16),
          T("CHAR", 130, 255, true),
          T("VARCHAR", 130, 255),
          T("LONG VARCHAR", 130, 16777215)};
}
std::vector<ProviderTypeRow> SqliteTypes() {
  return {T("bit", 11, 1),
          T("tinyint", 16, 3),
          T("bigint", 20, 19),
          T("longvarbinary", 128, 65536),
          T("varbinary", 128, 255),
          T("text", 129, 65536),
          T("longvarchar", 129, 65536),
          T("char", 129, 255, true),
          T("integer", 3, 9),
          T("smallint", 2, 5),
          T("float", 5, 7),
          T("double", 5, 15),
          T("numeric", 5, 15),
          T("varchar", 129, 255),
          T("date", 133, 10),
          T("time", 134, 8),
          T("timestamp", 135, 32)};
}

class ProviderBuilder : public AdoGateTest {
 protected:
  void SetUp() override {
    AdoGateTest::SetUp();
    world->ScriptFor("DSN=src")
        .On("select * from people where 1=2")
        .Rows({{"id", db::adInteger},
               {"name", db::adVarWChar, 40},
               {"note", db::adLongVarWChar, 65536},
               {"amount", db::adNumeric, 0, 12, 3},
               {"ratio", db::adDouble},
               {"born", db::adDBDate},
               {"pic", db::adLongVarBinary},
               {"ok", db::adBoolean},
               {"small", db::adSmallInt},
               {"big", db::adBigInt}},
              {});
  }
  Script& target() { return world->ScriptFor("DSN=dst"); }
  std::string Build(const std::string& table = "people") {
    auto connection = db::NewConnection();
    connection->Open("DSN=dst");
    return TADOConn("DSN=src").BuildProviderCreateSql(table, connection.get());
  }
};

TEST_F(ProviderBuilder, PostgreSqlGetsVaryingTextPlainTimestampsAndNoBrackets) {
  target().dbms = db::Dbms::PostgreSQL;
  target().providerName = "PostgreSQL Unicode";
  target().providerTypes = PostgreSqlTypes();
  EXPECT_EQ(Build(),
            "create table people (\r\n"
            "  id int4,\r\n"
            "  name varchar(40),\r\n"
            "  note text,\r\n"
            "  amount numeric(12,3),\r\n"
            "  ratio double precision,\r\n"
            "  born date,\r\n"
            "  pic bytea,\r\n"
            "  ok bool,\r\n"
            "  small int2,\r\n"
            "  big int8\r\n"
            ")\r\n");
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(target().calls, (Lines{"open", "schema provider types"})) << "the list is read once";
}

TEST_F(ProviderBuilder, MariaDbGetsALongTextTypeForMemosAndMicrosecondDatetimes) {
  target().dbms = db::Dbms::MariaDB;
  target().providerName = "MariaDB Unicode";
  target().providerTypes = MariaDbTypes();
  EXPECT_EQ(Build(),
            "create table people (\r\n"
            "  id INTEGER,\r\n"
            "  name VARCHAR(40),\r\n"
            "  note LONGTEXT,\r\n"
            "  amount NUMERIC(12,3),\r\n"
            "  ratio double precision,\r\n"
            "  born DATE,\r\n"
            "  pic LONGBLOB,\r\n"
            "  ok BIT,\r\n"
            "  small SMALLINT,\r\n"
            "  big BIGINT\r\n"
            ")\r\n");
}

TEST_F(ProviderBuilder, SqliteGetsBracketsNarrowTextTypesAndNumericForDecimals) {
  target().dbms = db::Dbms::SQLite;
  target().providerName = "SQLite3";
  target().providerTypes = SqliteTypes();
  EXPECT_EQ(Build(),
            "create table [people] (\r\n"
            "  [id] integer,\r\n"
            "  [name] varchar(40),\r\n"
            "  [note] text,\r\n"
            "  [amount] NUMERIC(12,3),\r\n"
            "  [ratio] double precision,\r\n"
            "  [born] date,\r\n"
            "  [pic] longvarbinary,\r\n"
            "  [ok] bit,\r\n"
            "  [small] smallint,\r\n"
            "  [big] bigint\r\n"
            ")\r\n");
}

TEST_F(ProviderBuilder, JetTypeNamesAreRenamedAndMissingCodesFallBack) {
  target().providerName = "Microsoft.Jet.OLEDB.4.0";
  target().providerTypes = {T("Short", 2, 5),
                            T("Long", 3, 10),
                            T("Double", 5, 15),
                            T("DateTime", 7, 8),
                            T("Bit", 11, 2),
                            T("VarBinary", 128, 510),
                            T("LongBinary", 128, 1073741823),
                            T("LongText", 130, 536870910),
                            T("VarChar", 130, 255),
                            T("Decimal", 131, 28)};
  EXPECT_EQ(Build(),
            "create table [people] (\r\n"
            "  [id] Long,\r\n"
            "  [name] VarChar(40),\r\n"
            "  [note] LongText,\r\n"
            "  [amount] NUMERIC(12,3),\r\n"
            "  [ratio] double,\r\n"
            "  [born] date,\r\n"
            "  [pic] image,\r\n"
            "  [ok] Bit,\r\n"
            "  [small] Short,\r\n"
            "  [big] NUMERIC(20,0)\r\n"
            ")\r\n");
}

TEST_F(ProviderBuilder, AProviderWithoutTypesLeavesTheBlankAndParenthesesWhereNothingFallsBack) {
  target().providerTypes = {T("CHAR", 130, 2000, true)};
  EXPECT_EQ(Build(),
            "create table people (\r\n"
            "  id integer,\r\n"
            "  name varchar2(40),\r\n"
            "  note CHAR,\r\n"
            "  amount NUMERIC(12,3),\r\n"
            "  ratio double precision,\r\n"
            "  born date,\r\n"
            "  pic ,\r\n"
            "  ok integer,\r\n"
            "  small NUMERIC(6,0),\r\n"
            "  big NUMERIC(20,0)\r\n"
            ")\r\n");
  target().providerTypes.clear();
  std::string text = Build();
  EXPECT_NE(text.find("  name (40),\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  note ,\r\n"), std::string::npos) << text;
}

TEST_F(ProviderBuilder, BracketsFollowTheTargetEngineOrElseItsProviderName) {
  struct Case {
    db::Dbms dbms;
    std::string provider;
    bool brackets;
  };
  for (const Case& c :
       {Case{db::Dbms::Unknown, "SQLOLEDB.1", true},
        Case{db::Dbms::Unknown, "Microsoft.Jet.OLEDB.4.0", true},
        Case{db::Dbms::Unknown, "MSDAORA.1", false}, Case{db::Dbms::Unknown, "sqlite", false},
        Case{db::Dbms::PostgreSQL, "PostgreSQL Unicode", false},
        Case{db::Dbms::MariaDB, "MySQL ODBC", false},
        Case{db::Dbms::Oracle, "Oracle in OraClient", false},
        Case{db::Dbms::SqlServer, "FreeTDS", true}, Case{db::Dbms::Access, "MDBTools", true},
        Case{db::Dbms::SQLite, "SQLite3", true}}) {
    target().dbms = c.dbms;
    target().providerName = c.provider;
    EXPECT_EQ(Build().rfind(c.brackets ? "create table [people] (\r\n  [id] "
                                       : "create table people (\r\n  id ",
                            0),
              0u)
        << c.provider;
  }
}

// ---- types that keep every value ------------------------------------------------------

// Source columns whose values a narrower type would change: 64-bit and unsigned integers,
// float4, decimals without or beyond limits, dates, and time stamps with their zone.
const std::vector<Column> kWideColumns = {{"i64", db::adBigInt},
                                          {"u32", db::adUnsignedInt},
                                          {"u64", db::adUnsignedBigInt},
                                          {"f4", db::adSingle},
                                          {"f8", db::adDouble},
                                          {"anyn", db::adVarNumeric, 0, 0, 0},
                                          {"n40", db::adNumeric, 0, 40, 20},
                                          {"n70", db::adNumeric, 0, 70, 40},
                                          {"d", db::adDBDate},
                                          {"t", db::adDBTime},
                                          {"tz", db::adDBTimeStamp, 0, 0, 0, false, "timestamptz"}};

class WideColumns : public ProviderBuilder {
 protected:
  void SetUp() override {
    ProviderBuilder::SetUp();
    world->ScriptFor("DSN=src").On("select * from w where 1=2").Rows(kWideColumns, {});
    world->ScriptFor(kJet).On("select * from w where 1=2").Rows(kWideColumns, {});
  }
  std::string SqlServerOf(const std::string& table) {
    return TMDBDataGate("/data/a.mdb").BuildCreateSql(table);
  }
  std::string OracleOf(const std::string& table) {
    return TMDBDataGate("/data/a.mdb").BuildOracleCreateSql(table);
  }
  std::string For(db::Dbms dbms, std::vector<ProviderTypeRow> types) {
    target().dbms = dbms;
    target().providerTypes = std::move(types);
    return Build("w");
  }
};

TEST_F(WideColumns, EachTargetGetsTypesThatHoldTheValuesOrTheLossIsLoggedOncePerColumn) {
  EXPECT_EQ(For(db::Dbms::PostgreSQL, PostgreSqlTypes()),
            "create table w (\r\n  i64 int8,\r\n  u32 int8,\r\n  u64 numeric(20,0),\r\n"
            "  f4 float4,\r\n  f8 double precision,\r\n  anyn numeric,\r\n"
            "  n40 numeric(40,20),\r\n  n70 numeric(70,40),\r\n  d date,\r\n  t time,\r\n"
            "  tz timestamptz\r\n)\r\n");
  EXPECT_EQ(LogLines(), Lines{});
  EXPECT_EQ(For(db::Dbms::SQLite, SqliteTypes()),
            "create table [w] (\r\n  [i64] bigint,\r\n  [u32] bigint,\r\n"
            "  [u64] text,\r\n  [f4] double precision,\r\n"
            "  [f8] double precision,\r\n  [anyn] text,\r\n  [n40] text,\r\n"
            "  [n70] text,\r\n  [d] date,\r\n  [t] time,\r\n  [tz] timestamp\r\n"
            ")\r\n");
  const std::string asText = "：数值写为文本（SQLite的数值只保存15位有效数字）";
  EXPECT_EQ(LogLines(),
            (Lines{"表w列u64" + asText, "表w列anyn" + asText, "表w列n40" + asText,
                   "表w列n70" + asText, "表w列tz：不保留时区，时间按源连接的时区写入"}));
  EXPECT_EQ(For(db::Dbms::MariaDB, MariaDbTypes()),
            "create table w (\r\n  i64 BIGINT,\r\n  u32 BIGINT,\r\n  u64 NUMERIC(20,0),\r\n"
            "  f4 double precision,\r\n  f8 double precision,\r\n  anyn NUMERIC(65,32),\r\n"
            "  n40 NUMERIC(40,20),\r\n  n70 NUMERIC(65,38),\r\n  d DATE,\r\n  t TIME,\r\n"
            "  tz DATETIME(6)\r\n)\r\n");
  Lines log = LogLines();
  EXPECT_EQ(
      Lines(log.begin() + 5, log.end()),
      (Lines{
          "表w列anyn：无精度限制的数值写为NUMERIC(65,32)，超出的值被拒绝，多余的小数位被舍入",
          "表w列n70：精度70超过目标上限65，位数更多的值被拒绝；小数位40减为38，多余的小数位被舍入",
          "表w列tz：不保留时区，时间按源连接的时区写入"}));
  EXPECT_TRUE(messages.empty());
}

TEST_F(ProviderBuilder, AnAccessFileKeepsMillisecondsAndSaysSoForFinerTimeStamps) {
  world->ScriptFor("DSN=src")
      .On("select * from stamps where 1=2")
      .Rows({{"micro", db::adDBTimeStamp, 0, 26, 6},
             {"milli", db::adDate, 8, 0, 3},
             {"whole", db::adDBTimeStamp, 0, 19, 0}},
            {});
  target().dbms = db::Dbms::Access;
  target().providerTypes = jet::WrittenTypes();
  EXPECT_EQ(Build("stamps"),
            "create table [stamps] (\r\n  [micro] DateTime,\r\n  [milli] DateTime,\r\n"
            "  [whole] DateTime\r\n)\r\n");
  EXPECT_EQ(LogLines(), Lines{"表stamps列micro：时间只保留到毫秒，更细的小数被舍入"});
  // Elsewhere the time stamp keeps what the source gives.
  target().dbms = db::Dbms::PostgreSQL;
  target().providerTypes = PostgreSqlTypes();
  Build("stamps");
  EXPECT_EQ(LogLines().size(), 1u);
}

TEST_F(WideColumns, TheSqlServerAndOracleDialectsKeepWidthsUpToTheirLimits) {
  EXPECT_EQ(SqlServerOf("w"),
            "create table [w] (\r\n  [i64] bigint,\r\n  [u32] bigint,\r\n"
            "  [u64] DECIMAL(20,0),\r\n  [f4] real,\r\n  [f8] float,\r\n"
            "  [anyn] DECIMAL(38,19),\r\n  [n40] DECIMAL(38,20),\r\n  [n70] DECIMAL(38,38),\r\n"
            "  [d] Datetime,\r\n  [t] Datetime,\r\n  [tz] Datetime\r\n)\r\n");
  EXPECT_EQ(OracleOf("w"),
            "create table w (\r\n  i64 number(20,0),\r\n  u32 number(10,0),\r\n"
            "  u64 number(20,0),\r\n  f4 float,\r\n  f8 float,\r\n  anyn number,\r\n"
            "  n40 number,\r\n  n70 number,\r\n  d Date,\r\n  t Date,\r\n  tz Date\r\n)\r\n");
  Lines log = LogLines();
  EXPECT_EQ(std::count(log.begin(), log.end(), "表w列tz：不保留时区，时间按源连接的时区写入"), 2);
  EXPECT_EQ(std::count_if(log.begin(), log.end(),
                          [](const std::string& l) { return l.starts_with("表w列n70："); }),
            1);
  EXPECT_TRUE(messages.empty());
}

TEST(ChooseColumnType, GivesTheTextTheBuilderWritesWithItsLossNote) {
  db::FieldDesc f{"n", db::adNumeric, 0, 50, 10};
  f.category = db::ftBCD;
  auto sql = ddl::ChooseColumnType(f, ddl::SqlServerDialect());
  EXPECT_EQ(sql.typeText, " DECIMAL(38,10)");
  EXPECT_EQ(sql.loss, "精度50超过目标上限38，位数更多的值被拒绝");
  auto ora = ddl::ChooseColumnType(f, ddl::OracleDialect());
  EXPECT_EQ(ora.typeText, " number");
  EXPECT_EQ(ora.loss, "");
  f.precision = 12;
  EXPECT_EQ(ddl::ChooseColumnType(f, ddl::SqlServerDialect()).loss, "");
}

// ---- FindProviderType ------------------------------------------------------------------

TEST(FindProviderType, OtherCodesTakeTheFirstListedTypeWithoutABlank) {
  std::vector<ProviderTypeRow> types = {T("int identity", 3, 10), T("int", 3, 10),
                                        T("integer", 3, 10), T("numeric() identity", 131, 38),
                                        T("decimal", 131, 38)};
  EXPECT_EQ(ddl::FindProviderType(types, "3", true), "int");
  EXPECT_EQ(ddl::FindProviderType(types, "3", false), "int");
  EXPECT_EQ(ddl::FindProviderType(types, "131", false), "decimal");
  EXPECT_EQ(ddl::FindProviderType(types, "135", true), "");
}

TEST(FindProviderType, WidthCodesPreferVaryingTypesAndKeepTheFirstOfEqualWidths) {
  std::vector<ProviderTypeRow> types = {T("nchar", 130, 4000, true),  T("nvarchar", 130, 4000),
                                        T("sysname", 130, 4000),      T("ntext", 130, 1073741823),
                                        T("binary", 128, 8000, true), T("varbinary", 128, 8000)};
  EXPECT_EQ(ddl::FindProviderType(types, "130", false), "nvarchar");
  EXPECT_EQ(ddl::FindProviderType(types, "130", true), "ntext");
  EXPECT_EQ(ddl::FindProviderType(types, "128", true), "varbinary");
  EXPECT_EQ(ddl::FindProviderType(types, "128", false), "varbinary");
  EXPECT_EQ(ddl::FindProviderType({T("CHAR", 130, 2000, true), T("NCHAR", 130, 1000, true)}, "130",
                                  false),
            "NCHAR")
      << "without a varying type the fixed ones are searched";
  EXPECT_EQ(ddl::FindProviderType(PostgreSqlTypes(), "130", false), "varchar");
}

TEST(FindProviderType, ANegativeSizeIsAnUnlimitedType) {
  std::vector<ProviderTypeRow> types = {T("varbinary", 128, 255), T("bytea", 128, -4)};
  EXPECT_EQ(ddl::FindProviderType(types, "128", true), "bytea");
  EXPECT_EQ(ddl::FindProviderType(types, "128", false), "varbinary");
}

TEST_F(ProviderBuilder, TheLookupReadsTheGivenConnectionsTypeList) {
  target().providerTypes = MariaDbTypes();
  auto connection = db::NewConnection();
  connection->Open("DSN=dst");
  EXPECT_EQ(TADOConn::FindProviderType(*connection, "128", true), "LONGBLOB");
  EXPECT_EQ(TADOConn::FindProviderType(*connection, "135", true), "DATETIME");
  EXPECT_EQ(target().calls, (Lines{"open", "schema provider types", "schema provider types"}));
}

}  // namespace
}  // namespace mvq::test
