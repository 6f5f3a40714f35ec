#include "gui/HelpPage.h"

#include <filesystem>

#include "shell/ShellServices.h"

namespace mvq {

std::string HelpPagePath(const std::string& executablePath) {
  const std::filesystem::path bin = std::filesystem::path(executablePath).parent_path();
  return (bin.parent_path() / "share" / "mvq" / "mvq-help.html").string();
}

std::string HelpDocument(const std::string& executablePath) {
  const std::string chm = HelpFileName(executablePath);
  std::error_code error;
  if (std::filesystem::is_regular_file(chm, error)) return chm;
  const std::string page = HelpPagePath(executablePath);
  if (std::filesystem::is_regular_file(page, error)) return page;
  return chm;
}

}  // namespace mvq
