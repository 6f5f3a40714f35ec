#pragma once
// What each of the ten conversion directions plugs together, as one table: the two ends and
// their gateway slots, where the CREATE TABLE text comes from and the value that means it
// ran, the row-copy variant, the server scripts each end installs, and how a table is read
// into a workbook. The numbers are the window's (0 to 9); the shell adds captions and layout.
#include <array>
#include <cstdint>
#include <optional>

namespace mvq {

inline constexpr int32_t kDirectionCount = 10;
inline constexpr int32_t kCustomDirection = 9;

enum class Endpoint { Oracle, SqlServer, Access, Excel, Custom };

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

struct SqlServerScripts {
  ScriptField getaccesstype;
  ScriptField gettablesql;
};

// Who writes the CREATE TABLE text for the target.
enum class CreateTextFrom {
  None,                // no table is created (workbook targets)
  OracleFunction,      // getMdbCreateSql on the Oracle source
  SqlServerFunction,   // gettablesql on the SQL Server source
  AccessForOracle,     // the Access gate's builder, Oracle types
  AccessForSqlServer,  // the Access gate's builder, SQL Server types
  ProviderOfTarget,    // the custom source's builder, the target provider's types
};

enum class CopyVariant { None, AdoToAdo, AdoToOracle, OracleToAdo, Custom };

// How a table is read into a workbook.
enum class WorkbookReader { OraclePages, SqlServerPages, AccessPages, CustomStream };

struct DirectionRow {
  int32_t number;
  Endpoint source;
  Endpoint target;
  GatewaySlot sourceSlot;
  GatewaySlot targetSlot;
  CreateTextFrom createText;
  int32_t createOkFrom;  // the target's ExecuteSql result from which the CREATE succeeded
  CopyVariant copy;
  std::optional<ScriptField> oracleScript;     // installed as getMdbCreateSql
  std::optional<SqlServerScripts> sqlScripts;  // getaccesstype, then gettablesql
  WorkbookReader workbook;                     // custom: when the run goes into a workbook instead
};

const std::array<DirectionRow, kDirectionCount>& DirectionRows();

// Throws std::out_of_range for a number outside 0-9.
const DirectionRow& DirectionOf(int32_t number);

bool IsExcelTarget(int32_t direction);
// The direction reads an Access file (3, 5 and 8): a missing one is not created.
bool AccessIsSource(int32_t direction);
bool IsCustomDirection(int32_t direction);

// Whether the CREATE TABLE text comes from a function installed on the source server: its
// failure means the function is missing or broken, which no later table escapes.
bool FromServerFunction(CreateTextFrom from);

}  // namespace mvq
