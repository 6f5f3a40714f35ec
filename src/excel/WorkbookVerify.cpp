#include "excel/WorkbookVerify.h"

#include <cstdio>
#include <memory>

#include "engine/StrFormat.h"
#include "excel/SheetCells.h"
#include "platform/text/Utf8.h"
#include "platform/xls/Unicode.h"

namespace mvq::excel {
namespace {

// The text as both writers can carry it: malformed UTF-8 and U+FFFE/FFFF as U+FFFD; in a
// .xlsx a carriage return reads back as XML's line feed.
std::string CarriedText(std::string_view s, bool xlsx) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    char32_t cp = text::NextCodePoint(s, i);
    if (cp == 0xFFFE || cp == 0xFFFF) cp = 0xFFFD;
    if (xlsx && cp == '\r') {
      if (i < s.size() && s[i] == '\n') continue;
      cp = '\n';
    }
    text::AppendUtf8(out, cp);
  }
  return out;
}

struct Digest {
  int64_t rows = 0;
  std::vector<ColumnDigest> columns;
};

}  // namespace

std::optional<std::string> CellKey(const xls::Cell& cell, bool xlsx) {
  char buffer[40];
  switch (cell.kind) {
    case xls::CellKind::kEmpty:
      return std::nullopt;
    case xls::CellKind::kText:
      // A sheet has no empty text: the writers leave such a cell blank, as for NULL.
      if (cell.text.empty()) return std::nullopt;
      return "t" + CarriedText(cell.text, xlsx);
    case xls::CellKind::kBool:
      return cell.number != 0 ? "b1" : "b0";
    case xls::CellKind::kNumber:
    case xls::CellKind::kDate:
    case xls::CellKind::kDateTime:
    case xls::CellKind::kTime:
      std::snprintf(buffer, sizeof buffer, "n%.15g", cell.number);
      return std::string(buffer) == "n-0" ? "n0" : buffer;
  }
  return std::nullopt;
}

std::vector<const xls::ReadSheet*> SheetsOfTable(const std::vector<xls::ReadSheet>& book,
                                                 const std::string& table,
                                                 const std::vector<std::string>& named) {
  auto find = [&](const std::string& name) -> const xls::ReadSheet* {
    const std::string folded = xls::FoldCase(name);
    for (const xls::ReadSheet& s : book)
      if (xls::FoldCase(s.name) == folded) return &s;
    return nullptr;
  };
  std::vector<const xls::ReadSheet*> sheets;
  if (!named.empty()) {
    for (const std::string& name : named)
      if (const xls::ReadSheet* s = find(name)) sheets.push_back(s);
    return sheets;
  }
  for (int page = 0;; ++page) {
    const xls::ReadSheet* s = find(page == 0 ? table : table + std::to_string(page));
    if (!s) break;
    sheets.push_back(s);
  }
  return sheets;
}

VerifyResult CompareWithSheets(const std::string& table, const TableRowsOpener& source, bool typed,
                               const std::vector<const xls::ReadSheet*>& sheets, bool xlsx) {
  VerifyResult result;
  if (sheets.empty()) {
    result.detail = "the workbook has no sheet of the table";
    return result;
  }
  std::unique_ptr<db::Query> rows;
  try {
    rows = source(table);
  } catch (const std::exception& e) {
    result.detail = "cannot read the source table: " + std::string(e.what());
    return result;
  }
  // The columns a sheet holds, as the sheet writers choose them.
  const std::vector<db::FieldDesc>& fields = rows->Fields();
  std::vector<size_t> kept;
  for (size_t i = 0; i < fields.size(); ++i)
    if (typed || !IsLargeObject(fields[i])) kept.push_back(i);

  Digest expected, found;
  expected.columns.resize(kept.size());
  found.columns.resize(kept.size());
  SheetChanges changes;
  for (; !rows->Eof(); rows->Next()) {
    ++expected.rows;
    for (size_t c = 0; c < kept.size(); ++c) {
      const db::Variant& value = rows->Value(kept[c]);
      xls::Cell cell = typed ? TypedCell(value) : TextCell(value);
      changes.Apply(value, cell, typed);
      expected.columns[c].Add(CellKey(cell, xlsx));
    }
  }

  std::vector<std::string> why, badHeaders;
  for (const xls::ReadSheet* sheet : sheets) {
    // Row 1 holds the field names; a later Oracle page adds its row-number column after them.
    const std::vector<xls::Cell> header =
        sheet->rows.empty() ? std::vector<xls::Cell>{} : sheet->rows.front();
    for (size_t c = 0; c < kept.size(); ++c) {
      const bool same = c < header.size() && header[c].kind == xls::CellKind::kText &&
                        header[c].text == fields[kept[c]].name;
      if (!same) {
        badHeaders.push_back(sheet->name);
        break;
      }
    }
    for (size_t r = 1; r < sheet->rows.size(); ++r) {
      ++found.rows;
      const std::vector<xls::Cell>& cells = sheet->rows[r];
      for (size_t c = 0; c < kept.size(); ++c)
        found.columns[c].Add(c < cells.size() ? CellKey(cells[c], xlsx) : std::nullopt);
    }
  }
  result.sourceRows = expected.rows;
  result.targetRows = found.rows;
  for (size_t c = 0; c < kept.size(); ++c)
    if (!(expected.columns[c] == found.columns[c]))
      result.columnsDiffering.push_back(fields[kept[c]].name);

  if (expected.rows != found.rows)
    why.push_back(StrFormat("rows: source %lld, workbook %lld",
                            static_cast<long long>(expected.rows),
                            static_cast<long long>(found.rows)));
  if (!result.columnsDiffering.empty())
    why.push_back("columns differing: " + JoinNames(result.columnsDiffering));
  if (!badHeaders.empty())
    why.push_back("field names differ in the first row of sheet " + JoinNames(badHeaders));
  result.match = why.empty();
  std::vector<std::string> sheetNames;
  for (const xls::ReadSheet* s : sheets) sheetNames.push_back(s->name);
  if (result.match) {
    if (changes.Total() > 0)
      result.detail = StrFormat(
          "%d cells hold their values as the workbook rules store them "
          "(see the run log)",
          changes.Total());
    return result;
  }
  for (const std::string& w : why) result.detail += (result.detail.empty() ? "" : "; ") + w;
  result.detail += " (sheets " + JoinNames(sheetNames) + ")";
  return result;
}

}  // namespace mvq::excel
