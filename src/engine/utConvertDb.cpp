#include "engine/utConvertDb.h"

#include <functional>
#include <optional>
#include <stdexcept>

#include "engine/Gateways.h"
#include "engine/RowCopy.h"
#include "engine/StrFormat.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/UtStoreProOCI.h"
#include "gates/oracle/utconnection.h"
#include "support/CurrentDirection.h"
#include "support/utLog.h"

namespace mvq {

namespace {

// What one direction plugs together.
struct DirectionPlan {
  TableTarget target;
  std::function<std::string(const std::string&)> createSql;  // from the source side
  int32_t createOkFrom;  // the target's ExecuteSql result that means success
  std::function<void(const std::string&)> copyRows;
};

TableTarget AccessTarget() {
  return {&kAccessTarget, [](const std::string& t) { return MdbGate->TableExists(t); },
          [](const std::string& s) { return MdbGate->ExecuteSql(s); },
          [] { return MdbGate->Names(); }};
}
TableTarget SqlServerTarget() {
  return {&kSqlServerTarget, [](const std::string& t) { return SqlGate->TableExists(t); },
          [](const std::string& s) { return SqlGate->ExecuteSql(s); },
          [] { return SqlGate->Names(); }};
}
TableTarget OracleTarget() {
  return {&kOracleTarget, [](const std::string& t) { return OracleGate->TableExists(t); },
          [](const std::string& s) { return OracleGate->ExecuteSql(s); },
          [] { return TComDBConn::Names(); }};
}
TableTarget CustomTarget() {
  return {&kCustomTarget, [](const std::string& t) { return CustomTargetGate->TableExists(t); },
          [](const std::string& s) { return CustomTargetGate->ExecuteSql(s); },
          [] { return CustomTargetGate->Names(); }};
}

constexpr const char* kNameRefused = "导出失败：目标数据库不能容纳表名%s(%s)";

// The failure values: -1 on Access, Oracle and custom targets, -99 on SQL Server, whose -1
// is a statement it did not count; Oracle reports 1 for success.
constexpr int32_t kAccessCreateOk = 0, kSqlServerCreateOk = -1, kOracleCreateOk = 1,
                  kCustomCreateOk = 0;

// Both ends of the direction must have been connected by the run before any table goes.
template <typename Source, typename Target>
void RequireOpen(const Source& source, const Target& target) {
  if (!source || !target) throw std::runtime_error("转换的数据连接没有打开");
}

std::optional<DirectionPlan> PlanFor(int32_t direction) {
  switch (direction) {
    case 0:
      RequireOpen(OracleGate, SqlGate);
      break;
    case 1:
      RequireOpen(SqlGate, OracleGate);
      break;
    case 2:
      RequireOpen(OracleGate, MdbGate);
      break;
    case 3:
      RequireOpen(MdbGate, OracleGate);
      break;
    case 4:
      RequireOpen(SqlGate, MdbGate);
      break;
    case 5:
      RequireOpen(MdbGate, SqlGate);
      break;
    case 9:
      RequireOpen(CustomSourceGate, CustomTargetGate);
      break;
    default:
      break;
  }
  switch (direction) {
    case 0:  // Oracle -> SQL Server
      return DirectionPlan{
          SqlServerTarget(), GetOracleCreateSql, kSqlServerCreateOk,
          [](const std::string& t) { CopyRowsOracleToAdo(*OracleGate, *SqlGate, t); }};
    case 1:  // SQL Server -> Oracle
      return DirectionPlan{
          OracleTarget(), [](const std::string& t) { return SqlGate->GetTableScript(t); },
          kOracleCreateOk,
          [](const std::string& t) { CopyRowsAdoToOracle(*SqlGate, *OracleGate, t); }};
    case 2:  // Oracle -> Access
      return DirectionPlan{
          AccessTarget(), GetOracleCreateSql, kAccessCreateOk,
          [](const std::string& t) { CopyRowsOracleToAdo(*OracleGate, *MdbGate, t); }};
    case 3:  // Access -> Oracle
      return DirectionPlan{
          OracleTarget(), [](const std::string& t) { return MdbGate->BuildOracleCreateSql(t); },
          kOracleCreateOk,
          [](const std::string& t) { CopyRowsAdoToOracle(*MdbGate, *OracleGate, t); }};
    case 4:  // SQL Server -> Access
      return DirectionPlan{
          AccessTarget(), [](const std::string& t) { return SqlGate->GetTableScript(t); },
          kAccessCreateOk, [](const std::string& t) { CopyRowsAdoToAdo(*SqlGate, *MdbGate, t); }};
    case 5:  // Access -> SQL Server
      return DirectionPlan{SqlServerTarget(),
                           [](const std::string& t) { return MdbGate->BuildCreateSql(t); },
                           kSqlServerCreateOk,
                           [](const std::string& t) { CopyRowsAdoToAdo(*MdbGate, *SqlGate, t); }};
    case 9:  // custom
      return DirectionPlan{
          CustomTarget(),
          [](const std::string& t) {
            return CustomSourceGate->BuildProviderCreateSql(t, CustomTargetGate->AdoConnection());
          },
          kCustomCreateOk,
          [](const std::string& t) { CopyRowsCustom(*CustomSourceGate, *CustomTargetGate, t); }};
    default:
      return std::nullopt;
  }
}

// Obtains the statement from the source side and runs it on the target. A failed statement
// has been logged by the target's gate; only success gets a line here.
void CreateTargetTable(const DirectionPlan& plan, const std::string& tableName) {
  std::string sql = plan.createSql(tableName);
  if (plan.target.executeSql(sql) >= plan.createOkFrom)
    WriteLog(StrFormat("创建成功:表%s", tableName.c_str()));
}

}  // namespace

std::string GetOracleCreateSql(const std::string& tableName) {
  TStoreProOCI caller(*OracleGate);
  return caller.GetCreateTableSql(tableName);
}

void ConvertTable(const std::string& tableName, TTableMode tableMode) {
  WriteLog("");
  auto plan = PlanFor(CurrentDirection);
  if (!plan) return;
  // A name the target cannot hold is never cut to fit: it could land on another table.
  if (auto why = db::NameRefusal(plan->target.names(), tableName)) {
    WriteLog(StrFormat(kNameRefused, tableName.c_str(), why->c_str()));
    return;
  }
  TableModeResult step = ApplyTableMode(plan->target, tableName, tableMode);
  if (!step.proceed) return;
  if (!step.exists) CreateTargetTable(*plan, tableName);
  plan->copyRows(tableName);
}

}  // namespace mvq
