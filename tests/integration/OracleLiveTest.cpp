// The Oracle gateway against a real server through Oracle's ODBC driver. Runs when
// MVQ_TEST_ORACLE names one as "HOST=h;PORT=1521;SID=XE;UID=u;PWD=p" (SERVICE_NAME=... in
// place of SID for a pluggable database; DRIVER=... to pick the driver); skipped otherwise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>

#include "gates/oracle/UtStoreProOCI.h"
#include "gates/oracle/utconnection.h"
#include "platform/oracle/OraDrivers.h"
#include "platform/text/AsciiCase.h"
#include "support/AccessReadBack.h"
#include "support/TempDir.h"
#include "support/utLog.h"

namespace mvq {
namespace {

std::map<std::string, std::string> ParseSettings(const std::string& text) {
  std::map<std::string, std::string> values;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    std::string item = text.substr(start, end - start);
    size_t eq = item.find('=');
    if (eq != std::string::npos) {
      values[mvq::text::AsciiUpper(item.substr(0, eq))] = item.substr(eq + 1);
    }
    start = end + 1;
  }
  return values;
}

class OracleLive : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* env = std::getenv("MVQ_TEST_ORACLE");
    if (!env || !*env)
      GTEST_SKIP() << "MVQ_TEST_ORACLE is not set: no Oracle server to test against (set it to "
                      "\"HOST=h;PORT=1521;SID=XE;UID=u;PWD=p\")";
    auto values = ParseSettings(env);
    settings_.host = values["HOST"];
    settings_.port = values.count("PORT") ? values["PORT"] : "1521";
    settings_.sid = values.count("SERVICE_NAME") ? values["SERVICE_NAME"] : values["SID"];
    settings_.serviceName = values.count("SERVICE_NAME") > 0;
    settings_.user = values["UID"];
    settings_.password = values["PWD"];
    settings_.driver = values["DRIVER"];
    temp_.emplace();
    log_ = temp_->File("run.log");
    savedLog_ = LogFileName;
    LogFileName = log_;
  }

  void TearDown() override {
    if (log_.empty()) return;
    if (HasFailure()) {
      std::ifstream in(log_, std::ios::binary);
      std::cout << "run log (GBK):\n" << in.rdbuf() << "\n";
    }
    temp_.reset();
    LogFileName = savedLog_;
  }

  std::unique_ptr<TComDBConn> Open(const std::string& script = "", const std::string& drop = "") {
    auto gate = std::make_unique<TComDBConn>(settings_, script, drop);
    EXPECT_TRUE(gate->IsConnected()) << "could not connect; see the run log";
    return gate;
  }

  void Recreate(TComDBConn& gate, const std::string& table, const std::string& columns) {
    gate.ExecuteSql("drop table " + table);  // absent the first time: only a log line
    ASSERT_EQ(gate.ExecuteSql("create table " + table + " (" + columns + ")"), 1);
  }

  ora::ConnectSettings settings_;
  std::optional<test::TempDir> temp_;
  std::string log_;
  std::string savedLog_;
};

TEST_F(OracleLive, ConnectsAndAnswersQueries) {
  auto gate = Open();
  ASSERT_TRUE(gate->IsConnected());
  EXPECT_EQ(gate->QueryValue("select 1 + :1 from dual", {41}).AsInt(), 42);
  EXPECT_EQ(gate->QueryValue("select ':1' || :1 from dual", {std::string("x")}).AsText(), ":1x")
      << "a marker inside a literal is text";
  EXPECT_EQ(gate->ExecuteSql("begin null; end;"), 1);
}

TEST_F(OracleLive, WrongPasswordLeavesTheGateUnconnected) {
  settings_.password += "-wrong";
  TComDBConn gate(settings_, "", "MVQ_NEVER_INSTALLED");
  EXPECT_FALSE(gate.IsConnected());
  EXPECT_EQ(gate.DropFunctionName(), "");
}

