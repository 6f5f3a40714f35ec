// mvqcli as a user runs it: the built binary on real engines through real ODBC drivers.
// SQLite always; PostgreSQL when MVQ_TEST_PG holds its connection string; the Access fixture
// and the workbook readers when present. Without one of them a test is skipped with the
// reason, or fails when MVQ_REQUIRE_ENGINES=1.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "platform/bulk/PgLink.h"
#include "platform/jet/JetDatabase.h"
#include "platform/odbc/Connection.h"
#include "platform/text/Gbk.h"
#include "shell/FormComponents.h"
#include "support/TempDir.h"
#include "support/ValueCatalogue.h"

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
  // Never the terminal: a run that would ask for a password must fail, not wait.
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
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
  }

  // Skips with the reason, or fails when the engines are required.
  void Unavailable(const std::string& reason) {
    if (EnginesRequired()) {
      FAIL() << reason;
    } else {
      GTEST_SKIP() << reason;
    }
  }
  // PostgreSQL's connection string; empty once the test is skipped (or failed) without it.
  std::string PostgreSQL() {
    const char* pg = std::getenv("MVQ_TEST_PG");
    if (pg && *pg) return pg;
    Unavailable("MVQ_TEST_PG is not set (scripts/services start)");
    return {};
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

  TempDir temp;
  const fs::path dir = temp.path(), logDir = dir / "log";
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
  EXPECT_TRUE(Contains(r.err, "源数据连接失败\n")) << r.err;
  EXPECT_TRUE(Contains(r.err, "No Such Driver")) << "the driver manager's reason: " << r.err;
  EXPECT_FALSE(Contains(r.err, "目标数据连接失败")) << r.err;
}

TEST_F(Mvqcli, AMissingSqliteSourceIsNamedAndNotCreated) {
  const fs::path missing = dir / "never.db";
  Result r = Run({"--direction", "9", "--source", SqliteCs("never.db"), "--target",
                  SqliteCs("dst.db"), "--all"});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(Contains(r.err, "源数据文件" + missing.string() + "不存在")) << r.err;
  EXPECT_FALSE(fs::exists(missing));
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

TEST_F(Mvqcli, ASkippedTableIsNoFailureButAPartlyWrittenOneExitsWithOne) {
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
  EXPECT_EQ(skipped.code, 0) << skipped.out;
  EXPECT_TRUE(Contains(skipped.out, "skipped      people  导出失败：因表people已存在，不再导入"))
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

// What a Python script prints about a file, one entry per line; nullopt when it fails.
std::optional<Lines> PythonLines(const std::string& code, const fs::path& file,
                                 const fs::path& scratch) {
  const fs::path script = scratch / "python_script.py";
  std::ofstream(script) << code;
  const std::string command = "/usr/bin/python3 " + script.string() + " '" + file.string() + "'";
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

// The tables of a summary as the system Python's JSON reader sees them, one line per table:
// "table|status|existing|rows_counted|rows_written|rows_refused|error", after a first line
// "direction|cancelled|error|exit_code|run_log|tables".
std::optional<Lines> ReadSummary(const std::string& json, const fs::path& scratch) {
  std::ofstream(scratch / "summary.json", std::ios::binary) << json;
  return PythonLines(R"(import sys, json
s = json.load(open(sys.argv[1], encoding='utf-8'))
print(s['direction'], s['cancelled'], s['error'], s['exit_code'], s['run_log'],
      len(s['tables']), sep='|')
assert s['started'] <= s['ended']
for t in s['tables']:
    assert t['ms'] >= 0 and t['sheets_written'] >= 0
    print(t['table'], t['status'], t['existing'], t['rows_counted'], t['rows_written'],
          t['rows_refused'], t['error'], sep='|')
)",
                     scratch / "summary.json", scratch);
}

// The middle table of three cannot be emptied (it is a view in the target): it fails alone,
// the run goes on with the third, and the summary says so table by table.
TEST_F(Mvqcli, AMiddleTableThatFailsLetsTheRunGoOnAndTheSummaryTellsEachTable) {
  const std::string src = SqliteCs("src.db");
  const std::string dst = SqliteCs("dst.db");
  {
    Db s(src);
    for (const char* t : {"a", "mid", "z"}) {
      s.Exec(std::string("create table ") + t + " (x integer)");
      s.Exec(std::string("insert into ") + t + " values (1), (2)");
    }
    Db d(dst);
    d.Exec("create view mid as select 1 as x");
  }
  const fs::path summary = dir / "run.json";

  Result r = Run({"--direction", "9", "--source", src, "--target", dst, "--tables", "a,mid,z",
                  "--mode", "1", "--summary", summary.string()});

  EXPECT_EQ(r.code, 1) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "exported     a  导出成功:表a，总的记录数2,导出数据2条，全部完成"))
      << r.out;
  EXPECT_TRUE(Contains(r.out, "failed       mid  删除失败：表mid，退出")) << r.out;
  EXPECT_TRUE(Contains(r.out, "exported     z  导出成功:表z，总的记录数2,导出数据2条，全部完成"))
      << r.out;
  EXPECT_EQ(Db(dst).Count("z"), 2);
  auto read = ReadSummary(ReadFile(summary), dir);
  ASSERT_TRUE(read) << ReadFile(summary);
  const Lines& lines = *read;
  ASSERT_EQ(lines.size(), 4u) << ReadFile(summary);
  EXPECT_EQ(lines[0].rfind("9|False|None|1|" + logDir.string() + "/Mvq", 0), 0u) << lines[0];
  EXPECT_EQ(lines[0].substr(lines[0].size() - 2), "|3") << lines[0];
  EXPECT_EQ(lines[1], "a|exported|created|2|2|0|None");
  EXPECT_EQ(lines[2].rfind("mid|failed|none|0|0|0|", 0), 0u) << lines[2];
  EXPECT_NE(lines[2], "mid|failed|none|0|0|0|None") << "the refused delete's text is its error";
  EXPECT_EQ(lines[3], "z|exported|created|2|2|0|None");

  // A rerun skipping what exists: nothing failed, and the summary goes to standard output.
  Result again = Run({"--direction", "9", "--source", src, "--target", dst, "--tables", "a,z",
                      "--mode", "0", "--summary", "-"});
  EXPECT_EQ(again.code, 0) << again.out << again.err;
  const std::string json = again.out.substr(again.out.rfind("\n{") + 1);
  auto rerun = ReadSummary(json, dir);
  ASSERT_TRUE(rerun) << again.out;
  EXPECT_EQ(*rerun,
            (Lines{(*rerun)[0], "a|skipped|skipped|0|0|0|None", "z|skipped|skipped|0|0|0|None"}));
  EXPECT_EQ((*rerun)[0].rfind("9|False|None|0|", 0), 0u) << (*rerun)[0];
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
  return PythonLines(xlsx ? R"(import sys, openpyxl
b = openpyxl.load_workbook(sys.argv[1], read_only=True)
for ws in b.worksheets:
    rows = list(ws.iter_rows(values_only=True))
    print(ws.title, len(rows), *(rows[0] if rows else []), sep='|')
)"
                          : R"(import sys, xlrd
b = xlrd.open_workbook(sys.argv[1])
for s in b.sheets():
    print(s.name, s.nrows, *(s.row_values(0) if s.nrows else []), sep='|')
)",
                     book, scratch);
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
  // Read back through our reader, typed values of the Access path: dates, booleans, numbers.
  Result verified =
      Run({"--direction", "8", "--mdb", mdb, "--xls", book.string(), "--all", "--verify-only"});
  EXPECT_EQ(verified.code, 0) << verified.out << verified.err;
  EXPECT_TRUE(Contains(verified.out, "verified     Users  3 rows")) << verified.out;

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

