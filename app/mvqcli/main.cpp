// mvqcli: the wizard's steps without a window. It lists the source tables as the settings
// page does, checks the tables asked for against that list, runs the export as the export
// page does, and ends with the run log's path, a line per table and an exit code.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "CliUserInterface.h"
#include "DriverReport.h"
#include "Options.h"
#include "Passwords.h"
#include "PlanOutput.h"
#include "TableJobs.h"
#include "TerminalProgress.h"
#include "VerifyOutput.h"
#include "engine/DirectionTable.h"
#include "engine/RowCopy.h"
#include "gates/ado/utAdopub.h"
#include "platform/text/AsciiCase.h"
#include "shell/FormComponents.h"
#include "shell/PlanRun.h"
#include "shell/RunSummary.h"
#include "shell/ShellError.h"
#include "shell/ShellSteps.h"
#include "shell/ValidateSettings.h"
#include "support/CurrentDirection.h"
#include "support/Messages.h"
#include "support/utLog.h"

namespace mvq::cli {
namespace {

enum ExitCode : int {
  kAllExported = 0,
  kTableFailed = 1,
  kSettingsFailed = 2,
  kCancelled = kExitCancelled,
  kUnexpected = 4,
};

// Each wanted name as the source lists it: the exact name, else the one name that differs
// only in letter case. Names that are not there are collected in unknown.
std::vector<std::string> ResolveTables(const std::vector<std::string>& wanted,
                                       const std::vector<std::string>& source,
                                       std::vector<std::string>& unknown) {
  std::vector<std::string> resolved;
  for (const std::string& name : wanted) {
    if (std::find(source.begin(), source.end(), name) != source.end()) {
      resolved.push_back(name);
      continue;
    }
    std::vector<std::string> near;
    for (const std::string& s : source) {
      if (text::SameIgnoringCase(s, name)) near.push_back(s);
    }
    if (near.size() == 1)
      resolved.push_back(near.front());
    else
      unknown.push_back(name);
  }
  return resolved;
}

// The word of the terminal line; "not exported" for a table the run did not reach.
const char* StatusWord(OutcomeStatus status) {
  return status == OutcomeStatus::NotReached ? "not exported" : StatusName(status);
}

void PrintSummary(const ExportRunReport& run) {
  ClearProgressLine();
  std::printf("run log: %s\n", run.logPath.c_str());
  for (const TableOutcome& t : run.tables) {
    const std::string& line = t.report.empty() ? t.firstError : t.report;
    std::printf("%-12s %s%s%s\n", StatusWord(t.status), t.table.c_str(), line.empty() ? "" : "  ",
                line.c_str());
  }
  std::fflush(stdout);
}

int RunExitCode(const ExportRunReport& run) {
  if (!run.started || !run.connected) return kSettingsFailed;
  if (run.cancelled) return kCancelled;
  return EveryTableDone(run) ? kAllExported : kTableFailed;
}

// --summary: the run as JSON into the file, or onto standard output for "-".
void WriteSummary(const std::string& where, const ExportRunReport& run, int code) {
  const std::string json = RunSummaryJson(run, code);
  if (where == "-") {
    std::fputs(json.c_str(), stdout);
    std::fflush(stdout);
    return;
  }
  std::ofstream out(where, std::ios::binary | std::ios::trunc);
  out << json;
  out.close();
  if (!out) std::fprintf(stderr, "mvqcli: cannot write the summary %s\n", where.c_str());
}

// The tables a run copied rows into, for --verify; the others are named as not checked.
std::vector<TableOutcome*> CopiedTables(ExportRunReport& run) {
  std::vector<TableOutcome*> copied;
  for (TableOutcome& t : run.tables) {
    if (t.status == OutcomeStatus::Exported || t.status == OutcomeStatus::Partial)
      copied.push_back(&t);
    else
      PrintNotice("mvqcli: " + t.table + " was not copied and is not verified");
  }
  return copied;
}

int VerifyExitCode(VerifyVerdict verdict, int runCode) {
  if (verdict == VerifyVerdict::NotConnected)
    return runCode == kAllExported ? kSettingsFailed : runCode;
  if (verdict == VerifyVerdict::Mismatch && runCode == kAllExported) return kTableFailed;
  return runCode;
}

// A plan in which a table would fail exits as that run would.
int PlanExitCode(bool connected, const ExportRunReport& run) {
  if (!connected) return kSettingsFailed;
  for (const TableOutcome& t : run.tables) {
    const TablePlan& p = *t.plan;
    if (!p.refused.empty() || !p.error.empty() || p.step == ExistingStep::None) return kTableFailed;
  }
  return kAllExported;
}

// A missing Access file that cannot be made is a setting the user must change.
void CreateMdbFileForSettings(const std::string& file) {
  try {
    CreateMdbFile(file);
  } catch (const ShellError&) {
    throw;
  } catch (const std::exception& e) {
    throw ShellError(e.what());
  }
}

int Export(const Options& o, FormState& form, ExportRunReport& run);

int Run(const std::vector<std::string>& args) {
  if (IsTableJob(args)) return RunTableJob(args);
  Options o;
  FormState form;
  std::optional<int32_t> settingsDirection;
  try {
    o = ParseOptions(args);
    if (o.help) {
      std::fputs(UsageText().c_str(), stdout);
      return kAllExported;
    }
    if (o.settingsFile) {
      if (!FileExists(*o.settingsFile)) throw UsageError("no settings file " + *o.settingsFile);
      LoadFormState(form, *o.settingsFile);
      settingsDirection = form.RGmy;
    }
    CheckOptions(o, settingsDirection);
    if (o.drivers) return PrintDrivers();
    ResolvePasswords(o);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mvqcli: %s\n(mvqcli --help shows the options)\n", e.what());
    return kSettingsFailed;
  }
  ApplyOptions(o, form);
  if (o.commitEvery) SetCommitEveryRows(*o.commitEvery);
  ExportRunReport run;
  run.direction = form.RGmy;
  run.startTime = std::chrono::system_clock::now();
  const int code = Export(o, form, run);
  if (run.endTime < run.startTime) run.endTime = std::chrono::system_clock::now();
  if (o.summary && !o.list) WriteSummary(*o.summary, run, code);
  return code;
}

// Everything after the command line: the settings step, the export list, the run.
int Export(const Options& o, FormState& form, ExportRunReport& run) {
  try {
    if (o.logDir) {
      std::filesystem::create_directories(*o.logDir);
      SetLogFileForDay(std::filesystem::absolute(*o.logDir).string() + "/");
    } else {
      SetLogFileForDay();
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mvqcli: cannot use the log folder: %s\n", e.what());
    return kSettingsFailed;
  }

  CliUserInterface ui;
  ShowMessagesAsNotices();
  TerminalProgress progress(::isatty(STDERR_FILENO) == 1);
  SetProgressUi(&progress);
  InstallInterruptHandler();

  CurrentDirection = form.RGmy;
  WizardView view;
  ArrangeSettingsPage(view.layout, CurrentDirection);
  const bool custom = IsCustomDirection(CurrentDirection);
  ShellSteps steps(
      ShellContext{form, view, ui, CreateMdbFileForSettings, {}, custom && CustomToWorkbook(o)});

  // A plan looks at the target as it is; connecting would make a missing file.
  if (o.plan) {
    if (const std::string missing = MissingTargetFile(form, CurrentDirection); !missing.empty()) {
      PrintNotice("mvqcli: " + PlanWithoutTargetMessage(missing));
      return kSettingsFailed;
    }
  }

  // --verify-only reads a workbook target and never writes it: it must be there, and the
  // check that refuses an existing workbook does not apply.
  if (o.verifyOnly && (IsExcelTarget(CurrentDirection) || (custom && CustomToWorkbook(o)))) {
    if (!std::filesystem::exists(form.edtxlsfilename)) {
      PrintNotice("mvqcli: no workbook " + form.edtxlsfilename + " to verify");
      return kSettingsFailed;
    }
    form.chkexcel = true;
  }

  // What the settings page (or the custom page) does on next: check, connect, list.
  StepResult listed = StepResult::Stayed;
  try {
    listed = custom ? steps.CustomStep() : steps.SettingsStep();
  } catch (const ShellError& e) {
    ui.ShowError(ErrorBoxText(e.what()));
    return kSettingsFailed;
  } catch (const std::exception& e) {
    ui.ShowError(ErrorBoxText(e.what()));
    return kUnexpected;
  }
  if (listed != StepResult::ExportPageReady) return kSettingsFailed;
  if (Interrupted()) {
    PrintNotice("mvqcli: cancelled before the export");
    return kCancelled;
  }
  const std::vector<std::string> sourceTables = form.lbold.Texts();
  if (o.list) {
    for (const std::string& name : sourceTables) std::printf("%s\n", name.c_str());
    return kAllExported;
  }

  // The export list, refused whole when a name is not among the source's tables.
  const bool ordered = !o.tables.empty();
  const std::vector<std::string> wanted = o.all     ? sourceTables
                                          : ordered ? o.tables
                                                    : form.lbnew.Texts();
  std::vector<std::string> unknown;
  const std::vector<std::string> tables = ResolveTables(wanted, sourceTables, unknown);
  if (!unknown.empty()) {
    std::string names;
    for (const std::string& n : unknown) names += (names.empty() ? "" : ", ") + n;
    PrintNotice("mvqcli: not among the source's tables: " + names);
    return kSettingsFailed;
  }
  form.lbnew.Clear();
  for (const std::string& t : tables) {
    if (ordered)
      form.lbnew.Insert(form.lbnew.Count(), t);
    else
      form.lbnew.Add(t);
  }

  if (o.verifyOnly || o.plan) {
    std::vector<TableOutcome*> all;
    for (const std::string& t : tables) {
      run.tables.push_back(TableOutcome{});
      run.tables.back().table = t;
    }
    for (TableOutcome& t : run.tables) all.push_back(&t);
    try {
      if (o.plan) {
        run.connected = PlanAndPrint(steps.Context(), all);
        return PlanExitCode(run.connected, run);
      }
      return VerifyExitCode(VerifyAndPrint(steps.Context(), all), kAllExported);
    } catch (const std::exception& e) {
      ui.ShowError(ErrorBoxText(e.what()));
      return kUnexpected;
    }
  }

  if (o.jobs > 1)
    steps.Context().convertTables = [&o](ExportRunReport& r) { return CopyTablesInJobs(o, r); };
  int code = kAllExported;
  try {
    steps.ExportRun();
    code = RunExitCode(steps.LastRun());
  } catch (const ShellError& e) {
    ui.ShowError(ErrorBoxText(e.what()));
    code = kSettingsFailed;
  } catch (const std::exception& e) {
    ui.ShowError(ErrorBoxText(e.what()));
    code = kUnexpected;
  }
  run = steps.LastRun();
  if (run.started) PrintSummary(run);
  if (o.verify && run.started && run.connected && !run.cancelled && run.error.empty()) {
    try {
      code = VerifyExitCode(VerifyAndPrint(steps.Context(), CopiedTables(run)), code);
    } catch (const std::exception& e) {
      ui.ShowError(ErrorBoxText(e.what()));
      code = kUnexpected;
    }
  }
  return code;
}

}  // namespace
}  // namespace mvq::cli

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  try {
    return mvq::cli::Run(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mvqcli: %s\n", e.what());
    return 4;
  }
}
