#pragma once
// Small services of the wizard: the version shown in the caption, opening documents with the
// desktop, the help file's name, and the browse buttons of the file fields.
#include <optional>
#include <string>
#include <string_view>

#include "shell/UserInterface.h"

namespace mvq {

inline constexpr std::string_view kAppTitle = "通用数据格式转换工具";

// The major and minor part of a file version: everything up to the character after the first
// "." ("3.1.0.0" gives "3.1"); without a point, the first character; empty stays empty.
std::string VersionForCaption(std::string_view fileVersion);

// As above, for a version record that may be missing: then an error box says so and the
// result is empty.
std::string GetFileVersionText(UserInterface& ui, const std::optional<std::string>& fileVersion);

// The error box text for a failed open, by the platform's result code.
std::string_view OpenDocumentErrorText(int code);

// Opens the file with the desktop; on failure (code 32 or below) shows an error box captioned
// "打开文件" + file. Answers the code in every case.
int OpenDocument(UserInterface& ui, const std::string& file, const std::string& verb);

// The executable's path with its extension changed to ".chm".
std::string HelpFileName(const std::string& executablePath);

// Lets the user pick a file starting at the field's text; on confirm the field takes the
// chosen path and the result is true, on cancel nothing changes.
bool BrowseFileName(UserInterface& ui, std::string& field, const std::string& filter);

}  // namespace mvq
