// A schema of tables carried from SQLite to PostgreSQL and to MariaDB by mvqcli with
// --jobs 1, 2 and 4, side by side in one run: wall seconds of the whole run (connect,
// create, copy, commit) and the speed-up over one job. See README.md.
//
//   table_jobs [rows per table=250000] [tables=8] [jobs=1,2,4]
//
// Needs MVQ_TEST_PG and MVQ_TEST_MARIADB (scripts/services start) and mvqcli beside this
// program. The source file is kept in $MVQ_BENCH_DIR (default /tmp/mvq-jobs-bench) and
// reused.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Measure.h"
#include "platform/odbc/Connection.h"
#include "platform/odbc/ConnectionString.h"

namespace fs = std::filesystem;
using namespace mvq;

namespace {

std::string Table(int i) {
  return "jobs_bench_" + std::to_string(i);
}

// The source: tables of rows x 5 columns (key, Chinese text, decimal, timestamp, text).
void MakeSource(const std::string& cs, int tables, long rows) {
  auto c = db::NewConnection();
  c->Open(cs);
  for (int i = 0; i < tables; ++i) {
    const std::string t = Table(i);
    try {
      auto q = c->CreateQuery();
      q->Open("select count(*) from " + t);
      if (q->Value(0).AsInt() == rows) continue;
    } catch (const std::exception&) {
    }
    c->Execute("drop table if exists " + t);
    c->Execute("create table " + t +
               " (id integer primary key, name varchar(50), amount numeric(12,2), "
               "created timestamp, note varchar(100))");
    c->Execute("insert into " + t +
               " with recursive n(i) as (select 1 union all select i + 1 from n where i < " +
               std::to_string(rows) +
               ") select i, '名字' || (i % 1000), (i % 100000) / 100.0, "
               "'2024-01-02 03:04:05.' || printf('%03d', i % 1000), 'note ' || i from n");
  }
}

void DropTargets(const std::string& cs, int tables) {
  auto c = db::NewConnection();
  c->Open(cs);
  for (int i = 0; i < tables; ++i) c->Execute("drop table if exists " + Table(i));
}

// The connection string with its password replaced by ${var}, var set to it: the runs keep
// the password out of the process list, as a script should.
std::string PasswordFromEnvironment(const std::string& cs, const char* var) {
  std::vector<db::Attribute> attributes = db::ParseConnectionString(cs);
  for (db::Attribute& a : attributes) {
    if (!db::IsPasswordKey(a.key)) continue;
    ::setenv(var, a.value.c_str(), 1);
    a.value = std::string("${") + var + "}";
  }
  return db::FormatConnectionString(attributes);
}

std::vector<int> ParseJobs(const std::string& text) {
  std::vector<int> jobs;
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ',');) jobs.push_back(std::stoi(item));
  return jobs;
}

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 250000;
  const int tables = argc > 2 ? std::atoi(argv[2]) : 8;
  const std::vector<int> jobs = ParseJobs(argc > 3 ? argv[3] : "1,2,4");
  const char* pg = std::getenv("MVQ_TEST_PG");
  const char* maria = std::getenv("MVQ_TEST_MARIADB");
  if (!pg || !maria) {
    std::fprintf(stderr, "set MVQ_TEST_PG and MVQ_TEST_MARIADB (scripts/services start)\n");
    return 2;
  }
  const char* where = std::getenv("MVQ_BENCH_DIR");
  const fs::path dir = where ? where : "/tmp/mvq-jobs-bench";
  fs::create_directories(dir);
  const std::string source = "DRIVER=SQLite3;Database=" + (dir / "source.db").string();
  const std::string mvqcli = (fs::read_symlink("/proc/self/exe").parent_path() / "mvqcli").string();

  const auto made = std::chrono::steady_clock::now();
  MakeSource(source, tables, rows);
  std::printf("source: %d tables x %ld rows in %.1f s\n", tables, rows, bench::Since(made));

  std::printf("\n| target | jobs | seconds | rows/s | x first |\n|---|---:|---:|---:|---:|\n");
  for (const auto& [name, cs] :
       {std::pair<const char*, std::string>{"PostgreSQL", pg}, {"MariaDB", maria}}) {
    double one = 0;
    for (int n : jobs) {
      DropTargets(cs, tables);
      const fs::path log = dir / ("log-" + std::string(name) + "-" + std::to_string(n));
      fs::remove_all(log);
      const std::string command = "'" + mvqcli + "' --direction 9 --source '" + source +
                                  "' --target '" + PasswordFromEnvironment(cs, "MVQ_BENCH_PWD") +
                                  "' --all --mode 2 --jobs " + std::to_string(n) + " --log-dir '" +
                                  log.string() + "' > /dev/null 2>&1";
      const auto start = std::chrono::steady_clock::now();
      const int rc = std::system(command.c_str());
      const double seconds = bench::Since(start);
      if (n == jobs.front()) one = seconds;
      std::printf("| %s | %d | %.2f | %.0f | %.2f |%s\n", name, n, seconds,
                  static_cast<double>(rows) * tables / seconds, one / seconds,
                  rc == 0 ? "" : " (mvqcli failed)");
      std::fflush(stdout);
    }
    DropTargets(cs, tables);
  }
  return 0;
}
