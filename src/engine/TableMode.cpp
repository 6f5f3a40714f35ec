#include "engine/TableMode.h"

#include "engine/StrFormat.h"
#include "support/utLog.h"

namespace mvq {

const TargetRules kAccessTarget{0,
                                "删除表%s,%d条记录",
                                true,
                                "删除表%s中记录失败,退出",
                                0,
                                "删除成功：表%s",
                                "删除失败：表%s，退出"};
// The SQL Server gate answers -1 for a statement it does not count, as "drop table" is;
// only its failure value -99 is a failed drop.
const TargetRules kSqlServerTarget{0,
                                   "删除表%s,%d条记录",
                                   true,
                                   "删除表%s，记录失败,退出",
                                   -1,
                                   "删除成功：表%s",
                                   "删除失败：表%s，退出"};
// The Oracle gate answers 1 for any successful statement.
const TargetRules kOracleTarget{1, "删除成功：表%s的记录", false,           "删除失败：表%s的记录",
                                1, "删除成功：表%s",       "删除失败：表%s"};
const TargetRules kCustomTarget{0,
                                "删除成功：表%s",
                                false,
                                "删除失败：表%s，退出",
                                0,
                                "删除成功：表%s",
                                "删除失败：表%s，退出"};

std::string BuildClearTableSql(const std::string& tableName, TTableMode mode) {
  return (mode == tmDropTable ? "drop table " : "delete from ") + tableName;
}

TableModeResult ApplyTableMode(const TableTarget& target, const std::string& tableName,
                               TTableMode mode, const CreateRefusal& refusal) {
  auto logged = [](TableModeResult result) {
    WriteLog(result.line);
    return result;
  };
  auto refused = [&](bool exists) -> std::optional<TableModeResult> {
    auto line = refusal ? refusal() : std::nullopt;
    if (!line) return std::nullopt;
    return logged({false, exists, ExistingStep::None, *line, true});
  };
  if (!target.tableExists(tableName)) {
    if (auto r = refused(false)) return *r;
    return {true, false, ExistingStep::Created, {}};
  }
  const TargetRules& r = *target.rules;
  const char* name = tableName.c_str();
  const std::string quoted = target.names ? db::QuoteName(target.names(), tableName) : tableName;

  if (mode == tmDeleteRecords) {
    int32_t result = target.executeSql(BuildClearTableSql(quoted, mode));
    if (result >= r.deleteOkFrom) {
      return logged(
          {true, true, ExistingStep::Emptied,
           r.deleteOkHasCount ? StrFormat(r.deleteOk, name, result) : StrFormat(r.deleteOk, name)});
    }
    return logged({false, true, ExistingStep::None, StrFormat(r.deleteFailed, name)});
  }
  if (mode == tmDropTable) {
    if (auto refusedDrop = refused(true)) return *refusedDrop;
    int32_t result = target.executeSql(BuildClearTableSql(quoted, mode));
    if (result >= r.dropOkFrom)
      return logged({true, false, ExistingStep::Recreated, StrFormat(r.dropOk, name)});
    return logged({false, true, ExistingStep::None, StrFormat(r.dropFailed, name)});
  }
  return logged(
      {false, true, ExistingStep::Skipped, StrFormat("导出失败：因表%s已存在，不再导入", name)});
}

}  // namespace mvq
