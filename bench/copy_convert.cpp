// One table of rows x 5 columns carried from SQLite to PostgreSQL and to MariaDB by
// ConvertTable in the custom direction, side by side in one run with pgloader and psql's
// \copy of the same rows (PostgreSQL) and with raw ODBC parameter arrays (MariaDB). Then the
// peak resident memory of the same copies at growing table sizes (and of MariaDB as the
// source, read in ranges of its key). Every phase runs in a
// process of its own, so that its peak is its own. See README.md.
//
//   copy_convert [rows=1000000] [sizes for the memory series=1000000,2000000,4000000]
//   copy_convert rows postgresql|mariadb|raw   (that copy alone, for a profiler; raw: the
//   UTF-8 raw arrays into MariaDB)
//
// Needs MVQ_TEST_PG and MVQ_TEST_MARIADB (scripts/services start), sqlite3, psql and
// pgloader on the PATH. Source files are kept in $MVQ_BENCH_DIR (default
// /tmp/mvq-copy-bench) and reused.
#include <sql.h>
#include <sqlext.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "Measure.h"
#include "engine/Gateways.h"
#include "engine/utConvertDb.h"
#include "gates/ado/UtdefAdo.h"
#include "platform/odbc/ConnectionString.h"
#include "platform/odbc/OdbcConnection.h"
#include "platform/text/Gbk.h"
#include "support/CurrentDirection.h"
#include "support/utLog.h"

namespace {

namespace fs = std::filesystem;

const char* const kTable = "bench";
const char* const kColumns =
    "id bigint primary key, name varchar(50), amount numeric(12,2), created %s, note "
    "varchar(100)";

struct Result {
  bool ok = false;
  long long rows = 0;
  double seconds = 0;
  long peakKb = 0;
  std::string note;
};

std::string Columns(const char* timestampType) {
  char b[256];
  std::snprintf(b, sizeof b, kColumns, timestampType);
  return b;
}

using mvq::bench::PeakKb;
using mvq::bench::Since;

// Runs work in a child process; it reports through a pipe.
Result InChild(const std::function<Result()>& work) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  std::fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    Result r;
    try {
      r = work();
    } catch (const std::exception& e) {
      r.ok = false;
      r.note = e.what();
    }
    std::ostringstream out;
    out << r.ok << ' ' << r.rows << ' ' << r.seconds << ' ' << r.peakKb << ' ' << r.note;
    std::string text = out.str();
    ssize_t ignored = write(fds[1], text.data(), text.size());
    (void)ignored;
    _exit(0);
  }
  close(fds[1]);
  std::string text;
  char buf[512];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
    text.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  waitpid(pid, nullptr, 0);
  Result r;
  std::istringstream in(text);
  in >> r.ok >> r.rows >> r.seconds >> r.peakKb;
  std::getline(in, r.note);
  return r;
}

// Runs a command; its wall time and the peak resident memory of its process.
Result Command(const std::vector<std::string>& argv, const std::string& outputFile) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    FILE* out = std::freopen(outputFile.c_str(), "w", stdout);
    if (out) dup2(fileno(stdout), 2);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  Result r;
  r.seconds = Since(start);
  r.peakKb = usage.ru_maxrss;
  r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!r.ok) r.note = "exit status " + std::to_string(WEXITSTATUS(status)) + ", see " + outputFile;
  return r;
}

std::string Attr(const std::string& odbc, const char* key, const char* fallback) {
  return mvq::db::AttributeValue(odbc, key).value_or(fallback);
}

// One statement on a fresh connection.
void Run(const std::string& cs, const std::string& sql) {
  auto conn = mvq::db::NewConnection();
  conn->Open(cs);
  conn->Execute(sql);
}

long long CountRows(const std::string& cs) {
  auto conn = mvq::db::NewConnection();
  conn->Open(cs);
  auto q = conn->CreateQuery();
  q->Open(std::string("select count(*) from ") + kTable);
  return q->Value(0).AsInt();
}

