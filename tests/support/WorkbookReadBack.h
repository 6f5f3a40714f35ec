#pragma once
// Reads a saved workbook back through the real readers (/usr/bin/python3 with xlrd or
// openpyxl, via tests/data/xls/read_workbook.py) into sheets of "type:value" cells.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace mvq::test {

inline const char* const kReaderPython = "/usr/bin/python3";

struct SheetDump {
  std::string name;
  int rows = 0, cols = 0;
  std::map<std::pair<int, int>, std::string> cells;  // (row, col) 0-based -> "type:value"
  std::map<int, double> widths;                      // column -> the reader's width

  std::string At(int r, int c) const {
    auto it = cells.find({r, c});
    return it == cells.end() ? "" : it->second;
  }
};

inline std::string RunReader(const std::string& command, int* status) {
  std::string out;
  FILE* p = ::popen(command.c_str(), "r");
  if (!p) {
    *status = -1;
    return out;
  }
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  *status = ::pclose(p);
  return out;
}

// Why the readers cannot run, or "" when they can.
inline std::string ReadersMissing() {
  static const std::string missing = [] {
    int status = 0;
    RunReader(std::string(kReaderPython) + " -c 'import xlrd, openpyxl' 2>/dev/null", &status);
    return status == 0 ? std::string()
                       : std::string(kReaderPython) +
                             " lacks xlrd or openpyxl (python3-xlrd, python3-openpyxl)";
  }();
  return missing;
}

inline std::vector<std::string> SplitDumpLine(const std::string& line) {
  std::vector<std::string> f;
  std::string cur;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\t') {
      f.push_back(cur);
      cur.clear();
    } else if (line[i] == '\\' && i + 1 < line.size()) {
      const char e = line[++i];
      cur += e == 't' ? '\t' : e == 'n' ? '\n' : e;
    } else {
      cur += line[i];
    }
  }
  f.push_back(cur);
  return f;
}

// reader: "xlrd" or "openpyxl"; widths asks for the column widths too.
inline std::vector<SheetDump> ReadWorkbook(const std::string& path, const std::string& reader,
                                           bool widths = false) {
  int status = 0;
  const std::string script = std::string(MVQ_TEST_DATA_DIR) + "/xls/read_workbook.py";
  const std::string out = RunReader(std::string(kReaderPython) + " " + script + " '" + path + "' " +
                                        reader + (widths ? " widths" : "") + " 2>&1",
                                    &status);
  EXPECT_EQ(status, 0) << reader << " failed on " << path << ":\n" << out.substr(0, 2000);
  std::vector<SheetDump> sheets;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    const auto f = SplitDumpLine(line);
    if (f[0] == "sheet" && f.size() == 4) {
      sheets.push_back({f[1], std::stoi(f[2]), std::stoi(f[3]), {}, {}});
    } else if (f[0] == "cell" && f.size() == 6 && !sheets.empty()) {
      sheets.back().cells[{std::stoi(f[2]), std::stoi(f[3])}] = f[4] + ":" + f[5];
    } else if (f[0] == "width" && f.size() == 4 && !sheets.empty()) {
      sheets.back().widths[std::stoi(f[2])] = std::stod(f[3]);
    } else {
      ADD_FAILURE() << "unexpected reader output: " << line.substr(0, 300);
    }
  }
  return sheets;
}

inline std::vector<std::string> SheetNames(const std::vector<SheetDump>& sheets) {
  std::vector<std::string> names;
  for (const auto& s : sheets) names.push_back(s.name);
  return names;
}

}  // namespace mvq::test
