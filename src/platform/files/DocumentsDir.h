#pragma once
// The user's documents folder, as the desktop names it (XDG user directories), where the
// file fields start.
#include <string>

namespace mvq {

// XDG_DOCUMENTS_DIR from the environment when absolute, else from user-dirs.dirs in
// $XDG_CONFIG_HOME (or ~/.config), else ~/Documents when it exists, else the home folder;
// empty without a home. No trailing '/'.
std::string DocumentsDir();

// The rule above on explicit inputs: the environment's value, the text of user-dirs.dirs
// (may be empty), the home folder, and whether home/Documents exists.
std::string ChooseDocumentsDir(const std::string& environment, const std::string& userDirs,
                               const std::string& home, bool homeDocumentsExists);

}  // namespace mvq
