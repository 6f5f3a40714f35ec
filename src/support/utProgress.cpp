#include "support/utProgress.h"

#include <algorithm>
#include <limits>
#include <vector>

namespace mvq {

namespace {

constexpr int32_t kMaxLevels = 64;  // far beyond any run; keeps a bad count from allocating

struct Level {
  int32_t position = 0;
  int32_t maximum = 1;
};

struct State {
  ProgressUi* ui = nullptr;
  bool windowOpen = false;
  bool shown = false;
  bool cancelled = false;
  int32_t levelCount = 0;
  std::vector<Level> levels;
  std::string title;
  std::unique_ptr<ProgressWindow> view;
  uint64_t serial = 0;  // which window is open; changes with every new one
  int pumping = 0;
  // Windows closed from inside their own event processing die once it has returned.
  std::vector<std::unique_ptr<ProgressWindow>> retired;
};

State& S() {
  static State state;
  return state;
}

void DestroyWindow() {
  State& s = S();
  if (s.view) {
    if (s.pumping > 0)
      s.retired.push_back(std::move(s.view));
    else
      s.view.reset();
  }
  s.windowOpen = false;
  s.shown = false;
}

void CreateWindow(int32_t levels, bool withCancel) {
  State& s = S();
  DestroyWindow();
  levels = std::clamp(levels, int32_t{1}, kMaxLevels);
  s.levelCount = levels;
  s.levels.assign(static_cast<size_t>(levels), Level{});
  s.cancelled = false;
  if (s.ui) {
    s.view = s.ui->CreateWindow(levels, withCancel);
    if (s.view) s.view->SetCaption("进度");
  }
  s.windowOpen = true;
  ++s.serial;
}

void SetCaption(const std::string& caption) {
  if (S().view) S().view->SetCaption(caption);
}

void ResetLevel(size_t i, int32_t maximum) {
  S().levels[i] = Level{0, maximum};
  if (S().view) S().view->SetBarPercent(static_cast<int>(i), 0);
}

void Pump() {
  State& s = S();
  if (!s.view) return;
  ++s.pumping;
  struct Leave {
    ~Leave() {
      if (--S().pumping == 0) S().retired.clear();
    }
  } leave;
  ProgressWindow* view = s.view.get();  // kept alive by `retired` if closed meanwhile
  view->ProcessPendingEvents();
}

int32_t AddClamped(int32_t a, int32_t b) {
  int64_t sum = int64_t{a} + b;
  return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

// The shared body of the two step calls.
bool Step(int32_t levelFromBottom, int32_t delta, bool showAndCheck) {
  State& s = S();
  if (s.ui) s.ui->TakePendingCancel();
  bool r = s.cancelled;
  if (!s.windowOpen) return r;
  if (showAndCheck && !s.shown) {
    s.shown = true;
    if (s.view) s.view->Show();
  }
  if (s.cancelled) {
    ProgressClose(false);
    return r;
  }
  int32_t b = s.levelCount - levelFromBottom;
  if (b < 0 || b >= s.levelCount) return r;
  s.levels[b].position = AddClamped(s.levels[b].position, delta);
  if (s.view) s.view->BringToFront();
  uint64_t serial = s.serial;
  Pump();
  if (!s.windowOpen || s.serial != serial) return r;  // closed or replaced meanwhile
  Level& level = s.levels[b];
  if (level.maximum < 1) level.maximum = 1;
  int64_t percent = int64_t{level.position} * 100 / level.maximum;
  if (s.view) s.view->SetBarPercent(b, static_cast<int>(std::clamp<int64_t>(percent, 0, 100)));
  if (showAndCheck) ProgressCheckDone();
  return r;
}

}  // namespace

ProgressUi* SetProgressUi(ProgressUi* ui) {
  ProgressUi* previous = S().ui;
  S().ui = ui;
  return previous;
}

void ProgressStart(int32_t maximum, const std::string& title, int32_t levels, bool withCancel) {
  State& s = S();
  if (s.windowOpen && levels >= 1 && levels < s.levelCount) {
    ResetLevel(static_cast<size_t>(s.levelCount - levels), maximum);
  } else {
    CreateWindow(levels, withCancel);
    s.title = title;
    ResetLevel(0, maximum);
  }
  SetCaption(title);
}

void ProgressStartLast(int32_t maximum, const std::string& title, bool withCancel) {
  State& s = S();
  if (s.levelCount < 2 || !s.windowOpen) {
    CreateWindow(1, withCancel);
    s.title = title;
  }
  SetCaption(title);
  ResetLevel(static_cast<size_t>(s.levelCount - 1), maximum);
}

bool ProgressStep(int32_t delta) {
  return Step(1, delta, true);  // an open window has at least one level
}

bool ProgressStepLevel(int32_t levelFromBottom, int32_t delta) {
  return Step(levelFromBottom, delta, false);
}

void ProgressCheckDone() {
  State& s = S();
  for (int32_t i = 0; i < s.levelCount; ++i)
    if (s.levels[i].position != s.levels[i].maximum) return;
  if (s.levelCount >= 1) ProgressClose(true);
}

void ProgressClose(bool force) {
  State& s = S();
  if (s.levelCount < 2 || s.cancelled || force) {
    DestroyWindow();
    s.levelCount = 1;
    s.levels.resize(1);
  } else {
    ProgressCheckDone();
  }
}

bool ConfirmBox(const std::string& text, const std::string& caption) {
  return S().ui && S().ui->Confirm(text, caption);
}

void ProgressCancelClicked() {
  State& s = S();
  if (!s.windowOpen) return;
  if (s.view) s.view->SetStayOnTop(false);  // so that the question can come in front
  if (ConfirmBox("你确定终止吗", "终止")) {
    s.cancelled = true;
  } else if (s.view) {
    s.view->SetStayOnTop(true);
  }
}

ProgressState GetProgressState() {
  const State& s = S();
  return {s.windowOpen, s.shown, s.cancelled, s.levelCount, s.title};
}

int32_t ProgressPosition(int32_t level) {
  const State& s = S();
  return level >= 0 && level < static_cast<int32_t>(s.levels.size()) ? s.levels[level].position : 0;
}

int32_t ProgressMaximum(int32_t level) {
  const State& s = S();
  return level >= 0 && level < static_cast<int32_t>(s.levels.size()) ? s.levels[level].maximum : 0;
}

void ProgressReset() {
  State& s = S();
  DestroyWindow();
  s.levelCount = 0;
  s.levels.clear();
  s.cancelled = false;
  s.title.clear();
}

}  // namespace mvq
