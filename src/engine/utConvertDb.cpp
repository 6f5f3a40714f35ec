#include "engine/utConvertDb.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "engine/DirectionTable.h"
#include "engine/Gateways.h"
#include "engine/RowCopy.h"
#include "engine/StrFormat.h"
#include "engine/TableRun.h"
#include "gates/ado/CreateTableBuilder.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/UtStoreProOCI.h"
#include "gates/oracle/utconnection.h"
#include "support/CurrentDirection.h"
#include "support/utLog.h"

namespace mvq {

namespace {

constexpr const char* kNotOpen = "转换的数据连接没有打开";
constexpr const char* kNameRefused = "导出失败：目标数据库不能容纳表名%s(%s)";
constexpr const char* kColumnRefused = "导出失败：目标数据库不能容纳表%s的列名%s(%s)";

bool SlotOpen(GatewaySlot slot) {
  switch (slot) {
    case GatewaySlot::OracleGate:
      return OracleGate != nullptr;
    case GatewaySlot::MdbGate:
      return MdbGate != nullptr;
    case GatewaySlot::SqlGate:
      return SqlGate != nullptr;
    case GatewaySlot::CustomSourceGate:
      return CustomSourceGate != nullptr;
    case GatewaySlot::CustomTargetGate:
      return CustomTargetGate != nullptr;
    case GatewaySlot::None:
    case GatewaySlot::ExcelWriter:
      break;
  }
  return false;
}

template <typename Gate>
TableTarget TargetOn(const TargetRules& rules, const std::unique_ptr<Gate>& gate) {
  return {&rules, [&gate](const std::string& t) { return gate->TableExists(t); },
          [&gate](const std::string& s) { return gate->ExecuteSql(s); },
          [&gate] { return gate->Names(); }};
}

TableTarget TargetIn(GatewaySlot slot) {
  switch (slot) {
    case GatewaySlot::MdbGate:
      return TargetOn(kAccessTarget, MdbGate);
    case GatewaySlot::SqlGate:
      return TargetOn(kSqlServerTarget, SqlGate);
    case GatewaySlot::OracleGate: {
      // The longest name an Oracle server takes depends on its version.
      TableTarget target = TargetOn(kOracleTarget, OracleGate);
      target.names = [] { return OracleGate->ServerNames(); };
      return target;
    }
    default:
      return TargetOn(kCustomTarget, CustomTargetGate);
  }
}

std::string CreateText(CreateTextFrom from, const std::string& table) {
  switch (from) {
    case CreateTextFrom::OracleFunction:
      return GetOracleCreateSql(table);
    case CreateTextFrom::SqlServerFunction:
      return SqlGate->GetTableScript(table);
    case CreateTextFrom::AccessForOracle:
      return MdbGate->BuildOracleCreateSql(table);
    case CreateTextFrom::AccessForSqlServer:
      return MdbGate->BuildCreateSql(table);
    case CreateTextFrom::ProviderOfTarget:
      return CustomSourceGate->BuildProviderCreateSql(table, CustomTargetGate->AdoConnection());
    case CreateTextFrom::None:
      break;
  }
  return {};
}

// The CREATE TABLE text from the source side, run on the target. A failed statement has
// been logged by the target's gate; only success gets a line here. A server function that
// fails is missing or broken for every later table as well.
void CreateTargetTable(const DirectionRow& row, const TableTarget& target,
                       const std::string& tableName) {
  std::string sql;
  try {
    sql = CreateText(row.createText, tableName);
  } catch (...) {
    if (FromServerFunction(row.createText)) MarkRunEnding();
    throw;
  }
  if (target.executeSql(sql) >= row.createOkFrom)
    WriteLog(StrFormat("创建成功:表%s", tableName.c_str()));
}

TADODataGate& AdoGateIn(GatewaySlot slot) {
  switch (slot) {
    case GatewaySlot::MdbGate:
      return *MdbGate;
    case GatewaySlot::SqlGate:
      return *SqlGate;
    case GatewaySlot::CustomSourceGate:
      return *CustomSourceGate;
    default:
      return *CustomTargetGate;
  }
}

// The source's column names, from an empty result of the table. None when it cannot be
// read: the count that follows fails the same way and reports it.
std::vector<std::string> SourceColumns(GatewaySlot slot, const std::string& table) {
  db::Connection* connection = nullptr;
  std::string quoted;
  if (slot == GatewaySlot::OracleGate) {
    if (ora::OraSession* session = OracleGate->Session()) connection = &session->Connection();
    quoted = TComDBConn::QuotedName(table);
  } else {
    connection = AdoGateIn(slot).AdoConnection();
    quoted = AdoGateIn(slot).QuotedName(table);
  }
  std::vector<std::string> names;
  if (!connection) return names;
  try {
    auto query = connection->CreateQuery();
    query->Open("select * from " + quoted + " where 1=2");
    for (const db::FieldDesc& field : query->Fields()) names.push_back(field.name);
  } catch (const db::DbError&) {
  }
  return names;
}

void CopyRows(const DirectionRow& row, const std::string& table, TableOutcome& outcome) {
  switch (row.copy) {
    case CopyVariant::OracleToAdo:
      return CopyRowsOracleToAdo(*OracleGate, AdoGateIn(row.targetSlot), table, outcome);
    case CopyVariant::AdoToOracle:
      return CopyRowsAdoToOracle(AdoGateIn(row.sourceSlot), *OracleGate, table, outcome);
    case CopyVariant::AdoToAdo:
      return CopyRowsAdoToAdo(AdoGateIn(row.sourceSlot), AdoGateIn(row.targetSlot), table, outcome);
    case CopyVariant::Custom:
      return CopyRowsCustom(AdoGateIn(row.sourceSlot), AdoGateIn(row.targetSlot), table, outcome);
    case CopyVariant::None:
      break;
  }
}

// A name the target cannot hold is never cut to fit: it could land on another table.
std::optional<std::string> NameRefused(const TableTarget& target, const std::string& table) {
  return db::NameRefusal(target.names(), table);
}

// The target as the existing-table step sees it, with statements recorded instead of run
// and answered as the target answers a success.
TableTarget DryTarget(TableTarget target, std::vector<std::string>& statements) {
  const TargetRules& r = *target.rules;
  const int32_t ok = std::max(r.deleteOkFrom, r.dropOkFrom);
  target.executeSql = [&statements, ok](const std::string& sql) {
    statements.push_back(sql);
    return ok;
  };
  return target;
}

}  // namespace

TablePlan PlanTable(const std::string& tableName, TTableMode tableMode) {
  TablePlan plan;
  const DirectionRow& row = DirectionOf(CurrentDirection);
  if (row.copy == CopyVariant::None) throw std::logic_error("a workbook target has no plan");
  if (!SlotOpen(row.sourceSlot) || !SlotOpen(row.targetSlot)) throw RunEndingError(kNotOpen);
  const LogCapture quiet;
  try {
    const TableTarget target = DryTarget(TargetIn(row.targetSlot), plan.statements);
    if (auto why = NameRefused(target, tableName)) {
      plan.refused = *why;
      return plan;
    }
    plan.exists = target.tableExists(tableName);
    const TableModeResult step = ApplyTableMode(target, tableName, tableMode);
    plan.step = step.step;
    plan.copies = step.proceed;
    if (step.proceed && !step.exists) {
      const ddl::LossNotes notes;
      plan.createSql = CreateText(row.createText, tableName);
      plan.losses = notes.losses;
    }
  } catch (const std::exception& e) {
    if (EndsTheRun(e)) throw;
    plan.error = e.what();
  }
  return plan;
}

std::string GetOracleCreateSql(const std::string& tableName) {
  TStoreProOCI caller(*OracleGate);
  return caller.GetCreateTableSql(tableName);
}

void ConvertTable(const std::string& tableName, TTableMode tableMode, TableOutcome& outcome) {
  outcome.table = tableName;
  WriteLog("");
  const DirectionRow& row = DirectionOf(CurrentDirection);
  if (row.copy == CopyVariant::None) return;
  // Both ends must have been connected by the run before any table goes.
  if (!SlotOpen(row.sourceSlot) || !SlotOpen(row.targetSlot)) throw RunEndingError(kNotOpen);
  RunTable(outcome, [&] {
    const TableTarget target = TargetIn(row.targetSlot);
    if (auto why = NameRefused(target, tableName)) {
      outcome.report = StrFormat(kNameRefused, tableName.c_str(), why->c_str());
      outcome.firstError = outcome.report;
      outcome.status = OutcomeStatus::Failed;
      WriteLog(outcome.report);
      return;
    }
    // A column the target cannot hold is refused before anything is dropped or created.
    auto columnRefusal = [&]() -> std::optional<std::string> {
      auto refused = db::FirstRefusal(target.names(), SourceColumns(row.sourceSlot, tableName));
      if (!refused) return std::nullopt;
      return StrFormat(kColumnRefused, tableName.c_str(), refused->name.c_str(),
                       refused->why.c_str());
    };
    TableModeResult step = ApplyTableMode(target, tableName, tableMode, columnRefusal);
    outcome.existing = step.step;
    if (!step.proceed) {
      outcome.report = step.line;
      if (step.refused) outcome.firstError = step.line;
      outcome.status =
          step.step == ExistingStep::Skipped ? OutcomeStatus::Skipped : OutcomeStatus::Failed;
      return;
    }
    if (!step.exists) CreateTargetTable(row, target, tableName);
    CopyRows(row, tableName, outcome);
  });
}

TableOutcome ConvertTable(const std::string& tableName, TTableMode tableMode) {
  TableOutcome outcome;
  ConvertTable(tableName, tableMode, outcome);
  return outcome;
}

}  // namespace mvq