// --- Replacing a workbook ------------------------------------------------------------------

class MvqcliReplace : public MvqcliWorkbook {
 protected:
  void TearDown() override {
    if (!mounted.empty()) umount2(mounted.c_str(), MNT_DETACH);
    MvqcliWorkbook::TearDown();
  }

  // An old "workbook" whose bytes must survive whatever the run does.
  fs::path OldBook(const fs::path& folder) {
    const fs::path book = folder / "keep.xlsx";
    std::ofstream(book) << kOldBytes;
    return book;
  }
  // The folder holds the old workbook alone: no temporary file was left beside it.
  static void ExpectOnlyTheOldBook(const fs::path& book) {
    EXPECT_EQ(ReadFile(book), kOldBytes);
    Lines names;
    for (const auto& e : fs::directory_iterator(book.parent_path()))
      names.push_back(e.path().filename().string());
    EXPECT_EQ(names, Lines{book.filename().string()});
  }
  // A source of one table of `rows` rows of text that compresses badly.
  std::string BulkySource(int rows) {
    const std::string cs = SqliteCs("bulky.db");
    Db src(cs);
    src.Exec("create table bulk (id integer, note varchar(80))");
    src.Exec(
        "insert into bulk with recursive n(i) as (select 1 union all select i + 1 from n "
        "where i < " +
        std::to_string(rows) + ") select i, hex(randomblob(32)) from n");
    return cs;
  }

  static constexpr const char* kOldBytes = "the old workbook, not to be touched";
  std::string mounted;
};

TEST_F(MvqcliReplace, ASourceThatCannotConnectLeavesTheOldWorkbook) {
  const fs::path folder = dir / "books";
  fs::create_directories(folder);
  const fs::path book = OldBook(folder);
  const std::string missing = "DRIVER=SQLite3;Database=" + (dir / "gone" / "src.db").string();

  Result r = Run(
      {"--direction", "9", "--source", missing, "--xls", book.string(), "--overwrite", "--all"});

  EXPECT_EQ(r.code, 2) << r.out << r.err;
  ExpectOnlyTheOldBook(book);
}

