#pragma once
// The wizard's user interface on a terminal: messages and errors on stderr, no dialogs
// (questions answered no, file choices cancelled), and the run log not opened but kept for
// the summary.
#include <optional>
#include <string>

#include "shell/UserInterface.h"

namespace mvq::cli {

class CliUserInterface : public UserInterface {
 public:
  void Message(const std::string& text) override;
  bool Question(const std::string& text) override;
  void ShowError(const std::string& text) override;
  void ShowErrorBox(const std::string& caption, const std::string& text) override;
  std::optional<std::string> ChooseFile(const std::string& initialFile,
                                        const std::string& filter) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& initialText) override;
  // Remembers the document instead of opening a viewer; always succeeds.
  int ShellOpen(const std::string& file, const std::string& verb) override;

  const std::string& OpenedDocument() const { return opened_; }

 private:
  std::string opened_;
};

// Writes a line to stderr, first ending a progress bar that may be on the line.
void PrintNotice(const std::string& text);

// The program's messages and error boxes become notices.
void ShowMessagesAsNotices();

}  // namespace mvq::cli
