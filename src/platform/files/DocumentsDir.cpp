#include "platform/files/DocumentsDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace mvq {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// The value of XDG_DOCUMENTS_DIR="..." in user-dirs.dirs, $HOME expanded; empty when absent.
std::string FromUserDirs(const std::string& text, const std::string& home) {
  std::istringstream lines(text);
  std::string line;
  const std::string key = "XDG_DOCUMENTS_DIR=";
  while (std::getline(lines, line)) {
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) {
      if (home.empty()) return {};
      value = home + value.substr(5);
    }
    if (!value.empty() && value.front() == '/') return WithoutTrailingSlash(value);
  }
  return {};
}

}  // namespace

std::string ChooseDocumentsDir(const std::string& environment, const std::string& userDirs,
                               const std::string& home, bool homeDocumentsExists) {
  if (!environment.empty() && environment.front() == '/') return WithoutTrailingSlash(environment);
  if (std::string listed = FromUserDirs(userDirs, home); !listed.empty()) return listed;
  if (home.empty()) return {};
  const std::string base = WithoutTrailingSlash(home);
  return homeDocumentsExists ? base + "/Documents" : base;
}

std::string DocumentsDir() {
  const std::string home = Env("HOME");
  std::string config = Env("XDG_CONFIG_HOME");
  if (config.empty() || config.front() != '/') config = home.empty() ? "" : home + "/.config";
  std::string userDirs;
  if (!config.empty()) {
    std::ifstream file(config + "/user-dirs.dirs");
    std::ostringstream text;
    text << file.rdbuf();
    userDirs = text.str();
  }
  std::error_code error;
  const bool documents = !home.empty() && std::filesystem::is_directory(home + "/Documents", error);
  return ChooseDocumentsDir(Env("XDG_DOCUMENTS_DIR"), userDirs, home, documents);
}

}  // namespace mvq
