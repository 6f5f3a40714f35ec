#include "platform/desktop/FileVersion.h"

#include <sys/stat.h>

#include "Version.h"
#include "support/Messages.h"

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

std::string ShortVersion(std::string_view version) {
  size_t dot = version.find('.');
  if (dot == std::string_view::npos) return std::string(version.substr(0, 1));
  return std::string(version.substr(0, dot + 2));
}

std::string GetFileVersionText(const std::string& file) {
  std::optional<std::string> version = Source() ? Source()(file) : BuildVersion(file);
  if (!version) {
    ShowErrorBox(
        "获取产品信息时遇到致命错误，请尝试重新启动软件。\r"
        "若仍未能解决问题，请联系产品服务人员。",
        "错误");
    return {};
  }
  return ShortVersion(*version);
}

FileVersionSource SetFileVersionSource(FileVersionSource source) {
  auto previous = std::move(Source());
  Source() = std::move(source);
  return previous;
}

}  // namespace mvq
