#include "support/RecordingUi.h"

namespace mvq::test {
namespace {

template <typename T>
T Next(std::deque<T>& queue, T fallback) {
  if (queue.empty()) return fallback;
  T value = std::move(queue.front());
  queue.pop_front();
  return value;
}

}  // namespace

void RecordingUi::Message(const std::string& text) {
  calls.push_back("message: " + text);
}

bool RecordingUi::Question(const std::string& text) {
  calls.push_back("question: " + text);
  return Next(answers, true);
}

void RecordingUi::ShowError(const std::string& text) {
  calls.push_back("error: " + text);
}

void RecordingUi::ShowErrorBox(const std::string& caption, const std::string& text) {
  calls.push_back("error box: " + caption + " | " + text);
}

std::optional<std::string> RecordingUi::ChooseFile(const std::string& initialFile,
                                                   const std::string& filter) {
  calls.push_back("choose file: " + initialFile + " | " + filter);
  return Next(files, std::optional<std::string>());
}

std::optional<std::string> RecordingUi::InputBox(const std::string& caption,
                                                 const std::string& prompt,
                                                 const std::string& initialText) {
  calls.push_back("input: " + caption + " | " + prompt + " | " + initialText);
  return Next(inputs, std::optional<std::string>());
}

int RecordingUi::ShellOpen(const std::string& file, const std::string& verb) {
  calls.push_back("open: " + file + " | " + verb);
  return Next(openCodes, 42);
}

std::vector<std::string> RecordingUi::Messages() const {
  const std::string prefix = "message: ";
  std::vector<std::string> messages;
  for (const std::string& call : calls) {
    if (call.rfind(prefix, 0) == 0) messages.push_back(call.substr(prefix.size()));
  }
  return messages;
}

}  // namespace mvq::test
