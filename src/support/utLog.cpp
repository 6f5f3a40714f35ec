#include "support/utLog.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "platform/files/AppDir.h"
#include "platform/text/Gbk.h"

namespace mvq {

std::string LogFileName;

namespace {

std::function<std::tm()>& Clock() {
  static std::function<std::tm()> clock;
  return clock;
}

std::tm Now() {
  if (Clock()) return Clock()();
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

std::string Format(const std::tm& tm, const char* fmt) {
  char buf[64];
  std::strftime(buf, sizeof buf, fmt, &tm);
  return buf;
}

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
  throw std::runtime_error("cannot " + what + " the run log " + path + ": " + std::strerror(errno));
}

// Takes the advisory lock that writers of the log share, waiting briefly for another
// holder; a holder that keeps it longer does not cost the line, which is then written
// without it.
void WaitForLock(int fd) {
  constexpr int kTries = 200;  // 1 s in steps of 5 ms
  for (int i = 0; i < kTries; ++i) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return;
    if (errno != EWOULDBLOCK && errno != EINTR) return;
    ::usleep(5000);
  }
}

thread_local LogCapture* Capturing = nullptr;

// One write of the whole text at the end: another process's lines land before or after it.
void AppendToLog(const std::string& bytes) {
  const std::string& path = LogFileName;
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) Fail("open", path);
  WaitForLock(fd);
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      int saved = errno;
      ::close(fd);
      errno = saved;
      Fail("write", path);
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (::close(fd) != 0) Fail("close", path);  // also releases the lock
}

}  // namespace

LogCapture::LogCapture() : outer_(Capturing) {
  Capturing = this;
}

LogCapture::~LogCapture() {
  Capturing = outer_;
}

void AppendLogBlock(const std::string& lines) {
  if (!lines.empty()) AppendToLog(lines);
}

void SetLogFileForDay(const std::string& dir) {
  LogFileName = dir + "Mvq" + Format(Now(), "%Y.%m.%d") + ".log";
}

void SetLogFileForDay() {
  SetLogFileForDay(AppDataDir());
}

void SetLogClock(std::function<std::tm()> clock) {
  Clock() = std::move(clock);
}

bool IsFileLocked(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return errno == EACCES || errno == EBUSY || errno == ETXTBSY;
  bool locked = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
  ::close(fd);  // closing releases our probe lock
  return locked;
}

void WriteLog(const std::string& text) {
  if (Capturing) {
    Capturing->texts_.push_back(text);
    return;
  }
  AppendToLog(text::Utf8ToGbk(Format(Now(), "%Y.%m.%d %H:%M:%S ") + text) + "\r\n");
}

}  // namespace mvq
