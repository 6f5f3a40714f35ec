#include "platform/desktop/OpenDocument.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace mvq {

namespace {

DocumentLauncher& Launcher() {
  static DocumentLauncher launcher;
  return launcher;
}

bool IsLink(const std::string& file) {
  size_t colon = file.find(':');
  if (colon == std::string::npos || colon < 2) return false;  // "C:" is no scheme
  for (size_t i = 0; i < colon; ++i) {
    char c = file[i];
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
              (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
    if (!ok) return false;
  }
  return true;
}

// Codes for a path that cannot be opened; 0 when it exists.
int CheckPath(const std::string& file) {
  if (file.empty() || file.find('\0') != std::string::npos) return kOpenBadName;
  struct stat st {};
  if (::stat(file.c_str(), &st) == 0) return 0;
  if (errno == ENAMETOOLONG) return kOpenBadName;
  if (errno == ENOMEM) return kOpenOutOfMemory;
  if (errno == ENOTDIR) return kOpenPathNotFound;
  if (errno != ENOENT) return kOpenNoHandler;
  size_t slash = file.rfind('/');
  if (slash == std::string::npos || slash == 0) return kOpenFileNotFound;
  std::string dir = file.substr(0, slash);
  return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? kOpenFileNotFound
                                                              : kOpenPathNotFound;
}

// A shell that checks for xdg-open, starts it in the background and exits at once, so the
// wait below is short and the viewer is never our child (no zombie, no block).
int XdgOpen(const std::string& file, const std::string& verb) {
  if (!verb.empty() && verb != "open") return kOpenNoHandler;
  static const char* script =
      "command -v xdg-open >/dev/null 2>&1 || exit 127\n"
      "xdg-open \"$1\" </dev/null >/dev/null 2>&1 &\n";
  // A leading '-' would read as an option of xdg-open.
  std::string target = file.front() == '-' ? "./" + file : file;
  const char* argv[] = {"sh", "-c", script, "sh", target.c_str(), nullptr};
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ);
  if (rc != 0) return rc == ENOMEM || rc == EAGAIN ? kOpenOutOfMemory : kOpenNoHandler;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno == ECHILD) return kOpenStarted;  // SIGCHLD ignored: reaped already
    if (errno != EINTR) return kOpenNoHandler;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? kOpenStarted : kOpenNoHandler;
}

}  // namespace

int OpenDocument(const std::string& file, const std::string& verb) {
  int code = IsLink(file) ? 0 : CheckPath(file);
  if (code == 0) code = Launcher() ? Launcher()(file, verb) : XdgOpen(file, verb);
  return code;
}

DocumentLauncher SetDocumentLauncher(DocumentLauncher launcher) {
  auto previous = std::move(Launcher());
  Launcher() = std::move(launcher);
  return previous;
}

}  // namespace mvq
