#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "engine/ServerScripts.h"
#include "platform/odbc/NameRules.h"

#include "platform/text/AsciiCase.h"

namespace mvq {
namespace {

namespace fs = std::filesystem;

// The script files in the source tree (tests/data sits two levels below the top).
fs::path ScriptDir() {
  return fs::path(MVQ_TEST_DATA_DIR).parent_path().parent_path() / "src" / "engine" / "scripts";
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string Trimmed(std::string s) {
  auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
  s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), blank));
  s.erase(std::find_if_not(s.rbegin(), s.rend(), blank).base(), s.end());
  return s;
}

std::string LastNonBlankLine(std::string_view text) {
  std::string last;
  for (const std::string& line : Lines(text)) {
    if (!Trimmed(line).empty()) last = Trimmed(line);
  }
  return last;
}

bool IsOracleScript(const ServerScript& s) {
  return s.function == OracleFunctionName;
}

std::vector<std::string_view> Fields(const std::vector<const ServerScript*>& chosen) {
  std::vector<std::string_view> fields;
  for (const ServerScript* s : chosen) fields.push_back(s ? s->field : "(missing)");
  return fields;
}

TEST(ServerScripts, EveryScriptFileIsEmbeddedByteForByte) {
  std::set<std::string> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(ScriptDir())) {
    if (entry.path().extension() == ".sql") files.insert(entry.path().stem().string());
  }
  std::set<std::string> fields;
  for (const ServerScript& script : AllServerScripts()) {
    fields.insert(std::string(script.field));
    const std::string file = ReadBytes(ScriptDir() / (std::string(script.field) + ".sql"));
    ASSERT_FALSE(file.empty()) << script.field;
    EXPECT_TRUE(script.text == file) << script.field << " differs from its file";
    EXPECT_EQ(FindServerScript(script.field), &script);
  }
  EXPECT_EQ(files, fields) << "a script file without a table entry, or the reverse";
  EXPECT_EQ(fields.size(), 6u);
  EXPECT_EQ(FindServerScript("mooracletoaccess"), nullptr);
  EXPECT_EQ(FindServerScript("mogetaccesstype")->text, scripts::mogetaccesstype);
}

TEST(ServerScripts, EachScriptOpensWithTheSignatureOfItsFunction) {
  for (const ServerScript& script : AllServerScripts()) {
    SCOPED_TRACE(script.field);
    const std::vector<std::string> lines = Lines(script.text);
    ASSERT_GE(lines.size(), 3u);
    if (IsOracleScript(script)) {
      EXPECT_EQ(lines[0],
                "create or replace function getMdbCreateSql(tableName in varchar2) return long");
    } else if (script.function == "getaccesstype") {
      EXPECT_EQ(lines[0],
                "create function getaccesstype(@pdata_type varchar(64),@pdata_length int,"
                "@pdata_scale int)");
      EXPECT_EQ(lines[1], "returns varchar(8000)");
    } else {
      ASSERT_EQ(script.function, "gettablesql");
      EXPECT_EQ(lines[0], "create function gettablesql (@tablename varchar(128))");
      EXPECT_EQ(lines[1], "returns varchar(8000)");
      EXPECT_NE(script.text.find("dbo.getAccesstype(@typeName, @columnLength, @columnScale)"),
                std::string_view::npos);
    }
  }
}

TEST(ServerScripts, EachScriptIsOneStatementThatNoDriverRewrites) {
  for (const ServerScript& script : AllServerScripts()) {
    SCOPED_TRACE(script.field);
    for (const std::string& line : Lines(script.text)) {
      const std::string word = mvq::text::AsciiLower(Trimmed(line));
      EXPECT_NE(word, "/") << "a client-tool terminator would end the statement";
      EXPECT_NE(word, "go") << "a batch separator would end the statement";
    }
    EXPECT_EQ(LastNonBlankLine(script.text), IsOracleScript(script) ? "end;" : "end");
    // Question marks, braces and ":name" would be taken for parameters or escapes.
    EXPECT_EQ(script.text.find('?'), std::string_view::npos);
    EXPECT_EQ(script.text.find('{'), std::string_view::npos);
    for (size_t at = script.text.find(':'); at != std::string_view::npos;
         at = script.text.find(':', at + 1)) {
      const unsigned char next = at + 1 < script.text.size() ? script.text[at + 1] : ' ';
      EXPECT_FALSE(std::isalnum(next) || next == '_') << "bind-like marker at byte " << at;
    }
  }
}

