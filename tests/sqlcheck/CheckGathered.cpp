// The last step of a test run: every distinct statement that the tests sent to scripted
// Oracle and SQL Server connections, and the six server-side scripts as they are installed,
// parsed by sqlcheck. Exits 1 naming each statement it refuses, 2 when it cannot check.
//
//   sqlcheck_gathered SQLCHECK ALLOW_LIST GATHER_DIR
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "engine/ServerScripts.h"
#include "support/SqlGrammarCheck.h"

namespace fs = std::filesystem;
using namespace mvq;
using namespace mvq::test;

namespace {

std::string ShellQuoted(const std::string& s) {
  std::string out = "'";
  for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string RunSqlcheck(const fs::path& tool, SqlDialect dialect, const fs::path& file) {
  const std::string command = ShellQuoted(tool.string()) + " " + std::string(DialectName(dialect)) +
                              " --split0 " + ShellQuoted(file.string());
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("could not start " + command);
  std::string output;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  const int status = ::pclose(pipe);
  // 0: all parsed, 1: some did not; anything else means it did not check.
  if (!WIFEXITED(status) || WEXITSTATUS(status) > 1)
    throw std::runtime_error(command + " could not check (exit status " +
                             std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")\n" +
                             output);
  return output;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: sqlcheck_gathered SQLCHECK ALLOW_LIST GATHER_DIR\n";
    return 2;
  }
  const fs::path tool = argv[1], allowFile = argv[2], gathered = argv[3];
  if (!fs::exists(tool)) {
    std::cerr << "sqlcheck is missing: " << tool.string()
              << "\n(set the CMake cache variable MVQ_SQLCHECK, or MVQ_SQLCHECK in the "
                 "environment when configuring, to the tool's path)\n";
    return 2;
  }
  try {
    auto allowed = ParseAllowList(ReadFile(allowFile));
    std::vector<std::string> failures;
    for (SqlDialect dialect : {SqlDialect::Oracle, SqlDialect::SqlServer}) {
      std::set<std::string> statements = ReadGathered(gathered, dialect);
      const size_t fromTests = statements.size();
      size_t scripts = 0;
      for (const ServerScript& script : AllServerScripts()) {
        const bool oracle = script.function == OracleFunctionName;
        if (oracle == (dialect == SqlDialect::Oracle))
          scripts += statements.insert(std::string(script.text)).second;
      }
      size_t skipped = 0;
      for (auto it = statements.begin(); it != statements.end();) {
        const bool allow = allowed.count({dialect, *it}) > 0;
        skipped += allow;
        it = allow ? statements.erase(it) : std::next(it);
      }
      const CheckOutcome outcome = CheckStatements(
          dialect, statements, gathered / "check",
          [&](SqlDialect d, const fs::path& file) { return RunSqlcheck(tool, d, file); });
      std::cout << DialectName(dialect) << ": " << fromTests << " statements from the tests and "
                << scripts << " server scripts they did not install, " << skipped
                << " of them on the allow-list, " << outcome.checked << " checked, "
                << outcome.failures.size() << " refused\n";
      failures.insert(failures.end(), outcome.failures.begin(), outcome.failures.end());
    }
    for (const std::string& f : failures) std::cout << "\nREFUSED " << f << "\n";
    return failures.empty() ? 0 : 1;
  } catch (const std::exception& e) {
    std::cerr << "sqlcheck_gathered: " << e.what() << "\n";
    return 2;
  }
}
