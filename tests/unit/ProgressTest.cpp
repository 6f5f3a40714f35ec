// The progress model's rules, watched through a recording view.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "support/utProgress.h"

namespace mvq {
namespace {

// Every call the model makes on its windows, one line each.
class RecordingUi : public ProgressUi {
 public:
  class Window : public ProgressWindow {
   public:
    Window(RecordingUi& ui, int id) : ui_(ui), id_(id) {}
    ~Window() override { Log("destroy"); }
    void Show() override { Log("show"); }
    void SetBarPercent(int level, int percent) override {
      Log("bar " + std::to_string(level) + " " + std::to_string(percent));
    }
    void SetCaption(const std::string& c) override { Log("caption " + c); }
    void SetStayOnTop(bool on) override { Log(on ? "on top" : "not on top"); }
    void BringToFront() override { Log("front"); }
    void ProcessPendingEvents() override {
      Log("events");
      if (ui_.onEvents) {
        auto action = std::move(ui_.onEvents);  // once
        action();
        Log("events done");  // the window must still exist here
      }
    }

   private:
    void Log(const std::string& s) { ui_.log.push_back("#" + std::to_string(id_) + " " + s); }
    RecordingUi& ui_;
    int id_;
  };

  std::unique_ptr<ProgressWindow> CreateWindow(int levels, bool withCancel) override {
    log.push_back("create " + std::to_string(levels) + (withCancel ? " cancel" : ""));
    return std::make_unique<Window>(*this, ++windows);
  }
  bool Confirm(const std::string& text, const std::string& caption) override {
    log.push_back("confirm " + text + " / " + caption);
    return answer;
  }

  void TakePendingCancel() override {
    if (pendingCancel) {
      pendingCancel = false;
      ProgressCancelClicked();
    }
  }

  std::vector<std::string> Take() { return std::exchange(log, {}); }

