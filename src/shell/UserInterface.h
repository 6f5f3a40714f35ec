#pragma once
// Everything the wizard asks of the person in front of it. The Qt window and the batch runner
// implement it; tests use a recording fake.
#include <optional>
#include <string>

namespace mvq {

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // A message box without icon, OK button, the application's title as caption; the step
  // goes on (or ends normally) after it.
  virtual void Message(const std::string& text) = 0;

  // A question box; true for yes.
  virtual bool Question(const std::string& text) = 0;

  // The top-level error box (stop icon, application title). The text arrives with the
  // closing "." already applied (see ErrorBoxText).
  virtual void ShowError(const std::string& text) = 0;

  // An error box with its own caption (error icon), as OpenDocument and the version lookup
  // show them.
  virtual void ShowErrorBox(const std::string& caption, const std::string& text) = 0;

  // An open-file dialog starting at initialFile with a filter such as "*.mdb|*.mdb";
  // nothing when the user cancels.
  virtual std::optional<std::string> ChooseFile(const std::string& initialFile,
                                                const std::string& filter) = 0;

  // A one-line input box; nothing when the user cancels.
  virtual std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                              const std::string& initialText) = 0;

  // Asks the desktop to open a file with a verb ("open"). Answers the platform's result
  // code: above 32 is success, 0 out of memory, 2 file not found, 3 path not found,
  // 11 bad format, 27 bad file name; anything else is some other failure.
  virtual int ShellOpen(const std::string& file, const std::string& verb) = 0;
};

}  // namespace mvq
