#pragma once
// What 帮助 opens: a .chm beside the program where one exists, else the HTML help page
// installed with it (the README's user sections, built with the program).
#include <string>

namespace mvq {

// <prefix>/share/mvq/mvq-help.html for the program <prefix>/bin/mvq.
std::string HelpPagePath(const std::string& executablePath);

// The .chm when it exists, else the help page when that exists, else the .chm's name, so
// that the error box says what is missing.
std::string HelpDocument(const std::string& executablePath);

}  // namespace mvq
