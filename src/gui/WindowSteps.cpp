#include "gui/WindowSteps.h"

#include <unistd.h>
#include <filesystem>

#include "platform/xls/XlsError.h"
#include "shell/ShellError.h"
#include "shell/ShellSteps.h"
#include "support/utLog.h"

namespace mvq {

// The window's user interface with the run's closing "open the log" held back: the summary
// offers the log instead.
class WindowSteps::HeldOpenUi : public UserInterface {
 public:
  explicit HeldOpenUi(UserInterface& ui) : ui_(ui) {}
  bool holding = false;
  std::string heldLog;

  void Message(const std::string& text) override { ui_.Message(text); }
  bool Question(const std::string& text) override { return ui_.Question(text); }
  void ShowError(const std::string& text) override { ui_.ShowError(text); }
  void ShowErrorBox(const std::string& caption, const std::string& text) override {
    ui_.ShowErrorBox(caption, text);
  }
  std::optional<std::string> ChooseFile(const std::string& initialFile,
                                        const std::string& filter) override {
    return ui_.ChooseFile(initialFile, filter);
  }
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& initialText) override {
    return ui_.InputBox(caption, prompt, initialText);
  }
  int ShellOpen(const std::string& file, const std::string& verb) override {
    if (holding && file == LogFileName) {
      heldLog = file;
      return 42;  // success: nothing to report here
    }
    return ui_.ShellOpen(file, verb);
  }

 private:
  UserInterface& ui_;
};

std::string ExportErrorText(const std::string& message, const std::string& workbookPath,
                            bool workbookError) {
  if (!workbookError) return message;
  namespace fs = std::filesystem;
  const fs::path file(workbookPath);
  const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
  std::error_code error;
  std::string why;
  if (!fs::is_directory(folder, error)) {
    why = "文件夹" + folder.string() + "不存在";
  } else if (::access(folder.c_str(), W_OK) != 0) {
    why = "没有写入文件夹" + folder.string() + "的权限";
  } else {
    why = message;
  }
  return "Excel文件" + workbookPath + "未能保存：" + why;
}

WindowSteps::WindowSteps(WizardContext& context, RunEndView showEnd)
    : context_(context),
      ui_(std::make_unique<HeldOpenUi>(context.ui)),
      shell_(std::make_unique<ShellSteps>(context.form, context.view, *ui_)),
      showEnd_(std::move(showEnd)) {
  if (!showEnd_) {
    showEnd_ = [this](const RunSummary& run) { ShowRunSummary(run, context_.ui, context_.window); };
  }
}

WindowSteps::~WindowSteps() = default;

StepResult WindowSteps::SettingsStep() {
  return shell_->SettingsStep();
}

StepResult WindowSteps::CustomStep() {
  return shell_->CustomStep();
}

void WindowSteps::FillCatalogList() {
  shell_->FillCatalogList();
}

void WindowSteps::ExportRun() {
  ui_->holding = true;
  std::string error;
  try {
    shell_->ExportRun();
  } catch (const xls::XlsError& e) {
    error =
        ExportErrorText(e.what(), context_.form.edtxlsfilename, e.code() == xls::XlsErrorCode::kIo);
  } catch (const std::exception& e) {
    error = e.what();
  } catch (...) {
    error = "未知错误";
  }
  ui_->holding = false;
  // The error box first, as it would have come; then the run's summary.
  if (!error.empty()) context_.ui.ShowError(ErrorBoxText(error));
  const ExportRunReport& report = shell_->LastRun();
  if (!report.started) return;  // an empty export list: its message said it all
  RunSummary run{report.tables, report.cancelled, LogFileName,
                 error.empty() ? report.error : error};
  // The connect step has said which connection failed; the summary says what that meant.
  if (error.empty() && !report.connected) run.error = "无法建立数据连接，没有导出任何表";
  showEnd_(run);
}

}  // namespace mvq
