#include "shell/PageFlow.h"

#include "support/CurrentDirection.h"

namespace mvq {
namespace {

constexpr std::string_view kCaptionPrefix = "通用数据格式转换工具mvq";

}  // namespace

void PageFlow::Start(std::string_view versionText) {
  history_.Clear();
  view_.caption = std::string(kCaptionPrefix) + " V" + std::string(versionText);
  view_.backVisible = false;
  view_.activePage = kMainPage;
}

void PageFlow::Next() {
  CurrentDirection = form_.RGmy;
  const int32_t page = view_.activePage;
  if (page != kExportPage) history_.Push(page);

  switch (page) {
    case kMainPage: {
      const Direction& direction = GetDirection(CurrentDirection);
      ArrangeSettingsPage(view_.layout, direction.number);
      view_.caption = std::string(kCaptionPrefix) + "  " + std::string(direction.itemText);
      view_.activePage = direction.layout ? kSettingsPage : kCustomPage;
      break;
    }
    case kSettingsPage:
      if (steps_.SettingsStep() == StepResult::ExportPageReady) {
        form_.lbnew.Clear();
        view_.activePage = kExportPage;
        // Nothing turns it back: after going back the button still reads "导出".
        view_.nextCaption = kExportCaption;
      }
      view_.tableModeVisible = !IsExcelTarget(CurrentDirection);
      break;
    case kCustomPage:
      RunCustomStep();
      break;
    default:
      steps_.ExportRun();
      break;
  }
  view_.backVisible = true;
}

void PageFlow::RunCustomStep() {
  if (steps_.CustomStep() != StepResult::ExportPageReady) return;
  form_.lbnew.Clear();
  view_.activePage = kExportPage;
  // A mode hidden by an earlier Excel direction would otherwise go on applying, unseen, to
  // the custom run.
  view_.tableModeVisible = true;
}

void PageFlow::Back() {
  if (history_.Empty()) return;
  if (history_.Top() == 0) view_.backVisible = false;
  view_.activePage = history_.Pop();
}

void PageFlow::CustomNext() {
  RunCustomStep();
}

void PageFlow::CustomBack() {
  view_.activePage = kMainPage;
  view_.caption = std::string(kCaptionPrefix) + " ";
}

}  // namespace mvq
