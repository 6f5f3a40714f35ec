#include "CliUserInterface.h"

#include <cstdio>

#include "TerminalProgress.h"
#include "platform/odbc/ConnectionString.h"
#include "support/Messages.h"

namespace mvq::cli {

void PrintNotice(const std::string& text) {
  ClearProgressLine();
  // Notices quote drivers and settings; a connection string in one keeps its password.
  std::fprintf(stderr, "%s\n", db::MaskPasswords(text).c_str());
  std::fflush(stderr);
}

void ShowMessagesAsNotices() {
  SetMessageHandler([](const std::string& text) { PrintNotice(text); });
}

void CliUserInterface::Message(const std::string& text) {
  PrintNotice(text);
}

bool CliUserInterface::Question(const std::string& text) {
  PrintNotice(text + " (no)");
  return false;
}

void CliUserInterface::ShowError(const std::string& text) {
  PrintNotice("error: " + text);
}

void CliUserInterface::ShowErrorBox(const std::string& caption, const std::string& text) {
  PrintNotice("error: " + caption + ": " + text);
}

std::optional<std::string> CliUserInterface::ChooseFile(const std::string&, const std::string&) {
  return std::nullopt;
}

std::optional<std::string> CliUserInterface::InputBox(const std::string&, const std::string&,
                                                      const std::string&) {
  return std::nullopt;
}

int CliUserInterface::ShellOpen(const std::string& file, const std::string&) {
  opened_ = file;
  return 42;
}

}  // namespace mvq::cli
