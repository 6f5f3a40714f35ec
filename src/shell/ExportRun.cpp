#include "shell/ExportRun.h"

#include "engine/TableMode.h"
#include "engine/utConvertDb.h"
#include "shell/Directions.h"
#include "shell/ShellServices.h"
#include "support/CurrentDirection.h"
#include "support/utLog.h"
#include "support/utProgress.h"

namespace mvq {
namespace {

constexpr const char* kProgressTitle = "正在导出";

// A table whose work raised an error that ends the run: the engine settled its outcome,
// a table it never reached gets the error as its failure.
template <typename Work>
void Track(TableOutcome& outcome, Work&& work) {
  try {
    work();
  } catch (const std::exception& e) {
    if (outcome.status == OutcomeStatus::NotReached) {
      outcome.status = OutcomeStatus::Failed;
      if (outcome.firstError.empty()) outcome.firstError = e.what();
    }
    throw;
  }
}

// A workbook that could not be saved holds none of the tables written into it.
void MarkUnsaved(ExportRunReport& report, const std::string& error) {
  for (TableOutcome& outcome : report.tables) {
    if (outcome.status != OutcomeStatus::Exported && outcome.status != OutcomeStatus::Partial)
      continue;
    outcome.status = OutcomeStatus::Failed;
    outcome.firstError = error;
  }
}

// The conversion loop steps the top level after each table.
void ConvertTables(ShellContext& c, ExportRunReport& report) {
  const auto mode = static_cast<TTableMode>(c.form.RGtableMode);
  ProgressStart(static_cast<int32_t>(report.tables.size()) - 1, kProgressTitle, 2, true);
  WithRelease(
      [&] {
        for (TableOutcome& outcome : report.tables) {
          Track(outcome, [&] { ConvertTable(outcome.table, mode, outcome); });
          if (ProgressStepLevel(2, 1)) {
            report.cancelled = true;
            break;
          }
        }
      },
      [] { ProgressClose(true); });
}

// A failed save is a result, not an error: every table it held has failed, and the user is
// told why and where.
void CloseWorkbook(ShellContext& c, WorkbookExport& writer, ExportRunReport& report) {
  std::optional<std::string> failed;
  try {
    failed = writer.Close();
  } catch (const std::exception& e) {
    MarkUnsaved(report, e.what());
    throw;
  }
  if (failed) {
    MarkUnsaved(report, *failed);
    c.ui.Message(*failed);
  }
}

// The workbook loop steps before each table, so a cancel stops before the next one starts.
void ExportToWorkbook(ShellContext& c, ExportRunReport& report) {
  ProgressStartLast(static_cast<int32_t>(report.tables.size()) - 1, kProgressTitle, true);
  WithRelease(
      [&] {
        const WorkbookFactory& open = c.openWorkbook ? c.openWorkbook : OpenWorkbook;
        std::unique_ptr<WorkbookExport> writer = open(c.form.edtxlsfilename);
        WithRelease(
            [&] {
              for (TableOutcome& outcome : report.tables) {
                if (ProgressStep(1)) {
                  report.cancelled = true;
                  break;
                }
                Track(outcome, [&] { writer->ExportTable(outcome); });
              }
            },
            [&] { CloseWorkbook(c, *writer, report); });
      },
      [] { ProgressClose(true); });
}

}  // namespace

std::string RunBanner(int32_t direction) {
  const std::string dashes(kRunBannerDashes);
  return dashes + "新的一次导出开始" + dashes + std::string(GetDirection(direction).itemText) +
         dashes;
}

void btnExpClick(ShellContext& c, ExportRunReport& report) {
  report = {};
  const int32_t direction = CurrentDirection;
  report.direction = direction;
  report.startTime = std::chrono::system_clock::now();
  report.logPath = LogFileName;
  struct Ended {
    ExportRunReport& run;
    ~Ended() { run.endTime = std::chrono::system_clock::now(); }
  } ended{report};
  const bool job = c.tableJob;
  if (!job) {
    WriteLog("");
    WriteLog(RunBanner(direction));
  }
  if (c.form.lbnew.Empty()) {
    c.ui.Message(std::string(kEmptyExportListMessage));
    return;
  }
  report.started = true;
  report.workbook =
      IsExcelTarget(direction) || (IsCustomDirection(direction) && c.customToWorkbook);
  for (const std::string& name : c.form.lbnew.Texts()) {
    report.tables.emplace_back();
    report.tables.back().table = name;
  }

  c.view.nextEnabled = false;
  auto releaseGates = [direction, job] {
    if (IsCustomDirection(direction))
      ReleaseCustomGateways();
    else
      ReleaseGateways(!job);
  };
  auto finish = [&] {
    WithRelease(releaseGates, [&] {
      c.view.nextEnabled = true;
      if (!job) OpenDocument(c.ui, LogFileName, "open");
    });
  };
  try {
    WithRelease(
        [&] {
          if (!IsCustomDirection(direction))
            report.connected = ConnectGateways(c, !job);
          else if (report.workbook)
            report.connected = OpenCustomSourceGateway(c);
          else
            report.connected = OpenCustomGateways(c);
          if (!report.connected) return;
          if (report.workbook)
            ExportToWorkbook(c, report);
          else if (!c.convertTables || !c.convertTables(report))
            ConvertTables(c, report);
        },
        finish);
  } catch (const std::exception& e) {
    report.error = e.what();
    throw;
  }
}

}  // namespace mvq