TEST_F(MvqcliReplace, AFullDiskFailsEveryTableAndKeepsTheOldWorkbook) {
  const fs::path folder = dir / "full";
  fs::create_directories(folder);
  if (mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=128k") != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here: " << std::strerror(errno);
  mounted = folder.string();
  const fs::path book = OldBook(folder);
  const std::string src = BulkySource(20000);

  Result r =
      Run({"--direction", "9", "--source", src, "--xls", book.string(), "--overwrite", "--all"});

  EXPECT_EQ(r.code, 1) << r.out << r.err;
  EXPECT_TRUE(Contains(r.err, "保存Excel文件" + book.string() + "失败:磁盘空间不足")) << r.err;
  EXPECT_TRUE(Contains(r.out, "failed       bulk")) << r.out;
  const std::string log = LogText();
  EXPECT_TRUE(Contains(log, "失败-----------因保存Excel文件" + book.string() +
                                "失败:磁盘空间不足:无法保存工作表bulk"))
      << log;
  EXPECT_FALSE(Contains(log, "导出成功")) << log;
  ExpectOnlyTheOldBook(book);
}

TEST_F(MvqcliReplace, TwoCtrlCDuringTheSaveLeaveTheOldWorkbookAndNoPartialFile) {
  const fs::path folder = dir / "books";
  fs::create_directories(folder);
  const fs::path book = OldBook(folder);
  const std::string src = BulkySource(150000);

  pid_t pid = Spawn({Binary(), "--direction", "9", "--source", src, "--xls", book.string(),
                     "--overwrite", "--all", "--log-dir", logDir.string()},
                    dir / "out.txt", dir / "err.txt");
  // The save has begun when its temporary file appears beside the old workbook.
  bool saving = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (!saving && std::chrono::steady_clock::now() < deadline) {
    for (const auto& e : fs::directory_iterator(folder))
      saving = saving || e.path().filename() != book.filename();
    if (!saving) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  kill(pid, SIGINT);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  kill(pid, SIGINT);
  const int code = Wait(pid);

  ASSERT_TRUE(saving) << "the save never started";
  EXPECT_EQ(code, 3) << ReadFile(dir / "err.txt");
  ExpectOnlyTheOldBook(book);
}

TEST_F(MvqcliReplace, ACompleteSaveReplacesTheOldWorkbook) {
  const fs::path folder = dir / "books";
  fs::create_directories(folder);
  const fs::path book = OldBook(folder);

  Result r = Run({"--direction", "9", "--source", PeopleSource(), "--xls", book.string(),
                  "--overwrite", "--all"});

  ASSERT_EQ(r.code, 0) << r.out << r.err;
  auto sheets = ReadWorkbook(book, dir);
  ASSERT_TRUE(sheets);
  EXPECT_EQ(sheets->size(), 2u);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

// A table wider than a .xls sheet fails alone; the tables after it go into the workbook.
TEST_F(MvqcliWorkbook, ATableWiderThanAnXlsSheetFailsAloneAndTheNextIsWritten) {
  const std::string src = SqliteCs("src.db");
  {
    Db s(src);
    std::string columns;
    for (int i = 1; i <= 300; ++i)
      columns += (i > 1 ? ", c" : "c") + std::to_string(i) + " integer";
    s.Exec("create table a (x integer)");
    s.Exec("insert into a values (1)");
    s.Exec("create table b_wide (" + columns + ")");
    s.Exec("create table c (y integer)");
    s.Exec("insert into c values (2), (3)");
  }
  const fs::path book = dir / "wide.xls";

  Result r = Run({"--direction", "9", "--source", src, "--xls", book.string(), "--tables",
                  "a,b_wide,c", "--summary", "-"});

  EXPECT_EQ(r.code, 1) << r.out << r.err;
  EXPECT_TRUE(
      Contains(r.out, "failed       b_wide  失败-----------因表b_wide有300列,超过工作表的256列"))
      << r.out;
  EXPECT_TRUE(
      Contains(LogText(), "失败-----------因表b_wide有300列,超过工作表的256列:无法导出表b_wide"));
  auto summary = ReadSummary(r.out.substr(r.out.rfind("\n{") + 1), dir);
  ASSERT_TRUE(summary) << r.out;
  EXPECT_EQ(*summary, (Lines{(*summary)[0], "a|exported|none|1|1|0|None",
                             "b_wide|failed|none|0|0|0|表b_wide有300列,超过工作表的256列",
                             "c|exported|none|2|2|0|None"}));
  auto sheets = ReadWorkbook(book, dir);
  ASSERT_TRUE(sheets);
  EXPECT_EQ(*sheets, (Lines{"c|3|y", "a|2|x"}));
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

// Drops the tables when the test ends, however it ends.
struct DropAtEnd {
  Db& db;
  Lines tables;
  ~DropAtEnd() {
    for (const auto& t : tables) {
      try {
        db.Exec("drop table if exists " + t);
      } catch (...) {
      }
    }
  }
};

// Waits up to `seconds` for the process to end; -1 when it is still running.
int WaitFor(pid_t pid, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

TEST_F(Mvqcli, CtrlCCancelsADropWaitingForALockAndTheTableStays) {
  const std::string pg = PostgreSQL();
  if (pg.empty()) return;
  const std::string table = "cli_held_" + std::to_string(::getpid());
  const std::string src = SqliteCs("held.db");
  {
    Db s(src);
    s.Exec("create table " + table + " (id integer)");
    s.Exec("insert into " + table + " values (7)");
  }
  Db target(pg);
  target.Exec("create table " + table + " (id integer)");
  target.Exec("insert into " + table + " values (1), (2)");
  const DropAtEnd drop{target, {table}};
  // Another session reads the table in an open transaction: a DROP waits for it.
  auto holder = std::make_unique<db::PgLink>(pg);
  holder->Enlist();
  holder->Exec("lock table " + table + " in access share mode");

  pid_t pid = Spawn({Binary(), "--direction", "9", "--source", src, "--target", pg, "--tables",
                     table, "--mode", "2", "--log-dir", logDir.string()},
                    dir / "out.txt", dir / "err.txt");
  bool waiting = false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!waiting && std::chrono::steady_clock::now() < deadline) {
    waiting = target
                  .Rows(
                      "select count(*) from pg_stat_activity where wait_event_type = 'Lock' "
                      "and query like 'drop table " +
                      table + "%'")
                  .at(0)
                  .at(0)
                  .AsInt() > 0;
    if (!waiting) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGINT);
  int code = WaitFor(pid, 30);
  holder->Rollback(1);
  holder.reset();  // releases the lock: a DROP still pending would now run
  if (code < 0) code = Wait(pid);

  ASSERT_TRUE(waiting) << "the DROP never waited for the lock";
  EXPECT_EQ(code, 3) << ReadFile(dir / "err.txt");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(target.Count(table), 2) << "the table was neither dropped nor refilled";
  EXPECT_TRUE(Contains(LogText(), "删除失败：表" + table + "，退出")) << LogText();
}

TEST_F(Mvqcli, AKilledCommitEveryCopyKeepsWholeCommitsInPostgreSQL) {
  const std::string pg = PostgreSQL();
  if (pg.empty()) return;
  constexpr int kEvery = 1000;
  const std::string table = "cli_long_" + std::to_string(::getpid());
  const std::string src = SqliteCs("long.db");
  {
    Db s(src);
    s.Exec("create table " + table + " (id integer, note varchar(40))");
    s.Exec("insert into " + table +
           " with recursive n(i) as (select 1 union all select i + 1 from n where i < 400000) "
           "select i, 'row ' || i from n");
  }
  Db target(pg);
  const DropAtEnd drop{target, {table}};

  pid_t pid = Spawn({Binary(), "--direction", "9", "--source", src, "--target", pg, "--tables",
                     table, "--commit-every", std::to_string(kEvery), "--log-dir", logDir.string()},
                    dir / "out.txt", dir / "err.txt");
  // Killed once a few commits are visible from another session.
  int64_t seen = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (seen < 3 * kEvery && std::chrono::steady_clock::now() < deadline) {
    try {
      seen = target.Count(table);
    } catch (const std::exception&) {  // not created yet
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(pid, SIGKILL);
  Wait(pid);

  ASSERT_GE(seen, 3 * kEvery) << ReadFile(dir / "err.txt");
  const int64_t kept = target.Count(table);
  EXPECT_GE(kept, seen) << "what was committed stays";
  EXPECT_EQ(kept % kEvery, 0) << "only whole commits";
  EXPECT_LT(kept, 400000) << "killed before the end";
  // The rows kept are the first ones, in order: nothing in between was lost.
  EXPECT_EQ(target.Rows("select max(id) from " + table).at(0).at(0).AsInt(), kept);
}

TEST_F(Mvqcli, EachModeAgainstPostgreSQL) {
  const std::string pg = PostgreSQL();
  if (pg.empty()) return;
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
  const DropAtEnd drop{target, {people, orders}};
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
  EXPECT_EQ(skipped.code, 0) << "a table skipped as asked is no failure";
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

// --- Verify -------------------------------------------------------------------------------

// The database targets configured here, by engine name.
std::vector<std::pair<std::string, std::string>> ServerTargets() {
  std::vector<std::pair<std::string, std::string>> targets;
  for (const char* name : {"MVQ_TEST_PG", "MVQ_TEST_MARIADB"}) {
    const char* cs = std::getenv(name);
    if (cs && *cs) targets.emplace_back(name, cs);
  }
  return targets;
}

TEST_F(Mvqcli, VerifyFindsAndNamesEachChangeMadeInTheTarget) {
  const auto targets = ServerTargets();
  if (targets.size() < 2) return Unavailable("MVQ_TEST_PG and MVQ_TEST_MARIADB are not both set");
  const std::string table = "cli_verify_" + std::to_string(::getpid());
  const std::string src = SqliteCs("src.db");
  {
    Db s(src);
    s.Exec("create table " + table +
           " (id integer primary key, name varchar(20), amount numeric(10,2), ratio double, "
           "at timestamp, day date, photo blob)");
    s.Exec("insert into " + table +
           " values (1, '张三', 12.50, 0.1, '2024-02-29 23:59:58.123456', '1990-05-01', "
           "x'00ff'), (2, NULL, NULL, NULL, NULL, NULL, NULL), "
           "(3, 'Ann', -0.25, 1e-7, '2001-12-31 08:00:00', '2001-12-31', x'')");
  }
  for (const auto& [engine, cs] : targets) {
    SCOPED_TRACE(engine);
    Db target(cs);
    const DropAtEnd drop{target, {table}};
    auto run = [&](const char* verify) {
      return Run({"--direction", "9", "--source", src, "--target", cs, "--tables", table, "--mode",
                  "2", verify});
    };

    // Floats, decimals, Chinese text, dates, NULLs and bytes round-trip clean.
    Result copied = run("--verify");
    ASSERT_EQ(copied.code, 0) << copied.out << copied.err;
    EXPECT_TRUE(Contains(copied.out, "verified     " + table + "  3 rows")) << copied.out;

    target.Exec("update " + table + " set name = 'Anne' where id = 3");
    Result changed = run("--verify-only");
    EXPECT_EQ(changed.code, 1);
    EXPECT_TRUE(Contains(changed.out, "mismatch     " + table + "  columns differing: name"))
        << changed.out;
    target.Exec("update " + table + " set name = 'Ann' where id = 3");
    EXPECT_EQ(run("--verify-only").code, 0);

    const std::string at = target.Rows("select at from " + table + " where id = 1")[0][0].AsText();
    if (Contains(at, ".123456")) {
      target.Exec("update " + table + " set at = '2024-02-29 23:59:58.123457' where id = 1");
      Result fraction = run("--verify-only");
      EXPECT_EQ(fraction.code, 1);
      EXPECT_TRUE(Contains(fraction.out, "columns differing: at")) << fraction.out;
    } else {
      // A target that keeps whole seconds is compared to the second.
      EXPECT_EQ(engine, "MVQ_TEST_MARIADB") << at;
    }

    target.Exec("delete from " + table + " where id = 2");
    Result deleted = run("--verify-only");
    EXPECT_EQ(deleted.code, 1);
    EXPECT_TRUE(Contains(deleted.out, "rows: source 3, target 2")) << deleted.out;
  }
}

TEST_F(Mvqcli, VerifyExplainsAShortTargetByTheRowsTheCopyRefused) {
  const std::string pg = PostgreSQL();
  if (pg.empty()) return;
  const std::string table = "cli_refused_" + std::to_string(::getpid());
  const std::string src = SqliteCs("src.db");
  {
    Db s(src);
    s.Exec("create table " + table + " (id integer primary key, code varchar(5))");
    // SQLite keeps any length; PostgreSQL refuses the long one.
    s.Exec("insert into " + table + " values (1, 'ab'), (2, 'much too long'), (3, 'cd')");
  }
  Db target(pg);
  const DropAtEnd drop{target, {table}};

  Result r = Run({"--direction", "9", "--source", src, "--target", pg, "--tables", table, "--mode",
                  "2", "--verify"});

  EXPECT_EQ(r.code, 1) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "mismatch     " + table +
                                  "  1 of 3 rows were refused during the copy (see the run "
                                  "log); the target holds the other 2"))
      << r.out;
  EXPECT_FALSE(Contains(r.out, "columns differing")) << r.out;
}

TEST_F(Mvqcli, VerifyOptionsAreRefusedWhereTheyCannotWork) {
  Result both = Run({"--direction", "9", "--source", "DSN=a", "--target", "DSN=b", "--all",
                     "--verify", "--verify-only"});
  EXPECT_EQ(both.code, 2);
  // A workbook to check must be there: nothing is read, nothing created.
  const fs::path none = dir / "none.xlsx";
  Result missing = Run({"--direction", "9", "--source", SqliteCs("src.db"), "--xls", none.string(),
                        "--all", "--verify-only"});
  EXPECT_EQ(missing.code, 2);
  EXPECT_TRUE(Contains(missing.err, "no workbook " + none.string() + " to verify")) << missing.err;
  EXPECT_FALSE(fs::exists(none));
}

// The key of a row our writer stored, whichever number type the copy gave the key column.
int64_t StoredKey(const jet::Column& column, const jet::Cell& cell) {
  const uint8_t* b = cell.bytes.data();
  switch (column.type) {
    case jet::ColType::Int:
      return static_cast<int16_t>(jet::Get16(b));
    case jet::ColType::Long:
      return static_cast<int32_t>(jet::Get32(b));
    case jet::ColType::Double: {
      double d = 0;
      std::memcpy(&d, b, sizeof d);
      return static_cast<int64_t>(d);
    }
    case jet::ColType::Numeric:  // sign, then 32-bit words, the least significant last
      return (b[0] & 0x80 ? -1 : 1) * static_cast<int64_t>(jet::Get32(b + 13));
    default:
      ADD_FAILURE() << "key column of type " << static_cast<int>(column.type);
      return -1;
  }
}

// An Access target is read back by the program's own Access reader: the SQLite catalogue's
// values that Access holds match after the copy, and a value or a row changed in the file
// afterwards (by our writer) is found and named.
TEST_F(Mvqcli, VerifyIntoANewAccessFileFindsAValueAndARowChangedInIt) {
  const std::string src = SqliteCs("catalogue.db");
  const std::string table = "cli_access_verify";
  const auto catalogue = SqliteCatalogue();
  // The plain row below names these three.
  ASSERT_EQ(catalogue[0].type, "integer");
  ASSERT_EQ(catalogue[4].type, "double");
  ASSERT_EQ(catalogue[9].type, "text");
  size_t rows = 0;
  std::string columns = "id integer primary key";
  for (size_t c = 0; c < catalogue.size(); ++c) {
    columns += ", c" + std::to_string(c) + " " + catalogue[c].type;
    rows = std::max(rows, catalogue[c].values.size());
  }
  {
    Db s(src);
    s.Exec("create table " + table + " (" + columns + ")");
    // Row i holds each column's i-th value, NULL where Access cannot hold it; the last
    // row has plain values, to be changed in the file.
    for (size_t i = 0; i < rows; ++i) {
      std::string values = std::to_string(i + 1);
      for (const auto& column : catalogue) {
        const bool held = i < column.values.size() && !column.values[i].refusedBy.count("Access");
        values += ", " + (held ? column.values[i].literal : std::string("null"));
      }
      s.Exec("insert into " + table + " values (" + values + ")");
    }
    s.Exec("insert into " + table + " (id, c0, c4, c9) values (" + std::to_string(rows + 1) +
           ", 42, 0.5, '变')");
  }
  const int64_t total = static_cast<int64_t>(rows) + 1;
  const fs::path mdb = dir / "核对.mdb";
  auto run = [&](const char* verify) {
    return Run(
        {"--direction", "9", "--source", src, "--mdb", mdb.string(), "--tables", table, verify});
  };

  Result copied = run("--verify");
  EXPECT_EQ(copied.code, 0) << copied.out << copied.err << LogText();
  EXPECT_TRUE(
      Contains(copied.out, "verified     " + table + "  " + std::to_string(total) + " rows"))
      << copied.out;
  ASSERT_TRUE(fs::exists(mdb));

  // The plain row again, its double changed: the one column named.
  {
    auto file = jet::JetDatabase::Open(mdb.string());
    jet::TableWriter* t = file->Find(table);
    ASSERT_NE(t, nullptr);
    const jet::Column key = t->Schema().columns.at(0);
    EXPECT_EQ(t->DeleteRowsWhere([&](const std::vector<jet::Cell>& cells) {
      return StoredKey(key, cells.at(0)) == total;
    }),
              1u);
    std::vector<db::Variant> changed(t->Schema().columns.size());
    changed[0] = total;
    changed[1] = 42;
    changed[5] = 0.25;
    changed[10] = std::string("变");
    ASSERT_EQ(t->Append(changed), std::nullopt);
    file->Commit();
  }
  Result value = run("--verify-only");
  EXPECT_EQ(value.code, 1) << value.out << value.err;
  EXPECT_TRUE(Contains(value.out, "mismatch     " + table + "  columns differing: c4\n"))
      << value.out;

  // One row fewer.
  {
    auto file = jet::JetDatabase::Open(mdb.string());
    jet::TableWriter* t = file->Find(table);
    ASSERT_NE(t, nullptr);
    const jet::Column key = t->Schema().columns.at(0);
    EXPECT_EQ(t->DeleteRowsWhere([&](const std::vector<jet::Cell>& cells) {
      return StoredKey(key, cells.at(0)) == 1;
    }),
              1u);
    file->Commit();
  }
  Result deleted = run("--verify-only");
  EXPECT_EQ(deleted.code, 1) << deleted.out << deleted.err;
  EXPECT_TRUE(Contains(deleted.out, "rows: source " + std::to_string(total) + ", target " +
                                        std::to_string(total - 1)))
      << deleted.out;
}

// A workbook target is read back: each table's sheets against its source.
TEST_F(MvqcliWorkbook, VerifyReadsTheWrittenWorkbookBackAndNamesWhatDiffers) {
  const std::string src = PeopleSource();
  {
    Db s(src);
    // Values the workbook rules store otherwise on purpose: more than 15 digits as text,
    // a date outside Excel's calendar as text.
    s.Exec("create table odd (id integer, big numeric(20,0), day date, note text)");
    s.Exec(
        "insert into odd values (1, 1234567890123456789, '1899-12-31', 'a\r\nb'), "
        "(2, 7, '2020-02-29', NULL)");
  }
  for (const char* ext : {".xls", ".xlsx"}) {
    SCOPED_TRACE(ext);
    const fs::path book = dir / (std::string("verify") + ext);
    const fs::path summary = dir / "verify.json";
    Result copied = Run({"--direction", "9", "--source", src, "--xls", book.string(), "--all",
                         "--verify", "--summary", summary.string()});
    ASSERT_EQ(copied.code, 0) << copied.out << copied.err;
    EXPECT_TRUE(Contains(copied.out, "verified     people  3 rows")) << copied.out;
    EXPECT_TRUE(Contains(copied.out, "verified     订单  2 rows")) << copied.out;
    EXPECT_TRUE(Contains(copied.out,
                         "verified     odd  2 rows; 2 cells hold their values as the workbook "
                         "rules store them"))
        << copied.out;
    EXPECT_TRUE(Contains(ReadFile(summary), "\"verify\":{\"match\":true,\"source_rows\":3"));
    EXPECT_EQ(
        Run({"--direction", "9", "--source", src, "--xls", book.string(), "--all", "--verify-only"})
            .code,
        0);

    // The source changes after the copy: one value, then one row fewer.
    Db s(src);
    s.Exec("update people set name = 'Anne' where id = 3");
    Result changed = Run({"--direction", "9", "--source", src, "--xls", book.string(), "--tables",
                          "people", "--verify-only", "--summary", summary.string()});
    EXPECT_EQ(changed.code, 1);
    EXPECT_TRUE(
        Contains(changed.out, "mismatch     people  columns differing: name (sheets people)"))
        << changed.out;
    EXPECT_TRUE(Contains(ReadFile(summary), "\"columns_differing\":[\"name\"]"));
    s.Exec("update people set name = 'Ann' where id = 3");
    s.Exec("insert into people values (4, 'Bo', NULL, NULL)");
    Result longer = Run({"--direction", "9", "--source", src, "--xls", book.string(), "--tables",
                         "people", "--verify-only"});
    EXPECT_EQ(longer.code, 1);
    EXPECT_TRUE(Contains(longer.out, "rows: source 4, workbook 3")) << longer.out;
    s.Exec("delete from people where id = 4");
  }
}

// The workbook is changed after the run, by openpyxl: a cell, then a deleted row.
TEST_F(MvqcliWorkbook, VerifyFindsACellAndARowChangedInAWrittenXlsx) {
  const std::string src = PeopleSource();
  const fs::path book = dir / "edited.xlsx";
  ASSERT_EQ(Run({"--direction", "9", "--source", src, "--xls", book.string(), "--all"}).code, 0);
  auto verify = [&] {
    return Run(
        {"--direction", "9", "--source", src, "--xls", book.string(), "--all", "--verify-only"});
  };
  ASSERT_EQ(verify().code, 0);

  ASSERT_TRUE(PythonLines(R"(import sys, openpyxl
b = openpyxl.load_workbook(sys.argv[1])
b['people']['B4'] = 'Anne'
b.save(sys.argv[1])
)",
                          book, dir));
  Result cell = verify();
  EXPECT_EQ(cell.code, 1);
  EXPECT_TRUE(Contains(cell.out, "mismatch     people  columns differing: name")) << cell.out;
  EXPECT_TRUE(Contains(cell.out, "verified     订单  2 rows")) << cell.out;

  ASSERT_TRUE(PythonLines(R"(import sys, openpyxl
b = openpyxl.load_workbook(sys.argv[1])
b['people']['B4'] = 'Ann'
b['订单'].delete_rows(3)
b.save(sys.argv[1])
)",
                          book, dir));
  Result row = verify();
  EXPECT_EQ(row.code, 1);
  EXPECT_TRUE(Contains(row.out, "verified     people  3 rows")) << row.out;
  EXPECT_TRUE(Contains(row.out, "mismatch     订单  rows: source 2, workbook 1")) << row.out;
}

// --- Plan ---------------------------------------------------------------------------------

// The plan of each table in a --summary, one line per table:
// "table|existing|statements|create_sql is set|loss columns".
std::optional<Lines> ReadPlans(const std::string& json, const fs::path& scratch) {
  std::ofstream(scratch / "plans.json", std::ios::binary) << json;
  return PythonLines(R"(import sys, json
s = json.load(open(sys.argv[1], encoding='utf-8'))
for t in s['tables']:
    p = t['plan']
    print(t['table'], p['existing'], ';'.join(p['statements']), p['create_sql'] is not None,
          ','.join(l['column'] + ':' + l['source_type'] + '>' + l['target_type']
                   for l in p['losses']), sep='|')
)",
                     scratch / "plans.json", scratch);
}

TEST_F(Mvqcli, APlanLeavesASqliteTargetByteForByteAsItWas) {
  const std::string src = PeopleSource();
  const fs::path target = dir / "dst.db";
  {
    Db d(SqliteCs("dst.db"));
    d.Exec("create table people (id integer, name varchar(20))");
    d.Exec("insert into people values (7, 'kept')");
  }
  const std::string before = ReadFile(target);
  const fs::path summary = dir / "plan.json";

  Result r = Run({"--direction", "9", "--source", src, "--target", SqliteCs("dst.db"), "--all",
                  "--mode", "2", "--plan", "--summary", summary.string()});

  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(ReadFile(target), before);
  EXPECT_TRUE(Contains(r.out, "existing:  exists, dropped and created again")) << r.out;
  EXPECT_TRUE(Contains(r.out, "executes:  drop table people")) << r.out;
  EXPECT_TRUE(Contains(r.out, "existing:  absent, created")) << r.out;
  EXPECT_TRUE(Contains(r.out, "create table [订单] (")) << r.out;
  // Nothing was done, so nothing is in the log as done.
  EXPECT_FALSE(Contains(LogText(), "删除成功")) << LogText();
  EXPECT_FALSE(Contains(LogText(), "创建成功")) << LogText();
  auto plans = ReadPlans(ReadFile(summary), dir);
  ASSERT_TRUE(plans);
  EXPECT_EQ(*plans, (Lines{"people|recreated|drop table people|True|", "订单|created||True|"}));

  // Skipping and emptying: no CREATE TABLE, and only emptying has a statement.
  Result skip = Run({"--direction", "9", "--source", src, "--target", SqliteCs("dst.db"),
                     "--tables", "people", "--mode", "0", "--plan", "--summary", summary.string()});
  EXPECT_EQ(skip.code, 0) << skip.out << skip.err;
  EXPECT_EQ(*ReadPlans(ReadFile(summary), dir), Lines{"people|skipped||False|"});
  Result empty =
      Run({"--direction", "9", "--source", src, "--target", SqliteCs("dst.db"), "--tables",
           "people", "--mode", "1", "--plan", "--summary", summary.string()});
  EXPECT_EQ(empty.code, 0) << empty.out << empty.err;
  EXPECT_EQ(*ReadPlans(ReadFile(summary), dir), Lines{"people|emptied|delete from people|False|"});
  EXPECT_EQ(ReadFile(target), before);

  // A target file that is not there is not made by looking at it.
  Result missing =
      Run({"--direction", "9", "--source", src, "--target", SqliteCs("new.db"), "--all", "--plan"});
  EXPECT_EQ(missing.code, 2) << missing.out << missing.err;
  EXPECT_TRUE(Contains(missing.err, "a run would create it, a plan does not")) << missing.err;
  EXPECT_FALSE(fs::exists(dir / "new.db"));
}

// The catalogue of a server database as a test sees it: every column of every table.
Lines Catalogue(Db& db, const std::string& schemaTest) {
  Lines lines;
  for (const auto& row :
       db.Rows("select table_name, column_name, data_type from information_schema.columns "
               "where " +
               schemaTest + " order by table_name, column_name"))
    lines.push_back(row[0].AsText() + "." + row[1].AsText() + ":" + row[2].AsText());
  return lines;
}

TEST_F(Mvqcli, APlanNamesEachKindOfLossyColumnAndLeavesTheServersAsTheyWere) {
  const char* pg = std::getenv("MVQ_TEST_PG");
  const char* maria = std::getenv("MVQ_TEST_MARIADB");
  if (!pg || !*pg || !maria || !*maria)
    return Unavailable("MVQ_TEST_PG and MVQ_TEST_MARIADB are not both set");
  const std::string table = "cli_plan_" + std::to_string(::getpid());
  Db source(pg), target(maria);
  const DropAtEnd dropSource{source, {table}};
  const DropAtEnd dropTarget{target, {table}};
  source.Exec("create table " + table +
              " (id integer, zoned timestamptz, unbounded numeric, wide numeric(70,2), "
              "fine numeric(60,50), name varchar(20))");
  target.Exec("create table " + table + " (id integer)");
  target.Exec("insert into " + table + " values (1)");
  const Lines pgBefore = Catalogue(source, "table_schema = 'public'");
  const Lines mariaBefore = Catalogue(target, "table_schema = database()");

  Result r = Run({"--direction", "9", "--source", pg, "--target", maria, "--tables", table,
                  "--mode", "2", "--plan"});

  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "loss:      zoned: timestamptz -> DATETIME(6): 不保留时区")) << r.out;
  EXPECT_TRUE(Contains(r.out, "loss:      unbounded: numeric")) << r.out;
  EXPECT_TRUE(
      Contains(r.out, "loss:      wide: numeric(70,2) -> NUMERIC(65,2): 精度70超过目标上限65"))
      << r.out;
  EXPECT_TRUE(Contains(r.out, "loss:      fine: numeric(60,50) -> NUMERIC(60,38): 小数位50减为38"))
      << r.out;
  EXPECT_FALSE(Contains(r.out, "loss:      id")) << r.out;
  EXPECT_FALSE(Contains(r.out, "loss:      name")) << r.out;
  EXPECT_EQ(Catalogue(source, "table_schema = 'public'"), pgBefore);
  EXPECT_EQ(Catalogue(target, "table_schema = database()"), mariaBefore);
  EXPECT_EQ(target.Count(table), 1);
}

