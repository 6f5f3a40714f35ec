#pragma once
// The run log: one text file per start-up day, one time-stamped line per call, written in
// GBK bytes and closed after every line so that each line is on disk when the call returns.
#include <ctime>
#include <functional>
#include <string>
#include <vector>

namespace mvq {

// Full path of the day's log; set once at start-up by SetLogFileForDay.
extern std::string LogFileName;

// LogFileName := dir + "Mvq" + the clock's date as "YYYY.mm.DD" + ".log"; dir ends with '/'.
void SetLogFileForDay(const std::string& dir);
// The same in AppDataDir(): next to the executable when writable, else the user's data dir.
void SetLogFileForDay();

// Appends "YYYY.mm.DD hh:nn:ss " + text + CR LF in one write, holding the log's advisory
// lock (waited for up to a second, then written without it): no line is dropped, and lines
// of processes sharing the log stay whole. An I/O failure throws std::runtime_error naming
// the path.
void WriteLog(const std::string& text);

// While it lives, WriteLog on this thread keeps the texts here instead of writing them: a
// preview of a step must not put lines into the log that no step earned.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  const std::vector<std::string>& Texts() const { return texts_; }

 private:
  friend void WriteLog(const std::string& text);
  LogCapture* outer_;
  std::vector<std::string> texts_;
};

// Appends bytes that are whole log lines already (another process's block) in one write,
// under the same lock as WriteLog, so that they stay together.
void AppendLogBlock(const std::string& lines);

// True when another process holds the file locked (a non-blocking exclusive lock fails).
bool IsFileLocked(const std::string& path);

// The log's clock, local time; tests inject a fixed one. An empty function restores the
// system clock.
void SetLogClock(std::function<std::tm()> clock);

}  // namespace mvq
