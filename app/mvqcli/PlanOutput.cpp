#include "PlanOutput.h"

#include <cstdio>
#include <string>

#include "TerminalProgress.h"
#include "platform/odbc/ConnectionString.h"
#include "shell/PlanRun.h"

namespace mvq::cli {
namespace {

// What the existing-table step would do, in the terms of its outcome.
std::string StepText(const TablePlan& p) {
  switch (p.step) {
    case ExistingStep::Created:
      return "absent, created";
    case ExistingStep::Skipped:
      return "exists, skipped (nothing copied)";
    case ExistingStep::Emptied:
      return "exists, emptied, rows appended";
    case ExistingStep::Recreated:
      return "exists, dropped and created again";
    case ExistingStep::Kept:
      return "exists, rows appended";
    case ExistingStep::None:
      break;
  }
  return p.exists ? "exists, the step would fail" : "absent";
}

void PrintPlan(const std::string& table, const TablePlan& p) {
  std::printf("%-12s %s\n", "plan", table.c_str());
  if (!p.refused.empty()) {
    std::printf("  refused:   the target cannot hold the name (%s)\n", p.refused.c_str());
    return;
  }
  std::printf("  existing:  %s\n", StepText(p).c_str());
  for (const std::string& sql : p.statements) std::printf("  executes:  %s\n", sql.c_str());
  if (!p.createSql.empty()) {
    std::printf("  create:\n");
    size_t start = 0;
    while (start < p.createSql.size()) {
      size_t end = p.createSql.find('\n', start);
      if (end == std::string::npos) end = p.createSql.size();
      std::string line = p.createSql.substr(start, end - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::printf("    %s\n", line.c_str());
      start = end + 1;
    }
  }
  for (const ddl::ColumnLoss& l : p.losses) {
    std::printf("  loss:      %s: %s -> %s: %s\n", l.column.c_str(), l.sourceType.c_str(),
                l.targetType.c_str(), l.loss.c_str());
  }
  if (!p.error.empty()) std::printf("  error:     %s\n", p.error.c_str());
}

}  // namespace

bool PlanAndPrint(ShellContext& c, const std::vector<TableOutcome*>& tables) {
  std::vector<std::string> names;
  for (const TableOutcome* t : tables) names.push_back(t->table);
  const std::optional<std::vector<TablePlan>> plans = PlanTables(c, names);
  if (!plans) return false;
  ClearProgressLine();
  for (size_t i = 0; i < plans->size(); ++i) {
    TablePlan p = (*plans)[i];
    p.error = db::MaskPasswords(p.error);
    PrintPlan(tables[i]->table, p);
    tables[i]->plan = std::move(p);
  }
  std::fflush(stdout);
  return true;
}

}  // namespace mvq::cli
