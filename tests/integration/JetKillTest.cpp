// A copy into an Access file killed while it runs: mvqcli in a child process, stopped with
// SIGKILL once some of its commits are in the file. Both readers must then find exactly the
// rows committed (the first N of the source, in key order), and our checker a sound file.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <set>
#include <sstream>
#include <thread>

#include "platform/jet/JetChecker.h"
#include "platform/jet/JetDatabase.h"
#include "platform/odbc/Connection.h"
#include "support/AccessReadBack.h"
#include "support/Engines.h"

extern char** environ;

namespace mvq::test {
namespace {

constexpr int kRows = 150000, kCommitEvery = 1000;

std::string NameOf(long id) {
  return "名" + std::to_string(id * 37 % 1009);
}

// mdb-count of the table, or -1 while the file cannot be read yet.
long CountNow(const std::string& path) {
  int status = 0;
  std::string out = RunReader("mdb-count " + Quoted(path) + " t 2>/dev/null", &status);
  if (status != 0 || out.empty()) return -1;
  return std::stol(out);
}

TEST(JetKill, ACopyKilledMidwayLeavesEveryCommittedRowReadable) {
  if (auto missing = OdbcMissing()) GTEST_SKIP() << *missing;
  if (auto why = JsReaderMissing(); !why.empty()) GTEST_SKIP() << why;
  TempDir dir;
  const std::string src = "DRIVER=SQLite3;Database=" + dir.File("src.db");
  {
    auto c = db::NewConnection();
    c->Open(src);
    c->Execute(
        "create table t (id integer primary key, name varchar(20), amount double, "
        "note text)");
    // Every 50th row carries a memo of several pages.
    c->Execute(
        "insert into t with recursive n(i) as (select 1 union all select i + 1 from n "
        "where i < " +
        std::to_string(kRows) +
        ") select i, '名' || (i * 37 % 1009), i / 4.0, case when i % 50 = 0 then "
        "printf('%.9000c', 'x') else 'n' || i end from n");
  }
  const std::string mdb = dir.File("killed.mdb");
  std::vector<std::string> argv = {std::string(MVQ_BIN_DIR) + "/mvqcli",
                                   "--direction",
                                   "9",
                                   "--source",
                                   src,
                                   "--mdb",
                                   mdb,
                                   "--tables",
                                   "t",
                                   "--commit-every",
                                   std::to_string(kCommitEvery),
                                   "--log-dir",
                                   dir.File("log")};
  std::vector<char*> args;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);

  // Until a few commits are in, while the copy is still far from done.
  long seen = -1;
  bool exited = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) {
      exited = true;
      break;
    }
    seen = CountNow(mdb);
    if (seen >= 5 * kCommitEvery) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_FALSE(exited) << "the copy ended before it could be killed";
  ASSERT_GE(seen, 5 * kCommitEvery) << "no commits within the time";
  ASSERT_EQ(kill(pid, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

  const long n = CountNow(mdb);
  ASSERT_GE(n, seen);
  ASSERT_LT(n, kRows);
  // Commits fall every kCommitEvery rows, counted again from each source page's start.
  const long page = 65535;
  EXPECT_TRUE(n == page || (n < page ? n : n - page) % kCommitEvery == 0)
      << n << ": a commit left part of its rows";
  EXPECT_EQ(ReadWithJs(mdb).counts["t"], std::make_pair(n, n));
  // Rows 1..n of the source, memo and all (in the order of their pages, not of the key).
  std::istringstream csv(Shell("mdb-export " + Quoted(mdb) + " t"));
  std::string line;
  std::getline(csv, line);
  EXPECT_EQ(line, "id,name,amount,note");
  std::set<long> ids;
  long wrong = 0;
  while (std::getline(csv, line)) {
    const long id = std::atol(line.c_str());
    const std::string note = id % 50 == 0 ? std::string(9000, 'x') : "n" + std::to_string(id);
    const std::string head = std::to_string(id) + ",\"" + NameOf(id) + "\",";
    const std::string tail = ",\"" + note + "\"";
    if (!ids.insert(id).second || line.rfind(head, 0) != 0 || line.size() < tail.size() ||
        line.compare(line.size() - tail.size(), tail.size(), tail) != 0)
      if (++wrong < 3) ADD_FAILURE() << "row " << id << ": " << line.substr(0, 100);
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(long(ids.size()), n);
  EXPECT_EQ(ids.empty() ? 0 : *ids.begin(), 1);
  EXPECT_EQ(ids.empty() ? 0 : *ids.rbegin(), n);
  jet::CheckReport report = jet::CheckFile(mdb);
  std::string problems;
  for (const auto& p : report.problems) problems += p + "\n";
  EXPECT_TRUE(report.problems.empty()) << problems;

  // The file takes more rows afterwards, and stays sound.
  {
    auto db = jet::JetDatabase::Open(mdb);
    jet::TableWriter* t = db->Find("t");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->RowCount(), uint32_t(n));
    EXPECT_EQ(t->Append({db::Variant(int64_t(n + 1)), db::Variant("after")}), std::nullopt);
    db->Commit();
  }
  EXPECT_EQ(CountNow(mdb), n + 1);
  EXPECT_TRUE(jet::CheckFile(mdb).problems.empty());
}

}  // namespace
}  // namespace mvq::test
