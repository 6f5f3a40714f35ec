#pragma once
// Checking a table exported into a workbook against its source: the workbook read back, the
// table's sheets found, and their rows and per-column values compared with the source's
// values as the sheet writers store them, so that what the workbook rules change on purpose
// (and count in the run log) is expected rather than reported.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/TableOutcome.h"
#include "engine/Verify.h"
#include "platform/xls/Cell.h"
#include "platform/xls/WorkbookReader.h"

namespace mvq::excel {

// How a stored cell compares: its kind and content as one text, nullopt for an empty cell
// (an empty text is one).
// Dates are their serial numbers, numbers kept to the 15 digits Excel holds; the text as
// the file can carry it (invalid UTF-8 replaced, and in a .xlsx line ends as XML reads them).
std::optional<std::string> CellKey(const xls::Cell& cell, bool xlsx);

// The sheets of table in book: those named when known (from the run that wrote them), else
// the table's own name and its page names table1, table2 ... as far as they exist.
std::vector<const xls::ReadSheet*> SheetsOfTable(const std::vector<xls::ReadSheet>& book,
                                                 const std::string& table,
                                                 const std::vector<std::string>& named);

// Compares the source rows of table with its sheets. typed: the sheets hold the values with
// their own types (else as text, large objects left out, as the Oracle path writes them).
VerifyResult CompareWithSheets(const std::string& table, const TableRowsOpener& source, bool typed,
                               const std::vector<const xls::ReadSheet*>& sheets, bool xlsx);

}  // namespace mvq::excel