TEST(ServerScripts, OracleInstallsTheSqlServerDialectOnlyForOracleToSqlServer) {
  EXPECT_EQ(Fields(ScriptsToInstall(ScriptServer::Oracle, 0)),
            std::vector<std::string_view>{"mooracletoserver"});
  for (int direction = 1; direction <= 9; ++direction) {
    EXPECT_EQ(Fields(ScriptsToInstall(ScriptServer::Oracle, direction)),
              std::vector<std::string_view>{"Mooracletoacess"})
        << "direction " << direction;
  }
  for (int direction = 0; direction <= 9; ++direction) {
    for (const ServerScript* script : ScriptsToInstall(ScriptServer::Oracle, direction)) {
      EXPECT_EQ(script->function, OracleFunctionName);
    }
  }
  EXPECT_EQ(OracleReleaseStatement, "drop function " + std::string(OracleFunctionName));
}

TEST(ServerScripts, SqlServerInstallsTheTypeMapperFirstAndTheAccessPairOnlyForSqlServerToAccess) {
  const std::vector<std::string_view> accessPair{"mogetaccesstype", "mogettablesql"};
  const std::vector<std::string_view> oraclePair{"s2omogetaccesstype", "s2omogettablesql"};
  for (int direction = 0; direction <= 9; ++direction) {
    SCOPED_TRACE(direction);
    const std::vector<const ServerScript*> chosen =
        ScriptsToInstall(ScriptServer::SqlServer, direction);
    EXPECT_EQ(Fields(chosen), direction == 4 ? accessPair : oraclePair);
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[0]->function, "getaccesstype");
    EXPECT_EQ(chosen[1]->function, "gettablesql");
    // Release drops the same two functions, type mapper first.
    for (size_t i = 0; i < chosen.size(); ++i) {
      EXPECT_EQ(mvq::text::AsciiLower(std::string(SqlServerReleaseStatements[i])),
                "drop function " + std::string(chosen[i]->function));
    }
  }
  EXPECT_EQ(SqlServerReleaseStatements[1], "drop function gettableSql");
}

// The literal a script assigns to its list of reserved words, its pieces joined; empty when
// it has none.
std::string ReservedWordsOf(std::string_view text) {
  size_t at = text.find("reservedWords constant");
  if (at == std::string_view::npos) at = text.find("set @reservedWords =");
  if (at == std::string_view::npos) return {};
  // PL/SQL ends the declaration with ";", T-SQL the statement with a blank line.
  const size_t end = std::min(text.find(';', at), text.find("\n\n", at));
  std::string words;
  for (size_t open = text.find('\'', at); open < end; open = text.find('\'', open)) {
    const size_t close = text.find('\'', open + 1);
    words += text.substr(open + 1, close - open - 1);
    open = close + 1;
  }
  return words;
}

TEST(ServerScripts, TheFunctionsThatWriteNamesQuoteTheProgramsReservedWords) {
  std::string expected = ",";
  for (std::string_view word : db::ReservedWords()) expected += std::string(word) + ",";
  size_t withList = 0;
  for (const ServerScript& script : AllServerScripts()) {
    if (script.function == "getaccesstype") continue;  // writes no names
    SCOPED_TRACE(script.field);
    EXPECT_EQ(ReservedWordsOf(script.text), expected);
    ++withList;
  }
  EXPECT_EQ(withList, 4u);
}

}  // namespace
}  // namespace mvq