// The SQLite source of rows rows, made once with the sqlite3 shell.
std::string SourceFile(const fs::path& dir, long long rows) {
  fs::path file = dir / ("src-" + std::to_string(rows) + ".db");
  if (fs::exists(file)) return file.string();
  fs::path part = file;
  part += ".part";
  fs::remove(part);
  std::string sql =
      "create table " + std::string(kTable) + " (" + Columns("timestamp") +
      ");\nwith recursive c(i) as (select 1 union all select i + 1 from c where i < " +
      std::to_string(rows) + ") insert into " + kTable +
      " select i, '客户' || i, (i % 100000) || '.' || (10 + i % 90), "
      "printf('2024-%02d-%02d %02d:30:15.%03d', 1 + i % 12, 1 + i % 28, i % 24, "
      "i % 1000), 'note ' || (i * 7) from c;\n";
  fs::path script = dir / "make.sql";
  std::ofstream(script) << sql;
  std::string cmd = "sqlite3 '" + part.string() + "' < '" + script.string() + "'";
  if (std::system(cmd.c_str()) != 0) throw std::runtime_error("sqlite3 failed: " + cmd);
  fs::rename(part, file);
  return file.string();
}

// How the target's rows go: the engine's bulk path where it has one (PostgreSQL: COPY), else
// parameter arrays sent ahead from their own thread; parameter arrays; or parameter arrays
// sent in turn with the reading of the next rows.
enum class Appends { Best, Arrays, ArraysInTurn };

