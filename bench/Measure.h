#pragma once
// What the benchmarks measure of a phase: wall time and peak resident memory, of this
// process or of a child process that runs the phase alone.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <functional>
#include <string>

namespace mvq::bench {

// Peak resident memory of this process so far, in KiB (VmHWM); -1 when unknown.
inline long PeakKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

inline double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline long FileKb(const std::string& path) {
  std::ifstream f(path, std::ios::binary | std::ios::ate);
  return f ? static_cast<long>(f.tellg() / 1024) : -1;
}

struct ChildResult {
  double seconds = 0;
  long peakKb = 0;  // the child's ru_maxrss
  bool ok = false;  // it exited with 0
};

// Runs child in a process of its own; its return value is the exit code.
inline ChildResult MeasureChild(const std::function<int()>& child) {
  std::fflush(nullptr);
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    int rc = 1;
    try {
      rc = child();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "%s\n", e.what());
    }
    std::fflush(nullptr);
    ::_exit(rc);
  }
  int status = 0;
  rusage ru{};
  ::wait4(pid, &status, 0, &ru);
  ChildResult res;
  res.seconds = Since(t0);
  res.peakKb = ru.ru_maxrss;
  res.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return res;
}

}  // namespace mvq::bench
