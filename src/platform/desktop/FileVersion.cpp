#include "platform/desktop/FileVersion.h"

#include <sys/stat.h>

#include "Version.h"

namespace mvq {

namespace {

FileVersionSource& Source() {
  static FileVersionSource source;
  return source;
}

bool IsRunningExecutable(const std::string& file) {
  struct stat self {
  }, other{};
  return ::stat("/proc/self/exe", &self) == 0 && ::stat(file.c_str(), &other) == 0 &&
         self.st_dev == other.st_dev && self.st_ino == other.st_ino;
}

std::optional<std::string> BuildVersion(const std::string& file) {
  std::string version = MVQ_FILE_VERSION;
  if (version.empty() || !IsRunningExecutable(file)) return std::nullopt;
  return version;
}

}  // namespace

std::optional<std::string> FileVersionOf(const std::string& file) {
  return Source() ? Source()(file) : BuildVersion(file);
}

FileVersionSource SetFileVersionSource(FileVersionSource source) {
  auto previous = std::move(Source());
  Source() = std::move(source);
  return previous;
}

}  // namespace mvq
