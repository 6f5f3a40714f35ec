#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shell/PageFlow.h"
#include "shell/ShellError.h"
#include "support/CurrentDirection.h"

namespace mvq {
namespace {

// Steps that answer as told and record that they ran.
class FakeSteps : public WizardSteps {
 public:
  enum Outcome { kStay, kReady, kThrow };
  Outcome settings = kReady;
  Outcome custom = kReady;
  std::vector<std::string> calls;

  StepResult SettingsStep() override { return Answer("settings", settings); }
  StepResult CustomStep() override { return Answer("custom", custom); }
  void ExportRun() override { calls.push_back("export"); }

 private:
  StepResult Answer(const char* name, Outcome outcome) {
    calls.push_back(name);
    if (outcome == kThrow) throw ShellError("oracle设置中用户名不能为空");
    return outcome == kReady ? StepResult::ExportPageReady : StepResult::Stayed;
  }
};

class PageFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CurrentDirection = -7;
    flow.Start("1.0");
  }
  void Choose(int32_t direction) { form.RGmy = direction; }
  std::vector<int32_t> History() const {
    std::vector<int32_t> pages;
    for (int32_t i = 0; i <= flow.History().Top(); ++i) pages.push_back(flow.History().At(i));
    return pages;
  }

  FormState form;
  WizardView view;
  FakeSteps steps;
  PageFlow flow{form, view, steps};
};

TEST_F(PageFlowTest, StartsOnTheDirectionPageWithTheVersionCaption) {
  EXPECT_EQ(view.activePage, kMainPage);
  EXPECT_EQ(view.caption, "通用数据格式转换工具mvq V1.0");
  EXPECT_FALSE(view.backVisible);
  EXPECT_TRUE(flow.History().Empty());
  EXPECT_EQ(view.nextCaption, "下一步");
}

