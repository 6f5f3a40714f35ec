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

  switch (page) {
    case kMainPage: {
      const Direction& direction = GetDirection(CurrentDirection);
      ArrangeSettingsPage(view_.layout, direction.number);
      view_.caption = std::string(kCaptionPrefix) + "  " + std::string(direction.itemText);
      MoveOn(page, direction.layout ? kSettingsPage : kCustomPage);
      break;
    }
    case kSettingsPage:
      if (steps_.SettingsStep() == StepResult::ExportPageReady) {
        form_.lbnew.Clear();
        MoveOn(page, kExportPage);
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
  ShowButtons();
}

// Only a page whose step succeeded is remembered, so every press of back shows another page.
void PageFlow::MoveOn(int32_t from, int32_t to) {
  history_.Push(from);
  view_.activePage = to;
}

void PageFlow::ShowButtons() {
  view_.backVisible = !history_.Empty();
  view_.nextCaption = view_.activePage == kExportPage ? kExportCaption : kNextCaption;
}

void PageFlow::RunCustomStep() {
  if (steps_.CustomStep() != StepResult::ExportPageReady) return;
  form_.lbnew.Clear();
  MoveOn(kCustomPage, kExportPage);
  // A mode hidden by an earlier Excel direction would otherwise go on applying, unseen, to
  // the custom run.
  view_.tableModeVisible = true;
}

void PageFlow::Back() {
  if (history_.Empty()) return;
  view_.activePage = history_.Pop();
  ShowButtons();
}

void PageFlow::CustomNext() {
  RunCustomStep();
  ShowButtons();
}

void PageFlow::CustomBack() {
  // Back to page 0 and whatever led from it, so no back press is left that shows nothing new.
  while (!history_.Empty() && history_.Pop() != kMainPage) {
  }
  view_.activePage = kMainPage;
  view_.caption = std::string(kCaptionPrefix) + " ";
  ShowButtons();
}

}  // namespace mvq