TEST_F(OracleLive, ListsTables) {
  auto gate = Open();
  Recreate(*gate, "MVQ_LIVE_LIST", "N number");
  StringList list;
  gate->FillList(
      "SELECT t.tname FROM TAB T WHERE T.tabtype='TABLE' and (not t.tname like 'BIN$%') order  "
      "BY TNAME",
      list);
  EXPECT_NE(std::find(list.begin(), list.end(), ListItem{"MVQ_LIVE_LIST", std::nullopt}),
            list.end());
  EXPECT_TRUE(gate->TableExists("mvq_live_list"));
  gate->ExecuteSql("drop table MVQ_LIVE_LIST purge");
}

TEST_F(OracleLive, PagesAcross65536Rows) {
  auto gate = Open();
  Recreate(*gate, "MVQ_LIVE_PAGE", "N number(10)");
  ASSERT_EQ(gate->ExecuteSql("insert into MVQ_LIVE_PAGE select level from dual connect by level "
                             "<= 65536"),
            1);
  auto ds = gate->NewQuery();
  gate->OpenTablePaged("MVQ_LIVE_PAGE", *ds);
  ASSERT_EQ(gate->RowCount(), 65536);
  int64_t rows = 1, loads = 0, sum = ds->Value(0).AsInt();
  bool pageLoaded = false;
  while (!gate->NextRow(pageLoaded)) {
    ++rows;
    sum += ds->Value(0).AsInt();
    if (pageLoaded) {
      ++loads;
      EXPECT_EQ(ds->Fields().back().name, "ROWNUM_");
      EXPECT_EQ(ds->RecordCount(), 1);
    }
  }
  EXPECT_EQ(rows, 65536);
  EXPECT_EQ(loads, 1);
  EXPECT_EQ(sum, int64_t{65536} * 65537 / 2) << "every row once";
  ds->Close();
  gate->ExecuteSql("drop table MVQ_LIVE_PAGE purge");
}

TEST_F(OracleLive, InsertsRowsWithABlobWholeAndReportsARefusedRow) {
  auto gate = Open();
  Recreate(*gate, "MVQ_LIVE_BLOB", "ID number(10) primary key, NAME varchar2(50), PIC blob");
  auto target = gate->NewQuery();
  gate->OpenSql("select * from MVQ_LIVE_BLOB where 1=2", *target);
  ASSERT_TRUE(target->IsOpen());
  gate->PrepareUpdateSql(*target, "MVQ_LIVE_BLOB", false, true, false);
  EXPECT_EQ(gate->UpdateSql()->InsertSql,
            "INSERT INTO MVQ_LIVE_BLOB(ID,NAME,PIC) VALUES (:ID,:NAME,empty_blob()) RETURNING PIC "
            "into :PIC");

  db::Bytes big(5 * 1024 * 1024 + 17);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>((i * 31 + i / 977) & 0xff);
  gate->BeginTransaction();
  auto appender = gate->CreateAppender(*target);
  std::vector<db::RowFailure> failures;
  auto post = [&](int id, const db::Variant& name, const db::Variant& pic) {
    appender->Append();
    appender->SetField(0, id);
    appender->SetField(1, name);
    appender->SetField(2, pic);
    auto f = appender->Post(std::to_string(id));
    failures.insert(failures.end(), f.begin(), f.end());
  };
  post(1, "大", big);
  post(2, "small", db::Bytes{0, 1, 2, 255});
  post(3, db::Variant(), db::Variant());
  post(1, "duplicate", db::Bytes{9});
  auto last = appender->Flush();
  failures.insert(failures.end(), last.begin(), last.end());
  gate->CommitTransaction();

  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].label, "1");
  EXPECT_EQ(gate->QueryValue("select count(*) from MVQ_LIVE_BLOB").AsInt(), 3);
  EXPECT_EQ(gate->QueryValue("select dbms_lob.getlength(PIC) from MVQ_LIVE_BLOB where ID=:1", {1})
                .AsInt(),
            static_cast<int64_t>(big.size()));
  auto check = gate->NewQuery();
  gate->OpenSql("select NAME, PIC from MVQ_LIVE_BLOB where ID=:1", *check, {1});
  ASSERT_TRUE(check->IsOpen());
  ASSERT_FALSE(check->Eof());
  EXPECT_EQ(check->Value(0).AsText(), "大");
  ASSERT_EQ(check->Value(1).kind(), db::Variant::Kind::Bytes);
  EXPECT_TRUE(check->Value(1).Blob() == big) << "the BLOB arrived cut or changed";
  EXPECT_TRUE(gate->QueryValue("select PIC from MVQ_LIVE_BLOB where ID=:1", {3}).IsNull());
  check->Close();
  target->Close();
  gate->ExecuteSql("drop table MVQ_LIVE_BLOB purge");
}

