#pragma once
// Where the program lives and where it keeps its own files (run log, settings file).
#include <string>

namespace mvq {

// Full path of the running executable (/proc/self/exe).
std::string ExecutablePath();

// The executable's directory with its trailing '/'.
std::string GetAppDir();

// The directory for the run log and the settings file, with its trailing '/':
// GetAppDir() when that directory is writable, else $XDG_DATA_HOME/mvq/ (an absolute
// XDG_DATA_HOME only), else ~/.local/share/mvq/. The data directory is created (mode 0700)
// when missing; when that fails the path is still returned and the first write names it.
std::string AppDataDir();

// The directory rule of AppDataDir on explicit inputs; home may be empty.
std::string ChooseDataDir(const std::string& appDir, const std::string& xdgDataHome,
                          const std::string& home);

// The path with its extension (after the last '.' of the last component) replaced by ext,
// or ext appended when the name has none; ext includes its dot.
std::string ChangeFileExt(const std::string& path, const std::string& ext);

// The settings file: AppDataDir() + the executable's name with the extension ".set".
std::string SettingsFilePath();

}  // namespace mvq
