#pragma once
// The wizard's steps behind next, as the window and the batch runner plug them into
// PageFlow: the settings step, the custom step, the export run and the database list.
#include "shell/Connecting.h"
#include "shell/ExportRun.h"
#include "shell/PageFlow.h"

namespace mvq {

inline constexpr std::string_view kNoTablesMessage = "没有可以导出的表,请重新设置源数据库连接";

class ShellSteps : public WizardSteps {
 public:
  explicit ShellSteps(ShellContext context) : c_(std::move(context)) {}
  ShellSteps(FormState& form, WizardView& view, UserInterface& ui)
      : c_{form, view, ui, {}, {}, false} {}

  // btnnextgetListClick: check the settings, connect without the server functions, list
  // the source tables; the gateways are released in every case once connecting began.
  StepResult SettingsStep() override;
  // btnNextdefClick: the two connection strings checked, connected and listed, released.
  StepResult CustomStep() override;
  // btnExpClick; LastRun() tells how it went.
  void ExportRun() override;
  void FillCatalogList() override;

  const ExportRunReport& LastRun() const { return lastRun_; }
  ShellContext& Context() { return c_; }

 private:
  StepResult CustomWorkbookStep();
  // Opens the custom gateways with open and lists the source's tables; released on failure.
  StepResult ListCustomSource(bool (*open)(ShellContext&));

  ShellContext c_;
  ExportRunReport lastRun_;
};

}  // namespace mvq
