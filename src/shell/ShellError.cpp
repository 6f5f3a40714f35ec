#include "shell/ShellError.h"

#include <exception>

namespace mvq {

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  if (text.empty()) return text;
  // In UTF-8 the last byte of a multi-byte character is >= 0x80, and every such character
  // is above "."; an ASCII last byte is the character itself. So the last byte decides.
  const auto last = static_cast<unsigned char>(text.back());
  if (last > static_cast<unsigned char>('.')) text += '.';
  return text;
}

bool RunGuarded(UserInterface& ui, const std::function<void()>& action) {
  try {
    action();
    return true;
  } catch (const std::exception& e) {
    ui.ShowError(ErrorBoxText(e.what()));
  }
  return false;
}

}  // namespace mvq
