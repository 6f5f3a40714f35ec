#pragma once
// Opening a document or link with the desktop's handler (xdg-open), with the result codes
// and error texts of a shell "open" call.
#include <functional>
#include <string>

namespace mvq {

// Result codes: above 32 is success; the others pick the error box's text.
inline constexpr int kOpenOutOfMemory = 0;   // "操作系统内存资源不足！"
inline constexpr int kOpenFileNotFound = 2;  // "文件找不到！"
inline constexpr int kOpenPathNotFound = 3;  // "路径找不到！"
inline constexpr int kOpenBadFormat = 11;    // "文件执行格式错误，不能打开！"
inline constexpr int kOpenBadName = 27;      // "文件名错误！"
inline constexpr int kOpenNoHandler = 31;    // any other code: "文件运行错误！"
inline constexpr int kOpenStarted = 42;

// The error box text for a failure code.
std::string OpenErrorText(int code);

// Opens file (a path, or a link such as https://...) with the verb ("open" or empty).
// A missing file gives 2, a missing directory 3; on failure an error box with the caption
// "打开文件" + file is shown. Returns the code in every case; never waits for the viewer.
int OpenDocument(const std::string& file, const std::string& verb);

// Starts the handler for an existing file or a link and returns a code as above. The
// default runs xdg-open in the background. Returns the previous launcher; an empty function
// restores the default.
using DocumentLauncher = std::function<int(const std::string& file, const std::string& verb)>;
DocumentLauncher SetDocumentLauncher(DocumentLauncher launcher);

}  // namespace mvq
