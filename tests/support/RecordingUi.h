#pragma once
// A UserInterface for tests: records every call as one line in order and answers from queues
// the test fills (questions yes, dialogs cancelled, opens succeed when a queue is empty).
//
//   test::RecordingUi ui;
//   ui.inputs.push_back("emp");
//   ... run the code ...
//   EXPECT_EQ(ui.Messages(), (std::vector<std::string>{"没有找到类似emp"}));
//
// Lines: "message: TEXT", "question: TEXT", "error: TEXT", "error box: CAPTION | TEXT",
// "choose file: INITIAL | FILTER", "input: CAPTION | PROMPT | INITIAL", "open: FILE | VERB".
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "shell/UserInterface.h"

namespace mvq::test {

class RecordingUi : public UserInterface {
 public:
  std::vector<std::string> calls;

  std::deque<bool> answers;                       // Question
  std::deque<std::optional<std::string>> files;   // ChooseFile
  std::deque<std::optional<std::string>> inputs;  // InputBox
  std::deque<int> openCodes;                      // ShellOpen

  void Message(const std::string& text) override;
  bool Question(const std::string& text) override;
  void ShowError(const std::string& text) override;
  void ShowErrorBox(const std::string& caption, const std::string& text) override;
  std::optional<std::string> ChooseFile(const std::string& initialFile,
                                        const std::string& filter) override;
  std::optional<std::string> InputBox(const std::string& caption, const std::string& prompt,
                                      const std::string& initialText) override;
  int ShellOpen(const std::string& file, const std::string& verb) override;

  // Only the "message: " lines, without their prefix.
  std::vector<std::string> Messages() const;
};

}  // namespace mvq::test