// Sets an environment variable for the runs of one test.
struct ScopedEnv {
  std::string name;
  ScopedEnv(std::string n, const std::string& value) : name(std::move(n)) {
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  ~ScopedEnv() { ::unsetenv(name.c_str()); }
};

// --- Jobs ---------------------------------------------------------------------------------

// The run log's table blocks, each a table's lines from its blank line on, without the time
// stamps and the milliseconds, sorted: the same set whichever table finished first.
Lines LogBlocks(const std::string& log) {
  Lines blocks;
  std::istringstream in(log);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string text = line.size() > 20 ? line.substr(20) : std::string();
    if (text.find("新的一次导出开始") != std::string::npos) continue;
    if (text.empty()) {
      blocks.emplace_back();
      continue;
    }
    for (size_t at = text.find("用时"); at != std::string::npos; at = text.find("用时", at + 1)) {
      size_t end = at + std::strlen("用时");
      while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
      text.replace(at, end - at, "用时N");
    }
    if (blocks.empty()) blocks.emplace_back();
    blocks.back() += text + "\n";
  }
  blocks.erase(std::remove(blocks.begin(), blocks.end(), std::string()), blocks.end());
  std::sort(blocks.begin(), blocks.end());
  return blocks;
}

// Processes of tables that a parallel run started, with its job files under tmp, and that
// are still alive.
int TableJobsAlive(const fs::path& tmp) {
  int alive = 0;
  for (const auto& e : fs::directory_iterator("/proc")) {
    const std::string cmdline = ReadFile(e.path() / "cmdline");
    if (cmdline.find(std::string("--table-job\0", 12) + (tmp / "mvqcli-jobs-").string()) !=
        std::string::npos)
      ++alive;
  }
  return alive;
}

