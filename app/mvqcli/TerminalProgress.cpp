#include "TerminalProgress.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>

#include "platform/files/ReplacingFile.h"
#include "platform/odbc/StatementCancel.h"
#include "platform/text/Utf8.h"

namespace mvq::cli {
namespace {

volatile std::sig_atomic_t g_interrupts = 0;
int g_wake[2] = {-1, -1};  // the handler's note to the thread that tells the servers
bool g_lineDrawn = false;  // a bar line is on the terminal and not yet ended
constexpr size_t kForwarded = 64;
std::atomic<pid_t> g_forward[kForwarded];  // processes told of each Ctrl-C; 0: a free place

void Say(const char* text, size_t size) {
  ssize_t ignored = ::write(STDERR_FILENO, text, size);
  (void)ignored;
}

// Stopping at once: a workbook being saved leaves neither a partial file nor a changed one.
[[noreturn]] void Stop() {
  RemovePendingFiles();
  static const char kStop[] = "mvqcli: stopped\n";
  Say(kStop, sizeof kStop - 1);
  ::_exit(kExitCancelled);
}

void OnInterrupt(int) {
  g_interrupts = g_interrupts + 1;
  for (std::atomic<pid_t>& slot : g_forward) {
    if (const pid_t pid = slot.load(); pid > 0) ::kill(pid, SIGINT);
  }
  if (g_interrupts == 1) {
    static const char kNote[] =
        "\nmvqcli: cancelling the current statement (Ctrl-C again to stop at once)\n";
    Say(kNote, sizeof kNote - 1);
  }
  // A third press does not wait for a driver that does not answer the cancel.
  if (g_interrupts >= 3) Stop();
  const char press = 1;
  ssize_t ignored = ::write(g_wake[1], &press, 1);
  (void)ignored;
}

// Each press: the statements under way are cancelled on their servers (a DROP waiting for
// a lock does not run later); after the second the program ends.
void TellTheServers() {
  for (int presses = 0;;) {
    char press = 0;
    const ssize_t n = ::read(g_wake[0], &press, 1);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    db::CancelStatementsUnderWay();
    if (++presses >= 2) Stop();
  }
}

int TerminalColumns() {
  winsize ws{};
  if (::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 20) return ws.ws_col;
  return 80;
}

// Cuts text to at most columns display columns, on a character boundary.
std::string FitColumns(const std::string& text, size_t columns) {
  std::string out;
  size_t used = 0;
  for (size_t i = 0; i < text.size();) {
    size_t next = i;
    text::NextCodePoint(text, next);
    const size_t len = next - i;
    const std::string ch = text.substr(i, len);
    const size_t w = DisplayWidth(ch);
    if (used + w > columns) break;
    out += ch;
    used += w;
    i += len;
  }
  return out;
}

class TerminalWindow : public ProgressWindow {
 public:
  TerminalWindow(TerminalProgress& owner, int levels, bool interactive)
      : owner_(owner), interactive_(interactive), percent_(static_cast<size_t>(levels), 0) {}

  ~TerminalWindow() override { ClearProgressLine(); }

  void Show() override {
    shown_ = true;
    Draw(true);
  }
  void SetBarPercent(int level, int percent) override {
    if (level < 0 || static_cast<size_t>(level) >= percent_.size()) return;
    int& current = percent_[static_cast<size_t>(level)];
    if (current == percent) return;
    const bool bottom = static_cast<size_t>(level) + 1 == percent_.size();
    if (!interactive_ && shown_ && bottom && percent / 10 != current / 10 && percent > 0) {
      std::fprintf(stderr, "  %d%%\n", percent);
    }
    current = percent;
    Draw(false);
  }
  void SetCaption(const std::string& caption) override {
    if (caption == caption_) return;
    caption_ = caption;
    if (!interactive_ && caption != "进度") std::fprintf(stderr, "%s\n", caption.c_str());
    Draw(true);
  }
  void SetStayOnTop(bool) override {}
  void BringToFront() override {}
  void ProcessPendingEvents() override { owner_.HandleInterrupt(); }

 private:
  void Draw(bool force) {
    if (!interactive_ || !shown_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastDraw_ < std::chrono::milliseconds(100)) return;
    lastDraw_ = now;
    std::string bars;
    for (int p : percent_) {
      constexpr int kWidth = 12;
      const int filled = p * kWidth / 100;
      bars += "[" + std::string(static_cast<size_t>(filled), '#') +
              std::string(static_cast<size_t>(kWidth - filled), '.') + "] " + std::to_string(p) +
              "% ";
    }
    ShowStatusLine(bars + caption_, true);
  }

  TerminalProgress& owner_;
  bool interactive_;
  bool shown_ = false;
  std::vector<int> percent_;
  std::string caption_;
  std::chrono::steady_clock::time_point lastDraw_{};
};

}  // namespace

TerminalProgress::TerminalProgress(bool interactive) : interactive_(interactive) {}

std::unique_ptr<ProgressWindow> TerminalProgress::CreateWindow(int levels, bool) {
  return std::make_unique<TerminalWindow>(*this, levels, interactive_);
}

bool TerminalProgress::Confirm(const std::string&, const std::string&) {
  return confirming_;
}

void TerminalProgress::HandleInterrupt() {
  static int handled = 0;
  if (g_interrupts <= handled) return;
  handled = g_interrupts;
  confirming_ = true;
  ProgressCancelClicked();
  confirming_ = false;
}

void InstallInterruptHandler() {
  if (g_wake[0] < 0) {
    if (::pipe2(g_wake, O_CLOEXEC) != 0) return;
    std::thread(TellTheServers).detach();
  }
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  // Blocking calls in the drivers go on.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
}

bool Interrupted() {
  return g_interrupts > 0;
}

void ForwardInterruptsTo(pid_t pid) {
  for (std::atomic<pid_t>& slot : g_forward) {
    pid_t free = 0;
    if (slot.compare_exchange_strong(free, pid)) return;
  }
}

void StopForwardingTo(pid_t pid) {
  for (std::atomic<pid_t>& slot : g_forward) {
    pid_t mine = pid;
    slot.compare_exchange_strong(mine, 0);
  }
}

void ShowStatusLine(const std::string& text, bool interactive) {
  if (!interactive) {
    std::fprintf(stderr, "%s\n", text.c_str());
    return;
  }
  const size_t columns = static_cast<size_t>(TerminalColumns()) - 1;
  std::string line = text;
  // A cut line says so: a number cut short would read as another number.
  if (DisplayWidth(line) > columns) line = FitColumns(line, columns - 3) + "...";
  std::fprintf(stderr, "\r\033[K%s", line.c_str());
  std::fflush(stderr);
  g_lineDrawn = true;
}

void ClearProgressLine() {
  if (!g_lineDrawn) return;
  std::fprintf(stderr, "\r\033[K");
  std::fflush(stderr);
  g_lineDrawn = false;
}

size_t DisplayWidth(const std::string& text) {
  size_t width = 0;
  for (size_t i = 0; i < text.size();) {
    const char32_t cp = text::NextCodePoint(text, i);
    const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF) ||
                      (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF) ||
                      (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60) ||
                      (cp >= 0xFFE0 && cp <= 0xFFE6) || cp >= 0x1F300;
    width += wide ? 2 : 1;
  }
  return width;
}

}  // namespace mvq::cli
