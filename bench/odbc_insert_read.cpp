// Inserts and reads rows through the ODBC layer on SQLite, PostgreSQL and MariaDB, side by
// side: batched appends (parameter arrays) against row-by-row appends, and streaming reads
// with and without the drivers' bounded-memory options. Prints rows/s and the peak resident
// memory of each phase; every phase runs in a child process of its own, so that its peak is
// its own. See README.md.
//
//   odbc_insert_read [rows=1000000] [row-by-row rows=rows]
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Measure.h"
#include "platform/odbc/Connection.h"
#include "platform/odbc/OdbcConnection.h"

namespace {

using mvq::db::Variant;

struct Engine {
  std::string name, connectionString, unboundedOptions, blobType, timestampType;
};

using mvq::bench::PeakKb;
using mvq::bench::Since;

struct Result {
  double seconds = 0;
  long peakMb = 0;
  long long rows = 0;
};

Result Measure(const std::function<long long()>& phase) {
  auto start = std::chrono::steady_clock::now();
  long long rows = phase();
  Result r;
  r.seconds = Since(start);
  r.peakMb = PeakKb() / 1024;
  r.rows = rows;
  return r;
}

long long Insert(mvq::db::Connection& conn, const std::string& table, long long rows,
                 size_t batchRows) {
  mvq::db::SetAppenderBatchRows(batchRows);
  conn.BeginTrans();
  auto app = conn.CreateAppender(table, 5);
  long long failed = 0;
  for (long long i = 1; i <= rows; ++i) {
    app->Append();
    app->SetField(0, static_cast<int64_t>(i));
    app->SetField(1, "客户" + std::to_string(i));
    app->SetField(2,
                  mvq::db::Decimal{std::to_string(i % 100000) + "." + std::to_string(10 + i % 90)});
    app->SetField(3, mvq::db::DateTime{{2024, static_cast<uint16_t>(1 + i % 12),
                                        static_cast<uint16_t>(1 + i % 28)},
                                       {static_cast<uint16_t>(i % 24), 30, 15},
                                       static_cast<uint32_t>(i % 1000) * 1000000});
    app->SetField(4, "note " + std::to_string(i * 7));
    failed += static_cast<long long>(app->Post().size());
  }
  failed += static_cast<long long>(app->Flush().size());
  conn.CommitTrans();
  mvq::db::SetAppenderBatchRows(0);
  if (failed) std::fprintf(stderr, "  %lld rows failed\n", failed);
  return rows - failed;
}

long long Read(mvq::db::Connection& conn, const std::string& table) {
  auto q = conn.CreateQuery();
  q->Open("select * from " + table, {}, mvq::db::Fetch::Stream);
  long long n = 0;
  size_t bytes = 0;
  for (; !q->Eof(); q->Next(), ++n) bytes += q->Value(1).AsText().size();
  return bytes ? n : 0;
}

void Print(const std::string& engine, const std::string& phase, const Result& r) {
  std::printf("%-11s %-34s %9lld %9.2f %11.0f %8ld\n", engine.c_str(), phase.c_str(), r.rows,
              r.seconds, r.seconds > 0 ? r.rows / r.seconds : 0.0, r.peakMb);
  std::fflush(stdout);
}

// Runs one phase in a child process: connect, work, print one line.
void RunPhase(const Engine& e, const std::string& phase, const std::string& connectionString,
              const std::function<long long(mvq::db::Connection&)>& work) {
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    int code = 0;
    try {
      auto conn = mvq::db::NewConnection();
      conn->Open(connectionString);
      Print(e.name, phase, Measure([&] { return work(*conn); }));
    } catch (const mvq::db::DbError& err) {
      std::printf("%-11s %-34s failed: %s\n", e.name.c_str(), phase.c_str(), err.what());
      code = 1;
    }
    std::fflush(stdout);
    _exit(code);
  }
  int status = 0;
  waitpid(pid, &status, 0);
}

}  // namespace

int main(int argc, char** argv) {
  const long long rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
  const long long singleRows = argc > 2 ? std::atoll(argv[2]) : rows;
  auto dir = std::filesystem::temp_directory_path() / ("mvq-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);

  std::vector<Engine> engines = {{"SQLite",
                                  "DRIVER=SQLite3;Database=" + (dir / "bench.db").string(),
                                  ";StepAPI=0", "blob", "timestamp"}};
  if (const char* pg = std::getenv("MVQ_TEST_PG"))
    engines.push_back({"PostgreSQL", pg, ";UseDeclareFetch=0", "bytea", "timestamp"});
  if (const char* maria = std::getenv("MVQ_TEST_MARIADB"))
    engines.push_back({"MariaDB", maria, "", "longblob", "datetime(6)"});

  std::printf("%-11s %-34s %9s %9s %11s %8s\n", "engine", "phase", "rows", "seconds", "rows/s",
              "peak MB");
  const std::string table = "mvq_bench";
  for (const auto& e : engines) {
    auto create = [&](mvq::db::Connection& conn) {
      conn.Execute("drop table if exists " + table);
      conn.Execute("create table " + table +
                   " (id bigint primary key, name varchar(50), amount numeric(12,2), created " +
                   e.timestampType + ", note varchar(100))");
    };
    RunPhase(e, "insert, batches of 1000", e.connectionString, [&](mvq::db::Connection& conn) {
      create(conn);
      return Insert(conn, table, rows, 1000);
    });
    RunPhase(e, "read, streaming", e.connectionString,
             [&](mvq::db::Connection& conn) { return Read(conn, table); });
    if (!e.unboundedOptions.empty())
      RunPhase(e, "read, streaming" + e.unboundedOptions, e.connectionString + e.unboundedOptions,
               [&](mvq::db::Connection& conn) { return Read(conn, table); });
    RunPhase(e, "insert, row by row (batches of 1)", e.connectionString,
             [&](mvq::db::Connection& conn) {
               create(conn);
               long long n = Insert(conn, table, singleRows, 1);
               conn.Execute("drop table " + table);
               return n;
             });
  }
  std::filesystem::remove_all(dir);
  return 0;
}
