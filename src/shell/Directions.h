#pragma once
// The ten conversion directions as one table: item text, the two ends, how the settings page
// is arranged, which gateway slots the run fills and which server scripts it installs.
#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace mvq {

inline constexpr int32_t kDirectionCount = 10;
inline constexpr int32_t kCustomDirection = 9;

enum class Endpoint { Oracle, SqlServer, Access, Excel, Custom };

// How a group sits on the settings page. Left takes half the client width; Top takes the
// height given; Fill takes what the other group left.
enum class Dock { Hidden, Left, Top, Fill };

struct GroupPlacement {
  Dock dock = Dock::Hidden;
  int32_t height = 0;  // only for Top

  bool Visible() const { return dock != Dock::Hidden; }
  bool operator==(const GroupPlacement&) const = default;
};

// The settings page: pnlso holds the Oracle and SQL Server groups side by side; pnlso, the
// Access group and the Excel group stack from the top.
struct SettingsLayout {
  GroupPlacement pnlso;
  GroupPlacement gboracle;  // inside pnlso
  GroupPlacement GBsql;     // inside pnlso
  GroupPlacement gbmdb;
  GroupPlacement gbexcel;

  bool operator==(const SettingsLayout&) const = default;
};

enum class GatewaySlot {
  None,
  OracleGate,
  MdbGate,
  SqlGate,
  CustomSourceGate,
  CustomTargetGate,
  ExcelWriter,  // not a slot: the run creates the workbook writer itself
};

// The hidden script fields whose text creates the server-side functions.
enum class ScriptField {
  mooracletoserver,
  Mooracletoacess,
  mogetaccesstype,
  mogettablesql,
  s2omogetaccesstype,
  s2omogettablesql,
};

inline constexpr std::string_view kOracleFunctionName = "getMdbCreateSql";
inline constexpr std::string_view kAccessTypeFunctionName = "getaccesstype";
inline constexpr std::string_view kTableSqlFunctionName = "gettablesql";

struct SqlServerScripts {
  ScriptField getaccesstype;
  ScriptField gettablesql;
};

struct Direction {
  int32_t number;
  std::string_view itemText;
  Endpoint source;
  Endpoint target;
  // None for the custom direction: it skips the settings page and leaves it as it was.
  std::optional<SettingsLayout> layout;
  GatewaySlot sourceSlot;
  GatewaySlot targetSlot;
  std::optional<ScriptField> oracleScript;     // installed as getMdbCreateSql
  std::optional<SqlServerScripts> sqlScripts;  // getaccesstype, then gettablesql
};

const std::array<Direction, kDirectionCount>& Directions();

// Throws std::out_of_range for a number outside 0-9.
const Direction& GetDirection(int32_t number);

bool IsExcelTarget(int32_t direction);
// The direction reads an Access file (3, 5 and 8): a missing one is not created.
bool AccessIsSource(int32_t direction);

// What ArrangeSettingsPage does: the direction's arrangement, or the current one unchanged
// for the custom direction.
void ArrangeSettingsPage(SettingsLayout& layout, int32_t direction);

// The caption of the source list's group for a source of this kind.
std::string_view SourceListCaption(Endpoint source);

}  // namespace mvq
