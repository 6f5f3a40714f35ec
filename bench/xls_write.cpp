// Workbook writers against gnumeric: the same rows (default 1,000,000 x 8 columns) into a
// .xls of 65,535-row sheets, into a one-sheet .xlsx, and through ssconvert from CSV files
// into a .xls of as many sheets. Each writer runs in its own child process, so its peak
// RSS is its own.
//
//   xls_write [rows] [directory]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "Measure.h"
#include "platform/xls/Workbook.h"

using namespace mvq::xls;

namespace {

constexpr int kPage = 65535;  // data rows per .xls sheet, a header row above them

struct Row {
  int64_t id;
  int qty;
  double amount;
  int y, m, d, hh, mi, ss;
  bool active;
  std::string name, code;
};

void MakeRow(int64_t i, Row& r) {
  r.id = i + 1;
  r.name = "客户" + std::to_string(i % 1000);
  char code[16];
  std::snprintf(code, sizeof code, "C%08lld", static_cast<long long>(i));
  r.code = code;
  r.amount = static_cast<double>(i % 100000) / 100.0 + 0.25;
  r.qty = static_cast<int>(i % 977);
  r.y = 2000 + static_cast<int>(i % 25);
  r.m = 1 + static_cast<int>(i % 12);
  r.d = 1 + static_cast<int>(i % 28);
  r.hh = static_cast<int>(i % 24);
  r.mi = static_cast<int>(i % 60);
  r.ss = static_cast<int>((i * 7) % 60);
  r.active = i % 3 == 0;
}

const char* const kHeader[] = {"ID",  "NAME",    "CODE",    "AMOUNT",
                               "QTY", "CREATED", "UPDATED", "ACTIVE"};

void WriteBook(const std::string& path, int64_t rows, int64_t perSheet) {
  Workbook book(FormatOfPath(path));
  std::vector<Cell> header;
  for (const char* h : kHeader) header.push_back(Cell::Text(h));
  std::vector<Cell> cells(8);
  Row r;
  for (int64_t start = 0, page = 0; start < rows; start += perSheet, ++page) {
    Worksheet& sheet = book.AddSheet(page == 0 ? "T" : "T" + std::to_string(page));
    sheet.FitColumnWidths();
    sheet.AppendRow(header);
    for (int64_t i = start; i < std::min(rows, start + perSheet); ++i) {
      MakeRow(i, r);
      cells[0] = Cell::Number(static_cast<double>(r.id));
      cells[1] = Cell::Text(r.name);
      cells[2] = Cell::Text(r.code);
      cells[3] = Cell::Number(r.amount);
      cells[4] = Cell::Number(r.qty);
      cells[5] = Cell::Date(r.y, r.m, r.d);
      cells[6] = Cell::DateTime(r.y, r.m, r.d, r.hh, r.mi, r.ss);
      cells[7] = Cell::Bool(r.active);
      sheet.AppendRow(cells);
    }
  }
  for (const char* n : {"Sheet1", "Sheet2", "Sheet3"}) book.DeleteSheet(n);
  book.Save(path);
}

std::vector<std::string> WriteCsvPages(const std::string& dir, int64_t rows) {
  std::vector<std::string> files;
  Row r;
  for (int64_t start = 0, page = 0; start < rows; start += kPage, ++page) {
    files.push_back(dir + "/T" + (page ? std::to_string(page) : "") + ".csv");
    std::ofstream out(files.back());
    out << "ID,NAME,CODE,AMOUNT,QTY,CREATED,UPDATED,ACTIVE\n";
    char line[256];
    for (int64_t i = start; i < std::min(rows, start + kPage); ++i) {
      MakeRow(i, r);
      std::snprintf(line, sizeof line,
                    "%lld,%s,%s,%.2f,%d,%04d-%02d-%02d,%04d-%02d-%02d %02d:%02d:%02d,%s\n",
                    static_cast<long long>(r.id), r.name.c_str(), r.code.c_str(), r.amount, r.qty,
                    r.y, r.m, r.d, r.y, r.m, r.d, r.hh, r.mi, r.ss, r.active ? "TRUE" : "FALSE");
      out << line;
    }
  }
  return files;
}

using mvq::bench::ChildResult;
using mvq::bench::FileKb;
using mvq::bench::MeasureChild;

}  // namespace

int main(int argc, char** argv) {
  const int64_t rows = argc > 1 ? std::atoll(argv[1]) : 1000000;
  const std::string dir = argc > 2 ? argv[2] : "/tmp/mvq-bench-xls";
  std::system(("mkdir -p '" + dir + "'").c_str());
  const std::string xls = dir + "/mvq.xls", xlsx = dir + "/mvq.xlsx", gnm = dir + "/gnumeric.xls";
  const int64_t sheets = (rows + kPage - 1) / kPage;

  std::printf("%lld rows x 8 columns; .xls in %lld sheets of %d rows + header\n",
              static_cast<long long>(rows), static_cast<long long>(sheets), kPage);
  const std::vector<std::string> csv = WriteCsvPages(dir, rows);

  const ChildResult a = MeasureChild([&] {
    WriteBook(xls, rows, kPage);
    return 0;
  });
  const ChildResult b = MeasureChild([&] {
    WriteBook(xlsx, rows, rows);
    return 0;
  });
  const bool haveSsconvert = ::access("/usr/bin/ssconvert", X_OK) == 0;
  ChildResult c;
  if (haveSsconvert) {
    c = MeasureChild([&] {
      // --merge-to wants two files or more; a single page converts directly.
      std::vector<std::string> args = {"ssconvert"};
      if (csv.size() > 1) args.push_back("--merge-to=" + gnm);
      args.insert(args.end(), csv.begin(), csv.end());
      if (csv.size() == 1) args.push_back(gnm);
      std::vector<char*> argvv;
      for (auto& s : args) argvv.push_back(s.data());
      argvv.push_back(nullptr);
      // ssconvert reports each sheet it merges; its messages go to a log beside the files.
      if (!std::freopen((dir + "/ssconvert.log").c_str(), "w", stdout)) return 126;
      ::dup2(::fileno(stdout), 2);
      ::execv("/usr/bin/ssconvert", argvv.data());
      return 127;
    });
  }

  std::printf("%-28s %9s %8s %12s %10s\n", "writer", "seconds", "x gnm", "peak RSS MB", "file MB");
  const auto line = [&](const char* name, const ChildResult& r, const std::string& file) {
    std::printf("%-28s %9.2f %8.2f %12.1f %10.1f%s\n", name, r.seconds,
                haveSsconvert && r.seconds > 0 ? c.seconds / r.seconds : 0.0, r.peakKb / 1024.0,
                FileKb(file) / 1024.0, r.ok ? "" : "  FAILED");
  };
  line("mvq .xls (BIFF8)", a, xls);
  line("mvq .xlsx (libxlsxwriter)", b, xlsx);
  if (haveSsconvert)
    line("ssconvert CSV -> .xls", c, gnm);
  else
    std::printf("ssconvert: not installed (apt-get install gnumeric)\n");
  for (const auto& f : csv) std::remove(f.c_str());
  return a.ok && b.ok ? 0 : 1;
}
