#pragma once
// The progress window on a terminal: one redrawn line of bars on stderr when it is a
// terminal, plain lines otherwise (a new caption, every tenth of the bottom bar). Ctrl-C is
// the cancel button, confirmed, and cancels the statements under way on their servers; a
// second Ctrl-C ends the program once the servers have been told.
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "support/utProgress.h"

namespace mvq::cli {

class TerminalProgress : public ProgressUi {
 public:
  explicit TerminalProgress(bool interactive);
  std::unique_ptr<ProgressWindow> CreateWindow(int levels, bool withCancel) override;
  // Answers yes for a cancel that Ctrl-C asked for, no otherwise.
  bool Confirm(const std::string& text, const std::string& caption) override;

  // Called by the windows while they pump events, and before each step.
  void HandleInterrupt();
  void TakePendingCancel() override { HandleInterrupt(); }

 private:
  bool interactive_;
  bool confirming_ = false;
};

// The exit code of a run that was cancelled, by one Ctrl-C or two.
inline constexpr int kExitCancelled = 3;

// Installs the Ctrl-C handler: the first press asks for a cancel, the next ends the program
// with kExitCancelled.
void InstallInterruptHandler();
// Whether Ctrl-C has been pressed.
bool Interrupted();

// Every Ctrl-C the program gets from now on is passed on to process pid, at once, from the
// handler itself (so also the press that ends the program); until StopForwardingTo(pid).
// Room for 64 processes; more are not told.
void ForwardInterruptsTo(pid_t pid);
void StopForwardingTo(pid_t pid);

// On a terminal the redrawn progress line becomes text; elsewhere text is a line of its own.
void ShowStatusLine(const std::string& text, bool interactive);

// Ends a progress line that is being redrawn, so that the next output starts on its own.
void ClearProgressLine();

// Display columns of UTF-8 text on a terminal (East Asian characters take two).
size_t DisplayWidth(const std::string& text);

}  // namespace mvq::cli
