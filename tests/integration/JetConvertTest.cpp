// Real engines into Access files through the custom direction: SQLite, PostgreSQL, MariaDB
// and an Access file as sources, a new file and a copy of an Access-made file as targets,
// each existing-table mode in turn; the result read back by MDBTools and mdb-reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "engine/Gateways.h"
#include "engine/utConvertDb.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "platform/jet/JetChecker.h"
#include "support/AccessReadBack.h"
#include "support/CurrentDirection.h"
#include "support/Engines.h"
#include "support/RunLogCapture.h"

namespace mvq::test {
namespace {

using db::Variant;
using Lines = std::vector<std::string>;
using ::testing::PrintToString;

// The rows every SQL source holds, and what mdb-export shows of them (it prints no date
// before 1900; mdb-reader shows that one).
const char* const kExpected =
    "id,name,amount,born,note\n"
    "1,\"张三\",2.5,\"1900-01-00 00:00:00\",\"备注 note\"\n"
    "2,,,,\n"
    "3,\"李四\",-1.25,\"2024-02-29 00:00:00\",\"n\"\n";

class IntoAccess : public RunLogCapture, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    RunLogCapture::SetUp();
    if (auto missing = OdbcMissing()) GTEST_SKIP() << *missing;
    if (auto why = JsReaderMissing(); !why.empty()) MVQ_SKIP_OR_FAIL(why);
    fixture_ = FixturePath("node-adodb.mdb");
    if (fixture_.empty()) MVQ_SKIP_OR_FAIL("run scripts/fixtures");
    const std::string name = GetParam();
    if (name == "Access") {
      sourceCs_ = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + fixture_;
      table_ = "Users";
      return;
    }
    for (const Engine& e : AllEngines())
      if (e.name == name) engine_ = e;
    if (engine_.connectionString.empty()) MVQ_SKIP_OR_FAIL(engine_.missingReason);
    sourceCs_ = engine_.dbms == db::Dbms::SQLite ? "DRIVER=SQLite3;Database=" + files_.File("s.db")
                                                 : engine_.connectionString;
    table_ = UniqueTable("jt");
    source_ = db::NewConnection();
    source_->Open(sourceCs_);
    RecreateTable(*source_, table_,
                  "id integer primary key, name varchar(20), amount " + SqlType(engine_, "double") +
                      ", born date, note varchar(200)");
    source_->Execute("insert into " + table_ +
                     " values (1, '张三', 2.5, '1890-03-04', '备注 note'), "
                     "(2, NULL, NULL, NULL, NULL), (3, '李四', -1.25, '2024-02-29', 'n')");
  }
  void TearDown() override {
    CustomSourceGate.reset();
    CustomTargetGate.reset();
    if (source_ && source_->IsOpen()) DropTable(*source_, table_);
    RunLogCapture::TearDown();
  }

  // The source rows as mdb-export shows them in the target.
  std::string Expected() const {
    return table_ == "Users" ? MdbExport(fixture_, "Users") : kExpected;
  }