TEST_F(Mvqcli, FourJobsGiveTheTablesRowsAndLogBlocksOfOne) {
  const auto targets = ServerTargets();
  if (targets.size() < 2) return Unavailable("MVQ_TEST_PG and MVQ_TEST_MARIADB are not both set");
  const std::string id = std::to_string(::getpid());
  const std::string src = SqliteCs("src.db");
  Lines tables;
  {
    Db s(src);
    for (int i = 0; i < 6; ++i) {
      const std::string t = "cli_jobs_" + id + "_" + std::to_string(i);
      tables.push_back(t);
      s.Exec("create table " + t + " (id integer primary key, note varchar(20), v numeric(8,2))");
      s.Exec("insert into " + t +
             " with recursive n(i) as (select 1 union all select i + 1 from n where i < " +
             std::to_string(500 * (i + 1)) + ") select i, 'n' || i, i / 4.0 from n");
    }
    // One table fails alone: the target refuses its long value, and says so in its block.
    s.Exec("insert into " + tables[2] + " values (0, 'far too long for twenty', 1)");
  }
  std::string list;
  for (const auto& t : tables) list += (list.empty() ? "" : ",") + t;
  for (const auto& [engine, cs] : targets) {
    SCOPED_TRACE(engine);
    Db target(cs);
    const DropAtEnd drop{target, tables};
    // Each run starts from a target without the tables, and a log of its own.
    auto run = [&](const char* jobs) {
      for (const auto& t : tables) target.Exec("drop table if exists " + t);
      fs::remove_all(logDir);
      Result r = Run({"--direction", "9", "--source", src, "--target", cs, "--tables", list,
                      "--mode", "2", "--jobs", jobs, "--verify"});
      std::vector<int64_t> counts;
      for (const auto& t : tables) counts.push_back(target.Count(t));
      return std::make_tuple(r, counts, LogBlocks(LogText()));
    };
    const auto [one, oneCounts, oneBlocks] = run("1");
    const auto [four, fourCounts, fourBlocks] = run("4");

    EXPECT_EQ(one.code, 1) << one.out << one.err;
    EXPECT_EQ(four.code, 1) << four.out << four.err;
    EXPECT_EQ(oneCounts, (std::vector<int64_t>{500, 1000, 1500, 2000, 2500, 3000}));
    EXPECT_EQ(fourCounts, oneCounts);
    EXPECT_EQ(fourBlocks.size(), tables.size());
    EXPECT_EQ(fourBlocks, oneBlocks);
    for (const auto& t : tables) {
      // The terminal lines, table by table in the order given, and each verified.
      EXPECT_TRUE(Contains(four.out, "verified     " + t) || t == tables[2]) << four.out;
    }
    EXPECT_TRUE(Contains(four.out, "partial      " + tables[2])) << four.out;
  }
}

