#pragma once
// The file version shown in the window caption. Our executables carry the build's version
// (MVQ_FILE_VERSION); other files have no version record.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace mvq {

// The file's full version record, or nothing. The caption's cut and the error box for a
// missing record are the shell's (GetFileVersionText).
std::optional<std::string> FileVersionOf(const std::string& file);

// The full version record of a file, or nothing. The default answers MVQ_FILE_VERSION for
// the running executable. Returns the previous source; an empty function restores the default.
using FileVersionSource = std::function<std::optional<std::string>(const std::string& file)>;
FileVersionSource SetFileVersionSource(FileVersionSource source);

}  // namespace mvq