TEST_F(PageFlowTest, AWalkToTheExportPageAndBackAgain) {
  Choose(2);
  flow.Next();
  EXPECT_EQ(CurrentDirection, 2);
  EXPECT_EQ(view.activePage, kSettingsPage);
  EXPECT_EQ(view.caption, "通用数据格式转换工具mvq  Oracle-->Access");
  EXPECT_EQ(view.layout, *GetDirection(2).layout);
  EXPECT_TRUE(view.backVisible);
  EXPECT_EQ(view.nextCaption, "下一步");
  EXPECT_EQ(History(), (std::vector<int32_t>{0}));

  form.lbnew.Add("STALE");
  flow.Next();
  EXPECT_EQ(view.activePage, kExportPage);
  EXPECT_EQ(view.nextCaption, "导出");
  EXPECT_TRUE(form.lbnew.Empty());
  EXPECT_EQ(History(), (std::vector<int32_t>{0, 1}));

  // Exports do not touch the history, however often.
  flow.Next();
  flow.Next();
  EXPECT_EQ(steps.calls, (std::vector<std::string>{"settings", "export", "export"}));
  EXPECT_EQ(History(), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(view.nextCaption, "导出");

  flow.Back();
  EXPECT_EQ(view.activePage, kSettingsPage);
  EXPECT_TRUE(view.backVisible);
  EXPECT_EQ(view.nextCaption, "下一步");
  flow.Next();  // the settings step again, not an export
  EXPECT_EQ(steps.calls.back(), "settings");
  EXPECT_EQ(view.activePage, kExportPage);
  flow.Back();
  flow.Back();
  EXPECT_EQ(view.activePage, kMainPage);
  EXPECT_FALSE(view.backVisible);
  EXPECT_EQ(view.nextCaption, "下一步");
  EXPECT_TRUE(flow.History().Empty());
  // The caption changes only on leaving page 0.
  EXPECT_EQ(view.caption, "通用数据格式转换工具mvq  Oracle-->Access");
}

TEST_F(PageFlowTest, FailedStepsAndErrorsAreNotRememberedSoOneBackLeavesThePage) {
  Choose(3);
  flow.Next();
  steps.settings = FakeSteps::kStay;
  form.lbnew.Add("KEPT");
  for (int i = 0; i < 3; ++i) flow.Next();
  steps.settings = FakeSteps::kThrow;
  EXPECT_THROW(flow.Next(), ShellError);
  EXPECT_EQ(view.activePage, kSettingsPage);
  EXPECT_EQ(view.nextCaption, "下一步");
  EXPECT_EQ(form.lbnew.Texts(), (std::vector<std::string>{"KEPT"}));
  EXPECT_EQ(History(), (std::vector<int32_t>{0}));
  EXPECT_TRUE(view.backVisible);
  flow.Back();
  EXPECT_EQ(view.activePage, kMainPage);
  EXPECT_FALSE(view.backVisible);
  flow.Back();  // nothing left: a stray press changes nothing
  EXPECT_EQ(view.activePage, kMainPage);
}

TEST_F(PageFlowTest, TheModeGroupFollowsTheTargetAndAnErrorSkipsTheRestOfThePress) {
  Choose(7);
  flow.Next();
  steps.settings = FakeSteps::kThrow;
  ASSERT_TRUE(view.tableModeVisible);
  EXPECT_THROW(flow.Next(), ShellError);
  EXPECT_TRUE(view.tableModeVisible);  // skipped with the rest of the press
  steps.settings = FakeSteps::kStay;
  flow.Next();
  EXPECT_FALSE(view.tableModeVisible);  // a failed step still hides it for Excel

  steps.settings = FakeSteps::kReady;
  flow.Back();
  Choose(5);
  flow.Next();
  flow.Next();
  EXPECT_TRUE(view.tableModeVisible);
}

TEST_F(PageFlowTest, CustomDirectionSkipsTheSettingsPageAndBackReturnsToIt) {
  Choose(8);
  flow.Next();
  flow.Next();  // reaches the export page; the mode group hides for Excel
  flow.Back();
  flow.Back();
  Choose(9);
  flow.Next();
  EXPECT_EQ(view.activePage, kCustomPage);
  EXPECT_EQ(view.caption, "通用数据格式转换工具mvq  自定义转换");
  EXPECT_EQ(view.layout, *GetDirection(8).layout);
  EXPECT_EQ(History(), (std::vector<int32_t>{0}));
  EXPECT_EQ(view.nextCaption, "下一步");

  flow.Next();
  EXPECT_EQ(steps.calls.back(), "custom");
  EXPECT_EQ(view.activePage, kExportPage);
  EXPECT_EQ(History(), (std::vector<int32_t>{0, 3}));
  EXPECT_TRUE(view.tableModeVisible);
  EXPECT_EQ(view.nextCaption, "导出");
  flow.Back();
  EXPECT_EQ(view.activePage, kCustomPage);
  EXPECT_EQ(view.nextCaption, "下一步");
  flow.Back();
  EXPECT_EQ(view.activePage, kMainPage);
  EXPECT_FALSE(view.backVisible);
}

TEST_F(PageFlowTest, TheCustomPagesOwnButtonsWalkAsNextAndBackDo) {
  Choose(9);
  flow.Next();
  steps.custom = FakeSteps::kStay;
  form.RGmy = 4;  // not read by the custom page's own next
  flow.CustomNext();
  EXPECT_EQ(CurrentDirection, 9);
  EXPECT_EQ(view.activePage, kCustomPage);
  EXPECT_EQ(History(), (std::vector<int32_t>{0}));
  steps.custom = FakeSteps::kReady;
  flow.CustomNext();
  EXPECT_EQ(view.activePage, kExportPage);
  EXPECT_EQ(view.nextCaption, "导出");
  EXPECT_EQ(History(), (std::vector<int32_t>{0, 3}));

  flow.Back();
  EXPECT_EQ(view.activePage, kCustomPage);
  flow.CustomBack();
  EXPECT_EQ(view.activePage, kMainPage);
  EXPECT_EQ(view.caption, "通用数据格式转换工具mvq ");
  EXPECT_TRUE(flow.History().Empty());
  EXPECT_FALSE(view.backVisible);
}

TEST(PageHistory, DropsTheSecondOldestWhenFull) {
  PageHistory history;
  EXPECT_EQ(history.Pop(), -1);
  for (int32_t page = 10; page < 17; ++page) history.Push(page);
  EXPECT_EQ(history.Top(), 5);
  EXPECT_EQ(history.At(0), 10);
  EXPECT_EQ(history.At(1), 12);
  EXPECT_EQ(history.Pop(), 16);
  EXPECT_EQ(history.Top(), 4);
}

}  // namespace
}  // namespace mvq