TEST_F(Mvqcli, JobsIntoAFileTargetGoOneTableAtATime) {
  const std::string src = PeopleSource();
  Result r = Run({"--direction", "9", "--source", src, "--target", SqliteCs("dst.db"), "--all",
                  "--jobs", "3"});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.err, "its tables are written one at a time")) << r.err;
  EXPECT_FALSE(Contains(r.err, "under way")) << r.err;
  Db dst(SqliteCs("dst.db"));
  EXPECT_EQ(dst.Count("people"), 3);
  EXPECT_EQ(dst.Count("订单"), 2);
}

TEST_F(Mvqcli, CtrlCStopsEveryTableOfAParallelRun) {
  const char* pg = std::getenv("MVQ_TEST_PG");
  if (!pg || !*pg) return Unavailable("MVQ_TEST_PG is not set (scripts/services start)");
  const std::string id = std::to_string(::getpid());
  const std::string src = SqliteCs("big.db");
  Lines tables;
  {
    Db big(src);
    for (int i = 0; i < 6; ++i) {
      tables.push_back("cli_jobs_stop_" + id + "_" + std::to_string(i));
      big.Exec("create table " + tables.back() + " (id integer, note varchar(40))");
      big.Exec("insert into " + tables.back() +
               " with recursive n(i) as (select 1 union all select i + 1 from n where i < "
               "200000) select i, 'row ' || i from n");
    }
  }
  std::string list;
  for (const auto& t : tables) list += (list.empty() ? "" : ",") + t;
  Db target(pg);
  const DropAtEnd drop{target, tables};
  const ScopedEnv tmp("TMPDIR", dir.string());
  pid_t pid = Spawn({Binary(), "--direction", "9", "--source", src, "--target", pg, "--tables",
                     list, "--mode", "2", "--jobs", "3", "--log-dir", logDir.string()},
                    dir / "out.txt", dir / "err.txt");
  // Once the tables are under way (their processes are running), press Ctrl-C.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (TableJobsAlive(dir) < 3 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  kill(pid, SIGINT);
  const int code = WaitFor(pid, 60);
  const std::string out = ReadFile(dir / "out.txt");

  EXPECT_EQ(code, 3) << out << ReadFile(dir / "err.txt");
  EXPECT_EQ(TableJobsAlive(dir), 0);
  // The three under way stopped short; the three waiting never started.
  EXPECT_TRUE(Contains(out, "not exported " + tables[5])) << out;
  EXPECT_FALSE(Contains(out, "exported     " + tables[0])) << out;
  EXPECT_FALSE(Contains(out, "exported     " + tables[2])) << out;
}

