#include "platform/files/AppDir.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace mvq {

namespace {

bool IsWritableDir(const std::string& dir) {
  struct stat st {};
  return !dir.empty() && ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
         ::access(dir.c_str(), W_OK | X_OK) == 0;
}

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

// mkdir -p with private permissions for what it creates.
void MakeDirs(const std::string& dir) {
  for (size_t pos = 1; pos <= dir.size(); ++pos) {
    if (pos == dir.size() || dir[pos] == '/') {
      std::string part = dir.substr(0, pos);
      if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;
    }
  }
}

std::string HomeDir() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  std::vector<char> buf(16384);
  passwd pw{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return {};
}

}  // namespace

std::string ExecutablePath() {
  std::vector<char> buf(4096);
  for (;;) {
    ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) return {};
    if (static_cast<size_t>(n) < buf.size()) return std::string(buf.data(), n);
    buf.resize(buf.size() * 2);
  }
}

std::string GetAppDir() {
  std::string exe = ExecutablePath();
  size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string("./") : exe.substr(0, slash + 1);
}

std::string ChooseDataDir(const std::string& appDir, const std::string& xdgDataHome,
                          const std::string& home) {
  if (IsWritableDir(appDir)) return WithSlash(appDir);
  if (!xdgDataHome.empty() && xdgDataHome.front() == '/') return WithSlash(xdgDataHome) + "mvq/";
  if (!home.empty()) return WithSlash(home) + ".local/share/mvq/";
  return WithSlash(appDir);
}

std::string AppDataDir() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  std::string appDir = GetAppDir();
  std::string dir = ChooseDataDir(appDir, xdg ? xdg : "", HomeDir());
  if (dir != WithSlash(appDir)) MakeDirs(dir);
  return dir;
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExt ? path.substr(0, dot) : path) + ext;
}

std::string SettingsFilePath() {
  std::string exe = ExecutablePath();
  size_t slash = exe.rfind('/');
  std::string name = slash == std::string::npos ? exe : exe.substr(slash + 1);
  return AppDataDir() + ChangeFileExt(name, ".set");
}

}  // namespace mvq
