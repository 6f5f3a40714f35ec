#include "shell/VerifyRun.h"

#include <stdexcept>

#include "engine/DirectionTable.h"
#include "engine/Gateways.h"
#include "engine/Verify.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/utconnection.h"
#include "shell/Directions.h"
#include "support/CurrentDirection.h"

namespace mvq {
namespace {

template <typename Gate>
TableRowsOpener RowsOf(const std::unique_ptr<Gate>& gate) {
  if (!gate) throw std::logic_error("the gateway to read the table from is not open");
  return RowsOn(*gate);
}

TableRowsOpener RowsInSlot(GatewaySlot slot) {
  switch (slot) {
    case GatewaySlot::OracleGate:
      return RowsOf(OracleGate);
    case GatewaySlot::MdbGate:
      return RowsOf(MdbGate);
    case GatewaySlot::SqlGate:
      return RowsOf(SqlGate);
    case GatewaySlot::CustomSourceGate:
      return RowsOf(CustomSourceGate);
    case GatewaySlot::CustomTargetGate:
      return RowsOf(CustomTargetGate);
    case GatewaySlot::None:
    case GatewaySlot::ExcelWriter:
      break;
  }
  throw std::logic_error("a workbook is not read back");
}

}  // namespace

bool CanVerify(int32_t direction, bool customToWorkbook) {
  if (IsCustomDirection(direction)) return !customToWorkbook;
  return !IsExcelTarget(direction);
}

std::optional<std::vector<VerifyResult>> VerifyTables(ShellContext& c,
                                                      const std::vector<VerifyRequest>& tables) {
  const int32_t direction = CurrentDirection;
  if (!CanVerify(direction, c.customToWorkbook))
    throw std::logic_error("a workbook target is not read back");
  std::vector<VerifyResult> results;
  if (!WithDirectionGateways(c, false, [&] {
        const DirectionRow& d = DirectionOf(direction);
        const TableRowsOpener source = RowsInSlot(d.sourceSlot);
        const TableRowsOpener target = RowsInSlot(d.targetSlot);
        for (const VerifyRequest& r : tables)
          results.push_back(CompareTable(r.table, source, target, r.rowsRefused));
      }))
    return std::nullopt;
  return results;
}

}  // namespace mvq
