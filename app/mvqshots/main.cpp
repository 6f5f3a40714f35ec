// Renders each page of the wizard window, and the progress window, to PNG files for the
// documentation: mvqshots <directory>. Run under a display (scripts/screenshots uses Xvfb).
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdio>

#include "gui/QtChinese.h"
#include "gui/QtUserInterface.h"
#include "gui/RunSummaryDialog.h"
#include "gui/TMyProgress.h"
#include "gui/pasoracletoaccess.h"
#include "shell/Directions.h"

namespace {

// Steps that succeed at once with a few tables, so every page can be shown.
class SampleSteps : public mvq::WizardSteps {
 public:
  explicit SampleSteps(mvq::WizardContext& context) : context_(context) {}
  mvq::StepResult SettingsStep() override { return Fill(mvq::Endpoint::Oracle); }
  mvq::StepResult CustomStep() override { return Fill(mvq::Endpoint::Custom); }
  void ExportRun() override {}

 private:
  mvq::StepResult Fill(mvq::Endpoint source) {
    context_.form.lbold.SetTexts({"EMP", "DEPT", "SALGRADE", "BONUS", "员工档案", "PROJECTS",
                                  "ORDERS", "ORDER_LINES", "CUSTOMERS"});
    context_.view.sourceListCaption = std::string(mvq::SourceListCaption(source));
    return mvq::StepResult::ExportPageReady;
  }
  mvq::WizardContext& context_;
};

mvq::TableOutcome Sample(const char* table, mvq::OutcomeStatus status, mvq::ExistingStep existing,
                         int64_t counted, int64_t written, const char* error = "") {
  mvq::TableOutcome t;
  t.table = table;
  t.status = status;
  t.existing = existing;
  t.rowsCounted = counted;
  t.rowsWritten = written;
  t.rowsRefused = counted - written;
  t.firstError = error;
  return t;
}

// A run of the kinds of ending a table can have.
mvq::RunSummary SampleSummary() {
  using mvq::ExistingStep;
  using mvq::OutcomeStatus;
  mvq::RunSummary summary;
  summary.logPath = "/home/user/.local/share/mvq/Mvq2026.12.09.log";
  summary.tables = {
      Sample("EMP", OutcomeStatus::Exported, ExistingStep::Created, 14, 14),
      Sample("DEPT", OutcomeStatus::Partial, ExistingStep::Emptied, 4, 3,
             "ORA-01438: value larger than specified precision allowed for this column"),
      Sample("BONUS", OutcomeStatus::Skipped, ExistingStep::Skipped, 0, 0),
      Sample("员工档案", OutcomeStatus::Failed, ExistingStep::Recreated, 120, 0,
             "ORA-00942: table or view does not exist"),
      Sample("SALGRADE", OutcomeStatus::NotReached, ExistingStep::None, 0, 0),
  };
  summary.cancelled = true;
  return summary;
}

bool Save(QWidget* widget, const QDir& dir, const char* name) {
  QApplication::processEvents();
  const QString path = dir.filePath(name);
  if (!widget->grab().save(path)) {
    std::fprintf(stderr, "mvqshots: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setFont(mvq::WindowFont());
  mvq::InstallQtChinese(app);
  if (argc != 2) {
    std::fprintf(stderr, "usage: mvqshots <directory>\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QTemporaryDir scratch;  // the settings file of this run, never the user's
  mvq::WindowOptions options;
  options.steps = [](mvq::WizardContext& c) { return std::make_unique<SampleSteps>(c); };
  options.settingsPath = mvq::S(scratch.filePath("mvqshots.set"));
  mvq::TFrmoracletoaccess window(std::move(options));
  window.show();
  bool ok = Save(&window, out, "page0-directions.png");

  window.ChangeForm([](mvq::FormState& form) { form.RGmy = 0; });
  window.btnnextConvertClick();
  ok = Save(&window, out, "page1-oracle-sqlserver.png") && ok;
  window.btnupClick();
  window.ChangeForm([](mvq::FormState& form) {
    form.RGmy = 2;
    form.edtDB = "ORCL";
    form.edtuser = "scott";
    form.edtpassword = "tiger";
  });
  window.btnnextConvertClick();
  ok = Save(&window, out, "page1-oracle-access.png") && ok;

  window.btnnextConvertClick();
  window.ChangeForm([](mvq::FormState& form) {
    for (int i : {0, 2, 4}) form.lbold.SetSelected(i, true);
  });
  window.btnaddClick();
  ok = Save(&window, out, "page2-tables.png") && ok;

  window.btnupClick();
  window.btnupClick();
  window.ChangeForm([](mvq::FormState& form) {
    form.RGmy = mvq::kCustomDirection;
    form.edtSrc = "DRIVER=SQLite3;Database=/data/source.db";
    form.edtDest =
        "DRIVER={PostgreSQL Unicode};SERVER=127.0.0.1;DATABASE=target;UID=mvq;PWD=secret";
  });
  window.btnnextConvertClick();
  ok = Save(&window, out, "page3-custom.png") && ok;

  mvq::ProgressStart(2, "正在导出", 2, true);
  mvq::ProgressStartLast(4, "正在导出", true);
  mvq::ProgressStepLevel(2, 1);
  mvq::ProgressStep(1);
  mvq::ProgressStep(1);
  if (mvq::TMyProgress* progress = mvq::OpenProgressWindow()) {
    ok = Save(progress, out, "progress.png") && ok;
  }
  mvq::ProgressClose(true);

  mvq::QtUserInterface ui(&window);
  mvq::RunSummaryDialog summary(SampleSummary(), ui, &window);
  summary.show();
  ok = Save(&summary, out, "summary.png") && ok;
  summary.hide();
  window.hide();
  return ok ? 0 : 1;
}
