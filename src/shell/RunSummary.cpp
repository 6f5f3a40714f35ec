#include "shell/RunSummary.h"

#include <cstdio>
#include <ctime>

#include "platform/text/Utf8.h"

namespace mvq {
namespace {

// A JSON string. Control characters are escaped; a broken UTF-8 sequence becomes U+FFFD,
// so that the document always parses.
std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
      ++i;
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
      ++i;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
    } else {
      const size_t at = i;
      bool broken = false;
      text::NextCodePoint(text, i, &broken);
      if (broken)
        text::AppendUtf8(out, text::kReplacementCharacter);
      else
        out.append(text, at, i - at);
    }
  }
  return out + "\"";
}

std::string OrNull(const std::string& text) {
  return text.empty() ? "null" : Quoted(text);
}

// Local time with its offset: 2026-03-07T09:05:01+08:00.
std::string Iso8601(std::chrono::system_clock::time_point at) {
  const std::time_t t = std::chrono::system_clock::to_time_t(at);
  std::tm local{};
  localtime_r(&t, &local);
  char text[40];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
  std::string s = text;
  if (s.size() >= 5) s.insert(s.size() - 2, ":");
  return Quoted(s);
}

const char* Bool(bool b) {
  return b ? "true" : "false";
}

std::string Strings(const std::vector<std::string>& texts) {
  std::string s = "[";
  for (size_t i = 0; i < texts.size(); ++i) s += (i ? "," : "") + Quoted(texts[i]);
  return s + "]";
}

std::string PlanJson(const TablePlan& p) {
  std::string s = "{\"refused\":" + OrNull(p.refused);
  s += ",\"exists\":" + std::string(Bool(p.exists));
  s += ",\"existing\":" + Quoted(ExistingStepName(p.step));
  s += ",\"copies\":" + std::string(Bool(p.copies));
  s += ",\"statements\":" + Strings(p.statements);
  s += ",\"create_sql\":" + OrNull(p.createSql);
  s += ",\"losses\":[";
  for (size_t i = 0; i < p.losses.size(); ++i) {
    const ddl::ColumnLoss& l = p.losses[i];
    s += std::string(i ? "," : "") + "{\"column\":" + Quoted(l.column) +
         ",\"source_type\":" + Quoted(l.sourceType) + ",\"target_type\":" + Quoted(l.targetType) +
         ",\"loss\":" + Quoted(l.loss) + "}";
  }
  return s + "],\"error\":" + OrNull(p.error) + "}";
}

std::string TableJson(const TableOutcome& t) {
  std::string s = "{\"table\":" + Quoted(t.table);
  s += ",\"status\":" + Quoted(StatusName(t.status));
  s += ",\"existing\":" + Quoted(ExistingStepName(t.existing));
  s += ",\"rows_counted\":" + std::to_string(t.rowsCounted);
  s += ",\"rows_written\":" + std::to_string(t.rowsWritten);
  s += ",\"rows_refused\":" + std::to_string(t.rowsRefused);
  s += ",\"sheets_written\":" + std::to_string(t.sheetsWritten);
  s += ",\"ms\":" + std::to_string(t.ms);
  s += ",\"error\":" + OrNull(t.firstError);
  s += ",\"report\":" + OrNull(t.report);
  if (t.verify) {
    const VerifyResult& v = *t.verify;
    s += ",\"verify\":{\"match\":" + std::string(Bool(v.match));
    s += ",\"source_rows\":" + std::to_string(v.sourceRows);
    s += ",\"target_rows\":" + std::to_string(v.targetRows);
    s += ",\"columns_differing\":" + Strings(v.columnsDiffering);
    s += ",\"detail\":" + OrNull(v.detail) + "}";
  }
  if (t.plan) s += ",\"plan\":" + PlanJson(*t.plan);
  return s + "}";
}

}  // namespace

std::string RunSummaryJson(const ExportRunReport& run, int exitCode) {
  std::string s = "{\"direction\":" + std::to_string(run.direction);
  s += ",\"started\":" + Iso8601(run.startTime);
  s += ",\"ended\":" + Iso8601(run.endTime);
  s += ",\"run_log\":" + OrNull(run.logPath);
  s += ",\"workbook\":" + std::string(Bool(run.workbook));
  s += ",\"connected\":" + std::string(Bool(run.connected));
  s += ",\"cancelled\":" + std::string(Bool(run.cancelled));
  s += ",\"error\":" + OrNull(run.error);
  s += ",\"exit_code\":" + std::to_string(exitCode);
  s += ",\"tables\":[";
  for (size_t i = 0; i < run.tables.size(); ++i) s += (i ? "," : "") + TableJson(run.tables[i]);
  return s + "]}\n";
}

}  // namespace mvq
