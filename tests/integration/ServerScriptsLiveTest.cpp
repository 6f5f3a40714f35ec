// Installs the server-side CREATE TABLE functions on a real Oracle or SQL Server, builds
// tables for each rule, and compares the returned text byte for byte. Runs only when
// MVQ_TEST_ORACLE / MVQ_TEST_MSSQL hold ODBC connection strings; skipped otherwise.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ServerScripts.h"
#include "platform/odbc/Connection.h"

namespace mvq {
namespace {

// The functions separate the lines of their text with CR LF.
std::string CrLf(std::initializer_list<std::string_view> lines) {
  std::string text;
  for (std::string_view line : lines) {
    if (!text.empty()) text += "\r\n";
    text += line;
  }
  return text;
}

// Base of both suites: one connection to the server under test, and the objects it made.
class LiveServer : public ::testing::Test {
 protected:
  // Opens the connection the environment variable names; false when it names none.
  bool Connect(const char* variable) {
    const char* connectionString = std::getenv(variable);
    if (connectionString == nullptr || *connectionString == '\0') return false;
    connection_ = db::NewConnection();
    connection_->Open(connectionString);
    return true;
  }

  void Execute(const std::string& sql) {
    try {
      connection_->Execute(sql);
    } catch (const db::DbError& e) {
      FAIL() << sql << "\n" << e.what();
    }
  }

  // For clean-up: the object may not exist.
  void ExecuteQuietly(std::string_view sql) {
    try {
      connection_->Execute(std::string(sql));
    } catch (const db::DbError&) {
    }
  }

  void InstallAll(const std::vector<const ServerScript*>& scripts) {
    for (const ServerScript* script : scripts) {
      ASSERT_NE(script, nullptr);
      Execute(std::string(script->text));
    }
  }

  std::string Call(const std::string& function, const std::string& table) {
    return connection_->CallFunction(function, {db::Param{db::Variant(table)}}).AsText();
  }

  std::unique_ptr<db::Connection> connection_;
};

// --- Oracle: getMdbCreateSql -----------------------------------------------------------

constexpr const char* kOracleTables[] = {"MVQ_T", "MVQ_NUMS", "MVQ_DEFS", "MVQ_WIDE",
                                         "\"Order Details\""};

// 650 columns of 30-character names: the text outgrows the Access dialect's 30,000
// characters but not the SQL Server dialect's 32,767.
constexpr int kWideColumns = 650;

std::string WideColumnName(int i) {
  char name[8];
  std::snprintf(name, sizeof name, "C%03d_", i);
  return name + std::string(25, 'X');
}

std::string WideTableText() {
  std::string text = "create Table [MVQ_WIDE] (";
  for (int i = 1; i <= kWideColumns; ++i) {
    text += "\r\n[" + WideColumnName(i) + "] varchar(10)";
    text += i < kWideColumns ? "," : " )";
  }
  return text;
}

class OracleServerScripts : public LiveServer {
 protected:
  void SetUp() override {
    if (!Connect("MVQ_TEST_ORACLE")) {
      GTEST_SKIP() << "MVQ_TEST_ORACLE is not set: getMdbCreateSql was not run on an Oracle server";
    }
    DropAll();
    Execute(
        "create table MVQ_T (ID NUMBER(10) NOT NULL, NAME VARCHAR2(50) DEFAULT 'x', "
        "constraint MVQ_T_PK primary key (ID))");
    Execute(
        "create table MVQ_NUMS (I INTEGER, N NUMBER, N5 NUMBER(5), N8 NUMBER(8), N12 NUMBER(12), "
        "N13 NUMBER(13), N30 NUMBER(30), D NUMBER(10,2), D20 NUMBER(20,2), "
        "Q NUMBER(5) DEFAULT '7', F FLOAT)");
    Execute(
        "create table MVQ_DEFS (K NUMBER(5), K2 VARCHAR2(8), D DATE DEFAULT sysdate, "
        "D2 DATE DEFAULT sysdate NOT NULL, A VARCHAR2(10) DEFAULT 'A' -- first letter\n, "
        "F VARCHAR2(20) DEFAULT to_char(sysdate, 'yyyy'), N VARCHAR2(10) DEFAULT null, "
        "M VARCHAR2(300), C CLOB, B BLOB, R RAW(16), TS TIMESTAMP, "
        "constraint MVQ_DEFS_PK primary key (K2, K))");
    std::string wide = "create table MVQ_WIDE (";
    for (int i = 1; i <= kWideColumns; ++i) {
      wide += WideColumnName(i) + " VARCHAR2(10)" + (i < kWideColumns ? ", " : ")");
    }
    Execute(wide);
    // Names that need quoting, in the key as well.
    Execute(
        "create table \"Order Details\" (\"select\" NUMBER(5) NOT NULL, \"MixedCase\" "
        "VARCHAR2(10), constraint MVQ_OD_PK primary key (\"select\"))");
  }