  std::vector<std::string> log;
  std::function<void()> onEvents;  // runs inside the next event processing
  bool answer = true;
  bool pendingCancel = false;  // a cancel asked for between steps, as a terminal's Ctrl-C
  int windows = 0;
};

class Progress : public ::testing::Test {
 protected:
  void SetUp() override {
    ProgressReset();
    SetProgressUi(&ui);
  }
  void TearDown() override {
    ProgressReset();
    SetProgressUi(nullptr);
  }
  RecordingUi ui;
};

using Log = std::vector<std::string>;

TEST_F(Progress, AOneLevelRunOpensHiddenShowsOnTheFirstStepAndClosesWhenComplete) {
  ProgressStart(1, "导出", 1, true);
  EXPECT_EQ(ui.Take(),
            (Log{"create 1 cancel", "#1 caption 进度", "#1 bar 0 0", "#1 caption 导出"}));
  EXPECT_FALSE(GetProgressState().shown);

  EXPECT_FALSE(ProgressStep(1));
  EXPECT_EQ(ui.Take(), (Log{"#1 show", "#1 front", "#1 events", "#1 bar 0 100", "#1 destroy"}));
  EXPECT_FALSE(GetProgressState().windowOpen);
  EXPECT_EQ(GetProgressState().levelCount, 1);

  EXPECT_FALSE(ProgressStep(1));  // no window: nothing happens
  EXPECT_TRUE(ui.Take().empty());
}

TEST_F(Progress, TwoLevelRunClosesItselfWhenTheLastTablesRowsComplete) {
  const int tables = 3;
  ProgressStart(tables - 1, "导出", 2, true);
  for (int t = 0; t < tables; ++t) {
    ProgressStartLast(2, "表" + std::to_string(t), true);
    EXPECT_EQ(GetProgressState().levelCount, 2);
    EXPECT_TRUE(GetProgressState().windowOpen) << t;
    ProgressStep(1);
    ProgressStep(1);
    ProgressClose(false);  // not forced: the engine's end of a table
    if (t < tables - 1) {
      EXPECT_TRUE(GetProgressState().windowOpen) << t;
      ProgressStepLevel(2, 1);
    }
  }
  EXPECT_FALSE(GetProgressState().windowOpen);
  EXPECT_EQ(ui.windows, 1);
  EXPECT_FALSE(ProgressStepLevel(2, 1));  // the run's last top step finds no window
}

TEST_F(Progress, PercentIsIntegerDivisionOverAMaximumOfAtLeastOne) {
  ProgressStart(3, "t", 1, false);
  ui.Take();
  ProgressStep(1);
  ProgressStep(1);
  Log log = ui.Take();
  EXPECT_EQ(log[log.size() - 1], "#1 bar 0 66");

  ProgressStart(0, "t", 1, false);  // a new window; maximum 0 is drawn as 1
  ProgressStep(1);
  EXPECT_EQ(ui.Take().back(), "#2 destroy");  // 1 of 1: complete, 100 percent, closed

  ProgressStart(-5, "t", 1, false);
  ProgressStep(0);
  EXPECT_EQ(ProgressMaximum(0), 1);
  EXPECT_EQ(ui.Take().back(), "#3 bar 0 0");
}

TEST_F(Progress, PercentStaysBetween0And100ForLargeAndOverrunPositions) {
  ProgressStart(30000000, "t", 2, false);
  ProgressStartLast(30000000, "rows", false);
  ui.Take();
  ProgressStep(29999999);  // position * 100 does not fit in 32 bits
  EXPECT_EQ(ui.Take().back(), "#1 bar 1 99");
  ProgressStep(5);  // more rows than announced
  EXPECT_EQ(ui.Take().back(), "#1 bar 1 100");
  ProgressStep(-40000000);
  EXPECT_EQ(ui.Take().back(), "#1 bar 1 0");
}

TEST_F(Progress, ConfirmedCancelIsReportedByTheNextStepsAndSurvivesTheWindow) {
  ProgressStart(5, "导出", 2, true);
  ProgressStartLast(100, "rows", true);
  ui.Take();
  ui.answer = true;
  ui.onEvents = [] { ProgressCancelClicked(); };
  EXPECT_FALSE(ProgressStep(1));  // confirmed during this step: reported by the next
  EXPECT_EQ(ui.Take(), (Log{"#1 show", "#1 front", "#1 events", "#1 not on top",
                            "confirm 你确定终止吗 / 终止", "#1 events done", "#1 bar 1 1"}));
  EXPECT_TRUE(GetProgressState().cancelled);
  EXPECT_TRUE(GetProgressState().windowOpen);

  EXPECT_TRUE(ProgressStep(1));  // closes the window
  EXPECT_EQ(ui.Take(), Log{"#1 destroy"});
  EXPECT_TRUE(ProgressStepLevel(2, 1));  // the run's table loop sees it too
  EXPECT_TRUE(ProgressStep(1));

  ProgressStart(1, "again", 1, true);  // a new window clears the flag
  EXPECT_FALSE(GetProgressState().cancelled);
  EXPECT_FALSE(ProgressStep(0));
}

TEST_F(Progress, ACancelAskedForBetweenStepsStopsTheVeryNextStep) {
  ProgressStart(5, "导出", 2, true);
  ui.Take();
  ui.pendingCancel = true;
  // The table loop's step after a cancelled statement: no further table starts.
  EXPECT_TRUE(ProgressStepLevel(2, 1));
  EXPECT_EQ(ui.Take(), (Log{"#1 not on top", "confirm 你确定终止吗 / 终止", "#1 destroy"}));
  EXPECT_TRUE(ProgressStep(1));
}

TEST_F(Progress, DeclinedCancelPutsTheWindowOnTopAndTheRunGoesOn) {
  ProgressStart(3, "t", 1, true);
  ui.Take();
  ui.answer = false;
  ui.onEvents = [] { ProgressCancelClicked(); };
  EXPECT_FALSE(ProgressStep(1));
  Log log = ui.Take();
  EXPECT_NE(std::find(log.begin(), log.end(), "#1 on top"), log.end());
  EXPECT_FALSE(GetProgressState().cancelled);
  EXPECT_FALSE(ProgressStep(1));
  EXPECT_TRUE(GetProgressState().windowOpen);
}

TEST_F(Progress, StepLevelCountsFromTheBottomNeitherShowsNorClosesAndIgnoresBadLevels) {
  ProgressStart(1, "t", 2, false);
  ProgressStartLast(1, "rows", false);
  ui.Take();
  EXPECT_FALSE(ProgressStepLevel(2, 1));
  EXPECT_EQ(ProgressPosition(0), 1);
  EXPECT_EQ(ui.Take(), (Log{"#1 front", "#1 events", "#1 bar 0 100"}));
  EXPECT_FALSE(GetProgressState().shown);
  EXPECT_FALSE(ProgressStepLevel(1, 1));  // both levels complete, yet no close here
  EXPECT_TRUE(GetProgressState().windowOpen);
  ProgressStepLevel(0, 1);  // below the bottom
  ProgressStepLevel(3, 1);  // above the top
  EXPECT_EQ(ProgressPosition(0), 1);
  EXPECT_EQ(ProgressPosition(1), 1);
  ProgressCheckDone();
  EXPECT_FALSE(GetProgressState().windowOpen);
}

TEST_F(Progress, CloseRulesFollowLevelsCancelAndForce) {
  ProgressStart(5, "t", 2, false);
  ProgressClose(false);  // two levels, incomplete: stays
  EXPECT_TRUE(GetProgressState().windowOpen);
  ProgressClose(true);
  EXPECT_FALSE(GetProgressState().windowOpen);
  EXPECT_EQ(GetProgressState().levelCount, 1);

  ProgressStartLast(5, "one", false);  // fewer than two levels: a one-level window
  EXPECT_EQ(ui.log[ui.log.size() - 4], "create 1");
  ProgressClose(false);
  EXPECT_FALSE(GetProgressState().windowOpen);
  ProgressClose(false);  // nothing open: harmless
  EXPECT_EQ(ui.windows, 2);
}

TEST_F(Progress, StartWithFewerLevelsReusesTheWindowAndResetsThatLevel) {
  ProgressStart(4, "run", 3, true);
  ProgressStepLevel(2, 1);
  ui.Take();
  ProgressStart(9, "middle", 2, true);  // index 3 - 2 = 1
  EXPECT_EQ(ui.Take(), (Log{"#1 bar 1 0", "#1 caption middle"}));
  EXPECT_EQ(ProgressMaximum(1), 9);
  EXPECT_EQ(ProgressPosition(1), 0);
  EXPECT_EQ(GetProgressState().title, "run");
  EXPECT_EQ(GetProgressState().levelCount, 3);

  ProgressStart(2, "new", 3, false);  // as many levels: a new window replaces it
  EXPECT_EQ(ui.Take().front(), "#1 destroy");
  EXPECT_EQ(GetProgressState().title, "new");
  ProgressStart(2, "zero", 0, false);  // a window has at least one level
  EXPECT_EQ(GetProgressState().levelCount, 1);
}

TEST_F(Progress, AWindowClosedDuringItsOwnEventProcessingIsDestroyedAfterwards) {
  ProgressStart(10, "t", 1, false);
  ui.Take();
  ui.onEvents = [] { ProgressClose(true); };
  EXPECT_FALSE(ProgressStep(1));
  EXPECT_EQ(ui.Take(), (Log{"#1 show", "#1 front", "#1 events", "#1 events done", "#1 destroy"}));

  ProgressStart(10, "t", 1, false);
  ui.onEvents = [] { ProgressStart(3, "other", 1, false); };
  ProgressStep(1);
  EXPECT_EQ(ProgressMaximum(0), 3);  // the step does not draw into the new window
  EXPECT_EQ(ProgressPosition(0), 0);
}

TEST_F(Progress, WithoutAViewTheStateIsKeptAndConfirmationsAnswerCancel) {
  SetProgressUi(nullptr);
  ProgressStart(2, "t", 1, true);
  EXPECT_TRUE(GetProgressState().windowOpen);
  ProgressCancelClicked();
  EXPECT_FALSE(GetProgressState().cancelled);
  EXPECT_FALSE(ConfirmBox("q", "c"));
  ProgressStep(1);
  EXPECT_TRUE(GetProgressState().shown);
  ProgressStep(1);
  EXPECT_FALSE(GetProgressState().windowOpen);
}

}  // namespace
}  // namespace mvq
