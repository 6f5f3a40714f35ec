#include "engine/DirectionTable.h"

#include <stdexcept>
#include <string>

namespace mvq {
namespace {

// Access, SQL Server and custom targets fail with -1 (SQL Server with -99, its -1 is a
// statement it did not count); Oracle answers 1 for success.
constexpr int32_t kAccessCreateOk = 0, kSqlServerCreateOk = -1, kOracleCreateOk = 1,
                  kCustomCreateOk = 0, kNoCreate = 0;

// Direction 4 writes Access types; the others that touch SQL Server write Oracle types.
constexpr SqlServerScripts kSqlForAccess{ScriptField::mogetaccesstype, ScriptField::mogettablesql};
constexpr SqlServerScripts kSqlForOracle{ScriptField::s2omogetaccesstype,
                                         ScriptField::s2omogettablesql};

using enum Endpoint;
using enum GatewaySlot;
using enum ScriptField;
using T = CreateTextFrom;
using enum WorkbookReader;
using C = CopyVariant;

constexpr std::array<DirectionRow, kDirectionCount> kRows{{
    {0, Oracle, SqlServer, OracleGate, SqlGate, T::OracleFunction, kSqlServerCreateOk,
     C::OracleToAdo, mooracletoserver, kSqlForOracle, OraclePages},
    {1, SqlServer, Oracle, SqlGate, OracleGate, T::SqlServerFunction, kOracleCreateOk,
     C::AdoToOracle, Mooracletoacess, kSqlForOracle, SqlServerPages},
    {2, Oracle, Access, OracleGate, MdbGate, T::OracleFunction, kAccessCreateOk, C::OracleToAdo,
     Mooracletoacess, std::nullopt, OraclePages},
    {3, Access, Oracle, MdbGate, OracleGate, T::AccessForOracle, kOracleCreateOk, C::AdoToOracle,
     Mooracletoacess, std::nullopt, AccessPages},
    {4, SqlServer, Access, SqlGate, MdbGate, T::SqlServerFunction, kAccessCreateOk, C::AdoToAdo,
     std::nullopt, kSqlForAccess, SqlServerPages},
    {5, Access, SqlServer, MdbGate, SqlGate, T::AccessForSqlServer, kSqlServerCreateOk, C::AdoToAdo,
     std::nullopt, kSqlForOracle, AccessPages},
    {6, Oracle, Excel, OracleGate, ExcelWriter, T::None, kNoCreate, C::None, Mooracletoacess,
     std::nullopt, OraclePages},
    {7, SqlServer, Excel, SqlGate, ExcelWriter, T::None, kNoCreate, C::None, std::nullopt,
     kSqlForOracle, SqlServerPages},
    {8, Access, Excel, MdbGate, ExcelWriter, T::None, kNoCreate, C::None, std::nullopt,
     std::nullopt, AccessPages},
    {9, Custom, Custom, CustomSourceGate, CustomTargetGate, T::ProviderOfTarget, kCustomCreateOk,
     C::Custom, std::nullopt, std::nullopt, CustomStream},
}};

}  // namespace

const std::array<DirectionRow, kDirectionCount>& DirectionRows() {
  return kRows;
}

const DirectionRow& DirectionOf(int32_t number) {
  if (number < 0 || number >= kDirectionCount) {
    throw std::out_of_range("conversion direction " + std::to_string(number) + " out of range");
  }
  return kRows[static_cast<size_t>(number)];
}

bool IsExcelTarget(int32_t direction) {
  return DirectionOf(direction).target == Endpoint::Excel;
}

bool AccessIsSource(int32_t direction) {
  return DirectionOf(direction).source == Endpoint::Access;
}

bool IsCustomDirection(int32_t direction) {
  return DirectionOf(direction).source == Endpoint::Custom;
}

bool FromServerFunction(CreateTextFrom from) {
  return from == CreateTextFrom::OracleFunction || from == CreateTextFrom::SqlServerFunction;
}

}  // namespace mvq
