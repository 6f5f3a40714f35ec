#pragma once
// How field values become worksheet cells: as text on the Oracle path, with their own types
// on the recordset path, and which fields a sheet leaves out.
#include <cstddef>
#include <string>

#include "platform/odbc/Connection.h"
#include "platform/xls/Cell.h"

namespace mvq::excel {

// Binary and long-text fields (BLOB, CLOB, LONG, LONG RAW, memo, OLE object ...): the
// text-valued sheets leave them out.
bool IsLargeObject(const db::FieldDesc& field);

// The field's text form; bytes as upper-case hexadecimal digits, null as an empty cell.
xls::Cell TextCell(const db::Variant& value);

// The value with its own type. Numbers Excel would round (integers, decimals and doubles of
// more than 15 significant digits) and times finer than milliseconds stay text so that no
// digit is lost; bytes become hex text.
xls::Cell TypedCell(const db::Variant& value);

// Cuts a text cell to the 32,767 characters a cell holds; true when it had more.
bool CutToCellLimit(xls::Cell& cell);

// Counts, for one sheet, the cells that do not hold their value as it was: texts cut to the
// cell limit, and on typed sheets numbers of more than 15 digits (doubles among them), dates
// outside Excel's calendar, times finer than milliseconds and NaN or infinities written as
// text; on every sheet texts whose invalid UTF-8
// bytes the writers replace with U+FFFD. Report writes one log line per kind that occurred.
class SheetChanges {
 public:
  // Cuts cell to the limit and counts what it changed of value; typed: a TypedCell.
  void Apply(const db::Variant& value, xls::Cell& cell, bool typed);
  void Report(const std::string& sheet) const;
  // Cells changed of every kind together.
  int Total() const { return cut_ + longNumbers_ + outsideCalendar_ + nonFinite_ + invalidText_; }

 private:
  int cut_ = 0, longNumbers_ = 0, outsideCalendar_ = 0, fineTimes_ = 0, nonFinite_ = 0,
      invalidText_ = 0;
};

}  // namespace mvq::excel
