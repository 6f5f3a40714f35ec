#pragma once
// The progress window: stacked bars ("levels", 0 on top), a cancel button guarded by a
// confirmation, and event processing at every step so the window stays alive during long
// work on the one thread. Process-wide state driven by free functions; the look is a view
// the front end installs. Without one the state is kept all the same (headless).
#include <cstdint>
#include <memory>
#include <string>

namespace mvq {

// One progress window, created hidden with the caption "进度" and every bar at 0. The
// window's cancel button calls ProgressCancelClicked(). Destroying the object destroys
// the window.
class ProgressWindow {
 public:
  virtual ~ProgressWindow() = default;
  virtual void Show() = 0;
  virtual void SetBarPercent(int level, int percent) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetStayOnTop(bool on) = 0;
  // Brings the window to the front when the application is the active one.
  virtual void BringToFront() = 0;
  // Handles pending window events; the cancel button's click arrives here.
  virtual void ProcessPendingEvents() = 0;
};

class ProgressUi {
 public:
  virtual ~ProgressUi() = default;
  virtual std::unique_ptr<ProgressWindow> CreateWindow(int levels, bool withCancel) = 0;
  // A question box with OK and Cancel, Cancel the default; true for OK.
  virtual bool Confirm(const std::string& text, const std::string& caption) = 0;
  // A cancel asked for outside event processing (a terminal's Ctrl-C) is confirmed here,
  // before a step reads the flag, so that the step that follows already stops.
  virtual void TakePendingCancel() {}
};

// Installs the front end's view (not owned); nullptr for none. Returns the previous one.
ProgressUi* SetProgressUi(ProgressUi* ui);

// Starts a run with `levels` bars (at least one), or, when fewer levels than are open are
// asked for, reuses the open window and resets the level (level count - levels).
void ProgressStart(int32_t maximum, const std::string& title, int32_t levels, bool withCancel);
// Sets up the bottom level; opens a one-level window when fewer than two levels are open.
void ProgressStartLast(int32_t maximum, const std::string& title, bool withCancel);
// Advances a level counted from the bottom (1 = bottom, level count = top); returns the
// cancelled flag as it was when the call began.
bool ProgressStepLevel(int32_t levelFromBottom, int32_t delta);
// Advances the bottom level, shows the window, closes it when every level is complete or
// the run was cancelled; returns the cancelled flag as it was when the call began.
bool ProgressStep(int32_t delta);
// Closes the window when every level's position equals its maximum.
void ProgressCheckDone();
// Closes the window when forced, cancelled or fewer than two levels are open; otherwise
// only when every level is complete.
void ProgressClose(bool force);
// The installed view's question box; false (Cancel) without a view.
bool ConfirmBox(const std::string& text, const std::string& caption);

// The cancel button: asks "你确定终止吗"; OK marks the run cancelled, Cancel puts the
// window on top of the others from then on.
void ProgressCancelClicked();

// Inspection, for views and tests.
struct ProgressState {
  bool windowOpen = false;
  bool shown = false;
  bool cancelled = false;
  int32_t levelCount = 0;
  std::string title;
};
ProgressState GetProgressState();
int32_t ProgressPosition(int32_t level);  // 0 for a level that does not exist
int32_t ProgressMaximum(int32_t level);
// Back to the program's start (no window, no levels, not cancelled); for tests.
void ProgressReset();

}  // namespace mvq
