// The workbook export end to end: a SQLite table (default 1,000,000 rows x 8 columns) read
// as the custom source through the ODBC layer and written by Texpexcel into a .xls (sheets
// of 65,535 rows) and a .xlsx (one sheet), beside a plain streamed read of the same rows.
// Each run is its own child process, so its peak RSS is its own.
//
//   expexcel_sqlite [rows] [directory]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "Measure.h"
#include "engine/Gateways.h"
#include "excel/utexpexcel.h"
#include "gates/ado/UtdefAdo.h"
#include "support/CurrentDirection.h"
#include "support/utLog.h"

namespace {

using mvq::bench::ChildResult;
using mvq::bench::FileKb;
using mvq::bench::MeasureChild;

int Export(const std::string& cs, const std::string& path) {
  mvq::CustomSourceGate = std::make_unique<mvq::TADOConn>(cs);
  if (!mvq::CustomSourceGate->IsConnected()) return 2;
  mvq::CurrentDirection = 9;
  mvq::Texpexcel writer(path);
  writer.ExportTable("t");
  writer.Close();
  mvq::CustomSourceGate.reset();
  return 0;
}

int ReadOnly(const std::string& cs, int64_t rows) {
  mvq::TADOConn gate(cs);
  std::unique_ptr<mvq::db::Query> q;
  gate.OpenQuery("select * from t", q, mvq::db::Fetch::Stream);
  int64_t n = 0;
  size_t bytes = 0;
  for (; !q->Eof(); q->Next(), ++n) bytes += q->Value(2).AsText().size();
  return n == rows && bytes > 0 ? 0 : 3;
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
  const std::string dir = argc > 2 ? argv[2] : "/tmp/mvq-bench-expexcel";
  std::system(("mkdir -p '" + dir + "'").c_str());
  mvq::SetLogFileForDay(dir + "/");
  const std::string db = dir + "/source.db", xls = dir + "/t.xls", xlsx = dir + "/t.xlsx";
  std::remove(db.c_str());
  const std::string cs = "DRIVER=SQLite3;Database=" + db;

  const auto t0 = std::chrono::steady_clock::now();
  {
    mvq::TADOConn gate(cs);
    if (!gate.IsConnected()) {
      std::fprintf(stderr, "cannot open %s\n", cs.c_str());
      return 1;
    }
    gate.ExecuteSql(
        "create table t (id integer, name varchar(20), code varchar(12), amount double, "
        "qty integer, created date, updated timestamp, active boolean)");
    gate.ExecuteSql(
        "insert into t with recursive c(n) as (select 1 union all select n + 1 from c where n < " +
        std::to_string(rows) +
        ") select n, '客户' || (n % 1000), printf('C%08d', n), (n % 100000) / 100.0 + 0.25, "
        "n % 977, date('2000-01-01', '+' || (n % 9000) || ' days'), datetime('2000-01-01', '+' "
        "|| (n * 37 % 700000000) || ' seconds'), n % 3 = 0 from c");
  }
  std::printf("%lld rows x 8 columns loaded into SQLite in %.1f s\n", static_cast<long long>(rows),
              std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());

  const ChildResult read = MeasureChild([&] { return ReadOnly(cs, rows); });
  const ChildResult a = MeasureChild([&] { return Export(cs, xls); });
  const ChildResult b = MeasureChild([&] { return Export(cs, xlsx); });

  std::printf("%-34s %9s %11s %12s %10s\n", "run", "seconds", "rows/s", "peak RSS MB", "file MB");
  const auto line = [&](const char* name, const ChildResult& r, const std::string& file) {
    std::printf("%-34s %9.2f %11.0f %12.1f %10.1f%s\n", name, r.seconds,
                r.seconds > 0 ? static_cast<double>(rows) / r.seconds : 0.0, r.peakKb / 1024.0,
                file.empty() ? 0.0 : FileKb(file) / 1024.0, r.ok ? "" : "  FAILED");
  };
  line("SQLite streamed read only", read, "");
  line("Texpexcel -> .xls (65,535/sheet)", a, xls);
  line("Texpexcel -> .xlsx (one sheet)", b, xlsx);
  std::remove(db.c_str());
  return read.ok && a.ok && b.ok ? 0 : 1;
}
