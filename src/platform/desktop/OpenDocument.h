#pragma once
// Opening a document or link with the desktop's handler (xdg-open), with the result codes
// of a shell "open" call. The error box a failure shows is the shell's (shell/ShellServices.h).
#include <functional>
#include <string>

namespace mvq {

// Result codes: above 32 is success; the others pick the error box's text.
inline constexpr int kOpenOutOfMemory = 0;
inline constexpr int kOpenFileNotFound = 2;
inline constexpr int kOpenPathNotFound = 3;
inline constexpr int kOpenBadFormat = 11;
inline constexpr int kOpenBadName = 27;
inline constexpr int kOpenNoHandler = 31;  // and any other failure
inline constexpr int kOpenStarted = 42;

// Opens file (a path, or a link such as https://...) with the verb ("open" or empty).
// A missing file gives 2, a missing directory 3. Shows nothing and never waits for the
// viewer; returns the code.
int OpenDocument(const std::string& file, const std::string& verb);

// Starts the handler for an existing file or a link and returns a code as above. The
// default runs xdg-open in the background. Returns the previous launcher; an empty function
// restores the default.
using DocumentLauncher = std::function<int(const std::string& file, const std::string& verb)>;
DocumentLauncher SetDocumentLauncher(DocumentLauncher launcher);

}  // namespace mvq
