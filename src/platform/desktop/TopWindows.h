#pragma once
// The program's own top-level windows, as far as closing them by title goes. The Qt window
// installs a registry; without one there are no windows to close.
#include <cstdint>
#include <string>
#include <vector>

namespace mvq {

using WindowId = std::uintptr_t;

class WindowRegistry {
 public:
  virtual ~WindowRegistry() = default;
  // Identifiers of the top-level windows, front to back.
  virtual std::vector<WindowId> TopLevelWindows() = 0;
  // A window's title (UTF-8); empty for a window that has gone.
  virtual std::string WindowTitle(WindowId window) = 0;
  // Asks the window to close and returns once the request has been handled.
  virtual void CloseWindow(WindowId window) = 0;
};

// Installs the registry (not owned); nullptr removes it. Returns the previous one.
WindowRegistry* SetWindowRegistry(WindowRegistry* registry);

// Closes every top-level window whose title contains text, ASCII letters compared without
// case. Titles are compared as far as 254 bytes in GBK. An empty text closes nothing.
void CloseWindowsByTitle(const std::string& text);

}  // namespace mvq
