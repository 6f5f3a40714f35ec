#pragma once
// The end of an export run on screen: per table the rows counted, written and refused, what
// the existing-table step did and the first reason of a failure; whether the run was
// cancelled or ended by an error; the run log's path with a button that opens it. A view of
// the run's table outcomes: it never reads the log.
#include <QDialog>
#include <string>
#include <vector>

#include "engine/TableOutcome.h"
#include "shell/UserInterface.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace mvq {

struct RunSummary {
  std::vector<TableOutcome> tables;  // in run order
  bool cancelled = false;            // the user confirmed the cancel
  std::string logPath;
  std::string error;  // the error that ended the run; empty when none did
};

// "已导出", "部分导出", "已跳过", "失败", "未导出".
std::string OutcomeStatusText(OutcomeStatus status);
// What the existing-table step did, for the table's row; empty when it did not run.
std::string ExistingStepText(ExistingStep step);
// The first line: how the run ended, with the count of tables by outcome.
std::string SummaryHeadline(const RunSummary& summary);
// The message shown when nothing could open the log.
std::string LogNotOpenedText(const std::string& logPath);

class RunSummaryDialog : public QDialog {
  Q_OBJECT
 public:
  // ui opens the log (its ShellOpen) and says so when that fails; it must outlive the dialog.
  RunSummaryDialog(RunSummary summary, UserInterface& ui, QWidget* parent = nullptr);

  const RunSummary& Summary() const { return summary_; }
  QTableWidget* Table() const { return table_; }
  // The "打开日志" button: the log with the desktop's viewer, or a message naming its path.
  void OpenLog();

 private:
  void FillTable();

  RunSummary summary_;
  UserInterface& ui_;
  QTableWidget* table_ = nullptr;
};

// Shows the summary as a modal dialog over parent.
void ShowRunSummary(RunSummary summary, UserInterface& ui, QWidget* parent);

}  // namespace mvq
