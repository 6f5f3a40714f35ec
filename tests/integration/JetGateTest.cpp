// The Access gate writing through our Jet writer, with MDBTools over ODBC reading: the
// statements the program sends, rows through the appender, existing Access-made files and
// a file another process holds.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "gates/ado/utAdopub.h"
#include "platform/jet/JetChecker.h"
#include "platform/jet/JetDatabase.h"
#include "support/AccessReadBack.h"
#include "support/Engines.h"
#include "support/RunLogCapture.h"

namespace mvq::test {
namespace {

using db::Variant;

class JetGate : public RunLogCapture {
 protected:
  void SetUp() override {
    RunLogCapture::SetUp();
    if (auto missing = OdbcMissing()) GTEST_SKIP() << *missing;
    if (auto why = JsReaderMissing(); !why.empty()) GTEST_SKIP() << why;
  }
  std::string Fresh(const std::string& name) {
    std::string path = dir + "/" + name;
    CreateMdbFile(path);
    return path;
  }
  static void Append(TMDBDataGate& gate, const std::string& table,
                     const std::vector<std::vector<Variant>>& rows,
                     std::vector<db::RowFailure>* failures = nullptr) {
    auto appender = gate.AdoConnection()->CreateAppender(table, rows.front().size());
    for (const auto& r : rows) {
      appender->Append();
      for (size_t i = 0; i < r.size(); ++i) appender->SetField(i, r[i]);
      auto f = appender->Post(r[0].AsText());
      if (failures) failures->insert(failures->end(), f.begin(), f.end());
    }
    appender->Flush();
  }
};

TEST_F(JetGate, CreateAppendDeleteAndDropThroughTheGate) {
  const std::string path = Fresh("目标.mdb");
  TMDBDataGate gate(path);
  ASSERT_TRUE(gate.IsConnected());
  EXPECT_EQ(gate.ExecuteSql(
                "create Table [客户] (\r\n  [ID] integer not null ,\r\n  [NAME] varchar(10),\r\n"
                "  [NOTE] memo,\r\n  [BORN] date,\r\n  primary key ([ID]))\r\n"),
            0);
  EXPECT_TRUE(gate.TableExists("客户"));
  std::vector<db::RowFailure> failures;
  Append(gate, "[客户]",
         {{int64_t(1), "张三", std::string(5000, 'n'), db::Date{1988, 8, 8}},
          {int64_t(2), "far too long a name", Variant(), Variant()},
          {int64_t(3), Variant(), Variant(), Variant()}},
         &failures);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].label, "2");
  EXPECT_NE(std::string(failures[0].error.what()).find("longer than column NAME"),
            std::string::npos);
  EXPECT_EQ(Shell("mdb-count " + Quoted(path) + " 客户"), "2\n");
  std::string csv = MdbExport(path, "客户");
  EXPECT_NE(csv.find("1,\"张三\",\"" + std::string(5000, 'n') + "\",\"1988-08-08 00:00:00\""),
            std::string::npos);
  EXPECT_EQ(ReadWithJs(path).counts["客户"], std::make_pair(2L, 2L));

  EXPECT_EQ(gate.ExecuteSql("delete from [客户]"), 2);
  EXPECT_EQ(Shell("mdb-count " + Quoted(path) + " 客户"), "0\n");
  EXPECT_EQ(gate.ExecuteSql("update [客户] set NAME = 'x'"), -1);
  EXPECT_EQ(LogLines().back(),
            "因:statement not supported on an Access file: update [客户] set NAME = 'x',无法执行"
            "update [客户] set NAME = 'x'");
  EXPECT_EQ(gate.ExecuteSql("drop table [客户]"), 0);
  EXPECT_FALSE(gate.TableExists("客户"));
  EXPECT_EQ(Shell("mdb-tables -1 " + Quoted(path)), "");
}

