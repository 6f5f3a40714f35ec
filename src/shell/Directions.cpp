#include "shell/Directions.h"

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

constexpr std::array<Direction, kDirectionCount> kDirections{{
    {0, "Oracle-->SQL Server", kOracleLeftOfSql},
    {1, "SQL Server-->Oracle", kSqlLeftOfOracle},
    {2, "Oracle-->Access", kOracleAboveMdb},
    {3, "Access-->Oracle", kMdbAboveOracle},
    {4, "SQL Server-->Access", kSqlAboveMdb},
    {5, "Access-->SQL Server", kMdbAboveSql},
    {6, "Oracle-->Execl", kOracleAboveExcel},
    {7, "SQL Server-->Execl", kSqlAboveExcel},
    {8, "Access-->Execl", kMdbAboveExcel},
    {9, "自定义转换", std::nullopt},
}};

}  // namespace

const std::array<Direction, kDirectionCount>& Directions() {
  return kDirections;
}

const Direction& GetDirection(int32_t number) {
  (void)DirectionOf(number);  // the range check
  return kDirections[static_cast<size_t>(number)];
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