// ConvertTable in the custom direction into a table created beforehand with its key, the
// rows of the source going in with the existing-table mode "delete records".
Result Convert(const std::string& sourceFile, const std::string& targetCs, const char* tsType,
               Appends appends, const fs::path& logDir, const std::string& sourceCs = "") {
  Run(targetCs, std::string("drop table if exists ") + kTable);
  Run(targetCs, std::string("create table ") + kTable + " (" + Columns(tsType) + ")");
  return InChild([&] {
    mvq::SetLogFileForDay(logDir.string() + "/");
    mvq::db::SetBulkAppends(appends == Appends::Best);
    mvq::db::SetAppenderSendsAhead(appends != Appends::ArraysInTurn);
    mvq::CustomSourceGate = std::make_unique<mvq::TADOConn>(
        sourceCs.empty() ? "DRIVER=SQLite3;Database=" + sourceFile : sourceCs);
    mvq::CustomTargetGate = std::make_unique<mvq::TADOConn>(targetCs);
    if (!mvq::CustomSourceGate->IsConnected() || !mvq::CustomTargetGate->IsConnected())
      throw std::runtime_error("a gate did not connect");
    mvq::CurrentDirection = 9;
    auto start = std::chrono::steady_clock::now();
    mvq::ConvertTable(kTable, mvq::tmDeleteRecords);
    Result r;
    r.seconds = Since(start);
    r.peakKb = PeakKb();
    mvq::CustomSourceGate.reset();
    mvq::CustomTargetGate.reset();
    r.rows = CountRows(targetCs);
    // The report line of the table says whether every row went.
    std::ifstream in(mvq::LogFileName, std::ios::binary);
    std::string log = mvq::text::GbkToUtf8(
        std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    r.ok = log.rfind("导出成功:表bench") != std::string::npos;
    if (!r.ok) r.note = "no success line in " + mvq::LogFileName;
    fs::remove(mvq::LogFileName);
    return r;
  });
}

Result Pgloader(const std::string& sourceFile, const std::string& pgCs, const fs::path& dir) {
  Run(pgCs, std::string("drop table if exists ") + kTable);
  std::string url = "pgsql://" + Attr(pgCs, "UID", "postgres") + "@" +
                    Attr(pgCs, "SERVER", "127.0.0.1") + ":" + Attr(pgCs, "PORT", "5432") + "/" +
                    Attr(pgCs, "DATABASE", "postgres");
  Result r = Command({"pgloader", "sqlite://" + sourceFile, url}, (dir / "pgloader.log").string());
  if (r.ok) r.rows = CountRows(pgCs);
  return r;
}

Result PsqlCopy(const std::string& sourceFile, const std::string& pgCs, const fs::path& dir) {
  fs::path csv = dir / (fs::path(sourceFile).stem().string() + ".csv");
  if (!fs::exists(csv)) {
    std::string cmd =
        "sqlite3 -csv '" + sourceFile + "' 'select * from " + kTable + "' > '" + csv.string() + "'";
    if (std::system(cmd.c_str()) != 0) throw std::runtime_error("sqlite3 failed: " + cmd);
  }
  Run(pgCs, std::string("drop table if exists ") + kTable);
  Run(pgCs, std::string("create table ") + kTable + " (" + Columns("timestamp") + ")");
  Result r =
      Command({"psql", "-h", Attr(pgCs, "SERVER", "127.0.0.1"), "-p", Attr(pgCs, "PORT", "5432"),
               "-U", Attr(pgCs, "UID", "postgres"), "-d", Attr(pgCs, "DATABASE", "postgres"), "-v",
               "ON_ERROR_STOP=1", "-c",
               std::string("\\copy ") + kTable + " from '" + csv.string() + "' with (format csv)"},
              (dir / "psql.log").string());
  if (r.ok) r.rows = CountRows(pgCs);
  return r;
}

// Raw ODBC: the same rows as parameter arrays of kArray rows through the driver, in one
// transaction, with no layer in between: the driver's own speed. Timestamps go as
// SQL_TIMESTAMP_STRUCT (which the driver leaks, about 47 bytes a value), or with
// textStamps as text, the way mvq sends them to MariaDB.
Result RawArrays(const std::string& cs, long long rows, bool utf8, size_t kArray,
                 bool textStamps = false) {
  Run(cs, std::string("drop table if exists ") + kTable);
  Run(cs, std::string("create table ") + kTable + " (" + Columns("datetime(6)") + ")");
  return InChild([&] {
    SQLHENV env;
    SQLHDBC dbc;
    SQLHSTMT st;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env);
    SQLSetEnvAttr(env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, env, &dbc);
    if (!SQL_SUCCEEDED(SQLDriverConnect(dbc, nullptr, (SQLCHAR*)cs.c_str(), SQL_NTS, nullptr, 0,
                                        nullptr, SQL_DRIVER_NOPROMPT)))
      throw std::runtime_error("raw connect failed");
    SQLSetConnectAttr(dbc, SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(SQL_AUTOCOMMIT_OFF),
                      0);
    SQLAllocHandle(SQL_HANDLE_STMT, dbc, &st);
    std::string sql = std::string("insert into ") + kTable + " values (?, ?, ?, ?, ?)";
    SQLPrepare(st, (SQLCHAR*)sql.c_str(), SQL_NTS);
    constexpr size_t kText = 64;
    std::vector<SQLBIGINT> ids(kArray);
    std::vector<SQLWCHAR> names(kArray * kText), notes(kArray * kText);
    std::vector<char> names8(kArray * kText * 3), notes8(kArray * kText * 3);
    std::vector<char> amounts(kArray * 24), stampTexts(kArray * 32);
    std::vector<SQL_TIMESTAMP_STRUCT> stamps(kArray);
    std::vector<SQLLEN> nameLen(kArray), amountLen(kArray), noteLen(kArray), stampLen(kArray);
    SQLSetStmtAttr(st, SQL_ATTR_PARAM_BIND_TYPE, SQL_PARAM_BIND_BY_COLUMN, 0);
    SQLSetStmtAttr(st, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(kArray), 0);
    SQLBindParameter(st, 1, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, ids.data(), 0,
                     nullptr);
    if (utf8)
      SQLBindParameter(st, 2, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 50, 0, names8.data(),
                       kText * 3, nameLen.data());
    else
      SQLBindParameter(st, 2, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 50, 0, names.data(),
                       kText * sizeof(SQLWCHAR), nameLen.data());
    SQLBindParameter(st, 3, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_DECIMAL, 12, 2, amounts.data(), 24,
                     amountLen.data());
    if (textStamps)
      SQLBindParameter(st, 4, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 32, 0, stampTexts.data(),
                       32, stampLen.data());
    else
      SQLBindParameter(st, 4, SQL_PARAM_INPUT, SQL_C_TYPE_TIMESTAMP, SQL_TYPE_TIMESTAMP, 23, 3,
                       stamps.data(), 0, nullptr);
    if (utf8)
      SQLBindParameter(st, 5, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 100, 0, notes8.data(),
                       kText * 3, noteLen.data());
    else
      SQLBindParameter(st, 5, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 100, 0, notes.data(),
                       kText * sizeof(SQLWCHAR), noteLen.data());
    auto wide = [](const std::string& ascii, SQLWCHAR* out, const char16_t* prefix) {
      size_t n = 0;
      for (; prefix && prefix[n]; ++n) out[n] = prefix[n];
      for (char c : ascii) out[n++] = static_cast<SQLWCHAR>(c);
      return static_cast<SQLLEN>(n * sizeof(SQLWCHAR));
    };
    auto start = std::chrono::steady_clock::now();
    for (long long done = 0; done < rows;) {
      size_t n = static_cast<size_t>(std::min<long long>(kArray, rows - done));
      for (size_t k = 0; k < n; ++k) {
        long long i = done + static_cast<long long>(k) + 1;
        ids[k] = i;
        if (utf8) {
          nameLen[k] = std::snprintf(&names8[k * kText * 3], kText * 3, "客户%lld", i);
          noteLen[k] = std::snprintf(&notes8[k * kText * 3], kText * 3, "note %lld", i * 7);
        } else {
          nameLen[k] = wide(std::to_string(i), &names[k * kText], u"客户");
          noteLen[k] = wide("note " + std::to_string(i * 7), &notes[k * kText], nullptr);
        }
        amountLen[k] = std::snprintf(&amounts[k * 24], 24, "%lld.%lld", i % 100000, 10 + i % 90);
        stamps[k] = {2024,
                     static_cast<SQLUSMALLINT>(1 + i % 12),
                     static_cast<SQLUSMALLINT>(1 + i % 28),
                     static_cast<SQLUSMALLINT>(i % 24),
                     30,
                     15,
                     static_cast<SQLUINTEGER>(i % 1000) * 1000000};
        if (textStamps)
          stampLen[k] =
              std::snprintf(&stampTexts[k * 32], 32, "2024-%02lld-%02lld %02lld:30:15.%03lld",
                            1 + i % 12, 1 + i % 28, i % 24, i % 1000);
      }
      SQLSetStmtAttr(st, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(n), 0);
      if (!SQL_SUCCEEDED(SQLExecute(st))) throw std::runtime_error("raw array insert failed");
      done += static_cast<long long>(n);
    }
    SQLEndTran(SQL_HANDLE_DBC, dbc, SQL_COMMIT);
    Result r;
    r.seconds = Since(start);
    r.peakKb = PeakKb();
    SQLFreeHandle(SQL_HANDLE_STMT, st);
    SQLDisconnect(dbc);
    SQLFreeHandle(SQL_HANDLE_DBC, dbc);
    SQLFreeHandle(SQL_HANDLE_ENV, env);
    r.rows = CountRows(cs);
    r.ok = r.rows == rows;
    return r;
  });
}