  void TearDown() override {
    if (!connection_) return;
    DropAll();
    connection_->Close();
  }

  void DropAll() {
    for (const char* table : kOracleTables)
      ExecuteQuietly("drop table " + std::string(table) + " purge");
    ExecuteQuietly(OracleReleaseStatement);
  }

  // Oracle accepts a function with compilation errors; report them instead of a later
  // "invalid state" error.
  void ExpectCompiledCleanly() {
    auto query = connection_->CreateQuery();
    query->Open(
        "select line || ':' || position || ' ' || text from user_errors "
        "where name = 'GETMDBCREATESQL' order by sequence");
    for (; !query->Eof(); query->Next()) ADD_FAILURE() << query->Value(0).AsText();
  }

  std::string Call(const std::string& table) { return LiveServer::Call("getMdbCreateSql", table); }
};

TEST_F(OracleServerScripts, SqlServerDialectWritesEachRuleAsExpected) {
  InstallAll(ScriptsToInstall(ScriptServer::Oracle, 0));
  ExpectCompiledCleanly();

  EXPECT_EQ(Call("MVQ_T"), CrLf({
                               "create Table [MVQ_T] (",
                               "[ID] integer  not null,",
                               "[NAME] varchar(50)  default 'x',primary key (ID))",
                           }));
  // The name as passed; INTEGER and NUMBER without precision; precision bounds.
  EXPECT_EQ(Call("mvq_nums"), CrLf({
                                  "create Table [mvq_nums] (",
                                  "[I] DECIMAL(20,0),",
                                  "[N] Float,",
                                  "[N5] integer,",
                                  "[N8] integer,",
                                  "[N12] bigint,",
                                  "[N13] DECIMAL(13,0),",
                                  "[N30] DECIMAL(30,0),",
                                  "[D] DECIMAL(10,2),",
                                  "[D20] DECIMAL(20,2),",
                                  "[Q] integer  default 7,",
                                  "[F] Float )",
                              }));
  // Defaults: sysdate (also followed by NOT NULL), a comment, a function call, null;
  // NOT NULL before the default; key columns in key order.
  EXPECT_EQ(Call("MVQ_DEFS"), CrLf({
                                  "create Table [MVQ_DEFS] (",
                                  "[K] integer  not null,",
                                  "[K2] varchar(8)  not null,",
                                  "[D] datetime  default getdate(),",
                                  "[D2] datetime  not null  default getdate(),",
                                  "[A] varchar(10)  default 'A',",
                                  "[F] varchar(20),",
                                  "[N] varchar(10),",
                                  "[M] varchar(300),",
                                  "[C] Text,",
                                  "[B] image,",
                                  "[R] VARBINARY(16),",
                                  "[TS] datetime2,primary key (K2,K))",
                              }));
  EXPECT_EQ(Call("MVQ_NO_SUCH"), "create Table [MVQ_NO_SUCH] )");
  EXPECT_EQ(Call("MVQ_WIDE"), WideTableText());
}

TEST_F(OracleServerScripts, AccessDialectWritesEachRuleAsExpected) {
  // Installed over the other dialect: "create or replace" swaps it.
  InstallAll(ScriptsToInstall(ScriptServer::Oracle, 0));
  InstallAll(ScriptsToInstall(ScriptServer::Oracle, 2));
  ExpectCompiledCleanly();

  EXPECT_EQ(Call("MVQ_T"), CrLf({
                               "create Table [MVQ_T] (",
                               "[ID] NUMERIC(10,0)  not null,",
                               "[NAME] varchar(50)  default 'x',primary key (ID))",
                           }));
  EXPECT_EQ(Call("mvq_nums"), CrLf({
                                  "create Table [mvq_nums] (",
                                  "[I] NUMERIC(20,0),",
                                  "[N] double,",
                                  "[N5] integer,",
                                  "[N8] long,",
                                  "[N12] NUMERIC(12,0),",
                                  "[N13] NUMERIC(13,0),",
                                  "[N30] NUMERIC(28,0),",
                                  "[D] NUMERIC(10,2),",
                                  "[D20] double,",
                                  "[Q] integer  default 7,",
                                  "[F] double )",
                              }));
  EXPECT_EQ(Call("MVQ_DEFS"), CrLf({
                                  "create Table [MVQ_DEFS] (",
                                  "[K] integer  not null,",
                                  "[K2] varchar(8)  not null,",
                                  "[D] date,",
                                  "[D2] date  not null,",
                                  "[A] varchar(10)  default 'A',",
                                  "[F] varchar(20),",
                                  "[N] varchar(10),",
                                  "[M] memo,",
                                  "[C] Memo,",
                                  "[B] OLEObject,",
                                  "[R] OLEObject,",
                                  "[TS] date,primary key (K2,K))",
                              }));
  EXPECT_EQ(Call("MVQ_NO_SUCH"), "create Table [MVQ_NO_SUCH] )");
  EXPECT_EQ(Call("MVQ_WIDE"), "错误");
}

// --- SQL Server: gettablesql and getaccesstype -----------------------------------------

constexpr const char* kLongName = "mvq_table_name_of_33_characters_x";
// Its first 32 characters: the function must not take the longer name for this one.
constexpr const char* kCutName = "mvq_table_name_of_33_characters_";

TEST_F(OracleServerScripts, BothDialectsBracketNamesThatNeedItInTheKeyClauseToo) {
  for (int direction : {0, 2}) {
    InstallAll(ScriptsToInstall(ScriptServer::Oracle, direction));
    ExpectCompiledCleanly();
    EXPECT_EQ(Call("Order Details"), CrLf({
                                         "create Table [Order Details] (",
                                         "[select] integer  not null,",
                                         "[MixedCase] varchar(10),primary key ([select]))",
                                     }))
        << "direction " << direction;
  }
}

class SqlServerServerScripts : public LiveServer {
 protected:
  void SetUp() override {
    if (!Connect("MVQ_TEST_MSSQL")) {
      GTEST_SKIP() << "MVQ_TEST_MSSQL is not set: gettablesql was not run on a SQL Server";
    }
    DropAll();
    Execute(
        "create table mvq_types (id int not null, v300 varchar(300) null, "
        "v5000 varchar(5000) null, v50 varchar(50) not null default 'abc', "
        "nv nvarchar(20) null, dt datetime not null default getdate(), "
        "g uniqueidentifier null default newid(), sd smalldatetime null, bn binary(8) null, "
        "vb varbinary(16) null, im image null, tx text null, ti tinyint null, "
        "si smallint null, bi bigint null, dc decimal(10,4) null, dc2 decimal(25,2) null, "
        "fl float null, bt bit null, vmax varchar(max) null, bmax varbinary(max) null, "
        "d date null, t time null, "
        "constraint mvq_types_pk primary key (id))");
    Execute(
        "create table mvq_binkey (k1 int not null, k2 binary(4) not null, "
        "note varchar(10) null, constraint mvq_binkey_pk primary key (k1, k2))");
    // Defaults bound as separate objects keep the text after " as ".
    Execute("create default mvq_dflt_sum as 1 + 1");
    Execute("create default mvq_dflt_expr as dateadd(day, 1, getdate())");
    Execute(
        "create table mvq_syn ([synonym] int not null, total int null, due datetime null, "
        "label varchar(10) null default 'a b', constraint mvq_syn_pk primary key ([synonym]))");
    Execute("exec sp_bindefault 'mvq_dflt_sum', 'mvq_syn.total'");
    Execute("exec sp_bindefault 'mvq_dflt_expr', 'mvq_syn.due'");
    Execute("create table " + std::string(kLongName) + " (longer int null)");
    Execute("create table " + std::string(kCutName) + " (shorter int null)");
    Execute(
        "create table [Order Details] ([select] int not null, [MixedCase] varchar(10) null, "
        "[a b] int not null, constraint mvq_od_pk primary key ([select], [a b]))");
  }

