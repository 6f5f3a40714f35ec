#pragma once
// The progress window: stacked bars, one per level, and a cancel button that asks first.
// The process-wide progress state (support/utProgress) drives it through ProgressWindow.
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/utProgress.h"

namespace mvq {

// What a bar says: for the top level (or a single one) which table of how many, for the
// bottom level of two how many rows of how many.
std::string ProgressBarText(int levels, int level, int32_t position, int32_t maximum);

class TMyProgress : public QWidget, public ProgressWindow {
  Q_OBJECT
 public:
  // A hidden window with `levels` bars (the cancel button only when asked for), its client
  // area 326 wide and 35 * levels + 61 high, centred across the screen at the top 200.
  TMyProgress(int levels, bool withCancel);

  void Show() override;
  void SetBarPercent(int level, int percent) override;
  void SetCaption(const std::string& caption) override;
  void SetStayOnTop(bool on) override;
  void BringToFront() override;
  void ProcessPendingEvents() override;

  QProgressBar* Bar(int level) const { return bars_.at(static_cast<size_t>(level)); }
  QPushButton* CancelButton() const { return cancel_; }
  bool StaysOnTop() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

 protected:
  // The close box (present with a cancel button) and Alt+F4 ask to cancel the run, as the
  // cancel button does; the window itself closes only with the run.
  void closeEvent(QCloseEvent* event) override;

 private:
  std::vector<QProgressBar*> bars_;
  QPushButton* cancel_ = nullptr;
};

// Creates TMyProgress windows for the progress state and asks the cancel question.
class TMyProgressUi : public ProgressUi {
 public:
  using ConfirmFn = std::function<bool(const std::string& text, const std::string& caption)>;
  // An empty confirm asks with a question box (OK and Cancel, Cancel the default).
  explicit TMyProgressUi(ConfirmFn confirm = {}) : confirm_(std::move(confirm)) {}

  std::unique_ptr<ProgressWindow> CreateWindow(int levels, bool withCancel) override;
  bool Confirm(const std::string& text, const std::string& caption) override;

 private:
  ConfirmFn confirm_;
};

// The open progress window, if any (for tests and screenshots).
TMyProgress* OpenProgressWindow();

}  // namespace mvq
