#pragma once
// Errors that abandon a wizard step, and the top-level handler that shows them.
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "shell/UserInterface.h"

namespace mvq {

// Raised for problems the user must fix where the step cannot go on (an empty Oracle
// field, an existing workbook). Whatever the step opened is released on the way out.
class ShellError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The error box's text: "." is appended when the last character (code point) sorts above
// "." (U+002E), so sentences that already end in ".", "!", ")" or "-" are left alone.
std::string ErrorBoxText(std::string_view message);

// Runs one user action. Any exception that leaves it is shown once in the error box and the
// result is false; the action's own clean-up has run by then.
bool RunGuarded(UserInterface& ui, const std::function<void()>& action);

}  // namespace mvq
