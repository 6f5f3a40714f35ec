#include "engine/ServerScripts.h"

#include <optional>

namespace mvq {

namespace {

// Which scripts each kind of end installs: rows for single directions come before the row
// that covers every other direction (no direction).
struct ScriptChoice {
  ScriptServer server;
  std::optional<int> direction;
  std::array<std::string_view, 2> fields;  // installation order; Oracle installs one
};

constexpr ScriptChoice kScriptChoices[] = {
    {ScriptServer::Oracle, 0, {"mooracletoserver", {}}},  // Oracle-->SQL Server
    {ScriptServer::Oracle, std::nullopt, {"Mooracletoacess", {}}},
    {ScriptServer::SqlServer, 4, {"mogetaccesstype", "mogettablesql"}},  // SQL Server-->Access
    {ScriptServer::SqlServer, std::nullopt, {"s2omogetaccesstype", "s2omogettablesql"}},
};

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
  for (const ScriptChoice& choice : kScriptChoices) {
    if (choice.server != server) continue;
    if (choice.direction && *choice.direction != direction) continue;
    std::vector<const ServerScript*> chosen;
    for (std::string_view field : choice.fields) {
      if (!field.empty()) chosen.push_back(FindServerScript(field));
    }
    return chosen;
  }
  return {};
}

}  // namespace mvq
