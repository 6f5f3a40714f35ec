#include "Passwords.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "platform/odbc/ConnectionString.h"

namespace mvq::cli {
namespace {

std::string Ask(const std::string& question, const std::string& why) {
  std::optional<std::string> answer = PromptWithoutEcho(question);
  if (!answer) throw UsageError(why + ", and there is no terminal to ask for the password");
  return *answer;
}

std::string FromEnvironment(const std::string& option, const std::string& name) {
  if (const char* value = std::getenv(name.c_str())) return value;
  return Ask("password for " + name + ": ",
             option + ": the environment variable " + name + " is not set");
}

// ${NAME} -> the value of NAME; anything else in the value stays as written.
std::string ExpandReferences(const std::string& value, const std::string& option) {
  std::string out;
  size_t i = 0;
  for (size_t open; (open = value.find("${", i)) != std::string::npos;) {
    const size_t close = value.find('}', open + 2);
    if (close == std::string::npos) break;
    out.append(value, i, open - i);
    out += FromEnvironment(option, value.substr(open + 2, close - open - 2));
    i = close + 1;
  }
  return out + value.substr(i);
}

void ExpandConnectionString(std::optional<std::string>& text, const std::string& option) {
  if (!text || text->find("${") == std::string::npos) return;
  std::vector<db::Attribute> attributes;
  try {
    attributes = db::ParseConnectionString(*text);
  } catch (const std::exception& e) {
    throw UsageError(option + ": " + e.what());
  }
  bool expanded = false;
  for (db::Attribute& a : attributes) {
    if (!db::IsPasswordKey(a.key) || a.value.find("${") == std::string::npos) continue;
    a.value = ExpandReferences(a.value, option);
    expanded = true;
  }
  if (expanded) *text = db::FormatConnectionString(attributes);
}

void Resolve(std::optional<std::string>& password, const std::optional<std::string>& env,
             bool prompt, const std::string& option, const std::string& question) {
  if (env) password = FromEnvironment(option + "-env", *env);
  if (prompt) password = Ask(question, option + "-prompt was given");
}

}  // namespace

std::optional<std::string> PromptWithoutEcho(const std::string& question) {
  if (::isatty(STDIN_FILENO) != 1) return std::nullopt;
  // Echo goes off before the question shows, so that no early answer is echoed.
  termios saved{};
  const bool haveTerminal = ::tcgetattr(STDIN_FILENO, &saved) == 0;
  if (haveTerminal) {
    termios quiet = saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    quiet.c_lflag |= ECHONL;
    ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::fputs(question.c_str(), stderr);
  std::fflush(stderr);
  std::string line;
  const bool read = static_cast<bool>(std::getline(std::cin, line));
  if (haveTerminal) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  if (!read) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void ResolvePasswords(Options& o) {
  Resolve(o.oraclePassword, o.oraclePasswordEnv, o.oraclePasswordPrompt, "--oracle-password",
          "Oracle password: ");
  Resolve(o.sqlPassword, o.sqlPasswordEnv, o.sqlPasswordPrompt, "--sqlserver-password",
          "SQL Server password: ");
  ExpandConnectionString(o.source, "--source");
  ExpandConnectionString(o.target, "--target");
}

}  // namespace mvq::cli
