#include "shell/Directions.h"

#include <stdexcept>
#include <string>

namespace mvq {
namespace {

constexpr int32_t kServerGroupHeight = 225;  // pnlso when it is the top group
constexpr int32_t kFileGroupHeight = 50;     // gbmdb when it is the top group

constexpr GroupPlacement kHidden{};
constexpr GroupPlacement kLeft{Dock::Left};
constexpr GroupPlacement kFill{Dock::Fill};
constexpr GroupPlacement kServerTop{Dock::Top, kServerGroupHeight};
constexpr GroupPlacement kFileTop{Dock::Top, kFileGroupHeight};

// Columns: pnlso, gboracle, GBsql, gbmdb, gbexcel.
constexpr SettingsLayout kOracleLeftOfSql{kFill, kLeft, kFill, kHidden, kHidden};
constexpr SettingsLayout kSqlLeftOfOracle{kFill, kFill, kLeft, kHidden, kHidden};
constexpr SettingsLayout kOracleAboveMdb{kServerTop, kFill, kHidden, kFill, kHidden};
constexpr SettingsLayout kMdbAboveOracle{kFill, kFill, kHidden, kFileTop, kHidden};
constexpr SettingsLayout kSqlAboveMdb{kServerTop, kHidden, kFill, kFill, kHidden};
constexpr SettingsLayout kMdbAboveSql{kFill, kHidden, kFill, kFileTop, kHidden};
constexpr SettingsLayout kOracleAboveExcel{kServerTop, kFill, kHidden, kHidden, kFill};
constexpr SettingsLayout kSqlAboveExcel{kServerTop, kHidden, kFill, kHidden, kFill};
constexpr SettingsLayout kMdbAboveExcel{kHidden, kHidden, kHidden, kFileTop, kFill};

// Direction 4 writes Access types; the others that touch SQL Server write Oracle types.
constexpr SqlServerScripts kSqlForAccess{ScriptField::mogetaccesstype, ScriptField::mogettablesql};
constexpr SqlServerScripts kSqlForOracle{ScriptField::s2omogetaccesstype,
                                         ScriptField::s2omogettablesql};

using enum Endpoint;
using enum GatewaySlot;
using enum ScriptField;

constexpr std::array<Direction, kDirectionCount> kDirections{{
    {0, "Oracle-->SQL Server", Oracle, SqlServer, kOracleLeftOfSql, OracleGate, SqlGate,
     mooracletoserver, kSqlForOracle},
    {1, "SQL Server-->Oracle", SqlServer, Oracle, kSqlLeftOfOracle, SqlGate, OracleGate,
     Mooracletoacess, kSqlForOracle},
    {2, "Oracle-->Access", Oracle, Access, kOracleAboveMdb, OracleGate, MdbGate, Mooracletoacess,
     std::nullopt},
    {3, "Access-->Oracle", Access, Oracle, kMdbAboveOracle, MdbGate, OracleGate, Mooracletoacess,
     std::nullopt},
    {4, "SQL Server-->Access", SqlServer, Access, kSqlAboveMdb, SqlGate, MdbGate, std::nullopt,
     kSqlForAccess},
    {5, "Access-->SQL Server", Access, SqlServer, kMdbAboveSql, MdbGate, SqlGate, std::nullopt,
     kSqlForOracle},
    {6, "Oracle-->Execl", Oracle, Excel, kOracleAboveExcel, OracleGate, ExcelWriter,
     Mooracletoacess, std::nullopt},
    {7, "SQL Server-->Execl", SqlServer, Excel, kSqlAboveExcel, SqlGate, ExcelWriter, std::nullopt,
     kSqlForOracle},
    {8, "Access-->Execl", Access, Excel, kMdbAboveExcel, MdbGate, ExcelWriter, std::nullopt,
     std::nullopt},
    {9, "自定义转换", Custom, Custom, std::nullopt, CustomSourceGate, CustomTargetGate,
     std::nullopt, std::nullopt},
}};

}  // namespace

const std::array<Direction, kDirectionCount>& Directions() {
  return kDirections;
}

const Direction& GetDirection(int32_t number) {
  if (number < 0 || number >= kDirectionCount) {
    throw std::out_of_range("conversion direction " + std::to_string(number) + " out of range");
  }
  return kDirections[static_cast<size_t>(number)];
}

bool IsExcelTarget(int32_t direction) {
  return GetDirection(direction).target == Endpoint::Excel;
}

bool AccessIsSource(int32_t direction) {
  return GetDirection(direction).source == Endpoint::Access;
}

void ArrangeSettingsPage(SettingsLayout& layout, int32_t direction) {
  const Direction& d = GetDirection(direction);
  if (d.layout) layout = *d.layout;
}

std::string_view SourceListCaption(Endpoint source) {
  switch (source) {
    case Endpoint::Oracle:
      return "Oracle表列表";
    case Endpoint::Access:
      return "Access表列表";
    case Endpoint::SqlServer:
      return "SQL Server表列表";
    case Endpoint::Custom:
    case Endpoint::Excel:
      break;
  }
  return "源数据库列表";
}

}  // namespace mvq
