// The progress window as the progress state drives it: its geometry, bars, caption, the
// cancel question and closing when the work is done.
#include <gtest/gtest.h>

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "gui/TMyProgress.h"

namespace mvq {
namespace {

class ProgressWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ProgressReset();
    previous_ = SetProgressUi(&ui_);
  }
  void TearDown() override {
    ProgressReset();
    SetProgressUi(previous_);
  }

  std::vector<std::pair<std::string, std::string>> questions;
  std::deque<bool> answers;

 private:
  TMyProgressUi ui_{[this](const std::string& text, const std::string& caption) {
    questions.emplace_back(text, caption);
    bool answer = !answers.empty() && answers.front();
    if (!answers.empty()) answers.pop_front();
    return answer;
  }};
  ProgressUi* previous_ = nullptr;
};

TEST_F(ProgressWindowTest, TheWindowHasOneBarPerLevelAndItsCancelButtonBelowThem) {
  for (int levels : {1, 2, 3}) {
    SCOPED_TRACE(levels);
    ProgressStart(5, "正在导出", levels, true);
    TMyProgress* window = OpenProgressWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->isVisible());  // until the first step
    EXPECT_EQ(window->size(), QSize(326, 35 * levels + 61));
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    EXPECT_EQ(window->pos(), QPoint((screenWidth - 326) / 2, 200));
    EXPECT_EQ(window->windowTitle(), "正在导出");
    for (int i = 0; i < levels; ++i) {
      const QRect bar = window->Bar(i)->geometry();
      EXPECT_EQ(bar.left(), 9);
      EXPECT_EQ(bar.top(), 30 * i + 25);
      EXPECT_EQ(bar.width(), 304);
      EXPECT_EQ(window->Bar(i)->value(), 0);
    }
    ASSERT_NE(window->CancelButton(), nullptr);
    EXPECT_EQ(window->CancelButton()->text(), "取消");
    EXPECT_EQ(window->CancelButton()->geometry(), QRect(246, 30 * levels + 24, 62, 26));
    // A close box, which cancels the run (below).
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    ProgressClose(true);
    EXPECT_EQ(OpenProgressWindow(), nullptr);
  }
  // Without a cancel button there is nothing to close it with.
  ProgressStartLast(3, "正在导出", false);
  ASSERT_NE(OpenProgressWindow(), nullptr);
  EXPECT_EQ(OpenProgressWindow()->CancelButton(), nullptr);
  EXPECT_FALSE(OpenProgressWindow()->windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(OpenProgressWindow()->close());
  EXPECT_TRUE(questions.empty());
}

TEST_F(ProgressWindowTest, TheBarsSayWhichTableOfHowManyAndHowManyRowsOfHowMany) {
  // A conversion run of three tables: the top level steps after each table.
  ProgressStart(2, "正在导出", 2, true);
  TMyProgress* window = OpenProgressWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->Bar(0)->isTextVisible());
  EXPECT_EQ(window->Bar(0)->text(), "第1个表，共3个");
  ProgressStartLast(4, "EMP", true);
  EXPECT_EQ(window->Bar(1)->text(), "已复制0行，共4行");
  ProgressStep(1);
  EXPECT_EQ(window->Bar(1)->text(), "已复制1行，共4行");
  for (int i = 0; i < 3; ++i) ProgressStep(1);
  ProgressClose(false);
  ProgressStepLevel(2, 1);
  EXPECT_EQ(window->Bar(0)->text(), "第2个表，共3个");
  ProgressStartLast(0, "DEPT", true);
  EXPECT_EQ(window->Bar(1)->text(), "已复制0行，共0行");
  ProgressClose(true);

  // A workbook run has the table level alone and steps it before each table.
  ProgressStartLast(2, "正在导出", true);
  window = OpenProgressWindow();
  ASSERT_NE(window, nullptr);
  ProgressStep(1);
  EXPECT_EQ(window->Bar(0)->text(), "第1个表，共3个");
  ProgressClose(true);
  EXPECT_EQ(ProgressBarText(1, 0, 2, 1), "第2个表，共2个");
  EXPECT_EQ(ProgressBarText(2, 0, 5, 0), "第1个表，共1个");  // never past the last table
}

