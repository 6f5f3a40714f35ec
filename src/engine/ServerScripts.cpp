#include "engine/ServerScripts.h"

#include <optional>

#include "engine/DirectionTable.h"

namespace mvq {

namespace {

// What an end installs in a direction without that end of its own: the general choice.
constexpr ScriptField kGeneralOracleScript = ScriptField::Mooracletoacess;
constexpr SqlServerScripts kGeneralSqlServerScripts{ScriptField::s2omogetaccesstype,
                                                    ScriptField::s2omogettablesql};

std::string_view FieldName(ScriptField field) {
  switch (field) {
    case ScriptField::mooracletoserver:
      return "mooracletoserver";
    case ScriptField::Mooracletoacess:
      return "Mooracletoacess";
    case ScriptField::mogetaccesstype:
      return "mogetaccesstype";
    case ScriptField::mogettablesql:
      return "mogettablesql";
    case ScriptField::s2omogetaccesstype:
      return "s2omogetaccesstype";
    case ScriptField::s2omogettablesql:
      return "s2omogettablesql";
  }
  return {};
}

}  // namespace

std::span<const ServerScript> AllServerScripts() {
  // Built on first use, after the embedded texts exist.
  static const ServerScript all[] = {
      {"mooracletoserver", OracleFunctionName, scripts::mooracletoserver},
      {"Mooracletoacess", OracleFunctionName, scripts::Mooracletoacess},
      {"mogetaccesstype", "getaccesstype", scripts::mogetaccesstype},
      {"mogettablesql", "gettablesql", scripts::mogettablesql},
      {"s2omogetaccesstype", "getaccesstype", scripts::s2omogetaccesstype},
      {"s2omogettablesql", "gettablesql", scripts::s2omogettablesql},
  };
  return all;
}

const ServerScript* FindServerScript(std::string_view field) {
  for (const ServerScript& script : AllServerScripts()) {
    if (script.field == field) return &script;
  }
  return nullptr;
}

std::vector<const ServerScript*> ScriptsToInstall(ScriptServer server, int direction) {
  const bool known = direction >= 0 && direction < kDirectionCount;
  if (server == ScriptServer::Oracle) {
    const auto own = known ? DirectionOf(direction).oracleScript : std::nullopt;
    return {FindServerScript(FieldName(own.value_or(kGeneralOracleScript)))};
  }
  const auto own = known ? DirectionOf(direction).sqlScripts : std::nullopt;
  const SqlServerScripts pair = own.value_or(kGeneralSqlServerScripts);
  return {FindServerScript(FieldName(pair.getaccesstype)),
          FindServerScript(FieldName(pair.gettablesql))};
}

}  // namespace mvq
