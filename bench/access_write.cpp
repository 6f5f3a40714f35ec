// One SQLite table of rows x 5 columns carried by ConvertTable in the custom direction into a
// new Access file (our Jet writer), side by side in one run with Texpexcel writing the same
// rows into a .xls, and with mdb-export reading the finished file (the reader's floor); the
// finished file read whole through the program's connection (our reader) and through the
// MDBTools driver alone, side by side. Then
// the data page fill our checker reports, and the peak resident memory of the Access copy
// at growing table sizes. Every phase runs in a process of its own. See README.md.
//
//   access_write [rows=1000000] [sizes for the memory series=1000000,2000000,4000000]
//
// Needs sqlite3's ODBC driver and mdb-export. Files go to $MVQ_BENCH_DIR (default
// /tmp/mvq-access-bench).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "Measure.h"
#include "engine/Gateways.h"
#include "engine/utConvertDb.h"
#include "excel/utexpexcel.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "platform/jet/JetChecker.h"
#include "platform/odbc/Connection.h"
#include "platform/odbc/OdbcConnection.h"
#include "support/CurrentDirection.h"
#include "support/utLog.h"

namespace {

namespace fs = std::filesystem;
using mvq::bench::ChildResult;
using mvq::bench::FileKb;
using mvq::bench::MeasureChild;

std::string SourceCs(const std::string& file) {
  return "DRIVER=SQLite3;Database=" + file;
}

int MakeSource(const std::string& file, long long rows) {
  mvq::TADOConn gate(SourceCs(file));
  if (!gate.IsConnected()) return 2;
  gate.ExecuteSql(
      "create table t (id integer primary key, name varchar(20), amount double, created date, "
      "note varchar(40))");
  gate.ExecuteSql(
      "insert into t with recursive c(n) as (select 1 union all select n + 1 from c where n < " +
      std::to_string(rows) +
      ") select n, '客户' || (n % 1000), (n % 100000) / 100.0 + 0.25, date('2000-01-01', '+' || "
      "(n % 9000) || ' days'), printf('note %08d', n) from c");
  return 0;
}

// The source table t, made once per size and kept; made in a child process, so that the
// driver's memory never counts in a later phase's peak.
std::string Source(const fs::path& dir, long long rows) {
  const std::string file = (dir / ("source-" + std::to_string(rows) + ".db")).string();
  if (!fs::exists(file)) MeasureChild([&] { return MakeSource(file, rows); });
  return file;
}

int ToAccess(const std::string& source, const std::string& mdb) {
  fs::remove(mdb);
  mvq::CreateMdbFile(mdb);
  mvq::CustomSourceGate = std::make_unique<mvq::TADOConn>(SourceCs(source));
  mvq::CustomTargetGate =
      std::make_unique<mvq::TADOConn>("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + mdb);
  if (!mvq::CustomSourceGate->IsConnected() || !mvq::CustomTargetGate->IsConnected()) return 2;
  mvq::CurrentDirection = 9;
  mvq::ConvertTable("t", mvq::tmDropTable);
  mvq::CustomSourceGate.reset();
  mvq::CustomTargetGate.reset();
  return 0;
}

int ToXls(const std::string& source, const std::string& xls) {
  mvq::CustomSourceGate = std::make_unique<mvq::TADOConn>(SourceCs(source));
  if (!mvq::CustomSourceGate->IsConnected()) return 2;
  mvq::CurrentDirection = 9;
  mvq::Texpexcel writer(xls);
  writer.ExportTable("t");
  writer.Close();
  mvq::CustomSourceGate.reset();
  return 0;
}

// Every row of t streamed and every value touched; fromFile: through the program's
// connection, which reads the file itself, else through the MDBTools driver alone.
int ReadAll(const std::string& mdb, bool fromFile, long long expected) {
  auto c = fromFile ? mvq::db::NewConnection() : mvq::db::CreateOdbcConnection();
  c->Open("DRIVER={MDBTools};DBQ=" + mdb);
  auto q = c->StreamTable("t");
  long long n = 0;
  size_t bytes = 0;
  for (; !q->Eof(); q->Next(), ++n)
    for (size_t i = 0; i < q->Fields().size(); ++i) bytes += q->Value(i).AsText().size();
  std::printf("  %s: %lld rows, %zu bytes of text\n", fromFile ? "our reader" : "MDBTools", n,
              bytes);
  return n == expected ? 0 : 1;
}

long long MdbCount(const std::string& mdb) {
  FILE* p = popen(("mdb-count '" + mdb + "' t").c_str(), "r");
  long long n = -1;
  if (p && std::fscanf(p, "%lld", &n) != 1) n = -1;
  if (p) pclose(p);
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const long long rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
  std::vector<long long> sizes;
  std::stringstream list(argc > 2 ? argv[2] : "1000000,2000000,4000000");
  for (std::string s; std::getline(list, s, ',');) sizes.push_back(std::atoll(s.c_str()));
  const char* env = std::getenv("MVQ_BENCH_DIR");
  const fs::path dir = env ? env : "/tmp/mvq-access-bench";
  fs::create_directories(dir);
  mvq::SetLogFileForDay(dir.string() + "/");

  auto t0 = std::chrono::steady_clock::now();
  const std::string source = Source(dir, rows);
  std::printf("%lld rows x 5 columns in SQLite (%.1f s)\n", rows, mvq::bench::Since(t0));
  const std::string mdb = (dir / "t.mdb").string(), xls = (dir / "t.xls").string();

  const ChildResult access = MeasureChild([&] { return ToAccess(source, mdb); });
  const ChildResult excel = MeasureChild([&] { return ToXls(source, xls); });
  const ChildResult reader = MeasureChild(
      [&] { return std::system(("mdb-export '" + mdb + "' t > /dev/null").c_str()) == 0 ? 0 : 1; });
  const long long written = MdbCount(mdb);
  const ChildResult ours = MeasureChild([&] { return ReadAll(mdb, true, rows); });
  const ChildResult mdbtools = MeasureChild([&] { return ReadAll(mdb, false, rows); });

  std::printf("%-36s %9s %11s %12s %10s\n", "run", "seconds", "rows/s", "peak RSS MB", "file MB");
  auto line = [&](const char* name, const ChildResult& r, const std::string& file) {
    std::printf("%-36s %9.2f %11.0f %12.1f %10.1f%s\n", name, r.seconds,
                r.seconds > 0 ? double(rows) / r.seconds : 0.0, r.peakKb / 1024.0,
                file.empty() ? 0.0 : FileKb(file) / 1024.0, r.ok ? "" : "  FAILED");
  };
  line("ConvertTable SQLite -> new .mdb", access, mdb);
  line("Texpexcel SQLite -> .xls", excel, xls);
  line("mdb-export of the .mdb (reader)", reader, "");
  line("the .mdb streamed by our reader", ours, "");
  line("the .mdb streamed by MDBTools' driver", mdbtools, "");
  std::printf("Access rows/s over .xls rows/s: %.2f (goal >= 0.8)\n",
              excel.seconds > 0 && access.seconds > 0 ? excel.seconds / access.seconds : 0.0);
  std::printf("rows in the .mdb (mdb-count): %lld\n", written);
  std::printf("our reader's rows/s over MDBTools' driver's: %.2f\n",
              ours.seconds > 0 && mdbtools.seconds > 0 ? mdbtools.seconds / ours.seconds : 0.0);
  // The checker walks the file in a child too: its memory stays out of the series below.
  const ChildResult checked = MeasureChild([&] {
    const mvq::jet::CheckReport check = mvq::jet::CheckFile(mdb);
    std::printf("checker: %zu problems, %zu data pages, fill %.1f %% (goal >= 80 %%)\n",
                check.problems.size(), check.dataPages, 100.0 * check.dataFill);
    return check.problems.empty() ? 0 : 1;
  });

  std::printf("\n%-12s %12s %9s  (goal: <= 50 MB, flat)\n", "rows", "peak RSS MB", "seconds");
  bool ok =
      access.ok && excel.ok && reader.ok && written == rows && checked.ok && ours.ok && mdbtools.ok;
  for (long long n : sizes) {
    const std::string src = Source(dir, n);
    const std::string out = (dir / "series.mdb").string();
    const ChildResult r = MeasureChild([&] { return ToAccess(src, out); });
    const long long got = MdbCount(out);
    std::printf("%-12lld %12.1f %9.2f%s\n", n, r.peakKb / 1024.0, r.seconds,
                r.ok && got == n ? "" : "  FAILED");
    ok = ok && r.ok && got == n;
    fs::remove(out);
  }
  return ok ? 0 : 1;
}
