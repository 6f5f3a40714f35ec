#pragma once
// Giving memory back to the system, and letting the window breathe afterwards.
#include <functional>

namespace mvq {

// Returns freed heap pages to the system (malloc_trim), then processes pending events.
void TrimWorkingSet();

// Runs the installed event pump once; nothing without a window.
void ProcessPendingEvents();
// Installs the pump the window provides; returns the previous one.
std::function<void()> SetEventPump(std::function<void()> pump);

}  // namespace mvq
