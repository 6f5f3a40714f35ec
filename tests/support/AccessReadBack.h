#pragma once
// Reads an Access file back through the two readers nobody here wrote: MDBTools'
// command-line tools and npm's mdb-reader (tests/node/read-mdb.mjs), as text to compare.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/WorkbookReadBack.h"

namespace mvq::test {

// The output of a shell command; status receives its exit status.
inline std::string Shell(const std::string& command, int* status = nullptr) {
  int s = 0;
  std::string out = RunReader(command + " 2>&1", &s);
  if (status) *status = s;
  EXPECT_TRUE(status || s == 0) << command << " failed:\n" << out.substr(0, 3000);
  return out;
}

// One word for the shell, whatever it holds (a table named O'Brien).
inline std::string Quoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Why mdb-reader cannot run, or "" when it can.
inline std::string JsReaderMissing() {
  int status = 0;
  RunReader("node -e \"import('" MVQ_TEST_DATA_DIR
            "/../node/node_modules/mdb-reader/lib/node/index.js')\" 2>&1",
            &status);
  return status == 0 ? "" : "mdb-reader is not installed (run scripts/setup)";
}

// How read-mdb.mjs shows a binary value: its length and two sums of its bytes.
template <typename Bytes>
std::string JsBytes(const Bytes& bytes) {
  int64_t sum = 0, placed = 0, place = 0;
  for (unsigned char b : bytes) {
    sum = (sum + b) % 1000000007;
    placed = (placed + b * ++place) % 1000000007;
  }
  return "bytes:" + std::to_string(bytes.size()) + ":" + std::to_string(sum) + ":" +
         std::to_string(placed);
}

// What mdb-reader reports: "table", "column" and (for the tables named) "row" lines.
struct JsDump {
  std::vector<std::vector<std::string>> lines;
  std::map<std::string, std::pair<long, long>> counts;  // table -> stored count, rows found
  std::vector<std::vector<std::string>> Rows(const std::string& table) const {
    std::vector<std::vector<std::string>> out;
    for (const auto& l : lines)
      if (l[0] == "row" && l[1] == table) out.emplace_back(l.begin() + 2, l.end());
    return out;
  }
  // "name type size" per column of a table.
  std::vector<std::string> Columns(const std::string& table) const {
    std::vector<std::string> out;
    for (const auto& l : lines)
      if (l[0] == "column" && l[1] == table)
        out.push_back(l[2] + " " + l[3] + " " + l[4] + " " + l[5] + " " + l[6]);
    return out;
  }
};

inline JsDump ReadWithJs(const std::string& path, const std::vector<std::string>& tables = {}) {
  std::string cmd = "node " MVQ_TEST_DATA_DIR "/../node/read-mdb.mjs " + Quoted(path);
  for (const auto& t : tables) cmd += " " + Quoted(t);
  int status = 0;
  std::string out = Shell(cmd, &status);
  EXPECT_EQ(status, 0) << "mdb-reader failed on " << path << ":\n" << out.substr(0, 3000);
  JsDump d;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    auto f = SplitDumpLine(line);
    if (f[0] == "table" && f.size() == 4) d.counts[f[1]] = {std::stol(f[2]), std::stol(f[3])};
    d.lines.push_back(std::move(f));
  }
  return d;
}

// mdb-export's CSV of a table, dates as ISO, binary values in hex.
inline std::string MdbExport(const std::string& path, const std::string& table) {
  return Shell("mdb-export -T '%Y-%m-%d %H:%M:%S' -b hex " + Quoted(path) + " " + Quoted(table));
}

// mdb-schema's text of one table for the postgres back end (which names keys and indexes),
// without its comment banner.
inline std::string MdbSchema(const std::string& path, const std::string& table) {
  std::string out = Shell("mdb-schema -T " + Quoted(table) + " " + Quoted(path) + " postgres");
  std::istringstream in(out);
  std::string line, kept;
  while (std::getline(in, line))
    if (line.rfind("--", 0) != 0 && !line.empty()) kept += line + "\n";
  return kept;
}

}  // namespace mvq::test
