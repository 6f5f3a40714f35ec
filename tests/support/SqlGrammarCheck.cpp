#include "support/SqlGrammarCheck.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/text/AsciiCase.h"

namespace mvq::test {

namespace fs = std::filesystem;

namespace {

std::string_view Trimmed(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

std::vector<std::string> Words(std::string_view s, size_t count) {
  std::vector<std::string> words;
  std::istringstream in{text::AsciiLower(s)};
  for (std::string w; words.size() < count && in >> w;) words.push_back(w);
  return words;
}

bool IsWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '$' || c == '#';
}

// Where the text starting at i, which opens a literal, quoted name or comment, ends.
size_t SkipQuoted(std::string_view sql, size_t i) {
  if (sql.compare(i, 2, "--") == 0) {
    const size_t end = sql.find('\n', i);
    return end == std::string_view::npos ? sql.size() : end;
  }
  if (sql.compare(i, 2, "/*") == 0) {
    const size_t end = sql.find("*/", i + 2);
    return end == std::string_view::npos ? sql.size() : end + 2;
  }
  const char quote = sql[i];
  for (size_t j = i + 1; j < sql.size(); ++j) {
    if (sql[j] != quote) continue;
    if (j + 1 < sql.size() && sql[j + 1] == quote) {
      ++j;  // doubled quote inside
      continue;
    }
    return j + 1;
  }
  return sql.size();
}

}  // namespace

std::set<std::string> ReadGathered(const fs::path& dir, SqlDialect dialect) {
  std::set<std::string> statements;
  if (!fs::is_directory(dir)) return statements;
  const std::string extension = "." + std::string(DialectName(dialect));
  for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
    if (!entry.is_regular_file() || entry.path().extension() != extension) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    for (std::string sql; std::getline(in, sql, '\0');) {
      if (!Trimmed(sql).empty()) statements.insert(sql);
    }
  }
  return statements;
}

std::string ForGrammar(SqlDialect dialect, std::string_view sql) {
  if (dialect != SqlDialect::Oracle) return std::string(sql);
  std::string out;
  int marker = 0;
  for (size_t i = 0; i < sql.size();) {
    const char c = sql[i];
    if (c == '\'' || c == '"' || sql.compare(i, 2, "--") == 0 || sql.compare(i, 2, "/*") == 0) {
      const size_t end = SkipQuoted(sql, i);
      out.append(sql, i, end - i);
      i = end;
    } else if (c == '?') {
      out += ":" + std::to_string(++marker);
      ++i;
    } else if (IsWordChar(c)) {
      size_t end = i;
      while (end < sql.size() && IsWordChar(sql[end])) ++end;
      const char upper = text::AsciiUpper(c);
      const bool bind = i > 0 && sql[i - 1] == ':';
      if (end == i + 1 && !bind &&
          std::string_view("EGHKMPT").find(upper) != std::string_view::npos)
        out += std::string("\"") + upper + '"';
      else
        out.append(sql, i, end - i);
      i = end;
    } else {
      out += c;
      ++i;
    }
  }
  if (Trimmed(out).empty() || Trimmed(out).back() != ';') out += ";";
  return out;
}

std::optional<std::string> DriverFault(SqlDialect dialect, std::string_view sql) {
  const std::string_view text = Trimmed(sql);
  if (dialect == SqlDialect::SqlServer) {
    static const std::set<std::string> starts = {
        "alter",  "begin", "commit",   "create", "declare", "delete", "drop",     "exec",   "if",
        "insert", "merge", "rollback", "save",   "select",  "set",    "truncate", "update", "with"};
    const std::vector<std::string> first = Words(text, 1);
    std::string word = first.empty() ? "" : first[0];
    word = word.substr(0, word.find_first_of("(;"));
    if (!starts.count(word))
      return "starts with \"" + word +
             "\", which the grammar and the server read as the name of a procedure to run";
    std::istringstream lines{std::string(text)};
    for (std::string line; std::getline(lines, line);) {
      if (text::AsciiLower(Trimmed(line)) == "go")
        return "a \"go\" line: a client tool's batch separator, which the server refuses";
    }
    return std::nullopt;
  }
  if (text.empty() || text.back() != ';') return std::nullopt;
  std::vector<std::string> words = Words(text, 4);
  if (words[0] == "begin" || words[0] == "declare") return std::nullopt;
  if (words[0] == "create") {
    size_t kind = words.size() > 2 && words[1] == "or" && words[2] == "replace" ? 3 : 1;
    static const std::set<std::string> units = {"function", "procedure", "package", "trigger",
                                                "type"};
    if (kind < words.size() && units.count(words[kind])) return std::nullopt;
  }
  return "ends with \";\", which the Oracle server refuses outside a PL/SQL block "
         "(ORA-00911: invalid character)";
}

