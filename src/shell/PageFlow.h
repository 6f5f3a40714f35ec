#pragma once
// The wizard's pages and its next and back buttons. The work behind next (settings step,
// custom step, export run) is reached through WizardSteps; the window and the batch runner
// show what WizardView holds.
#include <cstdint>
#include <string>
#include <string_view>

#include "shell/Directions.h"
#include "shell/FormState.h"
#include "shell/PageHistory.h"

namespace mvq {

enum Page : int32_t { kMainPage = 0, kSettingsPage = 1, kExportPage = 2, kCustomPage = 3 };

inline constexpr std::string_view kNextCaption = "下一步";
inline constexpr std::string_view kExportCaption = "导出";
// RGtableMode, when shown, is docked at the bottom of the export page with this height.
inline constexpr int32_t kTableModeHeight = 48;

// The window's state apart from the user's inputs.
struct WizardView {
  int32_t activePage = kMainPage;
  std::string caption;
  std::string nextCaption{kNextCaption};  // btnnextConvert
  bool nextEnabled = true;                // off while an export runs
  bool backVisible = false;               // btnup
  bool tableModeVisible = true;           // RGtableMode
  std::string sourceListCaption;          // gbold, named after the source
  SettingsLayout layout = *GetDirection(0).layout;
};

enum class StepResult { Stayed, ExportPageReady };

// The steps behind next. A step reports problems through the user interface and returns
// Stayed, or throws ShellError to abandon the press; it releases whatever it opened either way.
class WizardSteps {
 public:
  virtual ~WizardSteps() = default;
  // Next on the settings page: check, connect, fill lbold and the list caption, release.
  virtual StepResult SettingsStep() = 0;
  // Next on the custom page: the same for the two connection strings.
  virtual StepResult CustomStep() = 0;
  // Next on the export page.
  virtual void ExportRun() = 0;
  // Leaving the SQL Server password field: fills edtsqlCatalog's items with the server's
  // databases, quietly doing nothing when it cannot connect.
  virtual void FillCatalogList() {}
};

class PageFlow {
 public:
  // All three must outlive the flow.
  PageFlow(FormState& form, WizardView& view, WizardSteps& steps)
      : form_(form), view_(view), steps_(steps) {}

  // Window creation and first show: empty history, the version caption, page 0.
  void Start(std::string_view versionText);

  // btnnextConvert: stores the direction, then moves on or runs the page's step. The page
  // it leaves is remembered only when the step succeeds; a failed step or an error leaves
  // the history and the buttons as they were. Next reads "导出" on the export page alone.
  void Next();
  // btnup: back to the last page remembered.
  void Back();
  // The custom page's own next button: the custom step alone, as next does it.
  void CustomNext();
  // The custom page's own back button: page 0, with the history emptied down to it.
  void CustomBack();

  const PageHistory& History() const { return history_; }

 private:
  void RunCustomStep();
  void MoveOn(int32_t from, int32_t to);
  // Back shown while there is a page to go back to; the next caption by the page.
  void ShowButtons();

  FormState& form_;
  WizardView& view_;
  WizardSteps& steps_;
  PageHistory history_;
};

}  // namespace mvq