  // The three modes in turn into mdb, which the gates open as the connection step does.
  void ConvertInEveryMode(const std::string& mdb, bool tableThere) {
    CurrentDirection = 9;
    CustomSourceGate = std::make_unique<TADOConn>(sourceCs_);
    CustomTargetGate =
        std::make_unique<TADOConn>("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + mdb);
    ASSERT_TRUE(CustomSourceGate->IsConnected() && CustomTargetGate->IsConnected());
    const std::string& t = table_;
    const std::string done = "导出成功:表" + t;
    auto lines = [&](size_t from) {
      Lines all = LogLines();
      return Lines(all.begin() + long(std::min(from, all.size())), all.end());
    };
    auto has = [](const Lines& l, const std::string& prefix) {
      return std::any_of(l.begin(), l.end(),
                         [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
    };
    size_t seen = LogLines().size();
    ConvertTable(t, tmSkipExisting);
    Lines first = lines(seen);
    if (tableThere) {
      EXPECT_TRUE(has(first, "导出失败：因表" + t + "已存在，不再导入")) << PrintToString(first);
    } else {
      EXPECT_TRUE(has(first, "创建成功:表" + t)) << PrintToString(first);
      EXPECT_TRUE(has(first, done)) << PrintToString(first);
      seen = LogLines().size();
      ConvertTable(t, tmSkipExisting);  // now it is there
      EXPECT_TRUE(has(lines(seen), "导出失败：因表" + t + "已存在，不再导入"));
    }
    seen = LogLines().size();
    ConvertTable(t, tmDeleteRecords);
    EXPECT_TRUE(has(lines(seen), "删除成功：表" + t)) << PrintToString(lines(seen));
    EXPECT_TRUE(has(lines(seen), done)) << PrintToString(lines(seen));
    seen = LogLines().size();
    ConvertTable(t, tmDropTable);
    EXPECT_TRUE(has(lines(seen), "创建成功:表" + t)) << PrintToString(lines(seen));
    EXPECT_TRUE(has(lines(seen), done)) << PrintToString(lines(seen));
    CustomSourceGate.reset();
    CustomTargetGate.reset();
  }

  void ExpectSourceRows(const std::string& mdb) {
    const std::string expected = Expected();
    EXPECT_EQ(MdbExport(mdb, table_), expected);
    const long rows = long(std::count(expected.begin(), expected.end(), '\n')) - 1;
    EXPECT_EQ(Shell("mdb-count " + Quoted(mdb) + " " + Quoted(table_)),
              std::to_string(rows) + "\n");
    JsDump js = ReadWithJs(mdb, {table_});
    EXPECT_EQ(js.counts[table_], std::make_pair(rows, rows));
    EXPECT_EQ(js.Rows(table_).size(), size_t(rows));
    if (table_ != "Users") {
      auto values = js.Rows(table_);
      std::sort(values.begin(), values.end());
      ASSERT_EQ(values.size(), 3u);
      EXPECT_EQ(values[0], (Lines{"1", "张三", "2.5", "1890-03-04T00:00:00.000Z", "备注 note"}));
      EXPECT_EQ(values[1], (Lines{"2", "NULL", "NULL", "NULL", "NULL"}));
      // The columns' types as the second reader names them.
      Lines types;
      for (const std::string& c : js.Columns(table_))
        types.push_back(c.substr(0, c.find(' ', c.find(' ') + 1)));
      EXPECT_EQ(types.size(), 5u) << PrintToString(js.Columns(table_));
      if (types.size() == 5) {
        EXPECT_EQ(types[1], "name text") << PrintToString(js.Columns(table_));
        EXPECT_EQ(types[2], "amount double") << PrintToString(js.Columns(table_));
        EXPECT_EQ(types[3], "born datetime") << PrintToString(js.Columns(table_));
      }
    }
  }

  Engine engine_;
  std::string fixture_, sourceCs_, table_;
  std::unique_ptr<db::Connection> source_;
  TempDir files_;
};

TEST_P(IntoAccess, ANewFileTakesTheTableInEveryMode) {
  const std::string mdb = files_.File("新.mdb");
  CreateMdbFile(mdb);
  ConvertInEveryMode(mdb, false);
  ExpectSourceRows(mdb);
  jet::CheckReport report = jet::CheckFile(mdb);
  EXPECT_TRUE(report.problems.empty()) << PrintToString(report.problems);
  EXPECT_TRUE(report.unowned.empty()) << report.unowned.size();
  EXPECT_TRUE(messages.empty()) << PrintToString(messages);
}

TEST_P(IntoAccess, AnAccessMadeFileTakesItAndKeepsItsOwnTables) {
  const std::string mdb = files_.File("copy.mdb");
  std::filesystem::copy_file(fixture_, mdb);
  const std::string users = MdbExport(fixture_, "Users");
  const bool there = table_ == "Users";
  ConvertInEveryMode(mdb, there);
  ExpectSourceRows(mdb);
  // Its own table as it was (or, from itself, as the source holds it), the file readable.
  EXPECT_EQ(MdbExport(mdb, "Users"), users);
  Lines tables;
  std::istringstream listed(Shell("mdb-tables -1 " + Quoted(mdb)));
  for (std::string l; std::getline(listed, l);) tables.push_back(l);
  EXPECT_NE(std::find(tables.begin(), tables.end(), "Users"), tables.end());
  EXPECT_NE(std::find(tables.begin(), tables.end(), table_), tables.end());
  EXPECT_TRUE(messages.empty()) << PrintToString(messages);
}

INSTANTIATE_TEST_SUITE_P(Sources, IntoAccess,
                         ::testing::Values("SQLite", "PostgreSQL", "MariaDB", "Access"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace mvq::test