Verdicts ParseSqlcheckOutput(std::string_view output, std::string_view file) {
  Verdicts verdicts;
  std::istringstream lines{std::string(output)};
  for (std::string line; std::getline(lines, line);) {
    const bool ok = line.rfind("OK ", 0) == 0;
    if (!ok && line.rfind("ERR ", 0) != 0) continue;
    std::string_view rest = std::string_view(line).substr(ok ? 3 : 4);
    if (rest.substr(0, file.size()) != file || rest.substr(file.size(), 1) != "#") continue;
    rest.remove_prefix(file.size() + 1);
    size_t digits = 0, number = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9')
      number = number * 10 + static_cast<size_t>(rest[digits++] - '0');
    if (digits == 0 || number == 0) continue;
    if (digits < rest.size() && rest[digits] != ' ') continue;  // another file's name
    if (ok) {
      verdicts.ok.insert(number - 1);
    } else {
      verdicts.errors[number - 1] = std::string(Trimmed(rest.substr(digits)));
    }
  }
  return verdicts;
}

std::set<std::pair<SqlDialect, std::string>> ParseAllowList(std::string_view text) {
  std::set<std::pair<SqlDialect, std::string>> entries;
  std::istringstream lines{std::string(text)};
  int number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (Trimmed(line).empty() || Trimmed(line)[0] == '#') continue;
    const size_t space = line.find(' ');
    const std::string dialect = line.substr(0, space);
    const std::string statement =
        space == std::string::npos ? "" : std::string(Trimmed(line.substr(space + 1)));
    if (statement.empty() || (dialect != "oracle" && dialect != "sqlserver"))
      throw std::runtime_error("allow-list line " + std::to_string(number) +
                               " is not \"oracle STATEMENT\" or \"sqlserver STATEMENT\": " + line);
    entries.emplace(dialect == "oracle" ? SqlDialect::Oracle : SqlDialect::SqlServer, statement);
  }
  return entries;
}

CheckOutcome CheckStatements(SqlDialect dialect, const std::set<std::string>& statements,
                             const fs::path& workDir, const SqlcheckRunner& run) {
  CheckOutcome outcome;
  if (statements.empty()) return outcome;
  const std::vector<std::string> sent(statements.begin(), statements.end());
  std::vector<std::string> read;
  fs::create_directories(workDir);
  const fs::path file = workDir / (std::string(DialectName(dialect)) + ".sql");
  {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (const std::string& sql : sent) {
      read.push_back(ForGrammar(dialect, sql));
      out << read.back() << '\0';
    }
  }
  const Verdicts verdicts = ParseSqlcheckOutput(run(dialect, file), file.string());
  const std::string name(DialectName(dialect));
  for (size_t i = 0; i < sent.size(); ++i) {
    std::string why;
    if (auto fault = DriverFault(dialect, sent[i])) why = *fault;
    if (auto e = verdicts.errors.find(i); e != verdicts.errors.end()) {
      // The list of tokens the grammar expected can run to thousands of characters.
      constexpr size_t kMessageChars = 300;
      why += (why.empty() ? "" : "; ") + e->second.substr(0, kMessageChars) +
             (e->second.size() > kMessageChars ? "..." : "");
    } else if (!verdicts.ok.count(i) && why.empty())
      why = "sqlcheck gave no verdict";
    if (why.empty()) continue;
    std::string failure = name + ": " + why + "\n    " + sent[i];
    if (read[i] != sent[i]) failure += "\n  read by the grammar as\n    " + read[i];
    outcome.failures.push_back(failure);
  }
  outcome.checked = sent.size();
  return outcome;
}

}  // namespace mvq::test
