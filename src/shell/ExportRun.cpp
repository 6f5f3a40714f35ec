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

// Runs one table, keeping the log lines it wrote with its outcome.
template <typename Work>
void Track(TableOutcome& outcome, bool workbook, Work&& work) {
  RunLogCursor cursor;
  try {
    work();
  } catch (...) {
    outcome.log = cursor.Take();
    outcome.status = TableStatus::Error;
    throw;
  }
  outcome.log = cursor.Take();
  outcome.status = ClassifyTable(outcome.table, outcome.log, workbook);
}

// The conversion loop steps the top level after each table.
void ConvertTables(ShellContext& c, ExportRunReport& report) {
  const auto mode = static_cast<TTableMode>(c.form.RGtableMode);
  ProgressStart(static_cast<int32_t>(report.tables.size()) - 1, kProgressTitle, 2, true);
  WithRelease(
      [&] {
        for (TableOutcome& outcome : report.tables) {
          Track(outcome, false, [&] { ConvertTable(outcome.table, mode); });
          if (ProgressStepLevel(2, 1)) {
            report.cancelled = true;
            break;
          }
        }
      },
      [] { ProgressClose(true); });
}

// The sheets' lines come when the save has decided whether they reached the file.
void CloseWorkbook(ShellContext& c, WorkbookExport& writer, ExportRunReport& report) {
  const std::optional<std::string> failed = writer.Close();
  for (TableOutcome& outcome : report.tables) {
    std::vector<std::string> lines = writer.ClosingLines(outcome.table);
    if (lines.empty()) continue;
    outcome.log.insert(outcome.log.end(), lines.begin(), lines.end());
    if (outcome.status != TableStatus::Error)
      outcome.status = ClassifyTable(outcome.table, outcome.log, true);
  }
  if (failed) c.ui.Message(*failed);
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
                Track(outcome, true, [&] { writer->ExportTable(outcome.table); });
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
  WriteLog("");
  WriteLog(RunBanner(direction));
  if (c.form.lbnew.Empty()) {
    c.ui.Message(std::string(kEmptyExportListMessage));
    return;
  }
  report.started = true;
  report.workbook =
      IsExcelTarget(direction) || (direction == kCustomDirection && c.customToWorkbook);
  for (const std::string& name : c.form.lbnew.Texts()) report.tables.push_back({name});

  c.view.nextEnabled = false;
  auto releaseGates = [direction] {
    if (direction == kCustomDirection)
      ReleaseCustomGateways();
    else
      ReleaseGateways(true);
  };
  auto finish = [&] {
    WithRelease(releaseGates, [&] {
      c.view.nextEnabled = true;
      OpenDocument(c.ui, LogFileName, "open");
    });
  };
  try {
    WithRelease(
        [&] {
          if (direction != kCustomDirection)
            report.connected = ConnectGateways(c, true);
          else if (report.workbook)
            report.connected = OpenCustomSourceGateway(c);
          else
            report.connected = OpenCustomGateways(c);
          if (!report.connected) return;
          if (report.workbook)
            ExportToWorkbook(c, report);
          else
            ConvertTables(c, report);
        },
        finish);
  } catch (const std::exception& e) {
    report.error = e.what();
    throw;
  }
}

}  // namespace mvq
