#pragma once
// The server-side functions that write CREATE TABLE text on an Oracle or SQL Server source:
// each script's text and the function it creates, and which scripts an end installs for a
// conversion direction. The texts are the .sql files under engine/scripts, embedded at build
// time and sent to the server verbatim, one statement each.
#include <array>
#include <span>
#include <string_view>
#include <vector>

namespace mvq {

namespace scripts {
// Defined by the build from the files of the same names.
extern const std::string_view mooracletoserver;    // getMdbCreateSql, SQL Server dialect
extern const std::string_view Mooracletoacess;     // getMdbCreateSql, Access dialect
extern const std::string_view mogetaccesstype;     // getaccesstype, Access dialect
extern const std::string_view mogettablesql;       // gettablesql, Access dialect
extern const std::string_view s2omogetaccesstype;  // getaccesstype, Oracle dialect
extern const std::string_view s2omogettablesql;    // gettablesql, Oracle dialect
}  // namespace scripts

// One script: the field name it is known by, the function it creates, its text.
struct ServerScript {
  std::string_view field;
  std::string_view function;
  std::string_view text;
};

// The kind of source server a script is installed on.
enum class ScriptServer { Oracle, SqlServer };

// All six scripts.
std::span<const ServerScript> AllServerScripts();

// The script known by that field name; nullptr when there is none.
const ServerScript* FindServerScript(std::string_view field);

// The scripts an end of that kind installs before an export run in a direction, in
// installation order: the getMdbCreateSql text on Oracle; getaccesstype, then gettablesql on
// SQL Server, as the direction's row says. A direction without that end gets the general
// choice.
std::vector<const ServerScript*> ScriptsToInstall(ScriptServer server, int direction);

// The function both Oracle scripts create, and what the Oracle gate executes to remove it.
inline constexpr std::string_view OracleFunctionName = "getMdbCreateSql";
inline constexpr std::string_view OracleReleaseStatement = "drop function getMdbCreateSql";

// What releasing a SQL Server end executes to remove its functions, in this order.
inline constexpr std::array<std::string_view, 2> SqlServerReleaseStatements = {
    "drop function getaccesstype", "drop function gettableSql"};

}  // namespace mvq
