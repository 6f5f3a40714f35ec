#pragma once
// The window's steps behind next: the shell's own, except that an export run ends with its
// summary on screen (which offers the log) instead of handing the log to the desktop, and an
// error that ends it is shown in Chinese words that say what failed and where.
#include <functional>
#include <memory>
#include <string>

#include "gui/RunSummaryDialog.h"
#include "gui/pasoracletoaccess.h"

namespace mvq {

class ShellSteps;

// Shows the end of a run; the default is the summary dialog over the window.
using RunEndView = std::function<void(const RunSummary& run)>;

// An export error in the user's words: a workbook that could not be written names the file and
// why (a folder that does not exist, one that cannot be written); anything else as it came.
std::string ExportErrorText(const std::string& message, const std::string& workbookPath,
                            bool workbookError);

class WindowSteps : public WizardSteps {
 public:
  explicit WindowSteps(WizardContext& context, RunEndView showEnd = {});
  ~WindowSteps() override;

  StepResult SettingsStep() override;
  StepResult CustomStep() override;
  void ExportRun() override;
  void FillCatalogList() override;

  // The shell's steps underneath (a batch choice such as customToWorkbook, for tests).
  ShellSteps& Shell() { return *shell_; }

 private:
  class HeldOpenUi;
  WizardContext& context_;
  std::unique_ptr<HeldOpenUi> ui_;
  std::unique_ptr<ShellSteps> shell_;
  RunEndView showEnd_;
};

}  // namespace mvq