// --- Passwords ----------------------------------------------------------------------------

// A MariaDB login with a password, for the paths that must carry one unseen.
class MvqcliPasswords : public Mvqcli {
 protected:
  void SetUp() override {
    Mvqcli::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    const char* maria = std::getenv("MVQ_TEST_MARIADB");
    if (!maria || !*maria) return Unavailable("MVQ_TEST_MARIADB is not set");
    admin = std::make_unique<Db>(maria);
    const std::string id = std::to_string(::getpid());
    user = "mvq_pw_" + id;
    secret = "Pw-" + id + "-geheim;x";
    table = "cli_pw_" + id;
    for (const char* host : {"localhost", "127.0.0.1", "%"}) {
      const std::string at = "'" + user + "'@'" + host + "'";
      admin->Exec("create or replace user " + at + " identified by 'Pw-" + id + "-geheim;x'");
      admin->Exec("grant all on *.* to " + at);
    }
    std::string base = maria;
    base = base.substr(0, base.find(";UID="));
    targetWith = [base, this](const std::string& pwd) {
      return base + ";UID=" + user + ";PWD=" + pwd;
    };
    source = SqliteCs("src.db");
    Db s(source);
    s.Exec("create table " + table + " (id integer, name varchar(20))");
    s.Exec("insert into " + table + " values (1, 'a'), (2, 'b')");
  }
  void TearDown() override {
    if (admin) {
      try {
        admin->Exec("drop table if exists " + table);
        for (const char* host : {"localhost", "127.0.0.1", "%"})
          admin->Exec("drop user if exists '" + user + "'@'" + host + "'");
      } catch (...) {
      }
    }
    Mvqcli::TearDown();
  }
  // The secret in neither stream nor the log.
  void ExpectHidden(const Result& r, const std::string& what) {
    EXPECT_FALSE(Contains(r.out, what)) << r.out;
    EXPECT_FALSE(Contains(r.err, what)) << r.err;
    const std::string log = LogText();
    EXPECT_FALSE(Contains(log, what)) << log;
  }

