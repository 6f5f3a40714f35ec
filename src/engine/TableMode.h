#pragma once
// What happens to a table that already exists in the target: skip it, empty it, or drop it
// so that it is created anew. Each kind of target has its own success tests and messages.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "engine/TableOutcome.h"
#include "platform/odbc/NameRules.h"

namespace mvq {

enum TTableMode : int32_t { tmSkipExisting = 0, tmDeleteRecords = 1, tmDropTable = 2 };

// "drop table T" for tmDropTable, "delete from T" otherwise; T as given, already quoted.
std::string BuildClearTableSql(const std::string& tableName, TTableMode mode);

// How one kind of target reports the delete and the drop.
struct TargetRules {
  int32_t deleteOkFrom;  // "delete from" succeeded when the result is at least this
  const char* deleteOk;  // with the table name, and the row count where it has %d
  bool deleteOkHasCount;
  const char* deleteFailed;
  int32_t dropOkFrom;
  const char* dropOk;
  const char* dropFailed;
};

extern const TargetRules kAccessTarget;
extern const TargetRules kSqlServerTarget;
extern const TargetRules kOracleTarget;
extern const TargetRules kCustomTarget;

// The target as the policy sees it: an existence test and a statement runner returning the
// gate's own result convention.
struct TableTarget {
  const TargetRules* rules;
  std::function<bool(const std::string&)> tableExists;
  std::function<int32_t(const std::string&)> executeSql;
  // How the target writes names; none: verbatim.
  std::function<db::NameRules()> names;
};

struct TableModeResult {
  bool proceed;                            // false: the table is finished, the reason is logged
  bool exists;                             // whether the table is still in the target
  ExistingStep step = ExistingStep::None;  // what was done; None when the step failed
  std::string line;                        // the line logged, empty when there was none
  bool refused = false;                    // the create refusal below ended the table
};

// Why the table cannot be created in the target, as the line to log; nothing when it can.
using CreateRefusal = std::function<std::optional<std::string>()>;

// refusal is asked only where a create would follow (the table is absent, or about to be
// dropped), before anything is dropped.
TableModeResult ApplyTableMode(const TableTarget& target, const std::string& tableName,
                               TTableMode mode, const CreateRefusal& refusal = {});

}  // namespace mvq
