#include "shell/VerifyRun.h"

#include <stdexcept>

#include "engine/DirectionTable.h"
#include "engine/Gateways.h"
#include "engine/Verify.h"
#include "excel/WorkbookVerify.h"
#include "gates/ado/UtdefAdo.h"
#include "gates/ado/utAdopub.h"
#include "gates/ado/utSQLConnection.h"
#include "gates/oracle/utconnection.h"
#include "platform/xls/Workbook.h"
#include "platform/xls/XlsError.h"
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

// The workbook read back once; each table compared with its sheets.
std::vector<VerifyResult> CompareWorkbook(const std::string& path, const TableRowsOpener& source,
                                          bool typed, const std::vector<VerifyRequest>& tables) {
  std::vector<xls::ReadSheet> book;
  std::string unread;
  try {
    book = xls::ReadWorkbookFile(path);
  } catch (const xls::XlsError& e) {
    unread = e.what();
  }
  const bool xlsx = xls::FormatOfPath(path) == xls::FileFormat::kXlsx;
  std::vector<VerifyResult> results;
  for (const VerifyRequest& r : tables) {
    if (!unread.empty()) {
      results.push_back({.detail = unread});
      continue;
    }
    results.push_back(excel::CompareWithSheets(
        r.table, source, typed, excel::SheetsOfTable(book, r.table, r.sheets), xlsx));
  }
  return results;
}

}  // namespace

bool CanVerify(int32_t direction, bool customToWorkbook) {
  if (IsCustomDirection(direction)) return !customToWorkbook;
  return !IsExcelTarget(direction);
}

std::optional<std::vector<VerifyResult>> VerifyTables(ShellContext& c,
                                                      const std::vector<VerifyRequest>& tables) {
  const int32_t direction = CurrentDirection;
  std::vector<VerifyResult> results;
  if (!CanVerify(direction, c.customToWorkbook)) {
    const DirectionRow& d = DirectionOf(direction);
    const bool custom = IsCustomDirection(direction);
    const GatewaySlot slot = custom ? GatewaySlot::CustomSourceGate : d.sourceSlot;
    // The Oracle path writes text values; the others keep each value's type.
    const bool typed = d.workbook != WorkbookReader::OraclePages;
    auto compare = [&] {
      results = CompareWorkbook(c.form.edtxlsfilename, RowsInSlot(slot), typed, tables);
    };
    if (!custom) {
      if (!WithDirectionGateways(c, false, compare)) return std::nullopt;
      return results;
    }
    const bool connected =
        WithRelease([&] { return OpenCustomSourceGateway(c) && (compare(), true); },
                    [] { ReleaseCustomGateways(); });
    if (!connected) return std::nullopt;
    return results;
  }
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
