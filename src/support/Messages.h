#pragma once
// User-facing notices raised below the shell (a builder meeting a column it cannot map).
// The shell installs the window's or the terminal's handler; without one they go to stderr.
#include <cstdint>
#include <functional>
#include <string>

namespace mvq {

// A message box without icon, OK button: the step goes on after it.
void ShowMessage(const std::string& text);
using MessageHandler = std::function<void(const std::string&)>;
MessageHandler SetMessageHandler(MessageHandler handler);  // returns the previous one

// The millisecond tick counter used for elapsed times; tests inject their own.
uint32_t GetTickCount();
void SetTickSource(std::function<uint32_t()> source);

}  // namespace mvq