double Rate(const Result& r) {
  return r.ok && r.seconds > 0 ? static_cast<double>(r.rows) / r.seconds : 0;
}

void Print(const std::string& what, const Result& r) {
  if (!r.ok && r.rows == 0) {
    std::printf("%-48s failed: %s\n", what.c_str(), r.note.c_str());
  } else {
    std::printf("%-48s %9lld %8.2f %10.0f %8.1f%s%s\n", what.c_str(), r.rows, r.seconds, Rate(r),
                static_cast<double>(r.peakKb) / 1024.0,
                r.ok ? "" : "  INCOMPLETE: ", r.ok ? "" : r.note.c_str());
  }
  std::fflush(stdout);
}

std::vector<long long> Sizes(const char* text) {
  std::vector<long long> sizes;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ','))
    if (!item.empty()) sizes.push_back(std::atoll(item.c_str()));
  return sizes;
}

}  // namespace

int main(int argc, char** argv) {
  const long long rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
  const auto sizes = Sizes(argc > 2 ? argv[2] : "1000000,2000000,4000000");
  const char* pg = std::getenv("MVQ_TEST_PG");
  const char* maria = std::getenv("MVQ_TEST_MARIADB");
  if (!pg || !maria) {
    std::fprintf(stderr, "MVQ_TEST_PG and MVQ_TEST_MARIADB must be set (scripts/services start)\n");
    return 2;
  }
  const char* dirEnv = std::getenv("MVQ_BENCH_DIR");
  fs::path dir = dirEnv ? dirEnv : "/tmp/mvq-copy-bench";
  fs::create_directories(dir);
  fs::path logs = dir / "logs";
  fs::create_directories(logs);

  try {
    const std::string source = SourceFile(dir, rows);
    if (argc > 2 &&
        (std::strcmp(argv[2], "postgresql") == 0 || std::strcmp(argv[2], "mariadb") == 0)) {
      const bool toPg = argv[2][0] == 'p';
      Print(argv[2], Convert(source, toPg ? pg : maria, toPg ? "timestamp" : "datetime(6)",
                             Appends::Best, logs));
      return 0;
    }
    if (argc > 2 && std::strcmp(argv[2], "raw") == 0) {
      Print("raw ODBC arrays of 1000 -> MariaDB, UTF-8", RawArrays(maria, rows, true, 1000));
      Print("raw ... of 5000, UTF-8, dates as text", RawArrays(maria, rows, true, 5000, true));
      return 0;
    }
    std::printf("%lld rows x 5 columns from %s\n\n", rows, source.c_str());
    std::printf("%-48s %9s %8s %10s %8s\n", "phase", "rows", "seconds", "rows/s", "peak MB");
    Result copy = Convert(source, pg, "timestamp", Appends::Best, logs);
    Print("mvq SQLite->PostgreSQL (COPY)", copy);
    Result loader = Pgloader(source, pg, dir);
    Print("pgloader SQLite->PostgreSQL", loader);
    Result psql = PsqlCopy(source, pg, dir);
    Print("psql \\copy CSV->PostgreSQL (table with key)", psql);
    Result arrays = Convert(source, pg, "timestamp", Appends::Arrays, logs);
    Print("mvq SQLite->PostgreSQL (ODBC arrays)", arrays);
    Result toMaria = Convert(source, maria, "datetime(6)", Appends::Best, logs);
    Print("mvq SQLite->MariaDB", toMaria);
    Result inTurn = Convert(source, maria, "datetime(6)", Appends::ArraysInTurn, logs);
    Print("mvq SQLite->MariaDB (arrays sent in turn)", inTurn);
    Result raw16 = RawArrays(maria, rows, false, 1000);
    Print("raw ODBC arrays of 1000 -> MariaDB, UTF-16", raw16);
    Result raw8 = RawArrays(maria, rows, true, 1000);
    Print("raw ODBC arrays of 1000 -> MariaDB, UTF-8", raw8);
    Result raw5k = RawArrays(maria, rows, true, 5000);
    Print("raw ODBC arrays of 5000 -> MariaDB, UTF-8", raw5k);
    Result rawText = RawArrays(maria, rows, true, 5000, true);
    Print("raw ... of 5000, UTF-8, dates as text", rawText);
    const Result& raw = Rate(raw8) > Rate(raw16) ? raw8 : raw16;
    Run(pg, std::string("drop table if exists ") + kTable);
    Run(maria, std::string("drop table if exists ") + kTable);

    auto ratio = [](const Result& a, const Result& b) {
      return Rate(b) > 0 ? Rate(a) / Rate(b) : 0.0;
    };
    std::printf("\nmvq/pgloader (PostgreSQL)      %.2f  (goal >= 1.5)\n", ratio(copy, loader));
    std::printf("mvq/psql \\copy (PostgreSQL)    %.2f  (goal >= 0.67)\n", ratio(copy, psql));
    std::printf("COPY/ODBC arrays (PostgreSQL)  %.2f\n", ratio(copy, arrays));
    std::printf("mvq/faster raw ODBC arrays of 1000 (MariaDB)  %.2f  (goal >= 1.0)\n",
                ratio(toMaria, raw));
    std::printf("mvq/raw ODBC arrays of 5000, UTF-8 (MariaDB)  %.2f\n", ratio(toMaria, raw5k));
    std::printf("mvq/raw arrays of 5000 with dates as text (MariaDB)  %.2f\n",
                ratio(toMaria, rawText));
    std::printf("sent ahead/sent in turn (MariaDB)  %.2f\n\n", ratio(toMaria, inTurn));

    std::printf("%-48s %9s %8s %10s %8s\n", "peak memory by table size", "rows", "seconds",
                "rows/s", "peak MB");
    for (long long n : sizes) {
      const std::string file = SourceFile(dir, n);
      Print("mvq SQLite->PostgreSQL", Convert(file, pg, "timestamp", Appends::Best, logs));
      Print("mvq SQLite->MariaDB", Convert(file, maria, "datetime(6)", Appends::Best, logs));
      // The rows just written to MariaDB, read back in key ranges.
      Print("mvq MariaDB->PostgreSQL", Convert("", pg, "timestamp", Appends::Best, logs, maria));
    }
    Run(pg, std::string("drop table if exists ") + kTable);
    Run(maria, std::string("drop table if exists ") + kTable);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "copy_convert: %s\n", e.what());
    return 1;
  }
  return 0;
}
