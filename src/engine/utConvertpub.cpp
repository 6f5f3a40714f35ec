#include "engine/utConvertpub.h"

#include "engine/StrFormat.h"
#include "support/Messages.h"
#include "support/TableErrorNote.h"
#include "support/utLog.h"
#include "support/utProgress.h"

namespace mvq {

int32_t ExportTotalRows = 0;
uint32_t ExportStartTick = 0;

bool BeginTableExport(int32_t total, const std::string& tableName) {
  ExportTotalRows = total;
  ExportStartTick = GetTickCount();
  if (total == 0) return false;
  ProgressStartLast(total, "正在导出" + tableName + ",记录有" + std::to_string(total) + "条", true);
  return true;
}

std::string ReportTableExport(const std::string& tableName, int32_t exported, bool ended) {
  auto elapsed = static_cast<int32_t>(GetTickCount() - ExportStartTick);
  const char* pattern = exported < ExportTotalRows || ended
                            ? "导出部分成功:表%s，总的记录数%d,导出数据%d条，部分完成,用时%dms"
                            : "导出成功:表%s，总的记录数%d,导出数据%d条，全部完成,用时%dms";
  std::string line = StrFormat(pattern, tableName.c_str(), ExportTotalRows, exported, elapsed);
  WriteLog(line);
  return line;
}

std::optional<std::string> RowLabel(const db::FieldDesc& firstField,
                                    const db::Variant& firstValue) {
  if (firstField.category == db::ftBlob || firstField.category == db::ftMemo) return std::nullopt;
  return firstValue.AsText();
}

void LogRowFailure(const std::string& errorText, const std::optional<std::string>& label) {
  NoteTableError(errorText);
  if (!label) return;
  WriteLog("失败-----------因" + errorText + ":无法写,第一个字段值为" + *label);
}

void LogRowFailure(const std::string& errorText, const db::FieldDesc& firstField,
                   const db::Variant& firstValue) {
  LogRowFailure(errorText, RowLabel(firstField, firstValue));
}

}  // namespace mvq