  void TearDown() override {
    if (!connection_) return;
    DropAll();
    connection_->Close();
  }

  void DropAll() {
    for (std::string table :
         {"mvq_types", "mvq_binkey", "mvq_syn", kLongName, kCutName, "[Order Details]"}) {
      ExecuteQuietly("drop table " + table);
    }
    ExecuteQuietly("drop default mvq_dflt_sum");
    ExecuteQuietly("drop default mvq_dflt_expr");
    for (std::string_view release : SqlServerReleaseStatements) ExecuteQuietly(release);
  }

  // Release as the program does: a failure here means a function was not there to drop.
  void Release() {
    for (std::string_view release : SqlServerReleaseStatements) Execute(std::string(release));
  }

  std::string Call(const std::string& table) { return LiveServer::Call("gettablesql", table); }
};

TEST_F(SqlServerServerScripts, AccessDialectWritesEachRuleAsExpected) {
  InstallAll(ScriptsToInstall(ScriptServer::SqlServer, 4));

  EXPECT_EQ(Call("mvq_types"), CrLf({
                                   "create Table [mvq_types] (",
                                   "[id] numeric(10,0)  not null,",
                                   "[v300] memo,",
                                   "[v5000] memo,",
                                   "[v50] varchar(50)  default 'abc' not null,",
                                   "[nv] varchar(20),",
                                   "[dt] date  default Now() not null,",
                                   "[g] varchar(32),",
                                   "[sd] date,",
                                   "[bn] varbinary(8),",
                                   "[vb] varbinary(16),",
                                   "[im] oleobject,",
                                   "[tx] memo,",
                                   "[ti] integer,",
                                   "[si] integer,",
                                   "[bi] numeric(20,0),",
                                   "[dc] numeric(10,4),",
                                   "[dc2] numeric(25,2),",
                                   "[fl] double,",
                                   "[bt] numeric(1,0),",
                                   "[vmax] memo,",
                                   "[bmax] oleobject,",
                                   "[d] date,",
                                   "[t] date, primary key (id))",
                               }));
  // A binary key column keeps its key clause in Access.
  EXPECT_EQ(Call("mvq_binkey"), CrLf({
                                    "create Table [mvq_binkey] (",
                                    "[k1] numeric(10,0)  not null,",
                                    "[k2] varbinary(4)  not null,",
                                    "[note] varchar(10), primary key (k1,k2))",
                                }));
  // Blank: double quotes; blank and comma: double quotes twice.
  EXPECT_EQ(Call("mvq_syn"), CrLf({
                                 "create Table [mvq_syn] (",
                                 "[synonym] numeric(10,0)  not null,",
                                 "[total] numeric(10,0)  default \"1 + 1\",",
                                 "[due] date  default \"\"dateadd(day, 1, Now())\"\",",
                                 "[label] varchar(10)  default 'a b', primary key (synonym))",
                             }));
  EXPECT_EQ(Call(kLongName), CrLf({
                                 "create Table [mvq_table_name_of_33_characters_x] (",
                                 "[longer] numeric(10,0) )",
                             }));
  EXPECT_EQ(Call("mvq_no_such"), "create Table [mvq_no_such] )");
  Release();
}

TEST_F(SqlServerServerScripts, OracleDialectWritesEachRuleAsExpected) {
  InstallAll(ScriptsToInstall(ScriptServer::SqlServer, 1));

  EXPECT_EQ(Call("mvq_types"), CrLf({
                                   "create Table mvq_types (",
                                   "id number(10,0)  not null,",
                                   "v300 varchar2(300),",
                                   "v5000 long,",
                                   "v50 varchar2(50)  default 'abc' not null,",
                                   "nv varchar2(20),",
                                   "dt timestamp(3)  default sysdate not null,",
                                   "g varchar2(64),",
                                   "sd date,",
                                   "bn varchar2(19),",
                                   "vb varchar2(35),",
                                   "im blob,",
                                   "tx clob,",
                                   "ti number(3,0),",
                                   "si number(8,0),",
                                   "bi integer,",
                                   "dc number(10,4),",
                                   "dc2 number(25,2),",
                                   "fl float,",
                                   "bt number(1,0),",
                                   "vmax long,",
                                   "bmax blob,",
                                   "d date,",
                                   "t varchar2(16), primary key (id))",
                               }));
  // A binary key column drops the whole key clause.
  EXPECT_EQ(Call("mvq_binkey"), CrLf({
                                    "create Table mvq_binkey (",
                                    "k1 number(10,0)  not null,",
                                    "k2 varchar2(11)  not null,",
                                    "note varchar2(10) )",
                                }));
  EXPECT_EQ(Call("mvq_syn"), CrLf({
                                 "create Table mvq_syn (",
                                 "fzsynonym number(10,0)  not null,",
                                 "total number(10,0)  default '1 + 1',",
                                 "due timestamp(3)  default 'dateadd(day, 1, sysdate)',",
                                 "label varchar2(10)  default 'a b', primary key (fzsynonym))",
                             }));
  EXPECT_EQ(Call(kLongName), CrLf({
                                 "create Table mvq_table_name_of_33_characters_x (",
                                 "longer number(10,0) )",
                             }));
  EXPECT_EQ(Call("mvq_no_such"), "create Table mvq_no_such )");
  Release();
}

TEST_F(SqlServerServerScripts, BothDialectsQuoteNamesThatNeedItInTheKeyClauseToo) {
  InstallAll(ScriptsToInstall(ScriptServer::SqlServer, 4));
  EXPECT_EQ(Call("Order Details"),
            CrLf({
                "create Table [Order Details] (",
                "[select] numeric(10,0)  not null,",
                "[MixedCase] varchar(10),",
                "[a b] numeric(10,0)  not null, primary key ([select],[a b]))",
            }));
  Release();
  InstallAll(ScriptsToInstall(ScriptServer::SqlServer, 1));
  EXPECT_EQ(Call("Order Details"),
            CrLf({
                "create Table \"Order Details\" (",
                "\"select\" number(10,0)  not null,",
                "\"MixedCase\" varchar2(10),",
                "\"a b\" number(10,0)  not null, primary key (\"select\",\"a b\"))",
            }));
  Release();
}

}  // namespace
}  // namespace mvq
