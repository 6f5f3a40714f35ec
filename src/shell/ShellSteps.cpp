#include "shell/ShellSteps.h"

#include "gates/ado/utAdopub.h"
#include "support/CurrentDirection.h"

namespace mvq {

StepResult ShellSteps::SettingsStep() {
  const CreateMdbFileFn& create = c_.createMdbFile ? c_.createMdbFile : CreateMdbFile;
  if (!ValidateSettings(c_.view.layout, CurrentDirection, c_.form, c_.ui, create)) {
    return StepResult::Stayed;
  }
  return WithRelease(
      [&] {
        if (!ConnectGateways(c_, false)) return StepResult::Stayed;
        if (!ListSourceTables(c_)) {
          c_.ui.Message(std::string(kNoTablesMessage));
          return StepResult::Stayed;
        }
        return StepResult::ExportPageReady;
      },
      [] { ReleaseGateways(false); });
}

StepResult ShellSteps::CustomStep() {
  if (c_.customToWorkbook) return CustomWorkbookStep();
  const FormState& f = c_.form;
  if (f.edtSrc.empty()) {
    c_.ui.Message("源数据连接不能为空");
    return StepResult::Stayed;
  }
  if (f.edtDest.empty()) {
    c_.ui.Message("目标数据连接不能为空");
    return StepResult::Stayed;
  }
  if (f.edtSrc == f.edtDest) {
    c_.ui.Message("源数据连接和目标数据连接不能相同");
    return StepResult::Stayed;
  }
  return ListCustomSource(OpenCustomGateways);
}

// The custom source into a workbook: the source string and the workbook's checks (empty
// name, an existing file replaced only when allowed), then the source alone is listed.
StepResult ShellSteps::CustomWorkbookStep() {
  if (c_.form.edtSrc.empty()) {
    c_.ui.Message("源数据连接不能为空");
    return StepResult::Stayed;
  }
  SettingsLayout workbookOnly{};
  workbookOnly.gbexcel = {Dock::Fill};
  if (!ValidateSettings(workbookOnly, CurrentDirection, c_.form, c_.ui, {})) {
    return StepResult::Stayed;
  }
  return ListCustomSource(OpenCustomSourceGateway);
}

StepResult ShellSteps::ListCustomSource(bool (*open)(ShellContext&)) {
  return WithRelease(
      [&] {
        if (!open(c_)) return StepResult::Stayed;
        if (!ListCustomSourceTables(c_)) {
          c_.ui.Message(std::string(kNoTablesMessage));
          return StepResult::Stayed;
        }
        c_.view.sourceListCaption = SourceListCaption(Endpoint::Custom);
        return StepResult::ExportPageReady;
      },
      ReleaseCustomGateways);
}

void ShellSteps::ExportRun() {
  btnExpClick(c_, lastRun_);
}

void ShellSteps::FillCatalogList() {
  mvq::FillCatalogList(c_);
}

}  // namespace mvq
