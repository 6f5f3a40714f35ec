#pragma once
// The wizard window under test: recorded messages and dialogs, steps that answer as the
// test says, a private settings file, and no real dialog anywhere.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/TableListView.h"
#include "gui/pasoracletoaccess.h"
#include "platform/desktop/FileVersion.h"
#include "shell/ShellError.h"
#include "support/RecordingUi.h"
#include "support/TempDir.h"

namespace mvq::test {

class FakeSteps : public WizardSteps {
 public:
  enum Outcome { kStay, kReady, kThrow };

  explicit FakeSteps(WizardContext& context) : context_(context) {}

  Outcome settings = kReady;
  Outcome custom = kReady;
  std::vector<std::string> tables{"EMP", "DEPT", "SALGRADE"};
  std::vector<std::string> catalogs{"master", "sales"};
  std::function<void()> duringExport;
  std::vector<std::string> calls;

  StepResult SettingsStep() override { return Answer("settings", settings, "Oracle表列表"); }
  StepResult CustomStep() override { return Answer("custom", custom, "源数据库列表"); }
  void ExportRun() override {
    calls.push_back("export");
    if (duringExport) duringExport();
  }
  void FillCatalogList() override {
    calls.push_back("catalog");
    context_.form.edtsqlCatalog.SetItems(catalogs);
  }

 private:
  StepResult Answer(const char* name, Outcome outcome, const char* caption) {
    calls.push_back(name);
    if (outcome == kThrow) throw ShellError("oracle设置中用户名不能为空");
    if (outcome == kStay) return StepResult::Stayed;
    context_.form.lbold.SetTexts(tables);
    context_.view.sourceListCaption = caption;
    return StepResult::ExportPageReady;
  }
  WizardContext& context_;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previousVersion_ = SetFileVersionSource(
        [](const std::string&) { return std::optional<std::string>("3.1.0.0"); });
    Open();
  }

  void TearDown() override {
    window.reset();
    SetFileVersionSource(previousVersion_);
  }

  // A new window over the same settings file (the old one, if any, is gone first).
  void Open() {
    window.reset();
    WindowOptions options;
    options.steps = [this](WizardContext& context) {
      auto fake = std::make_unique<FakeSteps>(context);
      steps = fake.get();
      return fake;
    };
    options.ui = &ui;
    options.settingsPath = SettingsPath();
    options.executablePath = "/opt/mvq/bin/mvq";
    options.editConnection = [this](QWidget*, const std::string& initial) {
      edited.push_back(initial);
      if (editorAnswers.empty()) return initial;
      std::string answer = editorAnswers.front();
      editorAnswers.pop_front();
      return answer;
    };
    options.confirm = [this](const std::string& text, const std::string& caption) {
      questions.push_back(text + " | " + caption);
      const bool answer = !confirmAnswers.empty() && confirmAnswers.front();
      if (!confirmAnswers.empty()) confirmAnswers.pop_front();
      return answer;
    };
    window = std::make_unique<TFrmoracletoaccess>(std::move(options));
    window->show();
    QApplication::processEvents();
  }

  std::string SettingsPath() const { return dir.File("mvq.set"); }

  template <typename T = QWidget>
  T* Find(const QString& name) const {
    T* widget = window->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name.toStdString();
    return widget;
  }
  QLineEdit* Edit(const char* name) const { return Find<QLineEdit>(name); }
  TableListView* List(const char* name) const { return Find<TableListView>(name); }
  void Click(const char* name) const { Find<QAbstractButton>(name)->click(); }
  void Choose(int direction) const {
    Find<QAbstractButton>(QString("RGmy_%1").arg(direction))->click();
  }
  void Next() const { Click("btnnextConvert"); }
  void Back() const { Click("btnup"); }
  int Page() const { return window->View().activePage; }
  std::vector<int> History() const {
    std::vector<int> pages;
    for (int i = 0; i <= window->History().Top(); ++i) pages.push_back(window->History().At(i));
    return pages;
  }
  // The lines the view shows, top to bottom.
  static std::vector<std::string> Shown(const QListWidget* list) {
    std::vector<std::string> texts;
    for (int i = 0; i < list->count(); ++i) texts.push_back(list->item(i)->text().toStdString());
    return texts;
  }
  static std::vector<std::string> SelectedShown(const QListWidget* list) {
    std::vector<std::string> texts;
    for (int i = 0; i < list->count(); ++i) {
      if (list->item(i)->isSelected()) texts.push_back(list->item(i)->text().toStdString());
    }
    return texts;
  }

  TempDir dir;
  RecordingUi ui;
  FakeSteps* steps = nullptr;
  std::vector<std::string> edited;
  std::deque<std::string> editorAnswers;
  std::vector<std::string> questions;  // the cancel questions, "text | caption"
  std::deque<bool> confirmAnswers;
  std::unique_ptr<TFrmoracletoaccess> window;

 private:
  FileVersionSource previousVersion_;
};

}  // namespace mvq::test