TEST_F(OracleLive, CallsAFunctionReturning5000Characters) {
  const std::string script =
      "create or replace function MVQ_LIVE_LONG(p in varchar2) return long is begin return "
      "rpad(p, 5000, 'x') || '终'; end;";
  {
    auto gate = Open(script, "MVQ_LIVE_LONG");
    ASSERT_EQ(gate->DropFunctionName(), "MVQ_LIVE_LONG");
    TStoreProOCI proc(*gate);
    std::string text = proc.CallStringFunction("MVQ_LIVE_LONG", "p", "ab");
    EXPECT_EQ(text, "ab" + std::string(4998, 'x') + "终");
  }
  auto gate = Open();
  TStoreProOCI proc(*gate);
  EXPECT_THROW(proc.CallStringFunction("MVQ_LIVE_LONG", "p", "ab"), db::DbError)
      << "releasing the gate drops the function";
}

TEST_F(OracleLive, MvqcliCopiesATableIntoANewAccessFile) {
  using namespace test;
  if (settings_.serviceName) GTEST_SKIP() << "mvqcli names the database by SID only";
  {
    auto gate = Open();
    Recreate(*gate, "MVQ_LIVE_MDB", "ID number(10) primary key, NAME varchar2(20), BORN date");
    ASSERT_EQ(gate->ExecuteSql("insert into MVQ_LIVE_MDB values (1, '张三', date '1988-08-08')"),
              1);
    ASSERT_EQ(gate->ExecuteSql("insert into MVQ_LIVE_MDB values (2, null, null)"), 1);
  }
  TempDir dir;
  const std::string mdb = dir.File("新.mdb");
  int status = -1;
  const std::string out = Shell(
      std::string(MVQ_BIN_DIR) + "/mvqcli --direction 2 --oracle-host " + Quoted(settings_.host) +
          " --oracle-port " + Quoted(settings_.port) + " --oracle-sid " + Quoted(settings_.sid) +
          " --oracle-user " + Quoted(settings_.user) + " --oracle-password " +
          Quoted(settings_.password) + " --mdb " + Quoted(mdb) + " --tables MVQ_LIVE_MDB" +
          " --log-dir " + Quoted(dir.File("log")),
      &status);
  EXPECT_EQ(status, 0) << out;

  EXPECT_EQ(MdbExport(mdb, "MVQ_LIVE_MDB"),
            "ID,NAME,BORN\n1,\"张三\",\"1988-08-08 00:00:00\"\n2,,\n");
  JsDump js = ReadWithJs(mdb, {"MVQ_LIVE_MDB"});
  EXPECT_EQ(js.counts["MVQ_LIVE_MDB"], std::make_pair(2L, 2L));
  Open()->ExecuteSql("drop table MVQ_LIVE_MDB purge");
}

TEST(OdbcDriverManager, ListsTheInstalledDrivers) {
  auto drivers = ora::InstalledDrivers();
  EXPECT_NE(std::find(drivers.begin(), drivers.end(), "SQLite3"), drivers.end())
      << "the SQLite3 driver is part of every set-up of this project";
}

}  // namespace
}  // namespace mvq