TEST_F(JetGate, ARollbackUndoesTheRowsPostedSinceTheLastCommit) {
  const std::string path = Fresh("rollback.mdb");
  TMDBDataGate gate(path);
  ASSERT_TRUE(gate.IsConnected());
  ASSERT_EQ(gate.ExecuteSql("create Table [R] ([K] long, [V] memo, primary key ([K]))"), 0);
  gate.BeginTransaction();
  Append(gate, "[R]", {{int64_t(1), "one"}, {int64_t(2), "two"}});
  gate.CommitTransaction();
  gate.BeginTransaction();
  {
    auto appender = gate.AdoConnection()->CreateAppender("[R]", 2);
    for (int64_t k = 3; k < 2000; ++k) {
      appender->Append();
      appender->SetField(0, Variant(k));
      appender->SetField(1, Variant(std::string(k % 7 == 0 ? 6000 : 100, 'v')));
      EXPECT_TRUE(appender->Post(std::to_string(k)).empty());
    }
  }
  gate.RollbackTransaction();
  EXPECT_EQ(Shell("mdb-count " + Quoted(path) + " R"), "2\n");
  EXPECT_EQ(ReadWithJs(path).counts["R"], std::make_pair(2L, 2L));
  EXPECT_TRUE(jet::CheckFile(path).problems.empty());
  // The keys posted and rolled back are free again.
  gate.BeginTransaction();
  Append(gate, "[R]", {{int64_t(3), "three"}});
  gate.CommitTransaction();
  EXPECT_EQ(MdbExport(path, "R"), "K,V\n1,\"one\"\n2,\"two\"\n3,\"three\"\n");
  jet::CheckReport report = jet::CheckFile(path);
  EXPECT_TRUE(report.problems.empty() && report.unowned.empty());
}

TEST_F(JetGate, AnAccessMadeFileKeepsItsOwnTablesWhenOneIsAdded) {
  const std::string fixture = std::string(MVQ_FIXTURE_DIR) + "/node-adodb.mdb";
  if (!std::filesystem::exists(fixture)) GTEST_SKIP() << "run scripts/fixtures";
  const std::string path = dir + "/copy.mdb";
  std::filesystem::copy_file(fixture, path);
  const std::string before = MdbExport(path, "Users");
  {
    TMDBDataGate gate(path);
    ASSERT_TRUE(gate.IsConnected());
    ASSERT_EQ(gate.ExecuteSql("create Table [NEW] ([K] long, [V] varchar(20), primary key ([K]))"),
              0);
    Append(gate, "[NEW]", {{int64_t(1), "one"}, {int64_t(2), "two"}});
  }
  EXPECT_EQ(MdbExport(path, "Users"), before);
  EXPECT_EQ(Shell("mdb-tables -1 " + Quoted(path)), "Users\nNEW\n");
  EXPECT_EQ(MdbExport(path, "NEW"), "K,V\n1,\"one\"\n2,\"two\"\n");
  JsDump js = ReadWithJs(path, {"NEW"});
  EXPECT_EQ(js.counts["Users"], std::make_pair(3L, 3L));
  EXPECT_EQ(js.counts["NEW"], std::make_pair(2L, 2L));
}

TEST_F(JetGate, AFileAnotherProcessWritesGetsTheConnectionFailureAndStaysIntact) {
  const std::string path = Fresh("other.mdb");
  {
    TMDBDataGate gate(path);
    ASSERT_EQ(gate.ExecuteSql("create Table [T] ([K] long, primary key ([K]))"), 0);
    Append(gate, "[T]", {{int64_t(1)}, {int64_t(2)}});
  }
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    // Holds the file for writing, as another copy of the program would, until killed.
    auto held = jet::JetDatabase::Open(path);
    char c = 1;
    if (write(ready[1], &c, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  {
    TMDBDataGate gate(path);
    EXPECT_FALSE(gate.IsConnected());
    ASSERT_FALSE(LogLines().empty());
    EXPECT_NE(LogLines().back().find("file already in use"), std::string::npos)
        << LogLines().back();
    EXPECT_NE(LogLines().back().find("无法建立数据连接"), std::string::npos) << LogLines().back();
  }
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  // Once the other writer is gone the file is as it was, and takes rows again.
  EXPECT_EQ(MdbExport(path, "T"), "K\n1\n2\n");
  TMDBDataGate gate(path);
  ASSERT_TRUE(gate.IsConnected());
  Append(gate, "[T]", {{int64_t(3)}});
  EXPECT_EQ(Shell("mdb-count " + Quoted(path) + " T"), "3\n");
  EXPECT_TRUE(jet::CheckFile(path).problems.empty());
}

TEST_F(JetGate, AFileAnotherWriterHoldsGetsTheConnectionFailure) {
  const std::string path = Fresh("held.mdb");
  auto holder = jet::JetDatabase::Open(path);
  TMDBDataGate gate(path);
  EXPECT_FALSE(gate.IsConnected());
  ASSERT_FALSE(LogLines().empty());
  EXPECT_NE(LogLines().back().find("file already in use"), std::string::npos) << LogLines().back();
  EXPECT_NE(LogLines().back().find("无法建立数据连接"), std::string::npos) << LogLines().back();
}

}  // namespace
}  // namespace mvq::test
