// mvqcli as a user runs it: the built binary on real engines through real ODBC drivers.
// SQLite always; PostgreSQL when MVQ_TEST_PG holds its connection string; the Access fixture
// and the workbook readers when present. Without one of them a test is skipped with the
// reason, or fails when MVQ_REQUIRE_ENGINES=1.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/odbc/Connection.h"
#include "platform/text/Gbk.h"
#include "shell/FormComponents.h"

extern char** environ;

namespace mvq::test {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

bool EnginesRequired() {
  const char* v = std::getenv("MVQ_REQUIRE_ENGINES");
  return v && std::string(v) == "1";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a command with stdout and stderr in files; the caller waits for it.
pid_t Spawn(const std::vector<std::string>& argv, const fs::path& out, const fs::path& err) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + argv[0]);
  return pid;
}

int Wait(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A database reached through the ODBC layer, for setting up and checking.
class Db {
 public:
  explicit Db(const std::string& cs) : c_(db::NewConnection()) { c_->Open(cs); }
  void Exec(const std::string& sql) { c_->Execute(sql); }
  int64_t Count(const std::string& table) {
    return Rows("select count(*) from " + table).at(0).at(0).AsInt();
  }
  std::vector<std::vector<db::Variant>> Rows(const std::string& sql) {
    auto q = c_->CreateQuery();
    q->Open(sql);
    std::vector<std::vector<db::Variant>> rows;
    for (; !q->Eof(); q->Next()) {
      std::vector<db::Variant> row;
      for (size_t i = 0; i < q->Fields().size(); ++i) row.push_back(q->Value(i));
      rows.push_back(std::move(row));
    }
    return rows;
  }
  Lines Tables() {
    Lines names;
    for (const auto& t : c_->SchemaTables()) {
      if (t.TABLE_TYPE == "TABLE") names.push_back(t.TABLE_NAME);
    }
    return names;
  }

 private:
  std::unique_ptr<db::Connection> c_;
};

struct Result {
  int code = -1;
  std::string out, err;
};

class Mvqcli : public ::testing::Test {
 protected:
  void SetUp() override {
    try {
      db::NewConnection();
    } catch (const std::exception& e) {
      Unavailable(std::string("the ODBC layer is missing: ") + e.what());
      return;
    }
    char pattern[] = "/tmp/mvqcli-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    logDir = dir / "log";
  }
  void TearDown() override {
    if (!dir.empty()) fs::remove_all(dir);
  }

  // Skips with the reason, or fails when the engines are required.
  void Unavailable(const std::string& reason) {
    if (EnginesRequired()) {
      FAIL() << reason;
    } else {
      GTEST_SKIP() << reason;
    }
  }

  static std::string Binary() { return std::string(MVQ_BIN_DIR) + "/mvqcli"; }

  Result Run(std::vector<std::string> args) {
    args.insert(args.begin(), Binary());
    args.push_back("--log-dir");
    args.push_back(logDir.string());
    Result r;
    r.code = Wait(Spawn(args, dir / "out.txt", dir / "err.txt"));
    r.out = ReadFile(dir / "out.txt");
    r.err = ReadFile(dir / "err.txt");
    return r;
  }

  std::string SqliteCs(const std::string& file) const {
    return "DRIVER=SQLite3;Database=" + (dir / file).string();
  }

  // The run log as UTF-8, empty when none was written.
  std::string LogText() const {
    if (!fs::exists(logDir)) return {};
    for (const auto& e : fs::directory_iterator(logDir)) {
      if (e.path().extension() == ".log") return text::GbkToUtf8(ReadFile(e.path()));
    }
    return {};
  }

  // A source with "people" (3 rows: a NULL, Chinese text, a BLOB) and "订单" (2 rows).
  std::string PeopleSource() {
    const std::string cs = SqliteCs("src.db");
    Db src(cs);
    src.Exec(
        "create table people (id integer primary key, name varchar(20), born date, "
        "photo blob)");
    src.Exec(
        "insert into people values (1, '张三', '1990-05-01', x'0001ff'), "
        "(2, NULL, NULL, NULL), (3, 'Ann', '2001-12-31', x'')");
    src.Exec("create table 订单 (编号 integer, 金额 numeric(10,2))");
    src.Exec("insert into 订单 values (1, 12.5), (2, NULL)");
    return cs;
  }

  static bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
  }

  fs::path dir, logDir;
};

