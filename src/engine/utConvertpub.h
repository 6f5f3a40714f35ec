#pragma once
// Per-table bookkeeping shared by the row-copy variants: the table's clock and progress bar,
// the line for a row that was not written, and the closing report.
#include <cstdint>
#include <string>

#include "engine/TableMode.h"
#include "platform/odbc/Connection.h"

namespace mvq {

extern int32_t ExportTotalRows;   // row total of the current source table
extern uint32_t ExportStartTick;  // tick count when its export began

// Starts the table's clock; shows its progress bar and answers true when it has rows.
bool BeginTableExport(int32_t total, const std::string& tableName);

// "导出成功:…全部完成…" when every counted row was written, the partial line otherwise;
// a table that an error ended is never reported as complete. Answers the line.
std::string ReportTableExport(const std::string& tableName, int32_t exported, bool ended = false);

// The line for a row the target refused, naming the row by its first source field; nothing
// for a first field that is a blob or a long text.
void LogRowFailure(const std::string& errorText, const db::FieldDesc& firstField,
                   const db::Variant& firstValue);
// The label a row carries through a batched write: the first field's text, or none when
// its failure is not to be logged.
std::optional<std::string> RowLabel(const db::FieldDesc& firstField, const db::Variant& firstValue);
// Logs a failure whose label RowLabel made; its text may be the table's first error.
void LogRowFailure(const std::string& errorText, const std::optional<std::string>& label);

}  // namespace mvq
