#include "shell/RunReport.h"

#include <sys/stat.h>

#include <fstream>
#include <iterator>

#include "platform/text/Gbk.h"
#include "support/utLog.h"

namespace mvq {
namespace {

constexpr size_t kStampLength = 20;  // "YYYY.mm.DD hh:nn:ss "

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool StartsWithStamp(std::string_view line) {
  static constexpr std::string_view kShape = "dddd.dd.dd dd:dd:dd ";
  if (line.size() < kStampLength) return false;
  for (size_t i = 0; i < kStampLength; ++i) {
    if (kShape[i] == 'd' ? !IsDigit(line[i]) : line[i] != kShape[i]) return false;
  }
  return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The name as the log holds it: characters GBK lacks come back as "?".
std::string AsLogged(const std::string& name) {
  return text::GbkToUtf8(text::Utf8ToGbk(name));
}

const std::string* CopyReport(const std::string& table, const std::vector<std::string>& log,
                              TableStatus& status) {
  const std::string name = AsLogged(table);
  const std::string full = "导出成功:表" + name + "，总的记录数";
  const std::string part = "导出部分成功:表" + name + "，总的记录数";
  for (auto it = log.rbegin(); it != log.rend(); ++it) {
    if (StartsWith(*it, full)) {
      status = TableStatus::Exported;
      return &*it;
    }
    if (StartsWith(*it, part)) {
      status = TableStatus::Partial;
      return &*it;
    }
  }
  status = TableStatus::Failed;
  return nullptr;
}

constexpr std::string_view kSheetWritten = "导出成功:表";

}  // namespace

TableStatus ClassifyTable(const std::string& table, const std::vector<std::string>& log,
                          bool workbook) {
  TableStatus status = TableStatus::Failed;
  if (workbook) {
    for (const std::string& line : log) {
      if (StartsWith(line, kSheetWritten)) return TableStatus::Exported;
    }
    return status;
  }
  CopyReport(table, log, status);
  return status;
}

std::string ReportLine(const TableOutcome& outcome, bool workbook) {
  if (workbook) {
    std::string joined;
    for (const std::string& line : outcome.log) {
      if (!StartsWith(line, kSheetWritten)) continue;
      if (!joined.empty()) joined += " | ";
      joined += line;
    }
    if (!joined.empty()) return joined;
  } else {
    TableStatus status;
    if (const std::string* line = CopyReport(outcome.table, outcome.log, status)) return *line;
  }
  for (auto it = outcome.log.rbegin(); it != outcome.log.rend(); ++it) {
    if (!it->empty()) return *it;
  }
  return {};
}

void RunLogCursor::Mark() {
  path_ = LogFileName;
  struct stat st {};
  offset_ = ::stat(path_.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
}

std::vector<std::string> RunLogCursor::Take() {
  if (path_ != LogFileName) {  // a new day's log was chosen meanwhile
    path_ = LogFileName;
    offset_ = 0;
  }
  std::ifstream in(path_, std::ios::binary);
  if (!in) return {};
  in.seekg(0, std::ios::end);
  const auto size = static_cast<uint64_t>(in.tellg());
  if (size < offset_) offset_ = 0;  // the file was replaced
  in.seekg(static_cast<std::streamoff>(offset_));
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  offset_ += bytes.size();
  return SplitLogEntries(text::GbkToUtf8(bytes));
}

std::vector<std::string> SplitLogEntries(const std::string& text) {
  std::vector<std::string> entries;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + at, end - at);
    if (StartsWithStamp(line)) {
      entries.emplace_back(line.substr(kStampLength));
    } else if (!entries.empty()) {
      entries.back() += "\r\n";
      entries.back() += line;
    } else {
      entries.emplace_back(line);
    }
    at = end + 2;
  }
  return entries;
}

}  // namespace mvq