  std::unique_ptr<Db> admin;
  std::string user, secret, table, source;
  std::function<std::string(const std::string&)> targetWith;
};

TEST_F(MvqcliPasswords, AConnectionStringTakesItsPasswordFromTheEnvironment) {
  ScopedEnv env("MVQ_TEST_SECRET", secret);
  Result r = Run({"--direction", "9", "--source", source, "--target",
                  targetWith("${MVQ_TEST_SECRET}"), "--tables", table, "--verify"});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(admin->Count(table), 2);
  ExpectHidden(r, secret);
  ExpectHidden(r, "geheim");

  ScopedEnv wrong("MVQ_TEST_SECRET", "Wrong-" + secret);
  Result refused = Run({"--direction", "9", "--source", source, "--target",
                        targetWith("${MVQ_TEST_SECRET}"), "--tables", table});
  EXPECT_EQ(refused.code, 2);
  EXPECT_TRUE(Contains(refused.err, "目标数据连接失败")) << refused.err;
  ExpectHidden(refused, "geheim");
}

TEST_F(MvqcliPasswords, APasswordTypedIntoTheStringIsNotRepeated) {
  // Braced as ODBC wants a value with ";" in it; wrong, so that the driver's refusal is shown.
  Result r = Run({"--direction", "9", "--source", source, "--target",
                  targetWith("{Wrong-" + secret + "}"), "--tables", table});
  EXPECT_EQ(r.code, 2);
  ExpectHidden(r, "geheim");
}

TEST_F(MvqcliPasswords, AnUnsetVariableWithoutATerminalIsASettingsFailure) {
  ::unsetenv("MVQ_TEST_UNSET");
  Result r = Run({"--direction", "9", "--source", source, "--target",
                  targetWith("${MVQ_TEST_UNSET}"), "--tables", table});
  EXPECT_EQ(r.code, 2);
  EXPECT_TRUE(Contains(r.err, "MVQ_TEST_UNSET is not set")) << r.err;
  Result oracle =
      Run({"--direction", "2", "--oracle-sid", "x", "--oracle-user", "u", "--oracle-password-env",
           "MVQ_TEST_UNSET", "--mdb", (dir / "a.mdb").string(), "--all"});
  EXPECT_EQ(oracle.code, 2);
  EXPECT_TRUE(Contains(oracle.err,
                       "--oracle-password-env: the environment variable "
                       "MVQ_TEST_UNSET is not set"))
      << oracle.err;
  Result prompt = Run({"--direction", "0", "--sqlserver-password-prompt", "--all"});
  EXPECT_EQ(prompt.code, 2);
  EXPECT_TRUE(Contains(prompt.err, "no terminal")) << prompt.err;
  EXPECT_EQ(
      Run({"--direction", "1", "--oracle-password", "a", "--oracle-password-env", "B", "--all"})
          .code,
      2);
}

TEST_F(MvqcliPasswords, TheOraclePasswordFromTheEnvironmentStaysOutOfSight) {
  ScopedEnv env("MVQ_TEST_ORACLE_SECRET", secret);
  // No Oracle driver or server here: the connection fails, and its report must not show it.
  Result r = Run({"--direction", "2", "--oracle-sid", "ORCL", "--oracle-user", "scott",
                  "--oracle-password-env", "MVQ_TEST_ORACLE_SECRET", "--mdb",
                  (dir / "a.mdb").string(), "--all"});
  EXPECT_EQ(r.code, 2) << r.out << r.err;
  ExpectHidden(r, "geheim");
}

TEST_F(MvqcliPasswords, AnInteractiveTerminalIsAskedWithoutEcho) {
  if (std::system("/usr/bin/python3 -c 'import pty' >/dev/null 2>&1") != 0)
    return Unavailable("/usr/bin/python3 is missing");
  // The binary on a pseudo terminal: answer the prompt, then collect what the terminal showed.
  const fs::path script = dir / "answer_prompt.py";
  std::ofstream(script) << R"(import os, pty, sys
pid, fd = pty.fork()
if pid == 0:
    os.execv(sys.argv[2], sys.argv[2:])
seen = b''
while b'password for MVQ_TEST_ASKED: ' not in seen:
    seen += os.read(fd, 1024)
os.write(fd, sys.argv[1].encode() + b'\n')
while True:
    try:
        chunk = os.read(fd, 1024)
    except OSError:
        break
    if not chunk:
        break
    seen += chunk
_, status = os.waitpid(pid, 0)
sys.stdout.write(seen.decode('utf-8', 'replace'))
sys.exit(os.waitstatus_to_exitcode(status))
)";
  ::unsetenv("MVQ_TEST_ASKED");
  Result r;
  r.code = Wait(Spawn({"/usr/bin/python3", script.string(), secret, Binary(), "--direction", "9",
                       "--source", source, "--target", targetWith("${MVQ_TEST_ASKED}"), "--tables",
                       table, "--log-dir", logDir.string()},
                      dir / "out.txt", dir / "err.txt"));
  r.out = ReadFile(dir / "out.txt");
  r.err = ReadFile(dir / "err.txt");
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "password for MVQ_TEST_ASKED: ")) << r.out;
  EXPECT_EQ(admin->Count(table), 2);
  ExpectHidden(r, "geheim");
}

TEST_F(MvqcliPasswords, APlanAndItsSummaryDoNotShowThePassword) {
  ScopedEnv env("MVQ_TEST_SECRET", secret);
  Result r = Run({"--direction", "9", "--source", source, "--target",
                  targetWith("${MVQ_TEST_SECRET}"), "--tables", table, "--plan", "--summary", "-"});
  ASSERT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_TRUE(Contains(r.out, "\"create_sql\":\"create table " + table)) << r.out;
  ExpectHidden(r, "geheim");
}

}  // namespace
}  // namespace mvq::test