TEST_F(ProgressWindowTest, ATwoLevelRunClosesByItselfWhenTheLastTablesRowsAreDone) {
  ProgressStart(1, "正在导出", 2, true);  // two tables: the top maximum is one less
  for (int table = 0; table < 2; ++table) {
    ProgressStartLast(4, "EMP", true);
    for (int row = 0; row < 4; ++row) {
      ASSERT_NE(OpenProgressWindow(), nullptr) << table << "/" << row;
      EXPECT_FALSE(ProgressStep(1));
      if (table == 0 || row < 3) {
        TMyProgress* window = OpenProgressWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->Bar(1)->value(), (row + 1) * 25);
        EXPECT_EQ(window->Bar(0)->value(), table * 100);
        EXPECT_EQ(window->windowTitle(), "EMP");
      }
    }
    ProgressClose(false);  // the table's end: not forced
    if (table == 0) {
      ASSERT_NE(OpenProgressWindow(), nullptr);
      EXPECT_FALSE(ProgressStepLevel(2, 1));
      EXPECT_EQ(OpenProgressWindow()->Bar(0)->value(), 100);
    }
  }
  EXPECT_EQ(OpenProgressWindow(), nullptr);
  EXPECT_FALSE(ProgressStepLevel(2, 1));
}

// The close box is the cancel button: the same question, the same outcome.
TEST_F(ProgressWindowTest, CancelAsksFirstAndAConfirmedCancelEndsTheRunAtTheNextStep) {
  for (bool closeBox : {false, true}) {
    SCOPED_TRACE(closeBox);
    questions.clear();
    ProgressStart(2, "正在导出", 2, true);
    ProgressStartLast(10, "EMP", true);
    ASSERT_FALSE(ProgressStep(1));
    TMyProgress* window = OpenProgressWindow();
    ASSERT_NE(window, nullptr);
    auto cancel = [&] {
      if (closeBox) {
        EXPECT_FALSE(window->close());
      } else {
        window->CancelButton()->click();
      }
    };

    answers = {false};
    cancel();
    EXPECT_EQ(questions,
              (std::vector<std::pair<std::string, std::string>>{{"你确定终止吗", "终止"}}));
    // Declined: the run goes on and the window stays in front from now on.
    EXPECT_TRUE(window->StaysOnTop());
    EXPECT_FALSE(ProgressStep(1));
    EXPECT_EQ(OpenProgressWindow(), window);

    answers = {true};
    cancel();
    EXPECT_EQ(questions.size(), 2u);
    EXPECT_EQ(OpenProgressWindow(), window);  // unchanged until the next step
    EXPECT_TRUE(ProgressStep(1));
    EXPECT_EQ(OpenProgressWindow(), nullptr);
    EXPECT_TRUE(ProgressStepLevel(2, 1));  // the run's own step sees it too
  }
}

TEST_F(ProgressWindowTest, EachStepHandlesPendingEventsSoACancelPressedMeanwhileIsSeen) {
  ProgressStartLast(10, "EMP", true);
  ASSERT_FALSE(ProgressStep(1));
  answers = {true};
  // A press waiting in the queue is handled inside the next step, which reports it one
  // step later.
  QTimer::singleShot(0, [] { OpenProgressWindow()->CancelButton()->click(); });
  EXPECT_FALSE(ProgressStep(1));
  EXPECT_EQ(questions.size(), 1u);
  EXPECT_TRUE(ProgressStep(1));
  EXPECT_EQ(OpenProgressWindow(), nullptr);
}

}  // namespace
}  // namespace mvq
