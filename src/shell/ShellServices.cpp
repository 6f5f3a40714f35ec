#include "shell/ShellServices.h"

#include <filesystem>

#include "platform/desktop/OpenDocument.h"

namespace mvq {

std::string VersionForCaption(std::string_view fileVersion) {
  const size_t dot = fileVersion.find('.');
  // Up to and including the character after the point; without a point, one character.
  const size_t keep = dot == std::string_view::npos ? 1 : dot + 2;
  return std::string(fileVersion.substr(0, keep));
}

std::string GetFileVersionText(UserInterface& ui, const std::optional<std::string>& fileVersion) {
  if (!fileVersion) {
    ui.ShowErrorBox("错误",
                    "获取产品信息时遇到致命错误，请尝试重新启动软件。\r"
                    "若仍未能解决问题，请联系产品服务人员。");
    return {};
  }
  return VersionForCaption(*fileVersion);
}

std::string_view OpenDocumentErrorText(int code) {
  switch (code) {
    case kOpenOutOfMemory:
      return "操作系统内存资源不足！";
    case kOpenFileNotFound:
      return "文件找不到！";
    case kOpenPathNotFound:
      return "路径找不到！";
    case kOpenBadFormat:
      return "文件执行格式错误，不能打开！";
    case kOpenBadName:
      return "文件名错误！";
    default:
      return "文件运行错误！";
  }
}

int OpenDocument(UserInterface& ui, const std::string& file, const std::string& verb) {
  const int code = ui.ShellOpen(file, verb);
  if (code <= 32) ui.ShowErrorBox("打开文件" + file, std::string(OpenDocumentErrorText(code)));
  return code;
}

std::string HelpFileName(const std::string& executablePath) {
  return std::filesystem::path(executablePath).replace_extension(".chm").string();
}

bool BrowseFileName(UserInterface& ui, std::string& field, const std::string& filter) {
  std::optional<std::string> chosen = ui.ChooseFile(field, filter);
  if (!chosen) return false;
  field = *chosen;
  return true;
}

}  // namespace mvq