TEST_F(Mvqcli, CommandLineMistakesAreSettingsFailures) {
  EXPECT_EQ(Run({}).code, 2);
  EXPECT_EQ(Run({"--frobnicate"}).code, 2);
  EXPECT_EQ(Run({"--direction", "12", "--all"}).code, 2);
  EXPECT_EQ(Run({"--direction", "9", "--source", "DSN=x"}).code, 2);  // no tables asked for
  Result noSource = Run({"--direction", "9", "--all"});
  EXPECT_EQ(noSource.code, 2);
  EXPECT_TRUE(Contains(noSource.err, "源数据连接不能为空")) << noSource.err;
  Result sameEnds = Run({"--direction", "9", "--source", "DSN=x", "--target", "DSN=x", "--all"});
  EXPECT_EQ(sameEnds.code, 2);
  EXPECT_TRUE(Contains(sameEnds.err, "源数据连接和目标数据连接不能相同")) << sameEnds.err;
  Result csv = Run({"--direction", "8", "--mdb", "a.mdb", "--xls", "out.csv", "--all"});
  EXPECT_EQ(csv.code, 2);
  EXPECT_TRUE(Contains(csv.err, ".xls or .xlsx")) << csv.err;
  Result help = Run({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_TRUE(Contains(help.out, "exit codes")) << help.out;
}

TEST_F(Mvqcli, AConnectionThatFailsIsASettingsFailure) {
  Result r = Run({"--direction", "9", "--source", "DRIVER={No Such Driver};Database=x", "--target",
                  SqliteCs("dst.db"), "--all"});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(Contains(r.err, "源数据连接失败")) << r.err;
  EXPECT_FALSE(Contains(r.err, "目标数据连接失败")) << r.err;
}

TEST_F(Mvqcli, ListPrintsTheSourceTablesOnePerLine) {
  const std::string src = PeopleSource();
  Result r = Run({"--direction", "9", "--source", src, "--target", SqliteCs("dst.db"), "--list"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "people\n订单\n");
  EXPECT_FALSE(Contains(LogText(), "新的一次导出开始"));
}

TEST_F(Mvqcli, EveryTableIsCopiedAndSummarisedFromTheLog) {
  const std::string src = PeopleSource();
  const std::string dst = SqliteCs("dst.db");

  Result r = Run({"--direction", "9", "--source", src, "--target", dst, "--all"});

  ASSERT_EQ(r.code, 0) << r.out << r.err;
  Db target(dst);
  EXPECT_EQ(target.Count("people"), 3);
  EXPECT_EQ(target.Count("订单"), 2);
  auto rows = target.Rows("select id, name, hex(photo) from people order by id");
  EXPECT_EQ(rows[0][1].AsText(), "张三");
  EXPECT_EQ(rows[0][2].AsText(), "0001FF");
  EXPECT_TRUE(rows[1][1].IsNull());

  const std::string log = LogText();
  EXPECT_TRUE(Contains(log,
                       "-----------------------新的一次导出开始-----------------------"
                       "自定义转换-----------------------"))
      << log;
  std::istringstream out(r.out);
  Lines lines;
  for (std::string line; std::getline(out, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u) << r.out;
  EXPECT_EQ(lines[0].rfind("run log: " + logDir.string() + "/Mvq", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind("exported", 0), 0u) << lines[1];
  EXPECT_TRUE(Contains(lines[1], "people  导出成功:表people，总的记录数3,导出数据3条，全部完成"))
      << lines[1];
  EXPECT_TRUE(Contains(lines[2], "订单  导出成功:表订单，总的记录数2,导出数据2条，全部完成"))
      << lines[2];
}

TEST_F(Mvqcli, TablesOutsideTheSourceAreRefusedBeforeTheRun) {
  const std::string src = PeopleSource();
  const std::string dst = SqliteCs("dst.db");

  Result r = Run(
      {"--direction", "9", "--source", src, "--target", dst, "--tables", "people,nosuch,另一个"});

  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(Contains(r.err, "nosuch, 另一个")) << r.err;
  EXPECT_TRUE(Db(dst).Tables().empty());
  EXPECT_FALSE(Contains(LogText(), "新的一次导出开始"));
}

TEST_F(Mvqcli, ASkippedOrPartlyWrittenTableExitsWithOne) {
  const std::string src = PeopleSource();
  const std::string dst = SqliteCs("dst.db");
  {
    Db target(dst);
    target.Exec(
        "create table people (id integer, name varchar(20) check (id < 3), born date, "
        "photo blob)");
  }

  Result skipped = Run(
      {"--direction", "9", "--source", src, "--target", dst, "--tables", "People", "--mode", "0"});
  EXPECT_EQ(skipped.code, 1);
  EXPECT_TRUE(Contains(skipped.out, "failed       people  导出失败：因表people已存在，不再导入"))
      << skipped.out;

  Result partial = Run(
      {"--direction", "9", "--source", src, "--target", dst, "--tables", "people", "--mode", "1"});
  EXPECT_EQ(partial.code, 1);
  EXPECT_TRUE(Contains(partial.out,
                       "partial      people  导出部分成功:表people，总的记录数3,"
                       "导出数据2条，部分完成"))
      << partial.out;
  EXPECT_EQ(Db(dst).Count("people"), 2);
}

TEST_F(Mvqcli, ASettingsFileTheWindowSavedIsReplayed) {
  const std::string src = PeopleSource();
  const std::string dst = SqliteCs("dst.db");
  FormState form;
  form.RGmy = 9;
  form.edtSrc = src;
  form.edtDest = dst;
  form.lbold.Add("订单");
  form.lbnew.Add("people");
  form.RGtableMode = 2;
  const std::string settings = (dir / "mvq.set").string();
  SaveFormState(form, settings);

  Result r = Run({"--settings", settings});

  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(Db(dst).Tables(), Lines{"people"});
  EXPECT_EQ(Db(dst).Count("people"), 3);

  form.lbnew.Add("dropped since");
  SaveFormState(form, settings);
  Result refused = Run({"--settings", settings});
  EXPECT_EQ(refused.code, 2);
  EXPECT_TRUE(Contains(refused.err, "dropped since")) << refused.err;

  Result missing = Run({"--settings", (dir / "none.set").string()});
  EXPECT_EQ(missing.code, 2);
}

TEST_F(Mvqcli, AnErrorThatEndsTheRunExitsWithFourAfterTheSummary) {
  const std::string src = SqliteCs("src.db");
  {
    Db s(src);
    // Listed by the catalog, but the statements carry names verbatim: reading it fails.
    s.Exec("create table \"a b\" (x integer)");
    s.Exec("create table ok (x integer)");
  }
  Result r = Run({"--direction", "9", "--source", src, "--target", SqliteCs("dst.db"), "--all"});
  EXPECT_EQ(r.code, 4) << r.out << r.err;
  EXPECT_TRUE(Contains(r.err, "error: ")) << r.err;
  EXPECT_TRUE(Contains(r.out, "error        a b  ")) << r.out;
  EXPECT_TRUE(Contains(r.out, "not exported ok")) << r.out;
}

TEST_F(Mvqcli, CtrlCIsTheConfirmedCancelButton) {
  const std::string src = SqliteCs("big.db");
  {
    Db big(src);
    for (const char* t : {"t1", "t2", "t3"}) {
      big.Exec(std::string("create table ") + t + " (id integer, note varchar(40))");
      big.Exec(std::string("insert into ") + t +
               " with recursive n(i) as (select 1 union all select i + 1 from n where i < "
               "200000) select i, 'row ' || i from n");
    }
  }
  pid_t pid = Spawn({Binary(), "--direction", "9", "--source", src, "--target", SqliteCs("dst.db"),
                     "--all", "--log-dir", logDir.string()},
                    dir / "out.txt", dir / "err.txt");
  // Once the run has begun (its banner is in the log), press Ctrl-C.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!Contains(LogText(), "新的一次导出开始") && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(pid, SIGINT);
  const int code = Wait(pid);
  const std::string out = ReadFile(dir / "out.txt");

  EXPECT_EQ(code, 3) << out << ReadFile(dir / "err.txt");
  EXPECT_TRUE(Contains(out, "not exported t3")) << out;
}

// --- Workbooks ----------------------------------------------------------------------------

// The sheets of a workbook as the system Python's readers see them: one line per sheet in
// tab order, "name|rows|header cells..." (rows counting the header).
std::optional<Lines> ReadWorkbook(const fs::path& book, const fs::path& scratch) {
  const bool xlsx = book.extension() == ".xlsx";
  const fs::path script = scratch / "read_book.py";
  std::ofstream(script) << (xlsx ? R"(import sys, openpyxl
b = openpyxl.load_workbook(sys.argv[1], read_only=True)
for ws in b.worksheets:
    rows = list(ws.iter_rows(values_only=True))
    print(ws.title, len(rows), *(rows[0] if rows else []), sep='|')
)"
                                 : R"(import sys, xlrd
b = xlrd.open_workbook(sys.argv[1])
for s in b.sheets():
    print(s.name, s.nrows, *(s.row_values(0) if s.nrows else []), sep='|')
)");
  const std::string command = "/usr/bin/python3 " + script.string() + " '" + book.string() + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return std::nullopt;
  std::string text;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  if (pclose(pipe) != 0) return std::nullopt;
  Lines lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool HasWorkbookReaders() {
  return std::system("/usr/bin/python3 -c 'import xlrd, openpyxl' >/dev/null 2>&1") == 0;
}

class MvqcliWorkbook : public Mvqcli {
 protected:
  void SetUp() override {
    Mvqcli::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (!HasWorkbookReaders()) Unavailable("python3-xlrd and python3-openpyxl are not installed");
  }
};

TEST_F(MvqcliWorkbook, TheAccessFixtureBecomesAnXlsWorkbook) {
  const std::string mdb = std::string(MVQ_FIXTURE_DIR) + "/node-adodb.mdb";
  if (!fs::exists(mdb)) return Unavailable("no Access fixture at " + mdb + " (scripts/fixtures)");
  const fs::path book = dir / "users.xls";

  Result r = Run({"--direction", "8", "--mdb", mdb, "--xls", book.string(), "--all"});

  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "exported     Users  导出成功:表Users")) << r.out;
  auto sheets = ReadWorkbook(book, dir);
  ASSERT_TRUE(sheets);
  EXPECT_EQ(*sheets, Lines{"Users|4|UserId|UserName|UserSex|UserBirthday|UserMarried"});

  Result again = Run({"--direction", "8", "--mdb", mdb, "--xls", book.string(), "--all"});
  EXPECT_EQ(again.code, 2);
  EXPECT_TRUE(Contains(again.err, "文件" + book.string() + "已存在")) << again.err;
}

TEST_F(MvqcliWorkbook, TheCustomSourceBecomesAnXlsxWorkbook) {
  const std::string src = PeopleSource();
  const fs::path book = dir / "people.xlsx";

  Result r = Run({"--direction", "9", "--source", src, "--xls", book.string(), "--all"});

  ASSERT_EQ(r.code, 0) << r.out << r.err;
  auto sheets = ReadWorkbook(book, dir);
  ASSERT_TRUE(sheets);
  // Each new sheet goes in front: the last table written comes first.
  EXPECT_EQ(*sheets, (Lines{"订单|3|编号|金额", "people|4|id|name|born|photo"}));
}

TEST_F(Mvqcli, TheCustomSourceBecomesANewAccessFile) {
  const std::string src = SqliteCs("acc.db");
  Db db(src);
  db.Exec("create table people (id integer primary key, name varchar(20), born date, note text)");
  db.Exec("insert into people values (1, '张三', '1990-05-01', 'a'), (2, NULL, NULL, NULL)");
  const fs::path mdb = dir / "新 目标.mdb";

  Result r = Run({"--direction", "9", "--source", src, "--mdb", mdb.string(), "--all"});

  ASSERT_EQ(r.code, 0) << r.out << r.err << LogText();
  ASSERT_TRUE(fs::exists(mdb));
  std::string out;
  FILE* pipe = popen(("mdb-export -T '%Y-%m-%d' '" + mdb.string() + "' people 2>&1").c_str(), "r");
  char buffer[4096];
  for (size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  if (pipe) pclose(pipe);
  EXPECT_EQ(out, "id,name,born,note\n1,\"张三\",\"1990-05-01\",\"a\"\n2,,,\n");
}

// --- PostgreSQL ---------------------------------------------------------------------------

TEST_F(Mvqcli, EachModeAgainstPostgreSQL) {
  const char* pg = std::getenv("MVQ_TEST_PG");
  if (!pg || !*pg) return Unavailable("MVQ_TEST_PG is not set (scripts/services start)");
  const std::string suffix = std::to_string(::getpid());
  const std::string people = "cli_people_" + suffix, orders = "cli_订单_" + suffix;
  const std::string src = SqliteCs("src.db");
  {
    Db s(src);
    s.Exec("create table " + people +
           " (id integer primary key, name varchar(20), "
           "amount numeric(10,2), born date, photo blob)");
    s.Exec("insert into " + people +
           " values (1, '张三', 12.50, '1990-05-01', x'00ff'), "
           "(2, NULL, NULL, NULL, NULL), (3, 'Ann', -0.25, '2001-12-31', x'')");
    s.Exec("create table " + orders + " (id integer, note text)");
    s.Exec("insert into " + orders + " values (1, '多行\n文本'), (2, '')");
  }
  Db target(pg);
  struct Drop {
    Db& db;
    Lines tables;
    ~Drop() {
      for (const auto& t : tables) {
        try {
          db.Exec("drop table if exists " + t);
        } catch (...) {
        }
      }
    }
  } drop{target, {people, orders}};
  auto run = [&](const char* mode) {
    return Run({"--direction", "9", "--source", src, "--target", pg, "--tables",
                people + "," + orders, "--mode", mode});
  };

  Result created = run("0");
  ASSERT_EQ(created.code, 0) << created.out << created.err;
  EXPECT_EQ(target.Count(people), 3);
  auto rows = target.Rows("select name, amount, born from " + people + " order by id");
  EXPECT_EQ(rows[0][0].AsText(), "张三");
  EXPECT_DOUBLE_EQ(rows[2][1].AsDouble(), -0.25);
  EXPECT_TRUE(rows[1][2].IsNull());
  EXPECT_EQ(target.Rows("select note from " + orders + " where id = 1")[0][0].AsText(),
            "多行\n文本");

  Result skipped = run("0");
  EXPECT_EQ(skipped.code, 1);
  EXPECT_TRUE(Contains(skipped.out, "导出失败：因表" + people + "已存在，不再导入")) << skipped.out;
  EXPECT_EQ(target.Count(people), 3);

  target.Exec("insert into " + people + " (id, name) values (99, 'extra')");
  Result emptied = run("1");
  EXPECT_EQ(emptied.code, 0) << emptied.out << emptied.err;
  EXPECT_EQ(target.Count(people), 3);
  EXPECT_EQ(target.Count(orders), 2);

  target.Exec("alter table " + people + " add column leftover integer");
  Result dropped = run("2");
  EXPECT_EQ(dropped.code, 0) << dropped.out << dropped.err;
  EXPECT_EQ(target.Count(people), 3);
  EXPECT_THROW(target.Rows("select leftover from " + people), db::DbError);
}

}  // namespace
}  // namespace mvq::test
