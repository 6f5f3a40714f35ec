#pragma once
// The file version shown in the window caption. Our executables carry the build's version
// (MVQ_FILE_VERSION); other files have no version record.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace mvq {

// The file's version text cut after its first '.' plus one character ("3.1.0.0" gives
// "3.1"). A file without a version shows an error box (caption "错误") and gives "".
std::string GetFileVersionText(const std::string& file);

// First p+1 characters of the value, p the 1-based position of its first '.'; a value
// without a point gives its first character.
std::string ShortVersion(std::string_view version);

// The full version record of a file, or nothing. The default answers MVQ_FILE_VERSION for
// the running executable. Returns the previous source; an empty function restores the default.
using FileVersionSource = std::function<std::optional<std::string>(const std::string& file)>;
FileVersionSource SetFileVersionSource(FileVersionSource source);

}  // namespace mvq
